#include "common/escape.h"

#include <cstring>

#include "common/classic_string.h"

void ReplaceEscaped(std::string& text, std::string_view find, std::string_view replacement,
                    bool honourBackslash) {
  if (find.empty()) return;
  size_t q = text.find(find);
  if (q == std::string::npos) return;
  // The text is rebuilt in one pass: out holds the finished part before the
  // search position, text[i..] the part not yet looked at.
  std::string out;
  out.reserve(text.size());
  size_t i = 0;
  while (q != std::string::npos) {
    out.append(text, i, q - i);
    if (honourBackslash && !out.empty() && out.back() == '\\') {
      // An escaped occurrence: drop the backslash, keep the occurrence, and
      // search again from its second byte.
      out.pop_back();
      out.push_back(text[q]);
      i = q + 1;
    } else {
      out.append(replacement);
      i = q + find.size();
    }
    q = text.find(find, i);
  }
  out.append(text, i, std::string::npos);
  text = std::move(out);
}

static const char kHex[] = "0123456789ABCDEF";

// Every byte 0..31 becomes "\x" and two upper-case hex digits.
static std::string HexEscapeControls(const std::string& s) {
  size_t count = 0;
  for (unsigned char c : s)
    if (c < 32) ++count;
  if (count == 0) return s;
  std::string out;
  out.reserve(s.size() + count * 3);
  for (unsigned char c : s) {
    if (c < 32) {
      out += "\\x";
      out.push_back(kHex[c >> 4]);
      out.push_back(kHex[c & 15]);
    } else {
      out.push_back(static_cast<char>(c));
    }
  }
  return out;
}

static int HexValue(char c, bool upper) {
  if (c >= '0' && c <= '9') return c - '0';
  if (upper && c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (!upper && c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// Every "\x" with two hex digits (both upper- or both lower-case letter
// digits) for a value 0..31 becomes that byte. One pass gives the same as
// one replace-all per value and digit case: the occurrences cannot overlap,
// and the bytes put in cannot form new ones.
static std::string HexUnescapeControls(const std::string& s) {
  if (s.find("\\x") == std::string::npos) return s;
  std::string out;
  out.reserve(s.size());
  size_t i = 0;
  while (i < s.size()) {
    if (s[i] == '\\' && i + 3 < s.size() && s[i + 1] == 'x') {
      char h = s[i + 2], l = s[i + 3];
      int v = -1;
      for (bool upper : {true, false}) {
        int a = HexValue(h, upper), b = HexValue(l, upper);
        if (a >= 0 && b >= 0 && a * 16 + b < 32) {
          v = a * 16 + b;
          break;
        }
      }
      if (v >= 0) {
        out.push_back(static_cast<char>(v));
        i += 4;
        continue;
      }
    }
    out.push_back(s[i]);
    ++i;
  }
  return out;
}

TBreakEscapes BreakEscapes(TEscapeForm form) {
  switch (form) {
    case TEscapeForm::OldBreaks: return {"\\d", "\\a", "\\d\\a"};
    case TEscapeForm::BackslashBreaks: return {"\\r", "\\n", "\\r\\n"};
    case TEscapeForm::TagBreaks: return {"<CR>", "<LF>", "<CR><LF>"};
    case TEscapeForm::EntityBreaks: return {"&#13", "&#10;", "&#13&#10;"};
    default: return {};
  }
}

// CR and then LF into the form's notations, or the notations back into CR
// and LF; backslash-aware for BackslashBreaks, plain replace-all otherwise.
static void ConvertBreaks(std::string& s, TEscapeForm form, bool escape) {
  const TBreakEscapes breaks = BreakEscapes(form);
  if (breaks.cr.empty()) return;
  const bool honour = form == TEscapeForm::BackslashBreaks;
  if (escape) {
    ReplaceEscaped(s, "\r", breaks.cr, honour);
    ReplaceEscaped(s, "\n", breaks.lf, honour);
  } else {
    ReplaceEscaped(s, breaks.cr, "\r", honour);
    ReplaceEscaped(s, breaks.lf, "\n", honour);
  }
}

std::string EscapeText(const std::string& text, TEscapeForm form, bool borderSpaces) {
  if (text.empty()) return text;
  std::string s = text;
  if (borderSpaces) {
    if (s[0] == ' ') s.replace(0, 1, "\\x20");
    if (s.back() == ' ') s.replace(s.size() - 1, 1, "\\x20");
  }
  if (form == TEscapeForm::HexOnly) return HexEscapeControls(s);
  ConvertBreaks(s, form, true);
  ReplaceAllInPlace(s, "\t", "\\t");
  return HexEscapeControls(s);
}

std::string UnescapeText(const std::string& text, TEscapeForm form, bool borderSpaces) {
  if (text.empty()) return text;
  std::string s = text;
  if (borderSpaces) ReplaceAllInPlace(s, "\\x20", " ");
  if (form == TEscapeForm::HexOnly) return HexUnescapeControls(s);
  ConvertBreaks(s, form, false);
  ReplaceAllInPlace(s, "\\t", "\t");
  return HexUnescapeControls(s);
}
