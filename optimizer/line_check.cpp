#include "optimizer/line_check.h"

#include <algorithm>
#include <string_view>
#include <utility>

#include "common/platform.h"
#include "common/stringlist.h"
#include "common/classic_string.h"
#include "optimizer/given_files.h"

namespace {

// Kinds in the order of the findings of a line.
enum TKind { kEscape, kFormat, kTag, kPlaceholder };
const char* const kKindNames[] = {"escape", "format", "tag", "placeholder"};

using TToken = std::pair<TKind, std::string_view>;

bool IsHex(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool IsEscapeLetter(char c) { return c == 'r' || c == 'n' || c == 'd' || c == 'a' || c == 't'; }

// Length of the blank (space, TAB, "\x20", "\x09", "\t") that begins at i, 0 for none.
size_t BlankAt(std::string_view s, size_t i) {
  if (i >= s.size()) return 0;
  if (s[i] == ' ' || s[i] == '\t') return 1;
  if (s[i] != '\\') return 0;
  const std::string_view rest = s.substr(i);
  if (StartsWith(rest, "\\x20") || StartsWith(rest, "\\x09")) return 4;
  if (StartsWith(rest, "\\t")) return 2;
  return 0;
}

// Length of the blank that ends just before end and begins at or after
// from, 0 for none. A "\t" after another backslash is the literal text \t.
size_t BlankBefore(std::string_view s, size_t end, size_t from) {
  if (end <= from) return 0;
  const char last = s[end - 1];
  if (last == ' ' || last == '\t') return 1;
  const std::string_view head = s.substr(from, end - from);
  if (EndsWith(head, "\\x20") || EndsWith(head, "\\x09")) return 4;
  if (EndsWith(head, "\\t") && !(head.size() >= 3 && head[head.size() - 3] == '\\')) return 2;
  return 0;
}

// Escapes as korvane's export writes them: \r \n \d \a \t, \x with two hex
// digits, and a doubled backslash before one of those letters.
size_t EscapeLength(std::string_view s, size_t i) {
  if (i + 1 >= s.size()) return 0;
  const char d = s[i + 1];
  if (IsEscapeLetter(d)) return 2;
  if (d == 'x' && i + 3 < s.size() && IsHex(s[i + 2]) && IsHex(s[i + 3])) return 4;
  if (d == '\\' && i + 2 < s.size() && IsEscapeLetter(s[i + 2])) return 3;
  return 0;
}

// printf-style specifier at i ("%%" is handled by the caller): an optional
// argument number with "$", flags (not the space, which would take "50% off"
// for one), width, precision, length and conversion.
size_t FormatLength(std::string_view s, size_t i) {
  const size_t n = s.size();
  size_t j = i + 1;
  size_t k = j;
  while (k < n && IsDigit(s[k])) ++k;
  if (k > j && k < n && s[k] == '$') j = k + 1;
  while (j < n && (s[j] == '-' || s[j] == '+' || s[j] == '#' || s[j] == '0' || s[j] == '\'')) ++j;
  if (j < n && s[j] == '*') {
    ++j;
  } else {
    while (j < n && IsDigit(s[j])) ++j;
  }
  if (j < n && s[j] == '.') {
    ++j;
    if (j < n && s[j] == '*') {
      ++j;
    } else {
      while (j < n && IsDigit(s[j])) ++j;
    }
  }
  const std::string_view rest = s.substr(std::min(j, n));
  for (std::string_view len : {"hh", "ll", "I64", "I32", "h", "l", "L", "q", "j", "z", "t", "I", "w"}) {
    if (StartsWith(rest, len)) {
      j += len.size();
      break;
    }
  }
  if (j < n && std::string_view("diouxXeEfFgGaAcCsSpn").find(s[j]) != std::string_view::npos) return j + 1 - i;
  return 0;
}

// A tag: "<" then a letter, or "/" and a letter, then anything but "<" up
// to ">". The scan stops at the next "<", so every byte is looked at by one
// scan at most.
size_t TagLength(std::string_view s, size_t i) {
  size_t j = i + 1;
  if (j < s.size() && s[j] == '/') ++j;
  if (j >= s.size() || !IsLetter(s[j])) return 0;
  for (; j < s.size(); ++j) {
    if (s[j] == '>') return j + 1 - i;
    if (s[j] == '<') return 0;
  }
  return 0;
}

// A placeholder: open, anything but open and close, close. The scan stops
// at the next open bracket.
size_t BracketLength(std::string_view s, size_t i, char open, char close) {
  for (size_t j = i + 1; j < s.size(); ++j) {
    if (s[j] == close) return j + 1 - i;
    if (s[j] == open) return 0;
  }
  return 0;
}

struct TParts {
  std::string_view lead, middle, trail;
};

TParts SplitBorder(std::string_view s) {
  size_t a = 0;
  while (size_t n = BlankAt(s, a)) a += n;
  size_t b = s.size();
  while (size_t n = BlankBefore(s, b, a)) b -= n;
  return {s.substr(0, a), s.substr(a, b - a), s.substr(b)};
}

void Tokenize(std::string_view s, std::vector<TToken>& out) {
  out.clear();
  for (size_t i = 0; i < s.size();) {
    const char c = s[i];
    size_t len = 0;
    TKind kind = kEscape;
    if (c == '\\') {
      len = EscapeLength(s, i);
    } else if (c == '%') {
      if (i + 1 < s.size() && s[i + 1] == '%') {
        i += 2;  // a literal percent sign
        continue;
      }
      len = FormatLength(s, i);
      kind = kFormat;
    } else if (c == '<') {
      len = TagLength(s, i);
      kind = kTag;
    } else if (c == '{') {
      len = BracketLength(s, i, '{', '}');
      kind = kPlaceholder;
    } else if (c == '[') {
      len = BracketLength(s, i, '[', ']');
      kind = kPlaceholder;
    }
    if (len == 0) {
      ++i;
      continue;
    }
    out.emplace_back(kind, s.substr(i, len));
    i += len;
  }
  std::sort(out.begin(), out.end());
}

std::string Quoted(std::string_view s) {
  std::string q = "\"";
  q.append(s);
  q += '"';
  return q;
}

void AddCountFinding(std::vector<TLineFinding>& out, int line, const TToken& t, const char* what, size_t count) {
  std::string detail = std::string(what) + " " + Quoted(t.second);
  if (count > 1) detail += " (" + IntToStr(static_cast<long long>(count)) + " times)";
  out.push_back({line, kKindNames[t.first], std::move(detail)});
}

// Reuses its token buffers from line to line.
class TLineChecker {
 public:
  void Check(std::string_view en, std::string_view ru, int line, std::vector<TLineFinding>& out) {
    if (en == ru) return;
    const TParts e = SplitBorder(en), r = SplitBorder(ru);
    Tokenize(e.middle, enTokens_);
    Tokenize(r.middle, ruTokens_);
    // Both lists are sorted: walk them as a merge and compare the count of
    // every distinct token.
    size_t i = 0, j = 0;
    while (i < enTokens_.size() || j < ruTokens_.size()) {
      const bool takeEn = j >= ruTokens_.size() || (i < enTokens_.size() && enTokens_[i] <= ruTokens_[j]);
      const TToken t = takeEn ? enTokens_[i] : ruTokens_[j];
      size_t ce = 0, cr = 0;
      while (i < enTokens_.size() && enTokens_[i] == t) ++i, ++ce;
      while (j < ruTokens_.size() && ruTokens_[j] == t) ++j, ++cr;
      if (ce > cr) AddCountFinding(out, line, t, "lost", ce - cr);
      if (cr > ce) AddCountFinding(out, line, t, "added", cr - ce);
    }
    if (e.lead != r.lead)
      out.push_back({line, "blanks", "leading " + Quoted(e.lead) + " became " + Quoted(r.lead)});
    if (e.trail != r.trail)
      out.push_back({line, "blanks", "trailing " + Quoted(e.trail) + " became " + Quoted(r.trail)});
  }

 private:
  std::vector<TToken> enTokens_, ruTokens_;
};

}  // namespace

std::vector<TLineFinding> CheckLine(std::string_view en, std::string_view ru, int line) {
  std::vector<TLineFinding> out;
  TLineChecker().Check(en, ru, line, out);
  return out;
}

std::vector<TLineFinding> CheckLines(const std::vector<std::string>& en, const std::vector<std::string>& ru) {
  std::vector<TLineFinding> out;
  TLineChecker checker;
  const size_t n = std::min(en.size(), ru.size());
  for (size_t i = 0; i < n; ++i) checker.Check(en[i], ru[i], static_cast<int>(i + 1), out);
  return out;
}

std::string FormatFinding(const TLineFinding& f) {
  return "line " + IntToStr(f.Line) + ": " + f.Kind + ": " + f.Detail;
}

void PrintFindings(const std::vector<TLineFinding>& findings, bool asWarnings) {
  size_t lines = 0;
  int last = 0;
  for (const TLineFinding& f : findings) {
    ConsoleLine(asWarnings ? "Warning: " + FormatFinding(f) : FormatFinding(f));
    if (f.Line != last) ++lines;
    last = f.Line;
  }
  ConsoleLine("Check: " + IntToStr(static_cast<long long>(findings.size())) + " findings in " +
              IntToStr(static_cast<long long>(lines)) + " lines");
}

int RunCheck(const TParam& p) {
  std::vector<std::string> files;
  if (!TakeGivenFiles(p, "-check", "[FILE_EN.txt] [FILE_RU.txt]", 2, 2, files)) return 1;
  if (!GivenInputsExist(files)) return 1;
  TStringList en, ru;
  en.LoadFromFile(files[0]);
  ru.LoadFromFile(files[1]);
  if (!SameLineCount(en, ru)) return 1;
  const std::vector<TLineFinding> findings = CheckLines(en.Lines(), ru.Lines());
  PrintFindings(findings, false);
  return EndRun(findings.empty() ? 0 : 1);
}
