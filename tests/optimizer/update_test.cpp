// Mode -u: the claim of new lines by old English lines, against the literal
// scan with updated flags, and whole runs of the program.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "common/stringlist.h"
#include "optimizer/linefile.h"
#include "optimizer/params.h"
#include "optimizer/update.h"
#include "tests/support/testutil.h"

namespace {

using Lines = std::vector<std::string>;

int Rounds(int full) { return std::getenv("KV_SLOW_TESTS_OFF") ? full / 10 + 1 : full; }

// The loop of the update run as written: for every old English line, scan
// the new lines from the first, skip updated ones, compare the keys, take
// the first equal one. Returns the missed English lines in order.
Lines LiteralUpdate(Lines& newLines, const Lines& en, const Lines& ru, const TParam& p) {
  std::vector<bool> updated(newLines.size(), false);
  Lines missed;
  for (size_t i = 0; i < en.size(); ++i) {
    const std::string e = NormalizeLine(en[i], p);
    bool found = false;
    for (size_t k = 0; k < newLines.size(); ++k) {
      if (updated[k]) continue;
      if (NormalizeLine(newLines[k], p) == e) {
        newLines[k] = ru[i];
        updated[k] = true;
        found = true;
        break;
      }
    }
    if (!found) missed.push_back(en[i]);
  }
  return missed;
}

Lines Missed(const std::vector<int>& claims, const Lines& en) {
  Lines m;
  for (size_t i = 0; i < claims.size(); ++i)
    if (claims[i] < 0) m.push_back(en[i]);
  return m;
}

TEST(ClaimNewLines, EarliestFreeLineInOldOrder) {
  std::vector<std::string_view> newKeys = {"a", "b", "a", "c", "a"};
  std::vector<std::string_view> oldKeys = {"a", "c", "a", "d", "a", "a"};
  EXPECT_EQ(ClaimNewLines(newKeys, oldKeys), (std::vector<int>{0, 3, 2, -1, 4, -1}));
}

TEST(ClaimNewLines, EmptyInputs) {
  EXPECT_TRUE(ClaimNewLines({}, {}).empty());
  EXPECT_EQ(ClaimNewLines({}, {"x", ""}), (std::vector<int>{-1, -1}));
  EXPECT_TRUE(ClaimNewLines({"x"}, {}).empty());
  // An empty line is a key like any other.
  EXPECT_EQ(ClaimNewLines({"", "x", ""}, {"", "", ""}), (std::vector<int>{0, 2, -1}));
}

TEST(UpdateLines, RepeatedOldLineUpdatesTwoNewLines) {
  TParam p;
  Lines nl = {"Hello", "Bye", "Hello", "Hello"};
  auto claims = UpdateLines(nl, {"Hello", "Hello"}, {"Privet1", "Privet2"}, p);
  EXPECT_EQ(nl, (Lines{"Privet1", "Bye", "Privet2", "Hello"}));
  EXPECT_EQ(claims, (std::vector<int>{0, 2}));
}

TEST(UpdateLines, OnlyFirstOccurrenceTranslated) {
  TParam p;
  Lines nl = {"Yes", "No", "Yes"};
  UpdateLines(nl, {"Yes"}, {"Da"}, p);
  EXPECT_EQ(nl, (Lines{"Da", "No", "Yes"}));
}

TEST(UpdateLines, UpdatedLineIsNotComparedAgain) {
  // The translation of the first line equals the next English line; the
  // updated line is skipped, so the second English line takes line 2.
  TParam p;
  Lines nl = {"A", "B"};
  auto claims = UpdateLines(nl, {"A", "B"}, {"B", "C"}, p);
  EXPECT_EQ(nl, (Lines{"B", "C"}));
  EXPECT_EQ(claims, (std::vector<int>{0, 1}));
}

TEST(UpdateLines, KeysOfBothSidesRussianAsLoaded) {
  TParam p;
  p.IgnoreEnters = true;
  Lines nl = {"a\\nb", "cd"};
  auto claims = UpdateLines(nl, {"ab", "c\\rd"}, {"R\\n1", "R2"}, p);
  EXPECT_EQ(nl, (Lines{"R\\n1", "R2"}));
  EXPECT_EQ(claims, (std::vector<int>{0, 1}));
  TParam none;
  Lines nl2 = {"a\\nb"};
  EXPECT_EQ(UpdateLines(nl2, {"ab"}, {"x"}, none), (std::vector<int>{-1}));
  EXPECT_EQ(nl2, (Lines{"a\\nb"}));
}

TEST(UpdateLines, UntranslatedLineCountsAsFound) {
  TParam p;
  Lines nl = {"Same"};
  EXPECT_EQ(UpdateLines(nl, {"Same"}, {"Same"}, p), (std::vector<int>{0}));
}

TEST(UpdateLines, LineKeysViewLinesWithoutOptions) {
  TParam p;
  Lines lines = {"a ", "b"};
  Lines owned;
  auto keys = LineKeys(lines, p, owned);
  EXPECT_TRUE(owned.empty());
  ASSERT_EQ(keys.size(), 2u);
  EXPECT_EQ(keys[0].data(), lines[0].data());
  p.DeleteBorder = true;
  keys = LineKeys(lines, p, owned);
  EXPECT_EQ(keys[0], "a");
  EXPECT_EQ(keys[1], "b");
}

TEST(UpdateLines, RandomAgainstLiteralScan) {
  std::mt19937 rng(20240607);
  const std::string alphabet = "ab '\\nr\t";
  for (int round = 0; round < Rounds(3000); ++round) {
    TParam p;
    p.DeleteBorder = rng() % 3 == 0;
    p.IgnoreEnters = rng() % 3 == 0;
    p.IgnoreOld = p.IgnoreEnters && rng() % 2 == 0;
    p.IgnoreQuote = rng() % 3 == 0;
    const size_t maxLen = 1 + rng() % 5;
    Lines nl, en, ru;
    const size_t nNew = rng() % 25, nOld = rng() % 25;
    for (size_t i = 0; i < nNew; ++i) nl.push_back(RandomString(rng, alphabet, 0, maxLen));
    for (size_t i = 0; i < nOld; ++i) {
      en.push_back(RandomString(rng, alphabet, 0, maxLen));
      // Russian lines sometimes look like English lines, to catch a line
      // that is compared again after its update.
      ru.push_back(rng() % 2 ? RandomString(rng, alphabet, 0, maxLen) : std::string("R").append(std::to_string(i)));
    }
    Lines expect = nl;
    Lines expectMissed = LiteralUpdate(expect, en, ru, p);
    Lines got = nl;
    auto claims = UpdateLines(got, en, ru, p);
    ASSERT_EQ(got, expect) << "round " << round;
    ASSERT_EQ(Missed(claims, en), expectMissed) << "round " << round;
  }
}

// ---------------------------------------------------------------------------
// Whole runs.

class UpdateRun : public ::testing::Test {
 protected:
  void SetUp() override { exe = InstallVelloran(dir.Path()); }
  ToolResult Run(const std::vector<std::string>& args) { return RunTool(exe, args, dir.Path()); }
  std::string F(const std::string& name) { return dir.File(name); }
  static std::string Dashes() { return std::string(47, '-') + "\r\n\r\n"; }
  TempDir dir;
  std::string exe;
};

TEST_F(UpdateRun, UpdatesAndLogsMisses) {
  WriteBytes(F("new.txt"), CrLf({"Hello", "New line", "Bye", "Hello"}));
  WriteBytes(F("en.txt"), CrLf({"Bye", "Gone", "Hello", "Lost"}));
  WriteBytes(F("ru.txt"), CrLf({"Poka", "Ushel", "Privet", "Poteryan"}));
  auto r = Run({"-u", F("new.txt"), F("en.txt"), F("ru.txt"), F("out/rec.txt")});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "Update text " + F("new.txt") +
                       "\nNot Find Line + add line in to file NO_FIND.log"
                       "\nNot Find Line + add line in to file NO_FIND.log\nDONE\n");
  EXPECT_EQ(ReadBytes(F("out/rec.txt")), CrLf({"Privet", "New line", "Poka", "Hello"}));
  EXPECT_EQ(ReadBytes(F("NO_FIND.log")),
            CrLf({"INPUT : " + F("en.txt"), "OUTPUT: " + F("new.txt"), "Gone", "Lost"}) + Dashes());
  // The new file itself is untouched.
  EXPECT_EQ(ReadBytes(F("new.txt")), CrLf({"Hello", "New line", "Bye", "Hello"}));
}

