#include "extractor/convert.h"

#include "common/escape.h"
#include "common/classic_string.h"

namespace {

bool HasKey(std::string_view advKeys, std::string_view key) {
  return advKeys.find(key) != std::string_view::npos;
}

const char kHexUpper[] = "0123456789ABCDEF";
const char kHexLower[] = "0123456789abcdef";

std::string HexEscape(unsigned b, const char* digits) {
  std::string s = "\\x";
  s.push_back(digits[(b >> 4) & 0xF]);
  s.push_back(digits[b & 0xF]);
  return s;
}

// Every "\x" + two digits for b in [from, to], ascending, upper-case digits
// first, becomes byte b. Replacements run one after the other because a
// produced backslash can form a new sequence for a later value.
void UnhexRange(std::string& t, unsigned from, unsigned to) {
  for (unsigned b = from; b <= to; ++b) {
    if (t.find("\\x") == std::string::npos) return;
    const std::string byte(1, static_cast<char>(b));
    ReplaceAllInPlace(t, HexEscape(b, kHexUpper), byte);
    ReplaceAllInPlace(t, HexEscape(b, kHexLower), byte);
  }
}

}  // namespace

void ReplaceEnter(std::string& text, std::string_view find, std::string_view replacement,
                  const TParametrs& p) {
  if (p.not_ekrane) {
    ReplaceAllInPlace(text, find, replacement);
  } else {
    ReplaceEscaped(text, find, replacement, true);
  }
}

std::string ExportText(const std::string& text, std::string_view advKeys, const TParametrs& p) {
  if (text.empty()) return text;
  std::string t = text;
  if (p.del_enter_and_tab && p.operation == "extract") {
    std::string kept;
    kept.reserve(t.size());
    for (char c : t)
      if (c != '\t' && c != '\r' && c != '\n') kept.push_back(c);
    t.swap(kept);
  }
  if (p.border_quot) t = "\"" + t + "\"";
  if (p.bq_sys) {
    if (!t.empty() && t.front() == '"') t.erase(0, 1);
    if (!t.empty() && t.back() == '"') t.pop_back();
  }
  if (!p.nr_bs) {
    if (!t.empty() && t.front() == ' ') t.replace(0, 1, "\\x20");
    if (!t.empty() && t.back() == ' ') t.replace(t.size() - 1, 1, "\\x20");
  }
  if (p.hex_sys) {
    // Bytes 0 to 31 become "\x" and two upper-case digits. Byte 0 is
    // escaped too: a raw NUL would end the text file when it is read back.
    // The escapes hold no control byte, so one pass equals one replace-all
    // per byte value.
    std::string out;
    out.reserve(t.size() + 16);
    for (char c : t) {
      unsigned char u = static_cast<unsigned char>(c);
      if (u < 32) {
        out += HexEscape(u, kHexUpper);
      } else {
        out.push_back(c);
      }
    }
    t.swap(out);
  }
  if (!p.nr_rn) {
    const TBreakEscapes breaks = BreakEscapes(BreakEscapeForm(p));
    if (!p.nr_rn_win) ReplaceAllInPlace(t, "\r\n", breaks.crlf);
    if (!p.nr_r_mac) ReplaceAllInPlace(t, "\r", breaks.cr);
    if (!p.nr_n_unx) ReplaceAllInPlace(t, "\n", breaks.lf);
  }
  if (!p.nr_t && !HasKey(advKeys, "[-nr_t]")) {
    ReplaceAllInPlace(t, "\\t", "\\\\t");
    ReplaceAllInPlace(t, "\t", "\\t");
  }
  return t;
}

namespace {

// Every notation that the import rewrites holds a backslash, except the
// double quotes of "-border_quot" and the "#$" breaks of the advanced
// values: a text without any of them comes back unchanged.
bool HoldsImportNotation(std::string_view t, const TParametrs& p) {
  if (t.find('\\') != std::string_view::npos) return true;
  if (p.border_quot && t.find('"') != std::string_view::npos) return true;
  return p.adv_values_script && t.find('#') != std::string_view::npos;
}

}  // namespace

