// velloran's command line: parsing into TParam, default files, input
// checks, and whole runs of the program.
#include "optimizer/cmdline.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "common/platform.h"
#include "tests/support/testutil.h"
#include "tests/support/velloran_folder.h"

namespace {

struct Parsed {
  TParam p;
  std::vector<std::string> messages;
  bool go = false;
};

Parsed Parse(const std::vector<std::string>& args) {
  Parsed r;
  r.go = ParseArguments(args, r.p, r.messages);
  return r;
}

const std::string kValueError = "Error not value in parametr: ";

// Runs the body with the given current folder, then goes back.
class CwdGuard {
 public:
  explicit CwdGuard(const std::string& dir) {
    std::error_code ec;
    old_ = std::filesystem::current_path(ec);
    std::filesystem::current_path(dir, ec);
    EXPECT_FALSE(ec) << dir;
  }
  ~CwdGuard() {
    std::error_code ec;
    if (!old_.empty()) std::filesystem::current_path(old_, ec);
    if (ec) ADD_FAILURE() << "cannot return to " << old_;
  }

 private:
  std::filesystem::path old_;
};

}  // namespace

TEST(ParseArguments, ModesAreCaseInsensitiveAndTheLastWins) {
  EXPECT_EQ(Parse({"-O"}).p.Mode, TMode::Optimize);
  EXPECT_EQ(Parse({"-o", "-r"}).p.Mode, TMode::Recover);
  EXPECT_EQ(Parse({"-r", "x", "-o"}).p.Mode, TMode::Optimize);
  EXPECT_EQ(Parse({"-SD"}).p.Mode, TMode::SplitRepeats);
  EXPECT_EQ(Parse({"-rd"}).p.Mode, TMode::RecoverRepeats);
  EXPECT_EQ(Parse({"-U"}).p.Mode, TMode::Update);
  EXPECT_EQ(Parse({"-RepStr"}).p.Mode, TMode::ReplaceInLines);
  EXPECT_EQ(Parse({"-co"}).p.Mode, TMode::Clear);
  EXPECT_EQ(Parse({"-cp"}).p.Mode, TMode::Patch);
  EXPECT_EQ(Parse({"-cpd"}).p.Mode, TMode::PatchEnglishOnly);
  EXPECT_FALSE(Parse({"-cpd"}).p.PatchDouble);
  EXPECT_EQ(Parse({}).p.Mode, TMode::None);
  EXPECT_EQ(Parse({"-oo", "-r1", "-", "-sort"}).p.Mode, TMode::None);
}

TEST(ParseArguments, PatchDoubleStaysOnAfterALaterPatchMode) {
  Parsed a = Parse({"-cpds", "-cp"});
  EXPECT_EQ(a.p.Mode, TMode::Patch);
  EXPECT_TRUE(a.p.PatchDouble);
  Parsed b = Parse({"-cp", "-cpds"});
  EXPECT_EQ(b.p.Mode, TMode::PatchEnglishOnly);
  EXPECT_TRUE(b.p.PatchDouble);
  Parsed c = Parse({"-CPDS", "-cpd"});
  EXPECT_EQ(c.p.Mode, TMode::PatchEnglishOnly);
  EXPECT_TRUE(c.p.PatchDouble);
  Parsed d = Parse({"-cpds", "-o"});
  EXPECT_EQ(d.p.Mode, TMode::Optimize);
  EXPECT_TRUE(d.p.PatchDouble);
}

