// Modes -sd and -rd: the fast cores against the literal loops, the
// companion file name, and whole runs of the program.
#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "optimizer/repeat_split.h"
#include "tests/support/testutil.h"

namespace {

using Lines = std::vector<std::string>;

int Rounds(int full) { return std::getenv("KV_SLOW_TESTS_OFF") ? full / 10 + 1 : full; }

// The split loop as written: returns the English lines and the companion.
std::pair<Lines, Lines> LiteralSplit(Lines l1) {
  Lines l5(l1.size());
  for (long long k = 0; k < static_cast<long long>(l1.size()) - 1; ++k) {
    const std::string s = l1[static_cast<size_t>(k)];
    bool found = false;
    if (!s.empty()) {
      for (size_t j = static_cast<size_t>(k) + 1; j < l1.size(); ++j) {
        if (l1[j] == s) {
          l5[j] = l1[j];
          l1[j].clear();
          found = true;
        }
      }
    }
    if (found) {
      l5[static_cast<size_t>(k)] = s;
      l1[static_cast<size_t>(k)].clear();
    }
  }
  Lines a, b;
  for (auto& s : l1)
    if (!s.empty()) a.push_back(s);
  for (auto& s : l5)
    if (!s.empty()) b.push_back(s);
  return {a, b};
}

// The ordered recover loop as written (lines are replaced as it goes).
// Returns the missed English lines.
Lines LiteralRecoverDouble(Lines& l1, const Lines& l2, const Lines& l3) {
  Lines missed;
  size_t start = 0;
  for (size_t i = 0; i < l2.size(); ++i) {
    bool found = false;
    for (size_t k = start; k < l1.size(); ++k) {
      if (l1[k] == l2[i]) {
        l1[k] = l3[i];
        found = true;
        start = k + 1;
        break;
      }
    }
    if (!found) missed.push_back(l2[i]);
  }
  return missed;
}

Lines FastRecoverDouble(Lines& l1, const Lines& l2, const Lines& l3) {
  auto match = MatchInOrder(l1, l2);
  Lines missed;
  for (size_t i = 0; i < match.size(); ++i) {
    if (match[i] >= 0)
      l1[static_cast<size_t>(match[i])] = l3[i];
    else
      missed.push_back(l2[i]);
  }
  return missed;
}

TEST(SplitDoubles, Examples) {
  Lines l = {"A", "B", "A", "D", "B"};
  EXPECT_EQ(SplitDoubles(l), (Lines{"A", "B", "A", "B"}));
  EXPECT_EQ(l, (Lines{"D"}));
  l = {"A", "", "A"};
  EXPECT_EQ(SplitDoubles(l), (Lines{"A", "A"}));
  EXPECT_TRUE(l.empty());
  l = {"x", "", "y", "", ""};
  EXPECT_TRUE(SplitDoubles(l).empty());
  EXPECT_EQ(l, (Lines{"x", "y"}));
  l = {"Hi", "hi", "Hi ", "Hi"};
  EXPECT_EQ(SplitDoubles(l), (Lines{"Hi", "Hi"}));
  EXPECT_EQ(l, (Lines{"hi", "Hi "}));
  l = {};
  EXPECT_TRUE(SplitDoubles(l).empty());
  l = {"only"};
  EXPECT_TRUE(SplitDoubles(l).empty());
  EXPECT_EQ(l, (Lines{"only"}));
}

TEST(SplitDoubles, RandomAgainstLiteralLoop) {
  std::mt19937 rng(7);
  for (int round = 0; round < Rounds(3000); ++round) {
    Lines l;
    const size_t n = rng() % 30;
    const size_t maxLen = rng() % 3;
    for (size_t i = 0; i < n; ++i) l.push_back(RandomString(rng, "aB ", 0, maxLen));
    auto expect = LiteralSplit(l);
    Lines got = l;
    Lines doubles = SplitDoubles(got);
    ASSERT_EQ(got, expect.first) << round;
    ASSERT_EQ(doubles, expect.second) << round;
  }
}

TEST(MatchInOrder, Examples) {
  Lines l1 = {"A", "X", "A", "A"};
  EXPECT_TRUE(FastRecoverDouble(l1, {"A", "A"}, {"a1", "a2"}).empty());
  EXPECT_EQ(l1, (Lines{"a1", "X", "a2", "A"}));
  // B takes the second line; A is searched only after it and is missed.
  l1 = {"A", "B"};
  EXPECT_EQ(FastRecoverDouble(l1, {"B", "A"}, {"b", "a"}), (Lines{"A"}));
  EXPECT_EQ(l1, (Lines{"A", "b"}));
  // A miss does not move the start.
  l1 = {"A", "B", "C"};
  EXPECT_EQ(FastRecoverDouble(l1, {"A", "Z", "B"}, {"a", "z", "b"}), (Lines{"Z"}));
  EXPECT_EQ(l1, (Lines{"a", "b", "C"}));
  // A translation equal to a later English line is not matched again.
  l1 = {"A", "B"};
  EXPECT_TRUE(FastRecoverDouble(l1, {"A", "B"}, {"B", "A"}).empty());
  EXPECT_EQ(l1, (Lines{"B", "A"}));
}

TEST(MatchInOrder, RandomAgainstLiteralLoop) {
  std::mt19937 rng(11);
  for (int round = 0; round < Rounds(3000); ++round) {
    Lines l1, l2, l3;
    const size_t n1 = rng() % 30, n2 = rng() % 30;
    const size_t maxLen = rng() % 3;
    for (size_t i = 0; i < n1; ++i) l1.push_back(RandomString(rng, "ab", 0, maxLen));
    for (size_t i = 0; i < n2; ++i) {
      l2.push_back(RandomString(rng, "ab", 0, maxLen));
      l3.push_back(RandomString(rng, "abc", 0, 2));
    }
    Lines expect = l1, got = l1;
    Lines expectMissed = LiteralRecoverDouble(expect, l2, l3);
    Lines gotMissed = FastRecoverDouble(got, l2, l3);
    ASSERT_EQ(got, expect) << round;
    ASSERT_EQ(gotMissed, expectMissed) << round;
  }
}

TEST(DoubleFileName, Forms) {
  EXPECT_EQ(DoubleFileName("/w/lines.txt"), "/w/lines_double.txt");
  EXPECT_EQ(DoubleFileName("/w/lines"), "/w/lines_double.txt");
  EXPECT_EQ(DoubleFileName("/w/a.b.c"), "/w/a.b_double.txt");
  EXPECT_EQ(DoubleFileName("/w/x.y/lines"), "/w/x.y/lines_double.txt");
}

// ---------------------------------------------------------------------------
// Whole runs.

class DoublesRun : public ::testing::Test {
 protected:
  void SetUp() override { exe = InstallVelloran(dir.Path()); }
  ToolResult Run(const std::vector<std::string>& args) { return RunTool(exe, args, dir.Path()); }
  std::string F(const std::string& name) { return dir.File(name); }
  TempDir dir;
  std::string exe;
};

TEST_F(DoublesRun, SplitWritesCompanion) {
  WriteBytes(F("src.txt"), CrLf({"A", "B", "A", "D", "B"}));
  auto r = Run({"-sd", F("src.txt"), F("en/lines.txt")});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "Sprite double " + F("src.txt") + "\nDONE\n");
  EXPECT_EQ(ReadBytes(F("en/lines.txt")), CrLf({"D"}));
  EXPECT_EQ(ReadBytes(F("en/lines_double.txt")), CrLf({"A", "B", "A", "B"}));
  EXPECT_EQ(ReadBytes(F("src.txt")), CrLf({"A", "B", "A", "D", "B"}));
}