void ImportTextInPlace(std::string& t, std::string_view advKeys, const TParametrs& p, std::string& quotWarnings,
                       std::vector<std::string>& consoleLines) {
  if (!HoldsImportNotation(t, p)) return;
  if (p.border_quot) {
    if (!t.empty() && t.front() == '"') t.erase(0, 1);
    if (!t.empty() && t.back() == '"') t.pop_back();
    if (t.find('"') != std::string::npos) {
      quotWarnings += t;
      consoleLines.push_back("Warning quot text: " + t);
    }
  }
  if (!p.nr_bs) {
    if (p.r_bs_old) {
      if (StartsWith(t, "\\\" ")) t.erase(0, 2);
      if (EndsWith(t, " \\\"")) t.erase(t.size() - 2);
    }
    ReplaceAllInPlace(t, "\\x20", " ");
  }
  if (p.hex_sys) {
    // "\x00" gives byte 0 back (the export writes byte 0 that way).
    if (t.find("\\x00") != std::string::npos) ReplaceAllInPlace(t, "\\x00", std::string(1, '\0'));
    UnhexRange(t, 1, 31);
  }
  if (p.hex_lat) UnhexRange(t, 32, 127);
  if (p.hex_utf8) UnhexRange(t, 128, 255);
  if (!p.nr_rn && !HasKey(advKeys, "[-nr_rn]")) {
    const bool win = !(p.nr_rn_win || HasKey(advKeys, "[-nr_rn_win]"));
    const bool mac = !(p.nr_r_mac || HasKey(advKeys, "[-nr_r_mac]"));
    const bool unx = !(p.nr_n_unx || HasKey(advKeys, "[-nr_n_unix]"));
    // The old notation is always a plain replace-all.
    const TBreakEscapes breaks = BreakEscapes(BreakEscapeForm(p));
    auto unescape = [&](std::string_view notation, std::string_view raw) {
      if (p.r_da_old) {
        ReplaceAllInPlace(t, notation, raw);
      } else {
        ReplaceEnter(t, notation, raw, p);
      }
    };
    if (win) unescape(breaks.crlf, "\r\n");
    if (mac) unescape(breaks.cr, "\r");
    if (unx) unescape(breaks.lf, "\n");
  }
  if (p.adv_values_script) {
    static const std::pair<const char*, const char*> kEnterKeys[] = {
        {"[-enter_win_reg]", "\\r\\n"}, {"[-enter_win]", "#$D#$A"}, {"[-enter_unix_reg]", "\\n"},
        {"[-enter_unix]", "#$A"},       {"[-enter_mac_reg]", "\\r"}, {"[-enter_mac]", "#$D"},
    };
    for (const auto& [key, target] : kEnterKeys)
      if (HasKey(advKeys, key)) NormalizeEnters(t, target, p);
  }
  if (!p.nr_t && !HasKey(advKeys, "[-nr_t]")) {
    ReplaceEscaped(t, "\\t", "\t", true);
    ReplaceAllInPlace(t, "\\\\t", "\\t");
  }
}

std::string ImportText(std::string_view text, std::string_view advKeys, const TParametrs& p,
                       std::string& quotWarnings, std::vector<std::string>& consoleLines) {
  std::string t(text);
  ImportTextInPlace(t, advKeys, p, quotWarnings, consoleLines);
  return t;
}

std::string QuoteRegexText(std::string_view text) {
  // One pass equals the replace-alls in turn: the backslash comes first and
  // every later one only adds backslashes. "+", "{", "}" and "|" are quoted
  // too, so every key is searched literally.
  static const std::string_view kSpecial = "\\.*^$()[]<>!?+{}|";
  std::string out;
  out.reserve(text.size() + 8);
  for (char c : text) {
    if (kSpecial.find(c) != std::string_view::npos) out.push_back('\\');
    out.push_back(c);
  }
  return out;
}

void NormalizeEnters(std::string& text, std::string_view target, const TParametrs& p) {
  // Markers must not stand in the text: 0xA8 ends UTF-8 letters and is a
  // letter of Cyrillic code pages. Put 0x01 bytes in front until neither
  // marker occurs.
  std::string cr = "\xA8r", lf = "\xA8n";
  while (text.find(cr) != std::string::npos || text.find(lf) != std::string::npos) {
    cr.insert(0, 1, '\x01');
    lf.insert(0, 1, '\x01');
  }
  const std::string pair = cr + lf;
  ReplaceEnter(text, "#$D#$A", pair, p);
  ReplaceEnter(text, "#$D", cr, p);
  ReplaceEnter(text, "#$A", lf, p);
  ReplaceEnter(text, "\\r\\n", pair, p);
  ReplaceEnter(text, "\\r", cr, p);
  ReplaceEnter(text, "\\n", lf, p);
  ReplaceEnter(text, pair, target, p);
  ReplaceEnter(text, lf, target, p);
  ReplaceEnter(text, cr, target, p);
}