TEST(ParseArguments, EverySwitch) {
  Parsed r = Parse({"-rn", "-is", "-bsymbol", "-dbs", "-hbs", "-df", "-de", "-ef", "-cp_addfileline",
                    "-add_numeration_double", "-sort", "-silent"});
  EXPECT_TRUE(r.go);
  EXPECT_TRUE(r.messages.empty());
  const TParam& p = r.p;
  EXPECT_TRUE(p.IgnoreEnters);
  EXPECT_FALSE(p.IgnoreOld);
  EXPECT_TRUE(p.IgnoreQuote);
  EXPECT_TRUE(p.BorderSymbols);
  EXPECT_TRUE(p.DeleteBorder);
  EXPECT_TRUE(p.HexBorder);
  EXPECT_TRUE(p.DeleteFileLines);
  EXPECT_FALSE(p.NullFileLinesOnly);
  EXPECT_TRUE(p.DeleteEmpty);
  EXPECT_TRUE(p.EmptyFileLines);
  EXPECT_TRUE(p.PatchFileLines);
  EXPECT_TRUE(p.NumberDoubles);
  EXPECT_TRUE(p.Sort);
  EXPECT_TRUE(p.Silent);
  EXPECT_FALSE(p.FolderMarkers);
  EXPECT_FALSE(p.AddOldEnRu);
  EXPECT_EQ(p.Mode, TMode::None);

  Parsed rno = Parse({"-RNO"});
  EXPECT_TRUE(rno.p.IgnoreEnters);
  EXPECT_TRUE(rno.p.IgnoreOld);
  Parsed dfn = Parse({"-dfn"});
  EXPECT_TRUE(dfn.p.DeleteFileLines);
  EXPECT_TRUE(dfn.p.NullFileLinesOnly);

  // Unknown words are skipped without a message; the parser goes on with
  // the next argument.
  Parsed none = Parse({"-unknown", "-", "-x", "src", "-sort"});
  EXPECT_TRUE(none.go);
  EXPECT_TRUE(none.messages.empty());
  EXPECT_FALSE(none.p.Silent || none.p.DeleteBorder || none.p.IgnoreEnters);
  EXPECT_EQ(none.p.Mode, TMode::None);
  EXPECT_EQ(none.p.FileMain, "src");
  EXPECT_TRUE(none.p.FileEN.empty());
  EXPECT_TRUE(none.p.Sort);
}

TEST(ParseArguments, ValuesAreTakenAndTheNextArgumentIsExaminedAfterThem) {
  Parsed r = Parse({"-lso", "4", "-dfumb", "2", "src", "-addoldenru", "a", "b", "c", "en", "-rn"});
  EXPECT_TRUE(r.go);
  EXPECT_TRUE(r.messages.empty());
  EXPECT_EQ(r.p.LimitSymbols, 4);
  EXPECT_EQ(r.p.FolderLevel, 2);
  EXPECT_TRUE(r.p.FolderMarkers);
  EXPECT_EQ(r.p.FileMain, "src");
  EXPECT_EQ(r.p.FileEN, "en");
  EXPECT_TRUE(r.p.FileRU.empty());
  EXPECT_EQ(r.p.FileLog, "c");
  EXPECT_TRUE(r.p.IgnoreEnters);
}

TEST(ParseArguments, LimitSymbolsValue) {
  EXPECT_EQ(Parse({"-lso", "5"}).p.LimitSymbols, 5);
  EXPECT_EQ(Parse({"-lso", "-3"}).p.LimitSymbols, -3);
  EXPECT_EQ(Parse({"-lso", " 12"}).p.LimitSymbols, 12);
  EXPECT_EQ(Parse({"-lso", "$1F"}).p.LimitSymbols, 31);
  EXPECT_EQ(Parse({"-lso", "0x10"}).p.LimitSymbols, 16);
  EXPECT_EQ(Parse({"-LSO", "7"}).p.LimitSymbols, 7);

  // A bad value: the digits before the bad character, and the message.
  Parsed bad = Parse({"-lso", "3abc", "file.txt"});
  EXPECT_TRUE(bad.go);
  EXPECT_EQ(bad.p.LimitSymbols, 3);
  EXPECT_EQ(bad.messages, (std::vector<std::string>{kValueError + "-lso"}));
  EXPECT_EQ(bad.p.FileMain, "file.txt");

  // "-lso" swallows the next argument, whatever it is.
  Parsed sort = Parse({"-lso", "-sort"});
  EXPECT_FALSE(sort.p.Sort);
  EXPECT_EQ(sort.p.LimitSymbols, 0);
  EXPECT_EQ(sort.messages, (std::vector<std::string>{kValueError + "-lso"}));

  Parsed last = Parse({"-lso"});
  EXPECT_TRUE(last.messages.empty());
  EXPECT_EQ(last.p.LimitSymbols, 0);
}

