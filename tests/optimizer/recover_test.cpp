// Mode -r: the keyed replacement against the literal loops, -hbs with the
// kept line-break escapes, NO_FIND.log, and whole runs.
#include <gtest/gtest.h>

#include <filesystem>

#include <random>

#include "common/errors.h"
#include "common/escape.h"
#include "common/classic_string.h"
#include "optimizer/linefile.h"
#include "optimizer/mode_runs.h"
#include "optimizer/recover.h"
#include "tests/support/testutil.h"
#include "tests/support/velloran_folder.h"

namespace {

using Lines = std::vector<std::string>;

struct Recovered {
  Lines src;
  std::vector<size_t> misses;
};

// Steps 4 and 7 of the recover run as literal loops.
void RefRemovePairs(Lines& en, Lines& ru) {
  long k = 0;
  while (k < static_cast<long>(en.size()) - 1) {
    long j = k + 1;
    while (j < static_cast<long>(en.size())) {
      if (en[j] == en[k]) {
        en.erase(en.begin() + j);
        ru.erase(ru.begin() + j);
      } else {
        j = j + 1;
      }
    }
    k = k + 1;
  }
}

Recovered RefReplace(Lines src, const Lines& en, const Lines& ru, const TParam& p) {
  Recovered r;
  for (size_t i = 0; i < en.size(); ++i) {
    bool found = false;
    const std::string key = NormalizeLine(en[i], p);
    for (size_t k = 0; k < src.size(); ++k) {
      if (NormalizeLine(src[k], p) == key) {
        src[k] = p.DeleteBorder ? RestoreBorder(src[k], ru[i]) : ru[i];
        found = true;
      }
    }
    if (!found) r.misses.push_back(i);
  }
  r.src = src;
  return r;
}

Recovered Fast(Lines src, const Lines& en, Lines ru, const TParam& p) {
  Recovered r;
  ReplaceByKeys(src, en, ru, p, [&r](size_t i) { r.misses.push_back(i); });
  r.src = src;
  return r;
}

// The unescaping of -r -hbs as its replace-all passes, skipping bytes 0,
// 10 and 13.
std::string RefUnescapeKeeping(std::string s) {
  s = ReplaceAll(s, "\\x20", " ");
  s = ReplaceAll(s, "\\t", "\t");
  static const char* hex = "0123456789ABCDEF";
  static const char* lower = "0123456789abcdef";
  for (int b = 0; b < 32; ++b) {
    if (b == 0 || b == 10 || b == 13) continue;
    std::string upper = std::string("\\x") + hex[b >> 4] + hex[b & 15];
    std::string low = std::string("\\x") + lower[b >> 4] + lower[b & 15];
    ReplaceEscaped(s, upper, std::string(1, static_cast<char>(b)), false);
    ReplaceEscaped(s, low, std::string(1, static_cast<char>(b)), false);
  }
  return s;
}

std::string RandomLine(std::mt19937& rng, const Lines& parts, size_t maxParts) {
  std::uniform_int_distribution<size_t> pick(0, parts.size() - 1), len(0, maxParts);
  std::string s;
  for (size_t n = len(rng); n > 0; --n) s += parts[pick(rng)];
  return s;
}

std::string Word(int i) {
  std::string s = std::to_string(i);
  s.insert(s.begin(), 'w');
  return s;
}

}  // namespace

TEST(RemoveRepeatedPairs, FirstPairOfEachEnglishLineIsUsed) {
  Lines en = {"A", "B", "A", "b", "B"}, ru = {"x", "y", "z", "w", "v"};
  RemoveRepeatedPairs(en, ru);
  EXPECT_EQ(en, (Lines{"A", "B", "b"}));
  EXPECT_EQ(ru, (Lines{"x", "y", "w"}));
}

