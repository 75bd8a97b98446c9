// Bad input for korvane: missing, unreadable and wrong-kind inputs,
// outputs that cannot be written, a full disk, invalid patterns in every
// place, bad and empty scripts, odd data files and file names. Every case
// checks the message, the exit status, and that no existing file was
// truncated or replaced by a partial one.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/cli/badinput_support.h"

using badinput::Contains;
using badinput::HasLine;

namespace {

class KorvaneBadInput : public badinput::BadInputFolder {
 protected:
  void SetUp() override {
    BadInputFolder::SetUp();
    exe_ = InstallKorvane(dir_.Path());
    Script({"\\[", "\\]", "0", "0", "", ""});
    Write("data.bin", "a=[x] b=[y]\r\n");
    Write("old.txt", "kept text\r\n");
  }
  void Script(const std::vector<std::string>& lines, const std::string& name = "script_list.txt") {
    Write(name, CrLf(lines));
  }
  ToolResult Run(const std::vector<std::string>& args) { return RunTool(exe_, args, dir_.Path()); }
  ToolResult RunUser(const std::vector<std::string>& args) {
    return badinput::RunAsUser(exe_, args, dir_.Path());
  }
  // An unhandled error: the report on standard error and status 1.
  static void ExpectError(const ToolResult& r, const std::string& cls, const std::string& message) {
    EXPECT_EQ(r.status, 1) << r.out << r.err;
    EXPECT_EQ(r.err.rfind(SystemMessage("Exception " + cls + " in module korvane at "), 0), 0u) << r.err;
    std::string line = "\n";  // built in steps: GCC 12 misreads "\n" + string as overlapping copies
    line += SystemMessage(message);
    line += "\n";
    EXPECT_TRUE(Contains(r.err, line)) << r.err;
  }