TEST(ParseArguments, FolderMarkersValue) {
  Parsed last = Parse({"-o", "-dfumb"});
  EXPECT_FALSE(last.p.FolderMarkers);
  EXPECT_TRUE(last.messages.empty());

  Parsed word = Parse({"-dfumb", "level"});
  EXPECT_TRUE(word.p.FolderMarkers);
  EXPECT_EQ(word.p.FolderLevel, 0);
  EXPECT_EQ(word.messages, (std::vector<std::string>{kValueError + "-dfumb"}));
  EXPECT_TRUE(word.p.FileMain.empty());

  Parsed neg = Parse({"-DfUmB", "-1", "src"});
  EXPECT_TRUE(neg.p.FolderMarkers);
  EXPECT_EQ(neg.p.FolderLevel, -1);
  EXPECT_TRUE(neg.messages.empty());
  EXPECT_EQ(neg.p.FileMain, "src");

  Parsed partial = Parse({"-dfumb", "2x", "-lso", "q"});
  EXPECT_EQ(partial.p.FolderLevel, 2);
  EXPECT_EQ(partial.messages, (std::vector<std::string>{kValueError + "-dfumb", kValueError + "-lso"}));
}

TEST(ParseArguments, AddOldEnRu) {
  Parsed ok = Parse({"-addoldenru", "-o", "B.txt", "c", "src"});
  EXPECT_TRUE(ok.go);
  EXPECT_TRUE(ok.p.AddOldEnRu);
  EXPECT_EQ(ok.p.FileOldEN, "-o");
  EXPECT_EQ(ok.p.FileOldRU, "B.txt");
  EXPECT_EQ(ok.p.FileLog, "c");
  EXPECT_EQ(ok.p.Mode, TMode::None);
  EXPECT_EQ(ok.p.FileMain, "src");

  Parsed few = Parse({"-lso", "z", "-ADDOLDENRU", "a", "b"});
  EXPECT_FALSE(few.go);
  EXPECT_FALSE(few.p.AddOldEnRu);
  EXPECT_EQ(few.messages, (std::vector<std::string>{kValueError + "-lso", kValueError + "-addoldenru"}));
  // Parsing stopped at the option: "a" was not taken as a file.
  EXPECT_TRUE(few.p.FileMain.empty());
}

TEST(ParseArguments, PositionalFiles) {
  Parsed r = Parse({"a", "-o", "b", "-silent", "c", "d", "e"});
  EXPECT_EQ(r.p.FileMain, "a");
  EXPECT_EQ(r.p.FileEN, "b");
  EXPECT_EQ(r.p.FileRU, "c");
  EXPECT_EQ(r.p.FileRec, "d");
  EXPECT_TRUE(r.p.Silent);
  EXPECT_EQ(r.p.Mode, TMode::Optimize);
  // An empty argument fills nothing.
  Parsed e = Parse({"", "x"});
  EXPECT_EQ(e.p.FileMain, "x");
}

class ResolveTest : public ::testing::Test {
 protected:
  TempDir dir;
  void SetUp() override { WriteBytes(dir.File("src.txt"), "a\r\n"); }
  Parsed Resolve(const std::vector<std::string>& args) {
    Parsed r = Parse(args);
    CwdGuard cwd(dir.Path());
    r.go = ResolveFiles(r.p, r.messages);
    return r;
  }
};

TEST_F(ResolveTest, MissingSourceIsReportedAsGiven) {
  Parsed r = Resolve({"-o", "./nosuch.txt"});
  EXPECT_FALSE(r.go);
  EXPECT_EQ(r.messages, (std::vector<std::string>{"Not find file: ./nosuch.txt"}));
  Parsed none = Resolve({"-o", "-silent"});
  EXPECT_FALSE(none.go);
  EXPECT_EQ(none.messages, (std::vector<std::string>{"Not find file: "}));
}