TEST(ReplaceByKeys, EdgeCases) {
  TParam p;
  Recovered r = Fast({"A", "B", "A", "D"}, {"A", "B"}, {"a", "b"}, p);
  EXPECT_EQ(r.src, (Lines{"a", "b", "a", "D"}));
  EXPECT_TRUE(r.misses.empty());

  Lines en = {"A", "B", "A"}, ru = {"x", "y", "z"};
  RemoveRepeatedPairs(en, ru);
  EXPECT_EQ(Fast({"A", "A"}, en, ru, p).src, (Lines{"x", "x"}));

  // A replaced line is compared again in its new form.
  EXPECT_EQ(Fast({"Yes", "No", "Yes"}, {"Yes", "OK"}, {"OK", "Fine"}, p).src, (Lines{"Fine", "No", "Fine"}));
  // ... but only by later English lines.
  EXPECT_EQ(Fast({"Yes"}, {"OK", "Yes"}, {"Fine", "OK"}, p).src, (Lines{"OK"}));
  // A translation equal to its own English line stays matchable.
  EXPECT_EQ(Fast({"A"}, {"A", "A"}, {"A", "b"}, p).src, (Lines{"b"}));

  Recovered miss = Fast({"A"}, {"Z", "A", "Q"}, {"z", "a", "q"}, p);
  EXPECT_EQ(miss.src, (Lines{"a"}));
  EXPECT_EQ(miss.misses, (std::vector<size_t>{0, 2}));
}

TEST(ReplaceByKeys, DeleteBorderKeepsTheSourceBlanks) {
  TParam p;
  p.DeleteBorder = true;
  EXPECT_EQ(Fast({"  Hi\t", " \tHi", "Hi", "\\x20Hi"}, {"Hi"}, {"Privet"}, p).src,
            (Lines{"  Privet\t", " \tPrivet", "Privet", "Privet"}));
  // Chained: the blanks of the source and of the first translation stay.
  EXPECT_EQ(Fast({" Yes "}, {"Yes", "OK"}, {"\tOK", "Fine"}, p).src, (Lines{" \tFine "}));
}

TEST(ReplaceByKeys, IgnoreEnters) {
  TParam p;
  p.IgnoreEnters = true;
  EXPECT_EQ(Fast({"a\\nb", "ab"}, {"ab"}, {"X"}, p).src, (Lines{"X", "X"}));
}

TEST(ReplaceByKeys, MatchesTheLiteralLoopsOnRandomLists) {
  std::mt19937 rng(2024);
  const Lines parts = {"a", "b", "c", " ", "\t", "\\x20", "\\n", "'"};
  std::uniform_int_distribution<int> srcCount(0, 30), enCount(0, 12);
  for (int t = 0; t < 6000; ++t) {
    TParam p;
    p.DeleteBorder = rng() % 3 == 0;
    p.IgnoreEnters = rng() % 3 == 0;
    p.IgnoreOld = rng() % 2 == 0;
    p.IgnoreQuote = rng() % 3 == 0;
    const size_t maxParts = 1 + rng() % 3;
    Lines src, en, ru;
    for (int n = srcCount(rng); n > 0; --n) src.push_back(RandomLine(rng, parts, maxParts));
    for (int n = enCount(rng); n > 0; --n) {
      // Translations from the same words, so that chains happen.
      en.push_back(RandomLine(rng, parts, maxParts));
      ru.push_back(RandomLine(rng, parts, maxParts));
    }
    Lines en2 = en, ru2 = ru;
    RefRemovePairs(en, ru);
    RemoveRepeatedPairs(en2, ru2);
    ASSERT_EQ(en2, en);
    ASSERT_EQ(ru2, ru);
    // Duplicates among the English lines as -hbs can make them.
    if (!en.empty() && rng() % 4 == 0) {
      en.push_back(en[rng() % en.size()]);
      ru.push_back(RandomLine(rng, parts, maxParts));
    }
    Recovered ref = RefReplace(src, en, ru, p);
    Recovered fast = Fast(src, en, ru, p);
    ASSERT_EQ(fast.src, ref.src) << "case " << t;
    ASSERT_EQ(fast.misses, ref.misses) << "case " << t;
  }
}