TEST_F(UpdateRun, LogKeptAcrossRunsAndNotTouchedWithoutMisses) {
  WriteBytes(F("NO_FIND.log"), CrLf({"old entry"}));
  WriteBytes(F("new.txt"), CrLf({"A"}));
  WriteBytes(F("en.txt"), CrLf({"Z"}));
  WriteBytes(F("ru.txt"), CrLf({"z"}));
  std::vector<std::string> args = {"-u", F("new.txt"), F("en.txt"), F("ru.txt"), F("rec.txt")};
  ASSERT_EQ(Run(args).status, 0);
  ASSERT_EQ(Run(args).status, 0);
  const std::string block = CrLf({"INPUT : " + F("en.txt"), "OUTPUT: " + F("new.txt"), "Z"}) + Dashes();
  EXPECT_EQ(ReadBytes(F("NO_FIND.log")), CrLf({"old entry"}) + block + block);
  // A run where every line is found leaves the log as it is.
  WriteBytes(F("en.txt"), CrLf({"A"}));
  WriteBytes(F("ru.txt"), CrLf({"a"}));
  auto r = Run(args);
  EXPECT_EQ(r.out, "Update text " + F("new.txt") + "\nDONE\n");
  EXPECT_EQ(ReadBytes(F("NO_FIND.log")), CrLf({"old entry"}) + block + block);
  EXPECT_EQ(ReadBytes(F("rec.txt")), CrLf({"a"}));
}

