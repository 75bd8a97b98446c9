// Bad input for velloran: missing, unreadable and wrong-kind inputs,
// outputs that cannot be written, a full disk, bad option values, empty and
// odd files, long lines and file names. Every case checks the message, the
// exit status, and that no existing file was truncated or replaced by a
// partial one.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/cli/badinput_support.h"

using badinput::Contains;
using badinput::HasLine;

namespace {

class VelloranBadInput : public badinput::BadInputFolder {
 protected:
  void SetUp() override {
    BadInputFolder::SetUp();
    exe_ = InstallVelloran(dir_.Path());
    Write("src.txt", "A\r\nB\r\nA\r\n");
    Write("en.txt", "A\r\nB\r\n");
    Write("ru.txt", "a\r\nb\r\n");
    Write("out.txt", "old output\r\n");
  }
  ToolResult Run(const std::vector<std::string>& args) { return RunTool(exe_, args, dir_.Path()); }
  ToolResult RunUser(const std::vector<std::string>& args, const std::string& cwd = "") {
    return badinput::RunAsUser(exe_, args, cwd.empty() ? dir_.Path() : cwd);
  }
  static void ExpectError(const ToolResult& r, const std::string& cls, const std::string& message) {
    EXPECT_EQ(r.status, 1) << r.out << r.err;
    EXPECT_EQ(r.err.rfind(SystemMessage("Exception " + cls + " in module velloran at "), 0), 0u) << r.err;
    EXPECT_TRUE(Contains(r.err, "\n" + SystemMessage(message) + "\n")) << r.err;
    EXPECT_FALSE(HasLine(r.out, "DONE")) << r.out;
  }

