// Modes -repstr and -co, the run without a mode and the numbering of
// repeated lines: the fast cores against the literal loops, and whole runs.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "common/stringlist.h"
#include "common/classic_string.h"
#include "optimizer/clear_other_lines.h"
#include "optimizer/number_duplicates.h"
#include "optimizer/pair_replace.h"
#include "optimizer/params.h"
#include "tests/support/literal.h"
#include "tests/support/testutil.h"

namespace {

using Lines = std::vector<std::string>;

int Rounds(int full) { return std::getenv("KV_SLOW_TESTS_OFF") ? full / 10 + 1 : full; }

// The -repstr loop as written: every pair in file order over every line.
void LiteralRepStr(Lines& lines, const Lines& search, const Lines& rep) {
  for (size_t n = 0; n < search.size(); ++n)
    for (auto& line : lines) line = LitReplaceAll(line, search[n], rep[n]);
}

// The numbering loop as written, with open flags.
void LiteralNumber(Lines& lines) {
  std::vector<bool> open(lines.size(), true);
  for (size_t i = 0; i < lines.size(); ++i) {
    const std::string s = lines[i];
    int counter = 1;
    if (!open[i]) continue;
    for (size_t j = i + 1; j < lines.size(); ++j) {
      if (open[j] && lines[j] == s) {
        lines[i] = s + "*1";
        ++counter;
        lines[j] = s + "*" + std::to_string(counter);
        open[i] = false;
        open[j] = false;
      }
    }
  }
}

// The -co loop as written: lookups in case-sensitive line lists.
void LiteralClear(Lines& lines, const Lines& en, const Lines& ru) {
  TStringList l2, l3;
  l2.SetCaseSensitive(true);
  l3.SetCaseSensitive(true);
  l2.Assign(en);
  l3.Assign(ru);
  for (auto& line : lines)
    if (l2.IndexOf(line) < 0 && l3.IndexOf(line) < 0) line.clear();
}

Lines Replaced(Lines lines, const Lines& search, const Lines& rep) {
  ReplaceInLines(lines, search, rep);
  return lines;
}

// The same through the automaton without its full transition table, and
// with lines cut into chunks of chunkSize bytes.
Lines ReplacedWith(Lines lines, const Lines& search, const Lines& rep, bool dense, size_t chunkSize) {
  TPairReplacer replacer(search, rep, dense ? TPairReplacer::kDenseLimit : 0, chunkSize);
  for (auto& line : lines) replacer.Apply(line);
  return lines;
}

TEST(ReplaceInLines, PairsInFileOrder) {
  EXPECT_EQ(Replaced({"my cat", "no"}, {"cat", "dog"}, {"dog", "bird"}), (Lines{"my bird", "no"}));
  EXPECT_EQ(Replaced({"my cat", "no"}, {"dog", "cat"}, {"bird", "dog"}), (Lines{"my dog", "no"}));
}

TEST(ReplaceInLines, InsertedTextNotSearchedAgain) {
  EXPECT_EQ(Replaced({"banana", "a", ""}, {"a"}, {"aa"}), (Lines{"baanaanaa", "aa", ""}));
  EXPECT_EQ(Replaced({"aaa"}, {"aa"}, {"b"}), (Lines{"ba"}));
  EXPECT_EQ(Replaced({"aaaa"}, {"aa"}, {"a"}), (Lines{"aa"}));
  // A later equal pair does see the text inserted by the earlier one.
  EXPECT_EQ(Replaced({"ab"}, {"a", "a"}, {"aa", "aa"}), (Lines{"aaaab"}));
}

TEST(ReplaceInLines, EmptyAndSelfPairs) {
  EXPECT_EQ(Replaced({"abc"}, {"", "b"}, {"X", "Y"}), (Lines{"aYc"}));
  EXPECT_EQ(Replaced({"abc"}, {"b", "b"}, {"b", "Q"}), (Lines{"aQc"}));
  EXPECT_EQ(Replaced({"abc"}, {}, {}), (Lines{"abc"}));
  EXPECT_EQ(Replaced({"abc"}, {"bc"}, {""}), (Lines{"a"}));
  // Case-sensitive.
  EXPECT_EQ(Replaced({"Cat cat"}, {"cat"}, {"dog"}), (Lines{"Cat dog"}));
}

TEST(ReplaceInLines, TextMadeByAnEarlierPairAcrossItsBorder) {
  // "xy" appears only after the first pair joins x and y.
  EXPECT_EQ(Replaced({"x-y"}, {"-", "xy"}, {"", "Z"}), (Lines{"Z"}));
  // A pattern that is a suffix of another (failure links).
  EXPECT_EQ(Replaced({"abcd", "bcx"}, {"abcx", "bc"}, {"1", "2"}), (Lines{"a2d", "2x"}));
}

TEST(ReplaceInLines, LongLineStaysLinear) {
  std::string line(200000, 'a');
  Lines lines = {line};
  ReplaceInLines(lines, {"a", "b"}, {"aa", "c"});
  EXPECT_TRUE(lines[0] == std::string(400000, 'a'));
  std::string mixed;
  for (int i = 0; i < 50000; ++i) mixed += "ab";
  lines = {mixed};
  // "ab" turns into "ba" everywhere, then the second pair sees "baba...".
  ReplaceInLines(lines, {"ab", "ba", "xx"}, {"ba", "x", "y"});
  EXPECT_TRUE(lines[0] == std::string(25000, 'y'));
}

TEST(ReplaceInLines, RandomAgainstLiteralLoop) {
  std::mt19937 rng(314159);
  for (int round = 0; round < Rounds(4000); ++round) {
    const std::string alphabet = round % 2 ? "ab" : "abc";
    Lines lines, search, rep;
    const size_t nLines = rng() % 6, nPairs = rng() % 10;
    for (size_t i = 0; i < nLines; ++i) lines.push_back(RandomString(rng, alphabet, 0, 14));
    for (size_t i = 0; i < nPairs; ++i) {
      search.push_back(RandomString(rng, alphabet, 0, 3));
      rep.push_back(RandomString(rng, alphabet + "d", 0, 4));
    }
    Lines expect = lines;
    LiteralRepStr(expect, search, rep);
    ASSERT_EQ(Replaced(lines, search, rep), expect) << "round " << round;
    ASSERT_EQ(ReplacedWith(lines, search, rep, false, 4096), expect) << "round " << round;
    // Small chunks: occurrences across one or more chunk borders, chunks
    // that become empty, replacements that take bytes of earlier chunks.
    for (size_t chunk : {1, 2, 3, 5}) {
      ASSERT_EQ(ReplacedWith(lines, search, rep, round % 2 == 0, chunk), expect)
          << "round " << round << " chunk " << chunk;
    }
  }
}

TEST(ReplaceInLines, RandomManyPairsWideAlphabet) {
  // Enough pairs that states have many children; bytes above 127 too.
  std::mt19937 rng(2718);
  const std::string alphabet = "abcdefghijklmnop\xC3\xA9\xFF";
  for (int round = 0; round < Rounds(200); ++round) {
    Lines lines, search, rep;
    for (int i = 0; i < 40; ++i) lines.push_back(RandomString(rng, alphabet, 0, 40));
    const size_t nPairs = 50 + rng() % 300;
    for (size_t i = 0; i < nPairs; ++i) {
      search.push_back(RandomString(rng, alphabet, 1, 3));
      rep.push_back(RandomString(rng, alphabet, 0, 3));
    }
    Lines expect = lines;
    LiteralRepStr(expect, search, rep);
    ASSERT_EQ(Replaced(lines, search, rep), expect) << "round " << round;
    ASSERT_EQ(ReplacedWith(lines, search, rep, false, 4096), expect) << "round " << round;
    ASSERT_EQ(ReplacedWith(lines, search, rep, true, 4), expect) << "round " << round;
    ASSERT_EQ(ReplacedWith(lines, search, rep, false, 7), expect) << "round " << round;
  }
}

TEST(ReplaceInLines, ChunkBorders) {
  // Chunks of 3: "xab" "bab". The text put in for the first "ab" ends in
  // "a", which with the next chunk's "b" must not be found again.
  EXPECT_EQ(ReplacedWith({"xabbab"}, {"ab"}, {"xa"}, true, 3), (Lines{"xxabxa"}));
  // An occurrence that begins two chunks back, across an emptied chunk.
  EXPECT_EQ(ReplacedWith({"abcdef"}, {"cd", "bef"}, {"", "Z"}, false, 2), (Lines{"aZ"}));
  EXPECT_EQ(ReplacedWith({"abcdef"}, {"cd", "bef"}, {"", "Z"}, true, 1), (Lines{"aZ"}));
  // "ab" crosses the border of "xa" "by" and goes; "xy" appears across the
  // joint, which lies one byte earlier in the line than before.
  EXPECT_EQ(ReplacedWith({"xaby"}, {"ab", "xy"}, {"", "Q"}, true, 2), (Lines{"Q"}));
  EXPECT_EQ(ReplacedWith({"xaby"}, {"ab", "xy"}, {"", "Q"}, false, 2), (Lines{"Q"}));
  EXPECT_EQ(ReplacedWith({"zzxabyzz"}, {"ab", "xy"}, {"", "Q"}, true, 2), (Lines{"zzQzz"}));
}

TEST(ReplaceInLines, RandomDeletionsAcrossSmallChunks) {
  // Replacements that are often empty or shorter than their search text
  // join text from different chunks; short search texts keep the windows
  // around the joints tight.
  std::mt19937 rng(4242);
  for (int round = 0; round < Rounds(6000); ++round) {
    Lines lines, search, rep;
    for (size_t i = rng() % 4 + 1; i > 0; --i) lines.push_back(RandomString(rng, "xyab", 0, 20));
    for (size_t i = rng() % 8; i > 0; --i) {
      search.push_back(RandomString(rng, "xyab", 1, 3));
      rep.push_back(rng() % 2 ? "" : RandomString(rng, "xyab", 0, 2));
    }
    Lines expect = lines;
    LiteralRepStr(expect, search, rep);
    for (size_t chunk : {1, 2, 3}) {
      ASSERT_EQ(ReplacedWith(lines, search, rep, round % 2 == 0, chunk), expect)
          << "round " << round << " chunk " << chunk;
    }
  }
}

TEST(ReplaceInLines, DenseTableOnlyWhenItFits) {
  Lines search = {"ab", "b"}, rep = {"x", "y"};
  EXPECT_TRUE(TPairReplacer(search, rep).Dense());
  // States: root, a, ab, b = 4; classes: other, a, b = 3.
  EXPECT_TRUE(TPairReplacer(search, rep, 12).Dense());
  EXPECT_FALSE(TPairReplacer(search, rep, 11).Dense());
}

TEST(ClearOtherLines, KeepsOnlyKnownLines) {
  Lines lines = {"Hello", "hello", "Privet", "", "New"};
  ClearOtherLines(lines, {"Hello", "Other"}, {"Privet"});
  EXPECT_EQ(lines, (Lines{"Hello", "", "Privet", "", ""}));
  lines = {"a", "b"};
  ClearOtherLines(lines, {}, {});
  EXPECT_EQ(lines, (Lines{"", ""}));
}

TEST(ClearOtherLines, RandomAgainstLineListLookup) {
  // Letter case, accents as UTF-8 and as single bytes, and a control byte
  // that collation ignores: only equal bytes count as equal.
  std::mt19937 rng(99);
  const std::vector<std::string> pieces = {"a", "A", "\xC3\xA9", "\xC3\x89", "\xE9", "\x01", " ", "-"};
  auto randomLine = [&] {
    std::string s;
    const size_t n = rng() % 4;
    for (size_t i = 0; i < n; ++i) s += pieces[rng() % pieces.size()];
    return s;
  };
  for (int round = 0; round < Rounds(500); ++round) {
    Lines lines, en, ru;
    for (size_t i = rng() % 12; i > 0; --i) lines.push_back(randomLine());
    for (size_t i = rng() % 8; i > 0; --i) en.push_back(randomLine());
    for (size_t i = rng() % 8; i > 0; --i) ru.push_back(randomLine());
    Lines expect = lines, got = lines;
    LiteralClear(expect, en, ru);
    ClearOtherLines(got, en, ru);
    ASSERT_EQ(got, expect) << "round " << round;
  }
}

TEST(NumberDuplicates, Examples) {
  Lines l = {"a", "b", "a", "a"};
  NumberDuplicates(l);
  EXPECT_EQ(l, (Lines{"a*1", "b", "a*2", "a*3"}));
  l = {"a", "a", "b", "b"};
  NumberDuplicates(l);
  EXPECT_EQ(l, (Lines{"a*1", "a*2", "b*1", "b*2"}));
  l = {"A", "a", "", ""};
  NumberDuplicates(l);
  EXPECT_EQ(l, (Lines{"A", "a", "*1", "*2"}));
  // A numbered line is never compared again, even with an equal loaded line.
  l = {"a", "a", "a*1"};
  NumberDuplicates(l);
  EXPECT_EQ(l, (Lines{"a*1", "a*2", "a*1"}));
}

TEST(NumberDuplicates, OnlyWithTheOption) {
  TParam p;
  TStringList list;
  list.Assign({"x", "x"});
  NumberDuplicateLines(list, p);
  EXPECT_EQ(list.Lines(), (Lines{"x", "x"}));
  p.NumberDoubles = true;
  NumberDuplicateLines(list, p);
  EXPECT_EQ(list.Lines(), (Lines{"x*1", "x*2"}));
}

TEST(NumberDuplicates, RandomAgainstLiteralLoop) {
  std::mt19937 rng(5);
  for (int round = 0; round < Rounds(3000); ++round) {
    Lines l;
    for (size_t i = rng() % 40; i > 0; --i) l.push_back(RandomString(rng, "a*12", 0, 3));
    Lines expect = l;
    LiteralNumber(expect);
    NumberDuplicates(l);
    ASSERT_EQ(l, expect) << "round " << round;
  }
}

// ---------------------------------------------------------------------------
// Whole runs.

class LineModesRun : public ::testing::Test {
 protected:
  void SetUp() override { exe = InstallVelloran(dir.Path()); }
  ToolResult Run(const std::vector<std::string>& args) { return RunTool(exe, args, dir.Path()); }
  std::string F(const std::string& name) { return dir.File(name); }
  TempDir dir;
  std::string exe;
};

TEST_F(LineModesRun, RepStr) {
  WriteBytes(F("in.txt"), CrLf({"the cat", "", "a dog", "file\\x.txt"}));
  WriteBytes(F("old.txt"), CrLf({"cat", "dog", "a"}));
  WriteBytes(F("new.txt"), CrLf({"dog", "bird", "aa"}));
  auto r = Run({"-repstr", "-de", "-df", F("in.txt"), F("old.txt"), F("new.txt"), F("out/res.txt")});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "RepInLine: " + F("in.txt") + "\n");
  // No finishing steps: the empty line and the marker stay.
  EXPECT_EQ(ReadBytes(F("out/res.txt")), CrLf({"the bird", "", "aa bird", "file\\x.txt"}));
}

