// Mode -o: the one-pass de-duplication against the pairwise loop, -sort,
// -hbs, and whole runs.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "common/collation.h"
#include "common/escape.h"
#include "optimizer/linefile.h"
#include "optimizer/mode_runs.h"
#include "optimizer/optimize.h"
#include "tests/support/testutil.h"
#include "tests/support/velloran_folder.h"

namespace {

using Lines = std::vector<std::string>;

// The pairwise pass as a literal loop over a list that shrinks in place.
void RefPairwise(Lines& l, const TParam& p) {
  long k = 0;
  while (k < static_cast<long>(l.size()) - 1) {
    const std::string s = l[k];
    if (p.LimitSymbols > 0 && static_cast<long>(s.size()) <= p.LimitSymbols) {
      k = k + 1;
      continue;
    }
    const std::string key = NormalizeLine(s, p);
    long j = k + 1;
    while (j < static_cast<long>(l.size())) {
      if (NormalizeLine(l[j], p) == key) {
        l.erase(l.begin() + j);
      } else {
        j = j + 1;
      }
    }
    k = k + 1;
  }
}

// SortUnique as sort-then-insert with the collation comparison itself.
Lines RefSortUnique(Lines l) {
  std::stable_sort(l.begin(), l.end(),
                   [](const std::string& a, const std::string& b) { return CompareLines(a, b, false) < 0; });
  Lines out;
  for (const std::string& s : l) {
    if (!out.empty() && CompareLines(out.back(), s, false) == 0) continue;
    out.push_back(s);
  }
  return out;
}

Lines Dedup(Lines l, const TParam& p) {
  RemoveRepeatedKeys(l, p);
  return l;
}

Lines Sorted(const Lines& l) {
  TStringList list;
  list.Assign(l);
  SortUnique(list);
  return list.Lines();
}

std::string RandomLine(std::mt19937& rng, const Lines& parts, size_t maxParts) {
  std::uniform_int_distribution<size_t> pick(0, parts.size() - 1), len(0, maxParts);
  std::string s;
  for (size_t n = len(rng); n > 0; --n) s += parts[pick(rng)];
  return s;
}

const Lines kParts = {"a", "b", " ", "\t", "\\x20", "\\n", "\\r", "\\d", "\\a", "'", "file\\", "\\"};

}  // namespace

TEST(RemoveRepeatedKeys, KeepsTheFirstOfEachGroup) {
  TParam p;
  EXPECT_EQ(Dedup({"A", "B", "A", "C", "B"}, p), (Lines{"A", "B", "C"}));
  EXPECT_EQ(Dedup({"one"}, p), (Lines{"one"}));
  EXPECT_EQ(Dedup({}, p), (Lines{}));
  EXPECT_EQ(Dedup({"", "x", "", ""}, p), (Lines{"", "x"}));
  EXPECT_EQ(Dedup({"Abc", "abc", "abc "}, p), (Lines{"Abc", "abc", "abc "}));
  EXPECT_EQ(Dedup({"file\\a", "T", "file\\a"}, p), (Lines{"file\\a", "T"}));
}

TEST(RemoveRepeatedKeys, OptionsChangeTheKeyNotTheText) {
  TParam rn;
  rn.IgnoreEnters = true;
  EXPECT_EQ(Dedup({"x\\ny", "xy", "x\\r\\ny"}, rn), (Lines{"x\\ny"}));
  TParam is;
  is.IgnoreQuote = true;
  EXPECT_EQ(Dedup({"dont", "don't"}, is), (Lines{"dont"}));
  TParam dbs;
  dbs.DeleteBorder = true;
  EXPECT_EQ(Dedup({"\\x20a", "a", " a"}, dbs), (Lines{"\\x20a"}));
}

TEST(RemoveRepeatedKeys, LimitSymbols) {
  TParam p;
  p.LimitSymbols = 3;
  EXPECT_EQ(Dedup({"ab", "ab", "abcd", "abcd", "abc", "abc"}, p), (Lines{"ab", "ab", "abcd", "abc", "abc"}));
  // Only the kept line is measured: a short line after a long one with its
  // key goes; a short line before it stays and removes nothing.
  TParam rn = p;
  rn.IgnoreEnters = true;
  EXPECT_EQ(Dedup({"ab", "ab\\n", "ab", "ab\\r"}, rn), (Lines{"ab", "ab\\n"}));
  for (int32_t limit : {0, -1, -100}) {
    TParam q;
    q.LimitSymbols = limit;
    EXPECT_EQ(Dedup({"a", "a", "", ""}, q), (Lines{"a", ""}));
  }
}

TEST(RemoveRepeatedKeys, MatchesThePairwiseLoopOnRandomLists) {
  std::mt19937 rng(1234);
  std::uniform_int_distribution<int> count(0, 40), limit(-2, 6);
  for (int t = 0; t < 4000; ++t) {
    Lines l;
    for (int n = count(rng); n > 0; --n) l.push_back(RandomLine(rng, kParts, 4));
    TParam p;
    p.DeleteBorder = rng() % 3 == 0;
    p.IgnoreEnters = rng() % 3 == 0;
    p.IgnoreOld = p.IgnoreEnters && rng() % 2 == 0;
    p.IgnoreQuote = rng() % 3 == 0;
    p.LimitSymbols = rng() % 2 ? limit(rng) : 0;
    Lines ref = l;
    RefPairwise(ref, p);
    ASSERT_EQ(Dedup(l, p), ref) << "case " << t;
  }
}

