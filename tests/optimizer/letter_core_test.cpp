#include <gtest/gtest.h>

#include <chrono>
#include <climits>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "common/errors.h"
#include "common/platform.h"
#include "common/stringlist.h"
#include "common/stringlistcsv.h"
#include "optimizer/mode_runs.h"
#include "tests/support/testutil.h"

namespace {

// Runs each test in a fresh working folder ("test.txt" is written there).
class DedupeByLettersTest : public ::testing::Test {
 protected:
  void SetUp() override {
    oldCwd_ = std::filesystem::current_path();
    std::filesystem::current_path(dir_.Path());
  }
  void TearDown() override { std::filesystem::current_path(oldCwd_); }

  std::vector<std::string> Run(const std::vector<std::string>& lines) {
    TStringList list;
    list.Assign(lines);
    DedupeByLetters(list);
    return list.Lines();
  }
  std::string TestTxt() const { return ReadBytes(dir_.File("test.txt")); }

  TempDir dir_;
  std::filesystem::path oldCwd_;
};

using Lines = std::vector<std::string>;

TEST_F(DedupeByLettersTest, BorderSymbolsDoNotMakeLinesDifferent) {
  EXPECT_EQ(Run({"...Hello!", "Hello", "(Hello)", "World"}), (Lines{"...Hello!", "World"}));
  EXPECT_EQ(Run({"Hello", "...Hello!"}), (Lines{"Hello"}));
  // Inner non-letters belong to the core.
  EXPECT_EQ(Run({"Hello, world!", "Hello world"}), (Lines{"Hello, world!", "Hello world"}));
}

TEST_F(DedupeByLettersTest, LinesWithoutLettersShareTheEmptyCore) {
  EXPECT_EQ(Run({"123", "456", "", "!!!", "a"}), (Lines{"123", "a"}));
  EXPECT_EQ(Run({"", "!!!"}), (Lines{""}));
  // Bytes of 128 and above are not letters.
  EXPECT_EQ(Run({"\xD0\x9F\xD1\x80\xD0\xB8", "\xC3\xA4"}), (Lines{"\xD0\x9F\xD1\x80\xD0\xB8"}));
  EXPECT_EQ(Run({"\xC3\xA4x\xC3\xA4", "x"}), (Lines{"\xC3\xA4x\xC3\xA4"}));
}

TEST_F(DedupeByLettersTest, CoresCompareWithLetterCase) {
  EXPECT_EQ(Run({"Hello", "hello", "HELLO."}), (Lines{"Hello", "hello", "HELLO."}));
}

TEST_F(DedupeByLettersTest, EmptyList) {
  WriteBytes(dir_.File("test.txt"), "old content\r\n");
  EXPECT_TRUE(Run({}).empty());
  EXPECT_TRUE(PathExists(dir_.File("test.txt")));
  EXPECT_EQ(TestTxt(), "");
}

TEST_F(DedupeByLettersTest, KeptLinesComeBackExactly) {
  // Escapes as korvane writes them must not turn into real line breaks or
  // tabs, and doubled backslashes must stay doubled.
  Lines in = {"say \\n\"hi\"", "a\\r\\nb", "C:\\\\path\\nname", "tab\\tx\\x0A", "x\\x09y", "end\\"};
  EXPECT_EQ(Run(in), in);
}

TEST_F(DedupeByLettersTest, TestTxtHoldsCoreAndEscapedLine) {
  Run({"...Hello!", "Hello", "He said \"Hi\"", "1 2", "x\ty", "say \\n"});
  EXPECT_EQ(TestTxt(),
            "\"Hello\";\"...Hello!\"\r\n"
            "\"He said \"\"Hi\";\"He said \"\"Hi\"\"\"\r\n"
            "\"\";\"1 2\"\r\n"
            "\"x\ty\";\"x\\ty\"\r\n"
            "\"say \\n\";\"say \\n\"\r\n");
}

TEST_F(DedupeByLettersTest, TestTxtIsReplaced) {
  WriteBytes(dir_.File("test.txt"), "a much longer old content that must go away\r\n");
  Run({"b"});
  EXPECT_EQ(TestTxt(), "\"b\";\"b\"\r\n");
}

TEST_F(DedupeByLettersTest, TestTxtThatCannotBeWrittenIsAnError) {
  ASSERT_TRUE(std::filesystem::create_directory(dir_.File("test.txt")));
  TStringList list;
  list.Add("a");
  EXPECT_THROW(DedupeByLetters(list), EError);
}

// The removal written out as its steps: the rows built one by one with
// AppendFieldAt, the seen cores in a sorted line list; the kept lines are
// the source lines of the kept rows.
void Reference(const Lines& lines, Lines& kept, std::string& testTxt) {
  TStringListCSVEX k;
  k.Assign(lines);
  for (int i = 0; i < k.Count(); ++i) {
    std::string row = k[i];
    auto letter = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); };
    while (!row.empty() && !letter(row.front())) row.erase(0, 1);
    while (!row.empty() && !letter(row.back())) row.pop_back();
    std::string quoted = "\"";
    for (char c : row) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    k.Put(i, quoted + "\"");
    k.AppendFieldAt(i, lines[i]);
  }
  TStringListEX seen;
  seen.SetSorted(true);
  TStringListCSVEX rows;
  kept.clear();
  for (int i = 0; i < k.Count(); ++i) {
    std::string key = k.GetField(i, 0);
    int at = 0;
    if (seen.Find(key, at)) continue;
    seen.Add(key);
    rows.Add(k[i]);
    kept.push_back(lines[i]);
    // Where the line has no backslash, reading it back from the row gives
    // the line itself.
    if (lines[i].find('\\') == std::string::npos) {
      EXPECT_EQ(k.GetField(i, 1), lines[i]);
    }
  }
  testTxt = rows.Text();
}