TEST_F(DoublesRun, SplitAllRepeatedGivesEmptyEnglishFile) {
  WriteBytes(F("src.txt"), CrLf({"A", "", "A"}));
  auto r = Run({"-sd", "src.txt"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(PathExists(F("2Optimize_EN/src.txt")));
  EXPECT_EQ(ReadBytes(F("2Optimize_EN/src.txt")), "");
  EXPECT_EQ(ReadBytes(F("2Optimize_EN/src_double.txt")), CrLf({"A", "A"}));
}

TEST_F(DoublesRun, SplitWithoutRepeatsKeepsOldCompanion) {
  WriteBytes(F("src.txt"), CrLf({"x", "", "y"}));
  WriteBytes(F("2Optimize_EN/src_double.txt"), "old\r\n");
  auto r = Run({"-sd", "src.txt"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(ReadBytes(F("2Optimize_EN/src.txt")), CrLf({"x", "y"}));
  EXPECT_EQ(ReadBytes(F("2Optimize_EN/src_double.txt")), "old\r\n");
}

TEST_F(DoublesRun, SplitAppliesNoFinishingSteps) {
  WriteBytes(F("src.txt"), CrLf({"file\\a.txt", "T", "file\\b.txt", "U", "file\\a.txt", "U"}));
  auto r = Run({"-sd", "-df", "-de", "-dfumb", "1", F("src.txt"), F("en.txt")});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(ReadBytes(F("en.txt")), CrLf({"T", "file\\b.txt"}));
  EXPECT_EQ(ReadBytes(F("en_double.txt")), CrLf({"file\\a.txt", "U", "file\\a.txt", "U"}));
}

TEST_F(DoublesRun, RecoverInOrder) {
  WriteBytes(F("src.txt"), CrLf({"A", "X", "A", "A"}));
  WriteBytes(F("en.txt"), CrLf({"A", "A"}));
  WriteBytes(F("ru.txt"), CrLf({"a1", "a2"}));
  auto r = Run({"-rd", F("src.txt"), F("en.txt"), F("ru.txt"), F("out/rec.txt")});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "Recove double " + F("src.txt") + "\nDONE\n");
  EXPECT_EQ(ReadBytes(F("out/rec.txt")), CrLf({"a1", "X", "a2", "A"}));
  EXPECT_FALSE(PathExists(F("NO_FIND.log")));
}

TEST_F(DoublesRun, RecoverMissIsLoggedAndLogKept) {
  WriteBytes(F("NO_FIND.log"), CrLf({"earlier"}));
  WriteBytes(F("src.txt"), CrLf({"A", "B"}));
  WriteBytes(F("en.txt"), CrLf({"B", "A"}));
  WriteBytes(F("ru.txt"), CrLf({"b", "a"}));
  auto r = Run({"-rd", F("src.txt"), F("en.txt"), F("ru.txt")});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "Recove double " + F("src.txt") +
                       "\nNot Find Line + add line in to file NO_FIND.log\nDONE\n");
  // Three files: the output goes over the source.
  EXPECT_EQ(ReadBytes(F("src.txt")), CrLf({"A", "b"}));
  EXPECT_EQ(ReadBytes(F("NO_FIND.log")),
            CrLf({"earlier", "INPUT : " + F("en.txt"), "OUTPUT: " + F("src.txt"), "A"}) +
                std::string(47, '-') + "\r\n\r\n");
}

TEST_F(DoublesRun, RecoverSilentAndCountMismatch) {
  WriteBytes(F("NO_FIND.log"), "keep\r\n");
  WriteBytes(F("src.txt"), CrLf({"A"}));
  WriteBytes(F("en.txt"), CrLf({"Z"}));
  WriteBytes(F("ru.txt"), CrLf({"z"}));
  auto r = Run({"-rd", "-silent", F("src.txt"), F("en.txt"), F("ru.txt"), F("rec.txt")});
  EXPECT_EQ(r.out, "Recove double " + F("src.txt") + "\nDONE\n");
  EXPECT_EQ(ReadBytes(F("NO_FIND.log")), "keep\r\n");
  EXPECT_EQ(ReadBytes(F("rec.txt")), CrLf({"A"}));

  WriteBytes(F("ru.txt"), CrLf({"z", "y"}));
  r = Run({"-rd", F("src.txt"), F("en.txt"), F("ru.txt"), F("rec2.txt")});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "Recove double " + F("src.txt") + "\nNot math EN and RU lines!!!\n");
  EXPECT_FALSE(PathExists(F("rec2.txt")));
  EXPECT_EQ(ReadBytes(F("NO_FIND.log")), "keep\r\n");
}

TEST_F(DoublesRun, RecoverComparesBytesOnly) {
  WriteBytes(F("src.txt"), CrLf({" Hi", "hi", "Hi"}));
  WriteBytes(F("en.txt"), CrLf({"Hi"}));
  WriteBytes(F("ru.txt"), CrLf({"Privet"}));
  auto r = Run({"-rd", "-dbs", "-silent", F("src.txt"), F("en.txt"), F("ru.txt"), F("rec.txt")});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(ReadBytes(F("rec.txt")), CrLf({" Hi", "hi", "Privet"}));
}

}  // namespace