TEST(RemoveRepeatedKeys, ManyLinesWithFewKeys) {
  // Enough lines to make the table grow several times.
  std::mt19937 rng(3);
  Lines l;
  for (int i = 0; i < 3000; ++i) l.push_back(std::to_string(rng() % 700));
  TParam p;
  Lines ref = l;
  RefPairwise(ref, p);
  EXPECT_EQ(Dedup(l, p), ref);
}

TEST(SortUnique, IgnoresCaseAndSorts) {
  Lines r = Sorted({"b", "A", "a", "c"});
  ASSERT_EQ(r.size(), 3u);
  EXPECT_EQ(r[0], "A");  // the first in file order of the equal lines
  EXPECT_EQ(r[1], "b");
  EXPECT_EQ(r[2], "c");
  EXPECT_EQ(Sorted({"a", "A"}), (Lines{"a"}));
  EXPECT_EQ(Sorted({}), (Lines{}));
  EXPECT_EQ(Sorted({"x", "", "x"}), (Lines{"", "x"}));
}

TEST(SortUnique, MatchesSortThenInsertOnRandomLists) {
  std::mt19937 rng(77);
  const Lines parts = {"a", "A", "b", "B", "\xC3\xA9", "\xC3\x89", "e", "\xE9", " ", "-", "1", "\x01"};
  std::uniform_int_distribution<int> count(0, 30);
  for (int t = 0; t < 1500; ++t) {
    Lines l;
    for (int n = count(rng); n > 0; --n) l.push_back(RandomLine(rng, parts, 3));
    ASSERT_EQ(Sorted(l), RefSortUnique(l)) << "case " << t;
  }
}

TEST(EscapeBorderHex, SameAsEscapeText) {
  std::mt19937 rng(8);
  const Lines parts = {"a", " ", "\t", "\x01", "\x1F", "\r", "\n", std::string(1, '\0'), "\\", "x", "\x7F", "\xFF"};
  for (int t = 0; t < 20000; ++t) {
    std::string s = RandomLine(rng, parts, 5);
    ASSERT_EQ(EscapeBorderHex(s), EscapeText(s, TEscapeForm::Hex, true)) << t;
  }
  EXPECT_EQ(EscapeBorderHex(" x "), "\\x20x\\x20");
  EXPECT_EQ(EscapeBorderHex("a\tb"), "a\\tb");
}

class OptimizeRun : public ::testing::Test {
 protected:
  TempDir dir;
  TParam p;
  void SetUp() override {
    p.Mode = TMode::Optimize;
    p.FileMain = dir.File("src.txt");
    p.FileEN = dir.File("2Optimize_EN/src.txt");
  }
  std::string Run(const std::string& source) {
    WriteBytes(p.FileMain, source);
    RunOptimize(p);
    return ReadBytes(p.FileEN);
  }
};

TEST_F(OptimizeRun, WritesTheKeptLinesIntoANewFolder) {
  EXPECT_EQ(Run("A\r\nB\nA\rC\r\nB\r\n"), "A\r\nB\r\nC\r\n");
  EXPECT_EQ(Run(""), "");
  EXPECT_EQ(Run("only"), "only\r\n");
}

TEST_F(OptimizeRun, DeleteBorderWritesTrimmedLines) {
  p.DeleteBorder = true;
  EXPECT_EQ(Run(" a\r\na \r\nb\\x20\r\n"), "a\r\nb\r\n");
}

TEST_F(OptimizeRun, HexBorder) {
  p.HexBorder = true;
  EXPECT_EQ(Run(" x \r\n\tq\r\n \r\n"), "\\x20x\\x20\r\n\\tq\r\n\\x20\r\n");
}

TEST_F(OptimizeRun, SortThenHex) {
  p.Sort = true;
  p.HexBorder = true;
  EXPECT_EQ(Run("b\r\nA\r\na\r\n c\r\n"), "\\x20c\r\nA\r\nb\r\n");
}

TEST_F(OptimizeRun, SortIgnoresLimitAndKeys) {
  p.Sort = true;
  p.IgnoreEnters = true;
  p.LimitSymbols = 10;
  EXPECT_EQ(Run("x\\ny\r\nxy\r\nxy\r\n"), "x\\ny\r\nxy\r\n");
}

TEST_F(OptimizeRun, EqualMarkersAreReducedBeforeTheFinishingSteps) {
  p.FolderMarkers = true;
  p.FolderLevel = 1;
  EXPECT_EQ(Run("file\\lv\\a.1.txt\r\nT\r\nfile\\lv\\a.1.txt\r\nU\r\nfile\\lv\\b.1.txt\r\n"),
            "//folder=lv\\ type=1\r\nT\r\nU\r\nfile\\lv\\b.1.txt\r\n");
  p.FolderMarkers = false;
  p.DeleteFileLines = true;
  p.DeleteEmpty = true;
  EXPECT_EQ(Run("file\\a\r\n\r\nT\r\nfile\\a\r\nT\r\n"), "T\r\n");
}