TEST_F(ResolveTest, OneFile) {
  Parsed r = Resolve({"src.txt"});
  ASSERT_TRUE(r.go);
  EXPECT_EQ(r.p.FileMain, dir.File("src.txt"));
  EXPECT_EQ(r.p.FileEN, dir.File("2Optimize_EN/src.txt"));
  EXPECT_EQ(r.p.FileRU, dir.File("3Optimize_RU/src.txt"));
  EXPECT_EQ(r.p.FileRec, dir.File("4Recover_RU/src.txt"));
}

TEST_F(ResolveTest, TwoFiles) {
  Parsed r = Resolve({"./src.txt", "en/e.txt"});
  ASSERT_TRUE(r.go);
  EXPECT_EQ(r.p.FileMain, dir.File("src.txt"));
  EXPECT_EQ(r.p.FileEN, dir.File("en/e.txt"));
  EXPECT_EQ(r.p.FileRU, dir.File("3Optimize_RU/src.txt"));
  EXPECT_EQ(r.p.FileRec, dir.File("4Recover_RU/src.txt"));
}

TEST_F(ResolveTest, ThreeFilesWriteOverTheSource) {
  Parsed r = Resolve({"src.txt", "e.txt", "r.txt"});
  ASSERT_TRUE(r.go);
  EXPECT_EQ(r.p.FileEN, dir.File("e.txt"));
  EXPECT_EQ(r.p.FileRU, dir.File("r.txt"));
  EXPECT_EQ(r.p.FileRec, dir.File("src.txt"));
}

TEST_F(ResolveTest, FourFiles) {
  Parsed r = Resolve({"src.txt", "e.txt", "r.txt", "sub/../out.txt"});
  ASSERT_TRUE(r.go);
  EXPECT_EQ(r.p.FileRec, dir.File("out.txt"));
}

TEST_F(ResolveTest, SourceNameInAnotherCaseAndFolders) {
  Parsed r = Resolve({"SRC.TXT"});
  ASSERT_TRUE(r.go);
  EXPECT_EQ(r.p.FileMain, dir.File("SRC.TXT"));
  EXPECT_EQ(r.p.FileEN, dir.File("2Optimize_EN/SRC.TXT"));
  ForceDir(dir.File("folder"));
  EXPECT_TRUE(Resolve({"folder"}).go);
}

TEST_F(ResolveTest, SourceInAnotherFolderGivesOnlyItsNameToTheDefaults) {
  WriteBytes(dir.File("deep/x/game.txt"), "");
  Parsed r = Resolve({"deep/x/game.txt"});
  ASSERT_TRUE(r.go);
  EXPECT_EQ(r.p.FileEN, dir.File("2Optimize_EN/game.txt"));
  EXPECT_EQ(r.p.FileRec, dir.File("4Recover_RU/game.txt"));
}

TEST(CheckInputs, RecoverModesNeedBothFiles) {
  TempDir dir;
  TParam p;
  p.FileEN = dir.File("en.txt");
  p.FileRU = dir.File("ru.txt");
  std::vector<std::string> m;
  for (TMode mode : {TMode::Recover, TMode::RecoverRepeats, TMode::Update}) {
    p.Mode = mode;
    m.clear();
    EXPECT_FALSE(CheckInputs(p, m));
    EXPECT_EQ(m, (std::vector<std::string>{"Error not find files EN:", p.FileEN}));
  }
  WriteBytes(dir.File("EN.TXT"), "");
  m.clear();
  EXPECT_FALSE(CheckInputs(p, m));
  EXPECT_EQ(m, (std::vector<std::string>{"Error not find files RU:", p.FileRU}));
  WriteBytes(p.FileRU, "");
  m.clear();
  EXPECT_TRUE(CheckInputs(p, m));
  EXPECT_TRUE(m.empty());
  // Other modes check nothing here.
  TParam q;
  q.FileEN = dir.File("none");
  for (TMode mode : {TMode::None, TMode::Optimize, TMode::SplitRepeats, TMode::ReplaceInLines, TMode::Clear,
                     TMode::Patch, TMode::PatchEnglishOnly}) {
    q.Mode = mode;
    EXPECT_TRUE(CheckInputs(q, m));
  }
  EXPECT_TRUE(m.empty());
}