  std::string exe_;
};

// --- missing inputs ---------------------------------------------------------

TEST_F(VelloranBadInput, MissingSource) {
  auto before = Snap();
  for (const char* mode : {"-o", "-r", "-sd", "-rd", "-u", "-repstr", "-co", "-cp", "-cpd", "-cpds", "-de"}) {
    ToolResult r = Run({mode, "missing.txt", "en.txt", "ru.txt", "out.txt"});
    EXPECT_EQ(r.status, 1) << mode;
    EXPECT_EQ(r.out, "Not find file: missing.txt\n") << mode;
    EXPECT_UNCHANGED(before);
  }
  ToolResult r = Run({"-o"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "Not find file: \n");
  EXPECT_UNCHANGED(before);
}

TEST_F(VelloranBadInput, MissingEnglishOrRussianFile) {
  auto before = Snap();
  for (const char* mode : {"-r", "-rd", "-u"}) {
    ToolResult r = Run({mode, "src.txt", "noen.txt", "ru.txt", "out.txt"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "Error not find files EN:\n" + F("noen.txt") + "\n") << mode;
    r = Run({mode, "src.txt", "en.txt", "noru.txt", "out.txt"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "Error not find files RU:\n" + F("noru.txt") + "\n") << mode;
    EXPECT_UNCHANGED(before);
  }
}

TEST_F(VelloranBadInput, MissingSearchOrKeepFiles) {
  auto before = Snap();
  ToolResult r = Run({"-repstr", "src.txt", "nothere.txt", "ru.txt", "out.txt"});
  EXPECT_EQ(r.out, "RepInLine: " + F("src.txt") + "\n");
  ExpectError(r, "EFOpenError", "Cannot open file \"" + F("nothere.txt") + "\". No such file or directory.");
  EXPECT_UNCHANGED(before);
  r = Run({"-co", "src.txt", "en.txt", "nothere.txt", "out.txt"});
  ExpectError(r, "EFOpenError", "Cannot open file \"" + F("nothere.txt") + "\". No such file or directory.");
  EXPECT_UNCHANGED(before);
  // The files are read side by side; of two that cannot be, the first named
  // is reported.
  r = Run({"-co", "src.txt", "noen.txt", "nothere.txt", "out.txt"});
  ExpectError(r, "EFOpenError", "Cannot open file \"" + F("noen.txt") + "\". No such file or directory.");
  EXPECT_UNCHANGED(before);
}

TEST_F(VelloranBadInput, OptionsWithoutTheirValues) {
  auto before = Snap();
  ToolResult r = Run({"-cp", "src.txt", "-addoldenru", "a.txt", "b.txt"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "Error not value in parametr: -addoldenru\n");
  EXPECT_UNCHANGED(before);
  // A bad value is reported and the run goes on.
  r = Run({"-o", "-lso", "many", "src.txt", "en_lso.txt", "ru.txt"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "Error not value in parametr: -lso\nOPTIMIZE double " + F("src.txt") + "\nDONE\n");
  EXPECT_EQ(ReadBytes(F("en_lso.txt")), "A\r\nB\r\n");
  r = Run({"-o", "-dfumb", "x", "src.txt", "en_dfumb.txt", "ru.txt"});
  EXPECT_EQ(r.status, 0);
  EXPECT_TRUE(HasLine(r.out, "Error not value in parametr: -dfumb"));
  EXPECT_EQ(ReadBytes(F("en_dfumb.txt")), "A\r\nB\r\n");
}

// --- inputs that are folders --------------------------------------------------

TEST_F(VelloranBadInput, SourceIsAFolder) {
  Folder("srcdir");
  auto before = Snap();
  ToolResult r = Run({"-o", "srcdir"});
  EXPECT_EQ(r.out, "OPTIMIZE double " + F("srcdir") + "\n");
  ExpectError(r, "EFOpenError", "Cannot open file \"" + F("srcdir") + "\". Is a directory.");
  EXPECT_UNCHANGED(before);
}

TEST_F(VelloranBadInput, EnglishFileIsAFolder) {
  Folder("endir");
  auto before = Snap();
  for (const char* mode : {"-r", "-rd", "-u", "-cp"}) {
    ToolResult r = Run({mode, "src.txt", "endir", "ru.txt", "out.txt"});
    ExpectError(r, "EFOpenError", "Cannot open file \"" + F("endir") + "\". Is a directory.");
    EXPECT_UNCHANGED(before);
  }
}

// --- unreadable inputs --------------------------------------------------------

TEST_F(VelloranBadInput, UnreadableSource) {
  REQUIRE_USER_RUNS();
  SetFileMode(F("src.txt"), 0);
  auto before = Snap();
  for (const char* mode : {"-o", "-r", "-sd", "-u", "-co"}) {
    ToolResult r = RunUser({mode, "src.txt", "en.txt", "ru.txt", "out.txt"});
    ExpectError(r, "EFOpenError", "Cannot open file \"" + F("src.txt") + "\". Permission denied.");
    EXPECT_UNCHANGED(before);
  }
}

TEST_F(VelloranBadInput, UnreadableRussianFile) {
  REQUIRE_USER_RUNS();
  SetFileMode(F("ru.txt"), 0);
  auto before = Snap();
  ToolResult r = RunUser({"-r", "src.txt", "en.txt", "ru.txt", "out.txt"});
  ExpectError(r, "EFOpenError", "Cannot open file \"" + F("ru.txt") + "\". Permission denied.");
  EXPECT_UNCHANGED(before);
}

// --- outputs that cannot be written -------------------------------------------

TEST_F(VelloranBadInput, OutputInAFolderThatCannotBeWritten) {
  REQUIRE_USER_RUNS();
  Write("ro/out.txt", "old output\r\n");
  Folder("ro", 0555);
  auto before = Snap();
  for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
           {"-o", "src.txt", "ro/out.txt", "ru.txt"},
           {"-r", "src.txt", "en.txt", "ru.txt", "ro/out.txt"},
           {"-u", "src.txt", "en.txt", "ru.txt", "ro/out.txt"},
           {"-repstr", "src.txt", "en.txt", "ru.txt", "ro/out.txt"},
           {"src.txt", "ro/out.txt"}}) {
    ToolResult r = RunUser(args);
    ExpectError(r, "EFCreateError", "Cannot create file \"" + F("ro/out.txt") + "\". Permission denied.");
    EXPECT_UNCHANGED(before);
  }
}

TEST_F(VelloranBadInput, DefaultFolderInAWorkingFolderThatCannotBeWritten) {
  REQUIRE_USER_RUNS();
  Write("ro/src.txt", "A\r\n");
  Folder("ro", 0555);
  auto before = Snap();
  ToolResult r = RunUser({"-o", "src.txt"}, F("ro"));
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(Contains(r.err, "Cannot create file \"" + F("ro/2Optimize_EN/src.txt") + "\".")) << r.err;
  EXPECT_UNCHANGED(before);
}

TEST_F(VelloranBadInput, SplitOutputIsAFolder) {
  // The companion file is saved first and complete; the English file fails.
  Folder("outdir");
  ToolResult r = Run({"-sd", "src.txt", "outdir", "ru.txt"});
  ExpectError(r, "EFCreateError", "Cannot create file \"" + F("outdir") + "\". Is a directory.");
  EXPECT_EQ(ReadBytes(F("outdir_double.txt")), "A\r\nA\r\n");
  EXPECT_TRUE(badinput::TempLeftovers(Snap()).empty());
}

TEST_F(VelloranBadInput, OutputIsAFolder) {
  Folder("outdir");
  Write("outdir/inside.txt", "stays\r\n");
  auto before = Snap();
  for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
           {"-o", "src.txt", "outdir", "ru.txt"},
           {"-r", "src.txt", "en.txt", "ru.txt", "outdir"},
           {"-rd", "src.txt", "en.txt", "ru.txt", "outdir"},
           {"-cpd", "src.txt", "en.txt", "ru.txt", "outdir"},
           {"src.txt", "outdir"}}) {
    ToolResult r = Run(args);
    ExpectError(r, "EFCreateError", "Cannot create file \"" + F("outdir") + "\". Is a directory.");
    EXPECT_UNCHANGED(before);
  }
}

// --- a full disk --------------------------------------------------------------

TEST_F(VelloranBadInput, FullDiskForTheOutput) {
  REQUIRE_DEV_FULL();
  Link("full.txt", "/dev/full");
  auto before = Snap();
  for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
           {"-o", "src.txt", "full.txt", "ru.txt"},
           {"-r", "src.txt", "en.txt", "ru.txt", "full.txt"},
           {"-u", "src.txt", "en.txt", "ru.txt", "full.txt"},
           {"-co", "src.txt", "en.txt", "ru.txt", "full.txt"},
           {"-cpd", "src.txt", "ru.txt", "ru.txt", "full.txt"},
           {"src.txt", "full.txt"}}) {
    ToolResult r = Run(args);
    ExpectError(r, "EFCreateError", "Cannot create file \"" + F("full.txt") + "\". No space left on device.");
    EXPECT_UNCHANGED(before);
  }
}