TEST_F(LineModesRun, RepStrCountMismatch) {
  WriteBytes(F("in.txt"), CrLf({"cat"}));
  WriteBytes(F("old.txt"), CrLf({"cat", "dog"}));
  WriteBytes(F("new.txt"), CrLf({"dog"}));
  auto r = Run({"-repstr", F("in.txt"), F("old.txt"), F("new.txt"), F("res.txt")});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "RepInLine: " + F("in.txt") + "\nNot math Old and New lines!!!\n");
  EXPECT_FALSE(PathExists(F("res.txt")));
}

TEST_F(LineModesRun, RepStrMissingSearchFile) {
  WriteBytes(F("in.txt"), CrLf({"cat"}));
  WriteBytes(F("new.txt"), CrLf({"dog"}));
  auto r = Run({"-repstr", F("in.txt"), F("old.txt"), F("new.txt"), F("res.txt")});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("Cannot open file \"" + F("old.txt") + "\""), std::string::npos) << r.err;
  EXPECT_FALSE(PathExists(F("res.txt")));
}

TEST_F(LineModesRun, ClearOther) {
  WriteBytes(F("in.txt"), CrLf({"Hello", "hello", "", "Privet", "New"}));
  WriteBytes(F("en.txt"), CrLf({"Hello"}));
  WriteBytes(F("ru.txt"), CrLf({"Privet"}));
  auto r = Run({"-co", F("in.txt"), F("en.txt"), F("ru.txt"), F("out/res.txt")});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "Clear other text for: " + F("in.txt") + "\n");
  EXPECT_EQ(ReadBytes(F("out/res.txt")), CrLf({"Hello", "", "", "Privet", ""}));
  // With -de the cleared lines go.
  r = Run({"-co", "-de", F("in.txt"), F("en.txt"), F("ru.txt"), F("res2.txt")});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(ReadBytes(F("res2.txt")), CrLf({"Hello", "Privet"}));
}

