// The keyed passes of velloran's modes -o, -r and -u, the comparison key and
// the two finishing steps, against the literal loops of the rules, under
// random options, over lines built from escape-like pieces so that keys
// collide often.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "common/escape.h"
#include "common/stringlist.h"
#include "optimizer/linefile.h"
#include "optimizer/params.h"
#include "optimizer/optimize.h"
#include "optimizer/recover.h"
#include "optimizer/update.h"
#include "tests/fuzz/fuzz_input.h"
#include "tests/support/literal.h"

namespace {

using Lines = std::vector<std::string>;

bool RefIsMarker(const std::string& s) { return s.compare(0, 5, "file\\") == 0 || s.compare(0, 5, "file/") == 0; }

std::string RefTrim(std::string s) {
  while (!s.empty() && (s[0] == ' ' || s[0] == '\t')) s.erase(0, 1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.pop_back();
  while (!s.empty() && (s.compare(0, 4, "\\x20") == 0 || s.compare(0, 4, "\\x09") == 0)) s.erase(0, 4);
  while (s.size() >= 4 && (s.compare(s.size() - 4, 4, "\\x20") == 0 || s.compare(s.size() - 4, 4, "\\x09") == 0))
    s.erase(s.size() - 4);
  return s;
}

std::string RefKey(std::string s, const TParam& p) {
  if (p.DeleteBorder) s = RefTrim(s);
  if (p.IgnoreEnters) {
    s = LitReplaceAll(s, "\\r", "");
    s = LitReplaceAll(s, "\\n", "");
    if (p.IgnoreOld) {
      s = LitReplaceAll(s, "\\d", "");
      s = LitReplaceAll(s, "\\a", "");
    }
  }
  if (p.IgnoreQuote) s = LitReplaceAll(s, "'", "");
  return s;
}

// Leading blanks of the source, the translation, trailing blanks; a source
// of blanks only gives its blanks once.
std::string RefRestoreBorder(const std::string& s, const std::string& t) {
  size_t a = 0;
  while (a < s.size() && (s[a] == ' ' || s[a] == '\t')) ++a;
  if (a == s.size()) return s + t;
  size_t b = s.size();
  while (b > 0 && (s[b - 1] == ' ' || s[b - 1] == '\t')) --b;
  return s.substr(0, a) + t + s.substr(b);
}

void RefPairwise(Lines& l, const TParam& p) {
  for (size_t k = 0; k + 1 < l.size(); ++k) {
    const std::string s = l[k];
    if (p.LimitSymbols > 0 && static_cast<long>(s.size()) <= p.LimitSymbols) continue;
    const std::string key = RefKey(s, p);
    for (size_t j = k + 1; j < l.size();) {
      if (RefKey(l[j], p) == key) l.erase(l.begin() + static_cast<long>(j));
      else ++j;
    }
  }
}

void RefRemovePairs(Lines& en, Lines& ru) {
  for (size_t k = 0; k + 1 < en.size(); ++k)
    for (size_t j = k + 1; j < en.size();) {
      if (en[j] == en[k]) {
        en.erase(en.begin() + static_cast<long>(j));
        ru.erase(ru.begin() + static_cast<long>(j));
      } else {
        ++j;
      }
    }
}

std::vector<size_t> RefRecover(Lines& src, const Lines& en, const Lines& ru, const TParam& p) {
  std::vector<size_t> misses;
  for (size_t i = 0; i < en.size(); ++i) {
    bool found = false;
    const std::string key = RefKey(en[i], p);
    for (std::string& line : src)
      if (RefKey(line, p) == key) {
        line = p.DeleteBorder ? RefRestoreBorder(line, ru[i]) : ru[i];
        found = true;
      }
    if (!found) misses.push_back(i);
  }
  return misses;
}

std::vector<int> RefUpdate(Lines& nl, const Lines& en, const Lines& ru, const TParam& p) {
  std::vector<int> result(en.size(), -1);
  std::vector<bool> updated(nl.size(), false);
  for (size_t i = 0; i < en.size(); ++i) {
    const std::string e = RefKey(en[i], p);
    for (size_t k = 0; k < nl.size(); ++k) {
      if (updated[k] || RefKey(nl[k], p) != e) continue;
      nl[k] = ru[i];
      updated[k] = true;
      result[i] = static_cast<int>(k);
      break;
    }
  }
  return result;
}

void RefClean(Lines& l, const TParam& p) {
  if (!p.DeleteFileLines && !p.DeleteEmpty && !p.EmptyFileLines) return;
  for (long b = 0; b < static_cast<long>(l.size()); ++b) {
    const std::string s = l[static_cast<size_t>(b)];
    if ((p.DeleteFileLines || p.EmptyFileLines) && RefIsMarker(s)) {
      const bool go = !p.NullFileLinesOnly || b == static_cast<long>(l.size()) - 1 ||
                      RefIsMarker(l[static_cast<size_t>(b + 1)]);
      if (go) {
        if (p.EmptyFileLines) {
          l[static_cast<size_t>(b)].clear();
        } else {
          l.erase(l.begin() + b);
          --b;
        }
      }
    }
    if (p.DeleteEmpty && s.empty()) {
      l.erase(l.begin() + b);
      --b;
    }
  }
}

void RefRewrite(Lines& l, const TParam& p) {
  if (!p.FolderMarkers) return;
  std::string lastFolder, lastType, type;
  for (long i = 0; i < static_cast<long>(l.size()); ++i) {
    const std::string line = l[static_cast<size_t>(i)];
    if (!RefIsMarker(line)) continue;
    const std::string sep(1, line[4]);
    std::string folder;
    size_t from = 6;
    int n = 0;
    while (n != p.FolderLevel) {
      const size_t q = LitPos(sep, line, from);
      if (q != 0) {
        folder += line.substr(from - 1, q - from) + sep;
        from = q + 1;
        ++n;
      } else {
        const size_t d = LitPos(".", line, from);
        if (d != 0) folder += line.substr(from - 1, d - from) + sep;
        break;
      }
    }
    const size_t d = line.rfind('.');
    if (d != std::string::npos) {
      type = line.substr(d + 1);
      if (type == "txt") {
        const std::string cut = line.substr(0, d);
        const size_t d2 = cut.rfind('.');
        if (d2 != std::string::npos) type = cut.substr(d2 + 1);
      }
    }
    if (folder != lastFolder || type != lastType) {
      l[static_cast<size_t>(i)] = "//folder=" + folder + " type=" + type;
      lastFolder = folder;
      lastType = type;
    } else if (p.DeleteEmpty) {
      l.erase(l.begin() + i);
      --i;
    }
  }
}

std::string RefUnescapeKeeping(std::string s) {
  s = LitReplaceAll(s, "\\x20", " ");
  s = LitReplaceAll(s, "\\t", "\t");
  for (unsigned b = 1; b < 32; ++b) {
    if (b == 10 || b == 13) continue;
    s = LitReplaceAll(s, LitHex(b, true), std::string(1, static_cast<char>(b)));
    s = LitReplaceAll(s, LitHex(b, false), std::string(1, static_cast<char>(b)));
  }
  return s;
}

const Lines kPieces = {"a", "b", "A", " ", "\t", "\\x20", "\\x09", "\\n", "\\r", "\\d", "\\a", "'",
                       "file\\", "file/", "\\", "/", ".", "txt", "x", "\\X20", "\\x0A", "\\x0d"};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzInput in(data, size);
  TParam p;
  const uint16_t f = static_cast<uint16_t>(in.Byte() | (in.Byte() << 8));
  p.DeleteBorder = f & 1;
  p.IgnoreEnters = f & 2;
  p.IgnoreOld = f & 4;
  if (p.IgnoreOld) p.IgnoreEnters = true;  // "-rno" sets both
  p.IgnoreQuote = f & 8;
  p.DeleteFileLines = f & 16;
  p.EmptyFileLines = f & 32;
  p.NullFileLinesOnly = f & 64;
  if (p.NullFileLinesOnly) p.DeleteFileLines = true;  // "-dfn" sets both
  p.DeleteEmpty = f & 128;
  p.FolderMarkers = f & 256;
  p.FolderLevel = in.Int(-1, 3);
  p.LimitSymbols = (f & 512) ? in.Int(-2, 8) : 0;

  const Lines src = in.PieceLines(kPieces, 24, 5);
  Lines en = in.PieceLines(kPieces, 12, 4);
  Lines ru(en.size());
  for (size_t i = 0; i < ru.size(); ++i) ru[i] = "ru" + std::to_string(i) + (in.Bool() ? " " : "");
  const std::string all = FuzzJoin(src) + "#" + FuzzJoin(en);

  for (const std::string& s : src) {
    FUZZ_CHECK(NormalizeLine(s, p) == RefKey(s, p), s);
    FUZZ_CHECK(IsMarkerLine(s) == RefIsMarker(s), s);
    FUZZ_CHECK(RestoreBorder(s, "T") == RefRestoreBorder(s, "T"), s);
    FUZZ_CHECK(EscapeBorderHex(s) == EscapeText(s, TEscapeForm::Hex, true), s);
    FUZZ_CHECK(UnescapeKeepingBreaks(s) == RefUnescapeKeeping(s), s);
  }

  // -o: the pairwise pass.
  Lines dedup = src, refDedup = src;
  RemoveRepeatedKeys(dedup, p);
  RefPairwise(refDedup, p);
  FUZZ_CHECK(dedup == refDedup, all);

  // -r: repeated pairs, then the keyed replacement.
  {
    Lines e1 = en, r1 = ru, e2 = en, r2 = ru;
    RemoveRepeatedPairs(e1, r1);
    RefRemovePairs(e2, r2);
    FUZZ_CHECK(e1 == e2 && r1 == r2, all);
    Lines s1 = src, s2 = src;
    std::vector<size_t> misses;
    ReplaceByKeys(s1, e1, r1, p, [&misses](size_t i) { misses.push_back(i); });
    const std::vector<size_t> refMisses = RefRecover(s2, e2, r2, p);
    FUZZ_CHECK(s1 == s2, all);
    FUZZ_CHECK(misses == refMisses, all);
  }

  // -u: each English line claims the earliest free new line of its key.
  {
    Lines n1 = src, n2 = src;
    const std::vector<int> got = UpdateLines(n1, en, ru, p);
    const std::vector<int> expect = RefUpdate(n2, en, ru, p);
    FUZZ_CHECK(got == expect, all);
    FUZZ_CHECK(n1 == n2, all);
  }

  // The finishing steps.
  {
    TStringList list;
    list.Assign(src);
    Lines ref = src;
    CleanMarkers(list, p);
    RefClean(ref, p);
    FUZZ_CHECK(list.Lines() == ref, all);
    RewriteMarkers(list, p);
    RefRewrite(ref, p);
    FUZZ_CHECK(list.Lines() == ref, all);
  }
  return 0;
}