TEST(ReplaceByKeys, LongChainsAndBigGroups) {
  // Every English line's translation is the next English line: all source
  // lines travel along the whole chain.
  TParam p;
  Lines src(2000, "w0"), en, ru;
  for (int i = 0; i < 300; ++i) {
    en.push_back(Word(i));
    ru.push_back(Word(i + 1));
  }
  src.push_back("w150");
  src.push_back("other");
  Recovered ref = RefReplace(src, en, ru, p);
  Recovered fast = Fast(src, en, ru, p);
  EXPECT_EQ(fast.src, ref.src);
  EXPECT_EQ(fast.src[0], "w300");
  EXPECT_EQ(fast.src.back(), "other");
  p.DeleteBorder = true;
  src[5] = " w0\t";
  EXPECT_EQ(Fast(src, en, ru, p).src, RefReplace(src, en, ru, p).src);
}

TEST(UnescapeKeepingBreaks, LeavesTheEscapesOfZeroTenAndThirteen) {
  EXPECT_EQ(UnescapeKeepingBreaks("a\\x0Ab\\x0dc\\x00d\\x0ae\\x0D"), "a\\x0Ab\\x0dc\\x00d\\x0ae\\x0D");
  EXPECT_EQ(UnescapeKeepingBreaks("\\x20a\\tb\\x20c\\x20"), " a\tb c ");
  EXPECT_EQ(UnescapeKeepingBreaks("\\x01\\x1f\\x1F\\x09"), "\x01\x1f\x1f\t");
  EXPECT_EQ(UnescapeKeepingBreaks("\\x0A\\x0B"), "\\x0A\x0b");
  EXPECT_EQ(UnescapeKeepingBreaks("plain"), "plain");
  EXPECT_EQ(UnescapeKeepingBreaks(""), "");
}

TEST(UnescapeKeepingBreaks, MatchesThePassesOnRandomLines) {
  std::mt19937 rng(6);
  const Lines parts = {"\\", "x", "0", "A", "a", "D", "d", "1", "f", "F", "2", "t", "\\x0", "\\x1", "\\x2", "q"};
  for (int t = 0; t < 50000; ++t) {
    std::string s = RandomLine(rng, parts, 10);
    ASSERT_EQ(UnescapeKeepingBreaks(s), RefUnescapeKeeping(s)) << s;
  }
  // Without the kept escapes it is the plain unescaping.
  for (int t = 0; t < 5000; ++t) {
    std::string s = RandomLine(rng, {"\\", "x", "1", "F", "t", "2", "0", "b"}, 10);
    if (s.find("\\x00") != std::string::npos) continue;
    ASSERT_EQ(UnescapeKeepingBreaks(s), UnescapeText(s, TEscapeForm::Hex, true)) << s;
  }
}

class RecoverRun : public ::testing::Test {
 protected:
  TempDir dir;
  TParam p;
  void SetUp() override {
    p.Mode = TMode::Recover;
    p.FileMain = dir.File("src.txt");
    p.FileEN = dir.File("en.txt");
    p.FileRU = dir.File("ru.txt");
    p.FileRec = dir.File("4Recover_RU/src.txt");
    p.NoFindLog = dir.File("NO_FIND.log");
  }
  std::string Run(const Lines& src, const Lines& en, const Lines& ru) {
    WriteBytes(p.FileMain, CrLf(src));
    WriteBytes(p.FileEN, CrLf(en));
    WriteBytes(p.FileRU, CrLf(ru));
    testing::internal::CaptureStdout();
    RunRecover(p);
    out = testing::internal::GetCapturedStdout();
    return ReadBytes(p.FileRec);
  }
  std::string out;
};

TEST_F(RecoverRun, SpreadsTheTranslation) {
  EXPECT_EQ(Run({"A", "B", "A", "D"}, {"A", "B"}, {"a", "b"}), "a\r\nb\r\na\r\nD\r\n");
  EXPECT_EQ(out, "RECOVE double " + p.FileMain + "\nDONE\n");
  EXPECT_FALSE(PathExists(p.NoFindLog));
}