TEST_F(DedupeByLettersTest, MatchesReferenceOnRandomLines) {
  std::mt19937 rng(31337);
  const std::string alpha = "aAb .!\"\\ntx0'\t";
  for (int round = 0; round < 300; ++round) {
    Lines lines;
    int n = static_cast<int>(rng() % 60);
    for (int i = 0; i < n; ++i) lines.push_back(RandomString(rng, alpha, 0, 7));
    Lines expected;
    std::string expectedTxt;
    Reference(lines, expected, expectedTxt);
    ASSERT_EQ(Run(lines), expected) << "round " << round;
    ASSERT_EQ(TestTxt(), expectedTxt) << "round " << round;
  }
}

TEST_F(DedupeByLettersTest, LargeListIsFast) {
  Lines lines;
  const int n = 400000;
  for (int i = 0; i < n; ++i) lines.push_back("..line " + std::to_string(i % (n / 4)) + " text!");
  auto start = std::chrono::steady_clock::now();
  Lines out = Run(lines);
  double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  ASSERT_EQ(out.size(), static_cast<size_t>(n / 4));
  EXPECT_EQ(out[5], lines[5]);
  EXPECT_LT(seconds, 30.0);
}

// ---------------------------------------------------------------- command line

TEST(BsymbolCommandLine, OptimizeWithBsymbolWritesEnglishFileAndTestTxt) {
  TempDir dir;
  std::string prog = InstallVelloran(dir.File("bin"));
  std::string work = dir.File("work");
  WriteBytes(work + PathSep() + "src.txt", CrLf({
                                    "...Hello!",
                                    "Hello",
                                    "Hello",
                                    "say \\n\"hi\"",
                                    "say \\n\"hi\"?",
                                    "123",
                                    "456",
                                    "!!!",
                                    "hello",
                                    "tab\\tx\\x0A",
                                    "C:\\\\path\\nname",
                                }));
  WriteBytes(work + PathSep() + "test.txt", "stale\r\nstale\r\nstale\r\n");
  ToolResult r = RunTool(prog, {"-o", "-bsymbol", "src.txt"}, work);
  ASSERT_EQ(r.status, 0) << r.out << r.err;
  EXPECT_EQ(r.out, "OPTIMIZE double " + work + PathSep() + "src.txt\nDONE\n");
  EXPECT_EQ(ReadBytes(work + PathSep() + "2Optimize_EN/src.txt"), CrLf({
                                                           "...Hello!",
                                                           "say \\n\"hi\"",
                                                           "123",
                                                           "hello",
                                                           "tab\\tx\\x0A",
                                                           "C:\\\\path\\nname",
                                                       }));
  EXPECT_EQ(ReadBytes(work + PathSep() + "test.txt"), CrLf({
                                               "\"Hello\";\"...Hello!\"",
                                               "\"say \\n\"\"hi\";\"say \\n\"\"hi\"\"\"",
                                               "\"\";\"123\"",
                                               "\"hello\";\"hello\"",
                                               "\"tab\\tx\\x0A\";\"tab\\tx\\x0A\"",
                                               "\"C:\\\\path\\nname\";\"C:\\\\path\\nname\"",
                                           }));
  // The working folder, not the program's folder.
  EXPECT_FALSE(PathExists(dir.File("bin/test.txt")));
}