TEST_F(UpdateRun, SilentLeavesLogAlone) {
  WriteBytes(F("NO_FIND.log"), "keep\r\n");
  WriteBytes(F("new.txt"), CrLf({"A"}));
  WriteBytes(F("en.txt"), CrLf({"Z", "A"}));
  WriteBytes(F("ru.txt"), CrLf({"z", "a"}));
  auto r = Run({"-u", "-silent", F("new.txt"), F("en.txt"), F("ru.txt"), F("rec.txt")});
  EXPECT_EQ(r.out, "Update text " + F("new.txt") + "\nDONE\n");
  EXPECT_EQ(ReadBytes(F("NO_FIND.log")), "keep\r\n");
  EXPECT_EQ(ReadBytes(F("rec.txt")), CrLf({"a"}));
  // Without a log file, -silent creates none.
  TempDir other;
  std::string exe2 = InstallVelloran(other.Path());
  WriteBytes(other.File("new.txt"), CrLf({"A"}));
  WriteBytes(other.File("en.txt"), CrLf({"Z"}));
  WriteBytes(other.File("ru.txt"), CrLf({"z"}));
  RunTool(exe2, {"-u", "-silent", other.File("new.txt"), other.File("en.txt"), other.File("ru.txt")},
          other.Path());
  EXPECT_FALSE(PathExists(other.File("NO_FIND.log")));
}

TEST_F(UpdateRun, DifferentLineCountsWriteNothing) {
  WriteBytes(F("NO_FIND.log"), "keep\r\n");
  WriteBytes(F("new.txt"), CrLf({"A", "B"}));
  WriteBytes(F("en.txt"), CrLf({"A", "Z"}));
  WriteBytes(F("ru.txt"), CrLf({"a"}));
  auto r = Run({"-u", F("new.txt"), F("en.txt"), F("ru.txt"), F("rec.txt")});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "Update text " + F("new.txt") + "\nNot math EN and RU lines!!!\n");
  EXPECT_FALSE(PathExists(F("rec.txt")));
  EXPECT_EQ(ReadBytes(F("NO_FIND.log")), "keep\r\n");
}

TEST_F(UpdateRun, MissingRussianFile) {
  WriteBytes(F("new.txt"), CrLf({"A"}));
  WriteBytes(F("en.txt"), CrLf({"A"}));
  auto r = Run({"-u", F("new.txt"), F("en.txt"), F("ru.txt"), F("rec.txt")});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "Error not find files RU:\n" + F("ru.txt") + "\n");
  EXPECT_FALSE(PathExists(F("rec.txt")));
}

TEST_F(UpdateRun, DefaultFoldersAndFinishingSteps) {
  // One positional file: old files from 2Optimize_EN and 3Optimize_RU, the
  // output in 4Recover_RU (created). -de removes the empty line before saving.
  WriteBytes(F("game.txt"), CrLf({"One", "", "Two", "file\\x.txt"}));
  WriteBytes(F("2Optimize_EN/game.txt"), CrLf({"Two", "One"}));
  WriteBytes(F("3Optimize_RU/game.txt"), CrLf({"Dva", "Odin"}));
  auto r = Run({"-u", "-de", "-df", "game.txt"});
  EXPECT_EQ(r.status, 0) << r.err;
  // A relative name is expanded against the working folder as the system
  // reports it (symbolic links resolved).
  const std::string cwd = std::filesystem::canonical(dir.Path()).string();
  EXPECT_EQ(r.out, "Update text " + cwd + PathSep() + "game.txt\nDONE\n");
  EXPECT_EQ(ReadBytes(F("4Recover_RU/game.txt")), CrLf({"Odin", "Dva"}));
}

TEST_F(UpdateRun, OptionKeysOnTheCommandLine) {
  WriteBytes(F("new.txt"), CrLf({" don't ", "a\\nb"}));
  WriteBytes(F("en.txt"), CrLf({"a\\rb", "dont"}));
  WriteBytes(F("ru.txt"), CrLf({"AB", "NE"}));
  auto r = Run({"-u", "-rn", "-is", "-dbs", F("new.txt"), F("en.txt"), F("ru.txt"), F("rec.txt")});
  EXPECT_EQ(r.out, "Update text " + F("new.txt") + "\nDONE\n");
  EXPECT_EQ(ReadBytes(F("rec.txt")), CrLf({"NE", "AB"}));
}

TEST_F(UpdateRun, ThreeFilesWriteOverTheNewFile) {
  WriteBytes(F("new.txt"), CrLf({"A", "B"}));
  WriteBytes(F("en.txt"), CrLf({"B"}));
  WriteBytes(F("ru.txt"), CrLf({"b"}));
  auto r = Run({"-u", F("new.txt"), F("en.txt"), F("ru.txt")});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(ReadBytes(F("new.txt")), CrLf({"A", "b"}));
}

}  // namespace
