// The byte-comparing cores of velloran's modes -sd, -rd, -repstr, -co and
// the numbering of repeated lines, against the literal loops of the rules.
#include <cstdint>
#include <string>
#include <vector>

#include "common/stringlist.h"
#include "optimizer/clear_other_lines.h"
#include "optimizer/number_duplicates.h"
#include "optimizer/pair_replace.h"
#include "optimizer/repeat_split.h"
#include "tests/fuzz/fuzz_input.h"
#include "tests/support/literal.h"

namespace {

using Lines = std::vector<std::string>;

std::pair<Lines, Lines> RefSplit(Lines l1) {
  Lines l5(l1.size());
  for (size_t k = 0; k + 1 < l1.size(); ++k) {
    const std::string s = l1[k];
    bool found = false;
    if (!s.empty())
      for (size_t j = k + 1; j < l1.size(); ++j)
        if (l1[j] == s) {
          l5[j] = l1[j];
          l1[j].clear();
          found = true;
        }
    if (found) {
      l5[k] = s;
      l1[k].clear();
    }
  }
  Lines a, b;
  for (const auto& s : l1)
    if (!s.empty()) a.push_back(s);
  for (const auto& s : l5)
    if (!s.empty()) b.push_back(s);
  return {a, b};
}

std::vector<int> RefInOrder(Lines l1, const Lines& en) {
  std::vector<int> r(en.size(), -1);
  size_t start = 0;
  for (size_t i = 0; i < en.size(); ++i)
    for (size_t k = start; k < l1.size(); ++k)
      if (l1[k] == en[i]) {
        l1[k] = "\x01replaced";  // line k now holds a translation
        r[i] = static_cast<int>(k);
        start = k + 1;
        break;
      }
  return r;
}

void RefNumber(Lines& l) {
  std::vector<bool> open(l.size(), true);
  for (size_t i = 0; i < l.size(); ++i) {
    if (!open[i]) continue;
    const std::string s = l[i];
    int counter = 1;
    for (size_t j = i + 1; j < l.size(); ++j)
      if (open[j] && l[j] == s) {
        l[i] = s + "*1";
        ++counter;
        l[j] = s + "*" + std::to_string(counter);
        open[i] = false;
        open[j] = false;
      }
  }
}

std::string RefDoubleName(const std::string& path) {
  const size_t slash = path.rfind('/');
  const size_t dot = path.rfind('.');
  if (dot != std::string::npos && (slash == std::string::npos || dot > slash))
    return path.substr(0, dot) + "_double.txt";
  return path + "_double.txt";
}

const Lines kPieces = {"a", "b", "ab", "", "c", "aa", "*1", " ", "A"};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzInput in(data, size);
  const Lines src = in.PieceLines(kPieces, 30, 4);
  const Lines en = in.PieceLines(kPieces, 12, 3);
  const std::string all = FuzzJoin(src) + "#" + FuzzJoin(en);

  // -sd
  {
    Lines l = src;
    const Lines doubles = SplitDoubles(l);
    const auto ref = RefSplit(src);
    FUZZ_CHECK(l == ref.first && doubles == ref.second, all);
  }
  // -rd
  FUZZ_CHECK(MatchInOrder(src, en) == RefInOrder(src, en), all);

  // -repstr: pairs of search and replacement texts.
  {
    const size_t pairs = static_cast<size_t>(in.Int(0, 8));
    Lines search(pairs), rep(pairs);
    for (size_t n = 0; n < pairs; ++n) {
      search[n] = kPieces[static_cast<size_t>(in.Int(0, 8))] + kPieces[static_cast<size_t>(in.Int(0, 8))];
      rep[n] = kPieces[static_cast<size_t>(in.Int(0, 8))] + kPieces[static_cast<size_t>(in.Int(0, 8))];
    }
    Lines expect = src;
    for (size_t n = 0; n < pairs; ++n)
      for (auto& line : expect) line = LitReplaceAll(line, search[n], rep[n]);
    Lines got = src;
    ReplaceInLines(got, search, rep);
    FUZZ_CHECK(got == expect, all + "#" + FuzzJoin(search) + "#" + FuzzJoin(rep));
    Lines sparse = src;
    TPairReplacer replacer(search, rep, 0);  // without the full transition table
    for (auto& line : sparse) replacer.Apply(line);
    FUZZ_CHECK(sparse == expect, all + "#" + FuzzJoin(search) + "#" + FuzzJoin(rep));
  }

  // -co: lines held by neither list become empty (case-sensitive lookups).
  {
    const Lines ru = in.PieceLines(kPieces, 6, 3);
    TStringList l2, l3;
    l2.SetCaseSensitive(true);
    l3.SetCaseSensitive(true);
    l2.Assign(en);
    l3.Assign(ru);
    Lines expect = src;
    for (auto& line : expect)
      if (l2.IndexOf(line) < 0 && l3.IndexOf(line) < 0) line.clear();
    Lines got = src;
    ClearOtherLines(got, en, ru);
    FUZZ_CHECK(got == expect, all);
  }

  // Numbering of repeated lines.
  {
    Lines got = src, expect = src;
    NumberDuplicates(got);
    RefNumber(expect);
    FUZZ_CHECK(got == expect, all);
  }

  // The companion file name.
  const std::string path = in.Str(20);
  FUZZ_CHECK(DoubleFileName(path) == RefDoubleName(path), path);
  return 0;
}