TEST_F(OptimizeRun, OutputOverItsOwnInput) {
  p.FileEN = p.FileMain;
  EXPECT_EQ(Run("a\r\na\r\nb\r\n"), "a\r\nb\r\n");
}

TEST_F(OptimizeRun, MatchesTheLiteralStepsOnRandomFiles) {
  std::mt19937 rng(99);
  std::uniform_int_distribution<int> count(0, 25);
  const Lines parts = {"a", "b", " ", "\t", "\\x20", "\\n", "'", "file\\", "file/", "\\", ".", "1", "txt", "\x02"};
  for (int t = 0; t < 300; ++t) {
    Lines l;
    for (int n = count(rng); n > 0; --n) l.push_back(RandomLine(rng, parts, 5));
    TParam q = p;
    q.DeleteBorder = rng() % 3 == 0;
    q.IgnoreEnters = rng() % 3 == 0;
    q.IgnoreQuote = rng() % 3 == 0;
    q.HexBorder = rng() % 2 == 0;
    q.LimitSymbols = static_cast<int32_t>(rng() % 5) - 1;
    q.DeleteFileLines = rng() % 3 == 0;
    q.NullFileLinesOnly = rng() % 2 == 0;
    q.EmptyFileLines = rng() % 3 == 0;
    q.DeleteEmpty = rng() % 3 == 0;
    q.FolderMarkers = rng() % 2 == 0;
    q.FolderLevel = static_cast<int32_t>(rng() % 4) - 1;

    Lines ref = l;
    if (q.DeleteBorder)
      for (auto& s : ref) s = TrimBorder(s);
    RefPairwise(ref, q);
    if (q.HexBorder)
      for (auto& s : ref) s = EscapeText(s, TEscapeForm::Hex, true);
    TStringList refList;
    refList.Assign(ref);
    FinishLines(refList, q);

    WriteBytes(q.FileMain, CrLf(l));
    RunOptimize(q);
    ASSERT_EQ(ReadBytes(q.FileEN), CrLf(refList.Lines())) << "case " << t;
  }
}

// Whole runs of the program.
using OptimizeCli = VelloranFolderTest;

TEST_F(OptimizeCli, OptionsEndToEnd) {
  WriteBytes(W("s.txt"), "ab\r\nab\r\nabcd\r\n abcd\r\nx\\ny\r\nxy\r\n");
  ToolResult r = Run({"-o", "-lso", "3", "-dbs", "-rn", "s.txt", "en.txt"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "OPTIMIZE double " + W("s.txt") + "\nDONE\n");
  EXPECT_EQ(ReadBytes(W("en.txt")), "ab\r\nab\r\nabcd\r\nx\\ny\r\n");
}

TEST_F(OptimizeCli, SortAndHex) {
  WriteBytes(W("s.txt"), "b\r\nA\r\na\r\nc \r\n");
  ToolResult r = Run({"-o", "-SORT", "-HBS", "s.txt"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(ReadBytes(W("2Optimize_EN/s.txt")), "A\r\nb\r\nc\\x20\r\n");
}

TEST_F(OptimizeCli, UnwritableOutputIsAnErrorWithoutDone) {
  WriteBytes(W("s.txt"), "a\r\n");
  WriteBytes(W("2Optimize_EN"), "a file where the folder should be");
  ToolResult r = Run({"-o", "s.txt"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "OPTIMIZE double " + W("s.txt") + "\n");
  EXPECT_NE(r.err.find("Cannot create file"), std::string::npos) << r.err;
}

TEST_F(OptimizeCli, MarkerOptionsEndToEnd) {
  WriteBytes(W("s.txt"),
             "file\\lvl\\a.-1.txt\r\nHi\r\nfile\\lvl\\b.-1.txt\r\nHi\r\nfile\\lvl\\c.2.txt\r\nfile\\x\\d.2.txt\r\nBye\r\n\r\n");
  // "-dfn": the markers of sections left empty go; "-dfumb 1 -de": the rest
  // are rewritten, a repeated folder and type is deleted, empty lines go.
  ToolResult r = Run({"-o", "-dfn", "-DFUMB", "1", "-de", "s.txt"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "OPTIMIZE double " + W("s.txt") + "\nDONE\n");
  EXPECT_EQ(ReadBytes(W("2Optimize_EN/s.txt")), "//folder=lvl\\ type=-1\r\nHi\r\n//folder=x\\ type=2\r\nBye\r\n");

  // "-ef" keeps the places of the markers as empty lines.
  r = Run({"-o", "-ef", "s.txt", "ef.txt"});
  EXPECT_EQ(ReadBytes(W("ef.txt")), "\r\nHi\r\n\r\n\r\n\r\nBye\r\n\r\n");
}