// Whole runs of the installed program, started from a working folder that
// is not the program's folder.
using VelloranRun = VelloranFolderTest;

TEST_F(VelloranRun, NoArgumentsPrintsTheUsage) {
  ToolResult r = Run({});
  EXPECT_EQ(r.status, 0);
  std::string expected;
  for (const std::string& line : VelloranUsageLines()) expected += line + "\n";
  EXPECT_EQ(r.out, expected);
  EXPECT_EQ(VelloranUsageLines().size(), 38u);
  EXPECT_EQ(VelloranUsageLines()[15], "       -frompo = import PO file from translation tools [FILE.po] [FILE_EN.txt] [FILE_RU.txt].");
  EXPECT_EQ(VelloranUsageLines()[20], "       -rno = ignore enters and old (\\a \\d).");
  EXPECT_EQ(VelloranUsageLines()[37], "[FILE_REC.txt] Deffault 4Recover_RU\\[FILE_MAIN.txt]");
}

TEST_F(VelloranRun, UsageWaitsForEnter) {
  ToolResult r = RunTool(exe, {}, work.Path(), "\n");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out.substr(0, 27), "VELLORAN v1.9.5 By QUENLOW\n");
}

TEST_F(VelloranRun, OptionsOnly) {
  ToolResult r = Run({"-o", "-silent"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "Not find file: \n");
  EXPECT_EQ(r.err, "");
}

TEST_F(VelloranRun, MissingSource) {
  ToolResult r = Run({"-r", "missing.txt"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "Not find file: missing.txt\n");
}

TEST_F(VelloranRun, ValueErrorsArePrintedAndTheRunGoesOn) {
  WriteBytes(W("src.txt"), "a\r\na\r\n");
  ToolResult r = Run({"-lso", "-sort", "-o", "src.txt"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, kValueError + "-lso\nOPTIMIZE double " + W("src.txt") + "\nDONE\n");
  EXPECT_EQ(ReadBytes(W("2Optimize_EN/src.txt")), "a\r\n");
}

TEST_F(VelloranRun, AddOldEnRuWithoutFilesEndsAtOnce) {
  WriteBytes(W("src.txt"), "a\r\n");
  ToolResult r = Run({"-o", "src.txt", "-addoldenru", "x", "y"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, kValueError + "-addoldenru\n");
  EXPECT_FALSE(PathExists(W("2Optimize_EN")));
}

TEST_F(VelloranRun, RecoverNeedsEnglishThenRussian) {
  WriteBytes(W("src.txt"), "a\r\n");
  ToolResult r = Run({"-r", "src.txt"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "Error not find files EN:\n" + W("2Optimize_EN/src.txt") + "\n");
  WriteBytes(W("2Optimize_EN/src.txt"), "a\r\n");
  r = Run({"-r", "-silent", "src.txt"});
  EXPECT_EQ(r.out, "Error not find files RU:\n" + W("3Optimize_RU/src.txt") + "\n");
  EXPECT_FALSE(PathExists(W("4Recover_RU")));
}

TEST_F(VelloranRun, UpperCaseModeAndDefaultEnglishFolder) {
  WriteBytes(W("src.txt"), "A\r\nB\r\nA\r\nC\r\nB\r\n");
  ToolResult r = Run({"-O", "src.txt"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "OPTIMIZE double " + W("src.txt") + "\nDONE\n");
  EXPECT_EQ(ReadBytes(W("2Optimize_EN/src.txt")), "A\r\nB\r\nC\r\n");
}

TEST_F(VelloranRun, LastModeWins) {
  WriteBytes(W("src.txt"), "A\r\n");
  WriteBytes(W("2Optimize_EN/src.txt"), "A\r\n");
  WriteBytes(W("3Optimize_RU/src.txt"), "a\r\n");
  ToolResult r = Run({"-o", "src.txt", "-r"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "RECOVE double " + W("src.txt") + "\nDONE\n");
  EXPECT_EQ(ReadBytes(W("4Recover_RU/src.txt")), "a\r\n");
  EXPECT_EQ(ReadBytes(W("2Optimize_EN/src.txt")), "A\r\n");
}

TEST_F(VelloranRun, RecoverDefaultsWithOneTwoThreeAndFourFiles) {
  WriteBytes(W("src.txt"), "A\r\nB\r\nA\r\n");
  WriteBytes(W("2Optimize_EN/src.txt"), "A\r\nB\r\n");
  WriteBytes(W("3Optimize_RU/src.txt"), "a1\r\nb1\r\n");
  WriteBytes(W("en.txt"), "A\r\n");
  WriteBytes(W("ru.txt"), "a2\r\n");

  ASSERT_EQ(Run({"-r", "src.txt"}).status, 0);
  EXPECT_EQ(ReadBytes(W("4Recover_RU/src.txt")), "a1\r\nb1\r\na1\r\n");

  // Two files: Russian from 3Optimize_RU, output into 4Recover_RU.
  WriteBytes(W("en2.txt"), "B\r\nQ\r\n");
  ASSERT_EQ(Run({"-r", "-silent", "src.txt", "en2.txt"}).status, 0);
  EXPECT_EQ(ReadBytes(W("4Recover_RU/src.txt")), "A\r\na1\r\nA\r\n");

  // Four files: the fourth is the output.
  ASSERT_EQ(Run({"-r", "src.txt", "en.txt", "ru.txt", "out/rec.txt"}).status, 0);
  EXPECT_EQ(ReadBytes(W("out/rec.txt")), "a2\r\nB\r\na2\r\n");
  EXPECT_EQ(ReadBytes(W("src.txt")), "A\r\nB\r\nA\r\n");

  // Three files: the output goes over the source.
  ASSERT_EQ(Run({"-r", "src.txt", "en.txt", "ru.txt"}).status, 0);
  EXPECT_EQ(ReadBytes(W("src.txt")), "a2\r\nB\r\na2\r\n");
}

TEST_F(VelloranRun, SourceInAnotherLetterCase) {
  WriteBytes(W("Game.txt"), "x\r\nx\r\n");
  ToolResult r = Run({"-o", "GAME.TXT"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "OPTIMIZE double " + W("GAME.TXT") + "\nDONE\n");
  EXPECT_EQ(ReadBytes(W("2Optimize_EN/GAME.TXT")), "x\r\n");
}

TEST_F(VelloranRun, SourceThatIsAFolderFailsWhenRead) {
  ForceDir(W("dir.txt"));
  ToolResult r = Run({"-o", "dir.txt"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "OPTIMIZE double " + W("dir.txt") + "\n");
  EXPECT_NE(r.err.find("Cannot open file"), std::string::npos) << r.err;
  EXPECT_FALSE(PathExists(W("2Optimize_EN/dir.txt")));
}

TEST_F(VelloranRun, NoFindLogLiesBesideTheProgram) {
  WriteBytes(W("src.txt"), "A\r\n");
  WriteBytes(W("2Optimize_EN/src.txt"), "Z\r\n");
  WriteBytes(W("3Optimize_RU/src.txt"), "z\r\n");
  ToolResult r = Run({"-r", "src.txt"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "RECOVE double " + W("src.txt") +
                       "\nNot Find Line + add line in to file NO_FIND.log\nDONE\n");
  EXPECT_FALSE(PathExists(W("NO_FIND.log")));
  EXPECT_EQ(ReadBytes(prog.File("NO_FIND.log")), "INPUT : " + W("2Optimize_EN/src.txt") + "\r\nOUTPUT: " +
                                                     W("src.txt") + "\r\nZ\r\n" + std::string(47, '-') +
                                                     "\r\n\r\n");
}