TEST_F(RecoverRun, CountsMustMatch) {
  WriteBytes(p.NoFindLog, "old\r\n");
  EXPECT_EQ(Run({"Z"}, {"A", "B"}, {"a"}), "");
  EXPECT_EQ(out, "RECOVE double " + p.FileMain + "\nNot math EN and RU lines!!!\n");
  EXPECT_FALSE(PathExists(p.FileRec));
  EXPECT_EQ(ReadBytes(p.NoFindLog), "old\r\n");
}

TEST_F(RecoverRun, MissesAreLogged) {
  WriteBytes(p.NoFindLog, "earlier run\r\n");
  EXPECT_EQ(Run({"A"}, {"Z", "A", "Y"}, {"z", "a", "y"}), "a\r\n");
  const std::string miss = "Not Find Line + add line in to file NO_FIND.log\n";
  EXPECT_EQ(out, "RECOVE double " + p.FileMain + "\n" + miss + miss + "DONE\n");
  EXPECT_EQ(ReadBytes(p.NoFindLog), "earlier run\r\nINPUT : " + p.FileEN + "\r\nOUTPUT: " + p.FileMain +
                                        "\r\nZ\r\nY\r\n" + std::string(47, '-') + "\r\n\r\n");
}

// The log only grows: a run without misses does not read it, so a log
// that cannot be read (here a folder) stops only a run that adds to it.
TEST_F(RecoverRun, OnlyARunWithMissesReadsTheLog) {
  ASSERT_TRUE(std::filesystem::create_directory(p.NoFindLog));
  EXPECT_EQ(Run({"A"}, {"A"}, {"a"}), "a\r\n");
  EXPECT_EQ(out, "RECOVE double " + p.FileMain + "\nDONE\n");
  WriteBytes(p.FileEN, "Z\r\n");
  WriteBytes(p.FileRU, "z\r\n");
  testing::internal::CaptureStdout();
  EXPECT_THROW(RunRecover(p), EError);
  testing::internal::GetCapturedStdout();
}

TEST_F(RecoverRun, SilentTouchesNoLog) {
  p.Silent = true;
  WriteBytes(p.NoFindLog, "earlier run\n");
  EXPECT_EQ(Run({"A"}, {"Z"}, {"z"}), "A\r\n");
  EXPECT_EQ(out, "RECOVE double " + p.FileMain + "\nDONE\n");
  EXPECT_EQ(ReadBytes(p.NoFindLog), "earlier run\n");
}

TEST_F(RecoverRun, HexBorderKeepsOneLinePerSourceLine) {
  p.HexBorder = true;
  // Source lines as korvane writes them with hex escapes: the escapes of
  // line breaks and NUL stay, the others become bytes.
  std::string rec = Run({"a\\x0Ab", "c\\x0d\\x00", "back\\tslash", "in\\x20side", " Hi ", "x\\x01"},
                        {" Hi "}, {" Privet "});
  EXPECT_EQ(rec, "a\\x0Ab\r\nc\\x0d\\x00\r\nback\tslash\r\nin side\r\n Privet \r\nx\x01\r\n");
  TStringList back;
  back.LoadFromFile(p.FileRec);
  EXPECT_EQ(back.Count(), 6);
}

TEST_F(RecoverRun, FinishingStepsAndOutputOverTheSource) {
  p.FileRec = p.FileMain;
  p.DeleteFileLines = true;
  EXPECT_EQ(Run({"file\\a.txt", "A", "A"}, {"A"}, {"a"}), "a\r\na\r\n");
}