TEST_F(VelloranBadInput, FullDiskForTheCompanionFile) {
  REQUIRE_DEV_FULL();
  Link("en_double.txt", "/dev/full");
  ToolResult r = Run({"-sd", "src.txt", "en.txt", "ru.txt"});
  ExpectError(r, "EFCreateError", "Cannot create file \"" + F("en_double.txt") + "\". No space left on device.");
}

TEST_F(VelloranBadInput, LogThatIsADeviceWithoutEnd) {
  // Reading a device that never ends stops with a clear error instead of
  // filling the memory; nothing is written. The log is read by a run that
  // adds to it: English line C is in no source line.
  SKIP_ON_WINDOWS("there is no /dev/zero");
  Link("NO_FIND.log", "/dev/zero");
  Write("en_miss.txt", "A\r\nC\r\n");
  auto before = Snap();
  ToolResult r = Run({"-r", "src.txt", "en_miss.txt", "ru.txt", "out.txt"});
  ExpectError(r, "EFOpenError", "Cannot open file \"" + Root() + "NO_FIND.log\". File too large.");
  EXPECT_UNCHANGED(before);
}

// --- odd files ----------------------------------------------------------------

TEST_F(VelloranBadInput, EmptyFiles) {
  Write("empty.txt", "");
  ToolResult r = Run({"-o", "empty.txt", "en_empty.txt", "ru.txt"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "OPTIMIZE double " + F("empty.txt") + "\nDONE\n");
  EXPECT_TRUE(PathExists(F("en_empty.txt")));
  EXPECT_EQ(ReadBytes(F("en_empty.txt")), "");
  r = Run({"-r", "empty.txt", "empty.txt", "empty.txt", "rec_empty.txt"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(ReadBytes(F("rec_empty.txt")), "");
  r = Run({"-r", "src.txt", "empty.txt", "ru.txt", "rec.txt"});
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(HasLine(r.out, "Not math EN and RU lines!!!"));
  EXPECT_FALSE(PathExists(F("rec.txt")));
  // A run without a mode writes nothing for an empty result.
  r = Run({"empty.txt", "out.txt"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(ReadBytes(F("out.txt")), "old output\r\n");
}

TEST_F(VelloranBadInput, FileOfOnlyNulBytes) {
  // A NUL byte is an ordinary byte of its line: the source is one line.
  Write("zeros.txt", std::string(4096, '\0'));
  ToolResult r = Run({"-o", "zeros.txt", "en_nul.txt", "ru.txt"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(ReadBytes(F("en_nul.txt")), std::string(4096, '\0') + "\r\n");
  EXPECT_EQ(ReadBytes(F("zeros.txt")), std::string(4096, '\0'));
}

TEST_F(VelloranBadInput, OneMegabyteSingleLine) {
  const std::string big(1 << 20, 'a');
  Write("big.txt", big + "\r\n" + big + "\r\n");
  ToolResult r = Run({"-o", "big.txt", "big_en.txt", "big_ru.txt", "-silent"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(ReadBytes(F("big_en.txt")), big + "\r\n");
  const std::string translated(1 << 20, 'b');
  Write("big_ru.txt", translated + "\r\n");
  r = Run({"-r", "big.txt", "big_en.txt", "big_ru.txt", "big_rec.txt", "-silent"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(ReadBytes(F("big_rec.txt")), translated + "\r\n" + translated + "\r\n");
  r = Run({"-cp", "big.txt", "big_en.txt", "big_ru.txt", "big_patch.txt", "-addoldenru", "r_en.txt", "r_ru.txt",
           "r_log.txt"});
  EXPECT_EQ(r.status, 0);
  EXPECT_FALSE(PathExists(F("big_patch.txt")));  // every line is known
}

TEST_F(VelloranBadInput, FileNamesWithSpacesAndNonAsciiLetters) {
  Write("мои файлы/строки игры.txt", "Привет\r\nМир\r\nПривет\r\n");
  ToolResult r = Run({"-o", "мои файлы/строки игры.txt"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "OPTIMIZE double " + F("мои файлы/строки игры.txt") + "\nDONE\n");
  EXPECT_EQ(ReadBytes(F("2Optimize_EN/строки игры.txt")), "Привет\r\nМир\r\n");
  Write("3Optimize_RU/строки игры.txt", "Hello\r\nWorld\r\n");
  r = Run({"-r", "мои файлы/строки игры.txt"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(ReadBytes(F("4Recover_RU/строки игры.txt")), "Hello\r\nWorld\r\nHello\r\n");
  EXPECT_EQ(ReadBytes(F("мои файлы/строки игры.txt")), "Привет\r\nМир\r\nПривет\r\n");
}

TEST_F(VelloranBadInput, Utf16OptionIsNotAnOptionOfVelloran) {
  // Unknown options are ignored: the run is the same as without it.
  ToolResult r = Run({"-o", "-utf16", "src.txt", "en_u.txt", "ru.txt"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "OPTIMIZE double " + F("src.txt") + "\nDONE\n");
  EXPECT_EQ(ReadBytes(F("en_u.txt")), "A\r\nB\r\n");
}

TEST_F(VelloranBadInput, FilesWithAByteOrderMarkFromAnEditor) {
  // A UTF-8 mark is dropped from every line file; the outputs carry none.
  Write("bom_src.txt", "\xEF\xBB\xBF" "A\r\nA\r\nB\r\n");
  ToolResult r = Run({"-o", "bom_src.txt", "bom_en.txt", "ru.txt"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(ReadBytes(F("bom_en.txt")), "A\r\nB\r\n");
  Write("bom_ru.txt", "\xEF\xBB\xBF" "a\r\nb\r\n");
  r = Run({"-r", "src.txt", "en.txt", "bom_ru.txt", "rec.txt"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(ReadBytes(F("rec.txt")), "a\r\nb\r\na\r\n");
  Write("bom_en2.txt", "\xEF\xBB\xBF" "A\r\nB\r\n");
  r = Run({"-r", "src.txt", "bom_en2.txt", "ru.txt", "rec2.txt", "-silent"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(ReadBytes(F("rec2.txt")), "a\r\nb\r\na\r\n");
  // A translation saved as UTF-16 (big-endian, LF breaks) comes out as UTF-8.
  Write("ru16.txt", std::string("\xFE\xFF\x04\x16\0\n\0b\0\n", 10));
  r = Run({"-r", "src.txt", "en.txt", "ru16.txt", "rec3.txt"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(ReadBytes(F("rec3.txt")), "\xD0\x96\r\nb\r\n\xD0\x96\r\n");
}

}  // namespace