  std::string exe_;
};

// --- missing inputs ---------------------------------------------------------

TEST_F(KorvaneBadInput, MissingDataFile) {
  auto before = Snap();
  ToolResult r = Run({"extract", "missing.bin", "old.txt"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "Not Find File: " + F("missing.bin") + "\n");
  EXPECT_UNCHANGED(before);
  r = Run({"replace", "missing.bin", "old.txt", "-silent"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "");
  EXPECT_UNCHANGED(before);
}

TEST_F(KorvaneBadInput, MissingTextFileOnReplace) {
  auto before = Snap();
  ToolResult r = Run({"replace", "data.bin", "missing.txt"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "Not Find File: " + F("missing.txt") + "\n");
  EXPECT_UNCHANGED(before);
}

TEST_F(KorvaneBadInput, MissingScript) {
  std::filesystem::remove(F("script_list.txt"));
  auto before = Snap();
  ToolResult r = Run({"extract", "data.bin", "old.txt"});
  EXPECT_TRUE(HasLine(r.out, "Not find script: " + Root() + "script_list.txt"));
  EXPECT_TRUE(HasLine(r.out, "And not find in root exe!!!"));
  ExpectError(r, "EFOpenError", "Cannot open file \"" + Root() + "script_list.txt\". No such file or directory.");
  EXPECT_UNCHANGED(before);
}

TEST_F(KorvaneBadInput, MissingNamedScriptFallsBackToTheDefault) {
  auto before = Snap();
  ToolResult r = Run({"extract", "data.bin", "out.txt", "-script", "nothere.txt"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "Not find script: " + Root() + "nothere.txt\nAnd not find name in root exe\n"
                   "Default script loading...\nPlease wait...\nDone: " + F("out.txt") + "\n");
  EXPECT_EQ(ReadBytes(F("out.txt")), "x\r\ny\r\n");
}

TEST_F(KorvaneBadInput, FileOptionsWithoutTheirName) {
  auto before = Snap();
  for (const auto& [option, message] : std::vector<std::pair<std::string, std::string>>{
           {"-script", "Not Specified file script."},
           {"-del_lines_trash", "Not Specified file trash."},
           {"-rep_input_txt", "Not Specified file exportired old version."}}) {
    ToolResult r = Run({"replace", "data.bin", "old.txt", option});
    EXPECT_EQ(r.status, 1) << option;
    std::vector<std::string> lines = badinput::OutLines(r.out);
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines.back(), message);
    EXPECT_EQ(lines[0], "KORVANE v6.4 By QUENLOW");
  }
  ToolResult r = Run({"replace", "data.bin", "old.txt", "-out_data"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(badinput::OutLines(r.out).front(), "KORVANE v6.4 By QUENLOW");
  EXPECT_UNCHANGED(before);
}

TEST_F(KorvaneBadInput, MissingTrashFile) {
  auto before = Snap();
  ToolResult r = Run({"extract", "data.bin", "old.txt", "-del_lines_trash", "trash.txt"});
  ExpectError(r, "EFOpenError", "Cannot open file \"" + Root() + "trash.txt\". No such file or directory.");
  EXPECT_UNCHANGED(before);
}

TEST_F(KorvaneBadInput, MissingOldExportOfRepInput) {
  Write("tr.txt", "X\r\nY\r\n");
  auto before = Snap();
  ToolResult r = Run({"replace", "data.bin", "tr.txt", "-rep_input_txt", "nothere.txt", "-silent"});
  EXPECT_TRUE(HasLine(r.out, SystemMessage("Cannot open file \"" + F("nothere.txt") + "\". No such file or directory"))) << r.out;
  ExpectError(r, "EReplaceLineError", "ERROR LINE: 1 x.");
  EXPECT_UNCHANGED(before);
}

// --- inputs that are folders --------------------------------------------------

TEST_F(KorvaneBadInput, DataFileIsAFolder) {
  Folder("datadir");
  auto before = Snap();
  ToolResult r = Run({"extract", "datadir", "old.txt"});
  ExpectError(r, "EFOpenError", "Cannot open file \"" + F("datadir") + "\". Is a directory.");
  EXPECT_UNCHANGED(before);
}

TEST_F(KorvaneBadInput, TextFileIsAFolderOnReplace) {
  Folder("txtdir");
  auto before = Snap();
  ToolResult r = Run({"replace", "data.bin", "txtdir"});
  EXPECT_TRUE(HasLine(r.out, SystemMessage("Cannot open file \"" + F("txtdir") + "\". Is a directory")));
  EXPECT_TRUE(HasLine(r.out, "ERROR LINE: 1 x"));
  ExpectError(r, "EReplaceLineError", "ERROR LINE: 1 x.");
  EXPECT_UNCHANGED(before);
}

TEST_F(KorvaneBadInput, ScriptIsAFolder) {
  Folder("scriptdir");
  auto before = Snap();
  ToolResult r = Run({"extract", "data.bin", "old.txt", "-script", "scriptdir"});
  EXPECT_TRUE(HasLine(r.out, "Find script: " + Root() + "scriptdir"));
  ExpectError(r, "EFOpenError", "Cannot open file \"" + Root() + "scriptdir\". Is a directory.");
  EXPECT_UNCHANGED(before);
}

// --- unreadable inputs --------------------------------------------------------

TEST_F(KorvaneBadInput, UnreadableDataFile) {
  REQUIRE_USER_RUNS();
  SetFileMode(F("data.bin"), 0);
  auto before = Snap();
  ToolResult r = RunUser({"extract", "data.bin", "old.txt"});
  ExpectError(r, "EFOpenError", "Cannot open file \"" + F("data.bin") + "\". Permission denied.");
  EXPECT_UNCHANGED(before);
}

TEST_F(KorvaneBadInput, UnreadableScript) {
  REQUIRE_USER_RUNS();
  SetFileMode(F("script_list.txt"), 0);
  auto before = Snap();
  ToolResult r = RunUser({"extract", "data.bin", "old.txt"});
  ExpectError(r, "EFOpenError", "Cannot open file \"" + Root() + "script_list.txt\". Permission denied.");
  EXPECT_UNCHANGED(before);
}

TEST_F(KorvaneBadInput, UnreadableTextFileOnReplace) {
  REQUIRE_USER_RUNS();
  Write("tr.txt", "X\r\nY\r\n");
  SetFileMode(F("tr.txt"), 0);
  auto before = Snap();
  ToolResult r = RunUser({"replace", "data.bin", "tr.txt"});
  EXPECT_TRUE(HasLine(r.out, SystemMessage("Cannot open file \"" + F("tr.txt") + "\". Permission denied")));
  ExpectError(r, "EReplaceLineError", "ERROR LINE: 1 x.");
  EXPECT_UNCHANGED(before);
}

// --- outputs that cannot be written -------------------------------------------

TEST_F(KorvaneBadInput, TextFileInAFolderThatCannotBeWritten) {
  REQUIRE_USER_RUNS();
  Write("ro/out.txt", "old lines\r\n");
  Folder("ro", 0555);
  auto before = Snap();
  ToolResult r = RunUser({"extract", "data.bin", "ro/out.txt"});
  ExpectError(r, "EFCreateError", "Cannot create file \"" + F("ro/out.txt") + "\". Permission denied.");
  EXPECT_UNCHANGED(before);
  r = RunUser({"extract", "data.bin", "ro/new.txt"});
  ExpectError(r, "EFCreateError", "Cannot create file \"" + F("ro/new.txt") + "\". Permission denied.");
  EXPECT_UNCHANGED(before);
}

TEST_F(KorvaneBadInput, DataFileInAFolderThatCannotBeWritten) {
  REQUIRE_USER_RUNS();
  Write("ro/data.bin", "a=[x] b=[y]\r\n");
  Write("tr.txt", "X\r\nY\r\n");
  Folder("ro", 0555);
  auto before = Snap();
  // "-b" writes while it searches: its failed write ends the run alike.
  for (const char* mode : {"", "-b"}) {
    std::vector<std::string> args{"replace", "ro/data.bin", "tr.txt"};
    if (*mode) args.push_back(mode);
    ToolResult r = RunUser(args);
    ExpectError(r, "EFCreateError", "Cannot create file \"" + F("ro/data.bin") + ".temp\". Permission denied.");
    EXPECT_FALSE(HasLine(r.out, "Done: " + F("ro/data.bin"))) << mode;
    EXPECT_UNCHANGED(before);
  }
}

TEST_F(KorvaneBadInput, TextFileIsAFolder) {
  Folder("outdir");
  Write("outdir/inside.txt", "stays\r\n");
  auto before = Snap();
  ToolResult r = Run({"extract", "data.bin", "outdir"});
  ExpectError(r, "EFCreateError", "Cannot create file \"" + F("outdir") + "\". Is a directory.");
  EXPECT_UNCHANGED(before);
}

TEST_F(KorvaneBadInput, OutDataIsAFolder) {
  Folder("outdir");
  Write("tr.txt", "X\r\nY\r\n");
  auto before = Snap();
  ToolResult r = Run({"replace", "data.bin", "tr.txt", "-out_data", "outdir"});
  ExpectError(r, "EInOutError",
              "Cannot copy file \"" + F("data.bin") + "\" to \"" + F("outdir") + "\". Cannot create file \"" +
                  F("outdir") + "\". Is a directory.");
  EXPECT_UNCHANGED(before);
}

// --- a full disk --------------------------------------------------------------

TEST_F(KorvaneBadInput, FullDiskForTheTextFile) {
  REQUIRE_DEV_FULL();
  Link("full.txt", "/dev/full");
  auto before = Snap();
  ToolResult r = Run({"extract", "data.bin", "full.txt"});
  ExpectError(r, "EFCreateError", "Cannot create file \"" + F("full.txt") + "\". No space left on device.");
  EXPECT_FALSE(Contains(r.out, "Done: "));
  EXPECT_UNCHANGED(before);
}

TEST_F(KorvaneBadInput, FullDiskForTheOutDataCopy) {
  REQUIRE_DEV_FULL();
  Link("full.bin", "/dev/full");
  Write("tr.txt", "X\r\nY\r\n");
  auto before = Snap();
  ToolResult r = Run({"replace", "data.bin", "tr.txt", "-out_data", "full.bin"});
  ExpectError(r, "EInOutError",
              "Cannot copy file \"" + F("data.bin") + "\" to \"" + F("full.bin") + "\". Cannot create file \"" +
                  F("full.bin") + "\". No space left on device.");
  EXPECT_UNCHANGED(before);
}

TEST_F(KorvaneBadInput, FullDiskForTheReportOfUnmatchedLines) {
  REQUIRE_DEV_FULL();
  Link("NOT_FIND_LINES.txt", "/dev/full");
  Write("old_export.txt", "x\r\nqq\r\n");
  Write("tr.txt", "X\r\nQQ\r\n");
  ToolResult r = Run({"replace", "data.bin", "tr.txt", "-rep_input_txt", "old_export.txt", "-silent"});
  // The data file is complete; the report that cannot be written is an error.
  EXPECT_EQ(ReadBytes(F("data.bin")), "a=[X] b=[y]\r\n");
  EXPECT_TRUE(HasLine(r.out, "WARNING: DETECTED NOT FIND LINES!!! NotCompare \\r\\n ???"));
  ExpectError(r, "EFCreateError",
              "Cannot create file \"" + Root() + "NOT_FIND_LINES.txt\". No space left on device.");
}

// --- invalid regular expressions ----------------------------------------------

TEST_F(KorvaneBadInput, InvalidLeftPattern) {
  // "(" and ")" make the valid combined pattern "(.*)"; the left part alone fails.
  Script({"(", ")", "0", "0", "", ""});
  auto before = Snap();
  ToolResult r = Run({"extract", "data.bin", "old.txt"});
  EXPECT_EQ(r.status, 1);  // the search was cut short: the job is not done
  const std::vector<std::string> lines = badinput::OutLines(r.out);
  ASSERT_EQ(lines.size(), 6u) << r.out;
  EXPECT_EQ(lines[1], "ERROR Loop or Memory File");
  EXPECT_EQ(lines[2], "Element Find = 0");
  EXPECT_EQ(lines[3], "Position finaly = 1");
  EXPECT_EQ(lines[4], "TPerlRegEx.Compile() - Error in regex at offset 1: missing closing parenthesis");
  EXPECT_EQ(lines[5], "Done: " + F("old.txt"));
  EXPECT_UNCHANGED(before);  // nothing found: the text file is not touched
}

TEST_F(KorvaneBadInput, InvalidRightPattern) {
  // "\[.*+" is valid (a possessive quantifier); "+" alone is not.
  Script({"\\[", "+", "0", "0", "", ""});
  auto before = Snap();
  ToolResult r = Run({"extract", "data.bin", "old.txt"});
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(HasLine(r.out, "ERROR Loop or Memory File"));
  EXPECT_TRUE(HasLine(r.out, "TPerlRegEx.Compile() - Error in regex at offset 0: quantifier does not follow a repeatable item"));
  EXPECT_UNCHANGED(before);
}

TEST_F(KorvaneBadInput, InvalidCombinedPattern) {
  Script({"[", "\\]", "0", "0", "", ""});
  auto before = Snap();
  ToolResult r = Run({"extract", "data.bin", "old.txt"});
  ExpectError(r, "EPerlRegExError",
              "TPerlRegEx.Compile() - Error in regex at offset 5: missing terminating ] for character class.");
  EXPECT_UNCHANGED(before);
  Write("tr.txt", "X\r\nY\r\n");
  before = Snap();
  r = Run({"replace", "data.bin", "tr.txt"});
  ExpectError(r, "EPerlRegExError",
              "TPerlRegEx.Compile() - Error in regex at offset 5: missing terminating ] for character class.");
  EXPECT_UNCHANGED(before);
}

TEST_F(KorvaneBadInput, InvalidTrashPattern) {
  Write("trash.txt", "y\r\n(\r\n");
  auto before = Snap();
  ToolResult r = Run({"extract", "data.bin", "old.txt", "-del_lines_trash", "trash.txt"});
  ExpectError(r, "EPerlRegExError", "TPerlRegEx.Compile() - Error in regex at offset 1: missing closing parenthesis.");
  EXPECT_UNCHANGED(before);
}

TEST_F(KorvaneBadInput, InvalidRightPatternWithRepReg) {
  // A start-of-pattern setting is valid alone but not after other text: the
  // combined pattern fails before anything is found or written.
  Script({"\\[", "(*CR)\\]", "0", "0", "", ""});
  Write("tr.txt", "X\r\nY\r\n");
  auto before = Snap();
  ToolResult r = Run({"replace", "data.bin", "tr.txt", "-rep_reg"});
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(Contains(r.err, "TPerlRegEx.Compile() - Error in regex at offset")) << r.err;
  EXPECT_FALSE(Contains(r.out, "Done: "));
  EXPECT_UNCHANGED(before);
}

TEST_F(KorvaneBadInput, RepRegWithAnExportedLineThatIsNoLongerThere) {
  // -rep_reg quotes the line: pattern characters in it are searched literally.
  Write("data.bin", "a=[x.*(] b=[y]\r\n");
  Write("old_export.txt", "x.*(\r\nq+\r\n");
  Write("tr.txt", "X\r\nQ\r\n");
  ToolResult r = Run({"replace", "data.bin", "tr.txt", "-rep_reg", "-rep_input_txt", "old_export.txt", "-silent"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(ReadBytes(F("data.bin")), "a=[X] b=[y]\r\n");
  EXPECT_TRUE(HasLine(r.out, "[q+"));
}

// --- scripts ----------------------------------------------------------------

TEST_F(KorvaneBadInput, ScriptWithBadCoordinates) {
  Write("tr.txt", "X\r\nY\r\n");
  for (const auto& [left, right, message] : std::vector<std::tuple<std::string, std::string, std::string>>{
           {"x", "0", "Error script coordinate left not value."},
           {"5 ", "0", "Error script coordinate left not value."},
           {"", "0", "Error script coordinate left not value."},
           {"0", "1.5", "Error script coordinate right not value."},
           {"0", "99999999999", "Error script coordinate right not value."}}) {
    Script({"\\[", "\\]", "0", "0", "", "", "\\[", "\\]", left, right, "", ""});
    auto before = Snap();
    for (const char* op : {"extract", "replace"}) {
      ToolResult r = Run({op, "data.bin", "tr.txt"});
      EXPECT_EQ(r.status, 1);
      EXPECT_EQ(r.out, "Please wait...\n" + message + "\n") << left << "/" << right;
      EXPECT_UNCHANGED(before);
    }
  }
}

TEST_F(KorvaneBadInput, EmptyScript) {
  Write("script_list.txt", "");
  Write("tr.txt", "X\r\nY\r\n");
  auto before = Snap();
  ToolResult r = Run({"extract", "data.bin", "old.txt"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "Please wait...\nDone: " + F("old.txt") + "\n");
  r = Run({"extract", "data.bin", "new.txt"});
  EXPECT_EQ(r.status, 0);
  EXPECT_FALSE(PathExists(F("new.txt")));
  r = Run({"replace", "data.bin", "tr.txt"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "Please wait...\n");  // nothing extracted: nothing replaced
  EXPECT_UNCHANGED(before);
}

TEST_F(KorvaneBadInput, ScriptWithAByteOrderMarkFromAnEditor) {
  // The mark is dropped: the first pattern is the one the author wrote.
  Write("script_list.txt", "\xEF\xBB\xBF" + CrLf({"\\[", "\\]", "0", "0", "", ""}));
  ToolResult r = Run({"extract", "data.bin", "old.txt"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "Please wait...\nDone: " + F("old.txt") + "\n");
  EXPECT_EQ(ReadBytes(F("old.txt")), "x\r\ny\r\n");
}

// --- odd data files -----------------------------------------------------------

TEST_F(KorvaneBadInput, EmptyDataFile) {
  Write("empty.bin", "");
  Write("tr.txt", "X\r\n");
  auto before = Snap();
  ToolResult r = Run({"extract", "empty.bin", "old.txt"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "Please wait...\nDone: " + F("old.txt") + "\n");
  r = Run({"replace", "empty.bin", "tr.txt"});
  EXPECT_EQ(r.status, 0);
  EXPECT_UNCHANGED(before);
  r = Run({"replace", "empty.bin", "tr.txt", "-utf16"});
  EXPECT_EQ(r.status, 0);
  EXPECT_UNCHANGED(before);
}

TEST_F(KorvaneBadInput, DataFileOfOnlyNulBytes) {
  const std::string nuls(4096, '\0');
  Write("zeros.bin", nuls);
  // Without a pattern for NUL bytes nothing is found.
  ToolResult r = Run({"extract", "zeros.bin", "out.txt"});
  EXPECT_EQ(r.status, 0);
  EXPECT_FALSE(PathExists(F("out.txt")));
  // Runs of NUL bytes between markers are written escaped with -hex_sys and
  // come back byte for byte.
  Write("zeros.bin", "[" + nuls + "]" + std::string(10, '\0') + "[" + std::string(3, '\0') + "]");
  const std::string original = ReadBytes(F("zeros.bin"));
  r = Run({"extract", "zeros.bin", "out.txt", "-hex_sys"});
  EXPECT_EQ(r.status, 0);
  std::string line1;
  for (size_t i = 0; i < nuls.size(); ++i) line1 += "\\x00";
  EXPECT_EQ(ReadBytes(F("out.txt")), line1 + "\r\n\\x00\\x00\\x00\r\n");
  r = Run({"replace", "zeros.bin", "out.txt", "-hex_sys"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(ReadBytes(F("zeros.bin")), original);
  WriteBytes(F("tr.txt"), "A\\x00B\r\nC\r\n");
  r = Run({"replace", "zeros.bin", "tr.txt", "-hex_sys"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(ReadBytes(F("zeros.bin")), std::string("[A\0B]", 5) + std::string(10, '\0') + "[C]");
}

TEST_F(KorvaneBadInput, OneMegabyteSingleLine) {
  const std::string big(1 << 20, 'a');
  Write("big.bin", "head[" + big + "]tail");
  ToolResult r = Run({"extract", "big.bin", "big.txt", "-silent"});
  EXPECT_EQ(r.status, 0) << r.err.substr(0, 300);
  EXPECT_TRUE(ReadBytes(F("big.txt")) == big + "\r\n");
  std::string translated(1 << 20, 'b');
  translated += "+";
  Write("big.txt", translated + "\r\n");
  r = Run({"replace", "big.bin", "big.txt", "-silent"});
  EXPECT_EQ(r.status, 0) << r.err.substr(0, 300);
  EXPECT_TRUE(ReadBytes(F("big.bin")) == "head[" + translated + "]tail");
  // The same with -b (streamed writing).
  Write("big.bin", "head[" + big + "]tail");
  r = Run({"replace", "big.bin", "big.txt", "-silent", "-b"});
  EXPECT_EQ(r.status, 0) << r.err.substr(0, 300);
  EXPECT_TRUE(ReadBytes(F("big.bin")) == "head[" + translated + "]tail");
  // With -rep_reg the line becomes a pattern, and PCRE2 refuses one this
  // large: a clear error, and the data file stays as it was.
  Write("big.bin", "head[" + big + "]tail");
  auto before = Snap();
  r = Run({"replace", "big.bin", "big.txt", "-silent", "-rep_reg"});
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(Contains(r.out, "regular expression is too large")) << r.out.substr(0, 300);
  EXPECT_TRUE(Contains(r.err, "Exception EReplaceLineError in module korvane")) << r.err.substr(0, 300);
  // The error names its line, though it comes after every line was converted.
  EXPECT_TRUE(HasLine(r.out, "ERROR LINE: 1 " + big)) << r.out.substr(0, 300);
  const auto after = Snap();
  EXPECT_TRUE(before == after) << badinput::Diff(before, after);
}

TEST_F(KorvaneBadInput, FileNamesWithSpacesAndNonAsciiLetters) {
  Script({"<t>", "</t>", "0", "0", "", ""}, "мой скрипт.txt");
  Write("игра данные/файл игры.bin", "<t>Hello</t> <t>World</t>");
  ToolResult r = Run({"extract", "игра данные/файл игры.bin", "перевод/строки перевода.txt", "-script",
                      "мой скрипт.txt"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "Find script: " + Root() + "мой скрипт.txt\nPlease wait...\nDone: " +
                       F("перевод/строки перевода.txt") + "\n");
  EXPECT_EQ(ReadBytes(F("перевод/строки перевода.txt")), "Hello\r\nWorld\r\n");
  Write("перевод/строки перевода.txt", "Привет\r\nМир\r\n");
  r = Run({"replace", "игра данные/файл игры.bin", "перевод/строки перевода.txt", "-script", "мой скрипт.txt",
           "-out_data", "выход/новые данные.bin"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(ReadBytes(F("выход/новые данные.bin")), "<t>Привет</t> <t>Мир</t>");
  EXPECT_EQ(ReadBytes(F("игра данные/файл игры.bin")), "<t>Hello</t> <t>World</t>");
}

TEST_F(KorvaneBadInput, Utf16OptionOnAFileThatIsNotUtf16) {
  // Latin-1 bytes without a mark are taken as they are and written back so.
  const std::string data = "caf\xE9=[x\xE9] b=[y]\r\nend";
  Write("latin.bin", data);
  ToolResult r = Run({"extract", "latin.bin", "latin.txt", "-utf16", "-silent"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(ReadBytes(F("latin.txt")), "x\xE9\r\ny\r\n");
  r = Run({"replace", "latin.bin", "latin.txt", "-utf16", "-silent"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(ReadBytes(F("latin.bin")), data);
  Write("latin.txt", "X\xE9\xE9\r\nY\r\n");
  r = Run({"replace", "latin.bin", "latin.txt", "-utf16", "-silent"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(ReadBytes(F("latin.bin")), "caf\xE9=[X\xE9\xE9] b=[Y]\r\nend");
}

TEST_F(KorvaneBadInput, Utf16FileWithATranslationThatIsNotUtf8) {
  // A UTF-16 data file cannot take bytes that are not UTF-8: the run stops
  // and the data file stays as it was.
  std::string utf16 = "\xFF\xFE";
  for (char c : std::string("a=[x] b=[y]\r\n")) {
    utf16.push_back(c);
    utf16.push_back('\0');
  }
  Write("u16.bin", utf16);
  Write("tr.txt", "X\xE9\r\nY\r\n");
  auto before = Snap();
  ToolResult r = Run({"replace", "u16.bin", "tr.txt", "-utf16", "-silent"});
  ExpectError(r, "EInOutError",
              "Cannot save \"" + F("u16.bin") +
                  "\" as UTF-16: the replaced text is not valid UTF-8. The data file is unchanged.");
  EXPECT_UNCHANGED(before);
}

TEST_F(KorvaneBadInput, TextFileWithAByteOrderMarkFromAnEditor) {
  // A UTF-8 mark that an editor put before the translation is dropped.
  Write("tr.txt", "\xEF\xBB\xBFX\r\nY\r\n");
  ToolResult r = Run({"replace", "data.bin", "tr.txt", "-silent"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(ReadBytes(F("data.bin")), "a=[X] b=[Y]\r\n");
  // An editor's UTF-16 file is read as its text.
  Write("data.bin", "a=[x] b=[y]\r\n");
  Write("tr16.txt", std::string("\xFF\xFEX\0\r\0\n\0\x16\x04\r\0\n\0", 14));
  r = Run({"replace", "data.bin", "tr16.txt", "-silent"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(ReadBytes(F("data.bin")), "a=[X] b=[\xD0\x96]\r\n");
}

}  // namespace