TEST_F(RecoverRun, MatchesTheLiteralStepsOnRandomFiles) {
  std::mt19937 rng(31);
  const Lines parts = {"a", "b", " ", "\t", "\\x20", "\\t", "\\x0A", "\\x01", "\\n", "file\\"};
  std::uniform_int_distribution<int> srcCount(0, 20), enCount(0, 8);
  for (int t = 0; t < 200; ++t) {
    TParam q = p;
    q.Silent = true;
    q.DeleteBorder = rng() % 3 == 0;
    q.IgnoreEnters = rng() % 3 == 0;
    q.HexBorder = rng() % 2 == 0;
    q.DeleteFileLines = rng() % 3 == 0;
    q.FolderMarkers = rng() % 3 == 0;
    Lines src, en, ru;
    for (int n = srcCount(rng); n > 0; --n) src.push_back(RandomLine(rng, parts, 3));
    for (int n = enCount(rng); n > 0; --n) {
      en.push_back(RandomLine(rng, parts, 3));
      ru.push_back(RandomLine(rng, parts, 3));
    }
    // The literal steps.
    Lines s = src, e = en, r = ru;
    if (q.HexBorder)
      for (auto& x : s) x = EscapeText(x, TEscapeForm::Hex, true);
    RefRemovePairs(e, r);
    if (q.HexBorder) {
      for (auto& x : e) x = EscapeText(x, TEscapeForm::Hex, true);
      for (auto& x : r) x = EscapeText(x, TEscapeForm::Hex, true);
    }
    Lines done = RefReplace(s, e, r, q).src;
    if (q.HexBorder)
      for (auto& x : done) x = RefUnescapeKeeping(x);
    TStringList list;
    list.Assign(done);
    FinishLines(list, q);

    WriteBytes(q.FileMain, CrLf(src));
    WriteBytes(q.FileEN, CrLf(en));
    WriteBytes(q.FileRU, CrLf(ru));
    testing::internal::CaptureStdout();
    RunRecover(q);
    testing::internal::GetCapturedStdout();
    ASSERT_EQ(ReadBytes(q.FileRec), CrLf(list.Lines())) << "case " << t;
  }
}

// Whole runs of the program.
using RecoverCli = VelloranFolderTest;

TEST_F(RecoverCli, OptimizeTranslateRecover) {
  WriteBytes(W("game.txt"), "Yes\r\n  Hi\t\r\nNo\r\nYes\r\nHi\r\n");
  ASSERT_EQ(Run({"-o", "-dbs", "game.txt"}).status, 0);
  EXPECT_EQ(ReadBytes(W("2Optimize_EN/game.txt")), "Yes\r\nHi\r\nNo\r\n");
  WriteBytes(W("3Optimize_RU/game.txt"), "Da\r\nPrivet\r\nNet\r\n");
  ToolResult r = Run({"-R", "-DBS", "game.txt"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "RECOVE double " + W("game.txt") + "\nDONE\n");
  EXPECT_EQ(ReadBytes(W("4Recover_RU/game.txt")), "Da\r\n  Privet\t\r\nNet\r\nDa\r\nPrivet\r\n");
}

TEST_F(RecoverCli, SilentMissAndLogBesideTheProgram) {
  WriteBytes(W("s.txt"), "A\r\n");
  WriteBytes(W("e.txt"), "Z\r\n");
  WriteBytes(W("r.txt"), "z\r\n");
  WriteBytes(prog.File("NO_FIND.log"), "keep\r\n");
  ToolResult r = Run({"-r", "-silent", "s.txt", "e.txt", "r.txt", "o.txt"});
  EXPECT_EQ(r.out, "RECOVE double " + W("s.txt") + "\nDONE\n");
  EXPECT_EQ(ReadBytes(prog.File("NO_FIND.log")), "keep\r\n");
  EXPECT_EQ(ReadBytes(W("o.txt")), "A\r\n");
  r = Run({"-r", "s.txt", "e.txt", "r.txt", "o.txt"});
  EXPECT_EQ(ReadBytes(prog.File("NO_FIND.log")), "keep\r\nINPUT : " + W("e.txt") + "\r\nOUTPUT: " + W("s.txt") +
                                                     "\r\nZ\r\n" + std::string(47, '-') + "\r\n\r\n");
}

TEST_F(RecoverCli, MismatchedCountsWriteNothing) {
  WriteBytes(W("s.txt"), "A\r\n");
  WriteBytes(W("e.txt"), "A\r\nB\r\n");
  WriteBytes(W("r.txt"), "a\r\n");
  ToolResult r = Run({"-r", "s.txt", "e.txt", "r.txt"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "RECOVE double " + W("s.txt") + "\nNot math EN and RU lines!!!\n");
  EXPECT_EQ(ReadBytes(W("s.txt")), "A\r\n");
}