TEST_F(LineModesRun, ClearOtherMissingRussianFile) {
  WriteBytes(F("in.txt"), CrLf({"Hello"}));
  WriteBytes(F("en.txt"), CrLf({"Hello"}));
  auto r = Run({"-co", F("in.txt"), F("en.txt"), F("ru.txt"), F("res.txt")});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("Cannot open file \"" + F("ru.txt") + "\""), std::string::npos) << r.err;
  EXPECT_FALSE(PathExists(F("res.txt")));
}

TEST_F(LineModesRun, NoModeNumbersAndFinishes) {
  WriteBytes(F("in.txt"), CrLf({"a", "file\\m.txt", "b", "a", "", "a", ""}));
  auto r = Run({"-add_numeration_double", "-df", F("in.txt"), F("out.txt")});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "Mode none: " + F("in.txt") + "\n");
  EXPECT_EQ(ReadBytes(F("out.txt")), CrLf({"a*1", "b", "a*2", "*1", "a*3", "*2"}));
  // Without the option no numbering.
  r = Run({"-de", F("in.txt"), F("out2.txt")});
  EXPECT_EQ(ReadBytes(F("out2.txt")), CrLf({"a", "file\\m.txt", "b", "a", "a"}));
}

TEST_F(LineModesRun, NoModeEmptyResultWritesNothing) {
  WriteBytes(F("in.txt"), CrLf({"", "file\\m.txt"}));
  WriteBytes(F("out.txt"), "old\r\n");
  auto r = Run({"-de", "-df", F("in.txt"), F("out.txt")});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(ReadBytes(F("out.txt")), "old\r\n");
}

TEST_F(LineModesRun, NoModeDoesNotCreateTheFolder) {
  WriteBytes(F("in.txt"), CrLf({"a"}));
  auto r = Run({F("in.txt"), F("missing/out.txt")});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "Mode none: " + F("in.txt") + "\n");
  EXPECT_NE(r.err.find("Cannot create file \"" + F("missing/out.txt") + "\""), std::string::npos) << r.err;
  EXPECT_FALSE(PathExists(F("missing")));
  // The default second file lies in 2Optimize_EN, which is not created either.
  r = Run({"in.txt"});
  EXPECT_EQ(r.status, 1);
  const std::string cwd = std::filesystem::canonical(dir.Path()).string();
  EXPECT_NE(r.err.find("Cannot create file \"" + cwd + PathSep() + "2Optimize_EN" + PathSep() + "in.txt\""),
            std::string::npos)
      << r.err;
  EXPECT_FALSE(PathExists(F("2Optimize_EN")));
}

}  // namespace