TEST(BsymbolCommandLine, WithoutBsymbolNoTestTxt) {
  TempDir dir;
  std::string prog = InstallVelloran(dir.File("bin"));
  std::string work = dir.File("work");
  WriteBytes(work + PathSep() + "src.txt", CrLf({"...Hello!", "Hello", "Hello"}));
  ToolResult r = RunTool(prog, {"-o", "src.txt"}, work);
  ASSERT_EQ(r.status, 0) << r.out << r.err;
  EXPECT_EQ(ReadBytes(work + PathSep() + "2Optimize_EN/src.txt"), CrLf({"...Hello!", "Hello"}));
  EXPECT_FALSE(PathExists(work + PathSep() + "test.txt"));
}

TEST(BsymbolCommandLine, RunsAfterTrimmingAndBeforeHexBorders) {
  TempDir dir;
  std::string prog = InstallVelloran(dir.File("bin"));
  std::string work = dir.File("work");
  // -bsymbol sees ' a' and 'a.' as one core and keeps ' a' as it is; -hbs
  // escapes the border spaces of the kept lines afterwards. With -dbs the
  // lines are trimmed before.
  WriteBytes(work + PathSep() + "src.txt", CrLf({" a", "a.", " b c "}));
  ToolResult r = RunTool(prog, {"-o", "-bsymbol", "-hbs", "src.txt"}, work);
  ASSERT_EQ(r.status, 0) << r.out << r.err;
  EXPECT_EQ(ReadBytes(work + PathSep() + "2Optimize_EN/src.txt"), CrLf({"\\x20a", "\\x20b c\\x20"}));
  EXPECT_EQ(ReadBytes(work + PathSep() + "test.txt"), CrLf({"\"a\";\" a\"", "\"b c\";\" b c \""}));
  r = RunTool(prog, {"-o", "-bsymbol", "-dbs", "src.txt"}, work);
  ASSERT_EQ(r.status, 0) << r.out << r.err;
  EXPECT_EQ(ReadBytes(work + PathSep() + "2Optimize_EN/src.txt"), CrLf({"a", "b c"}));
}

TEST(BsymbolCommandLine, UnwritableTestTxtEndsWithTheErrorReport) {
  TempDir dir;
  std::string prog = InstallVelloran(dir.File("bin"));
  std::string work = dir.File("work");
  WriteBytes(work + PathSep() + "src.txt", CrLf({"a"}));
  ASSERT_TRUE(std::filesystem::create_directory(work + PathSep() + "test.txt"));
  ToolResult r = RunTool(prog, {"-o", "-bsymbol", "src.txt"}, work);
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("Cannot create file \"" + work + PathSep() + "test.txt\"."), std::string::npos) << r.err;
  EXPECT_EQ(r.out.find("DONE"), std::string::npos);
}

}  // namespace
