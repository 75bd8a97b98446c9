// File cases that differ between the systems: a read-only data file, a
// target that another program holds open, folders and files named in
// Cyrillic letters (UTF-8 inside the programs, UTF-16 at the Windows API),
// and paths longer than Windows' classic limit of 260 characters.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "tests/support/testutil.h"

namespace {

namespace fs = std::filesystem;

class WindowsFiles : public testing::Test {
 protected:
  // A copy of both programs, the sample's script and data in a folder.
  void Prepare(const std::string& dir) {
    fs::create_directories(U8Path(dir));
    korvane_ = InstallKorvane(dir);
    velloran_ = InstallVelloran(dir);
    fs::copy_file(std::string(KV_SOURCE_DIR) + "/samples/script_list.txt", U8Path(dir + PathSep() + "script_list.txt"));
    fs::copy_file(std::string(KV_SOURCE_DIR) + "/samples/dialog.dat", U8Path(dir + PathSep() + "dialog.dat"));
  }
  static bool StartsWith(const std::string& s, const std::string& prefix) { return s.rfind(prefix, 0) == 0; }

  TempDir dir_;
  std::string korvane_, velloran_;
};

TEST_F(WindowsFiles, ReplaceIntoAReadOnlyDataFileIsRefused) {
  SKIP_UNLESS_WINDOWS("POSIX systems replace a file by renaming over it whatever its own mode");
  Prepare(dir_.Path());
  ASSERT_EQ(RunTool(korvane_, {"extract", "dialog.dat", "dialog.txt"}, dir_.Path()).status, 0);
  const std::string data = ReadBytes(dir_.File("dialog.dat"));
  SetFileMode(dir_.File("dialog.dat"), 0444);
  ToolResult r = RunTool(korvane_, {"replace", "dialog.dat", "dialog.txt"}, dir_.Path());
  EXPECT_EQ(r.status, 1) << r.out;
  EXPECT_NE(r.err.find("Cannot create file \"" + dir_.File("dialog.dat") + "\". "), std::string::npos) << r.err;
  EXPECT_EQ(ReadBytes(dir_.File("dialog.dat")), data);
  // The data file stays readable: extraction still works.
  r = RunTool(korvane_, {"extract", "dialog.dat", "again.txt"}, dir_.Path());
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(ReadBytes(dir_.File("again.txt")), ReadBytes(dir_.File("dialog.txt")));
}

TEST_F(WindowsFiles, TargetHeldOpenByAnotherHandleIsLeftAsItWas) {
  SKIP_UNLESS_WINDOWS("POSIX systems have no exclusive open");
  Prepare(dir_.Path());
  WriteBytes(dir_.File("dialog.txt"), "held\r\n");
  {
    ExclusiveHandle hold(dir_.File("dialog.txt"));
    ASSERT_TRUE(hold.Held());
    ToolResult r = RunTool(korvane_, {"extract", "dialog.dat", "dialog.txt"}, dir_.Path());
    EXPECT_EQ(r.status, 1) << r.out;
    EXPECT_NE(r.err.find("Cannot create file \"" + dir_.File("dialog.txt") + "\". "), std::string::npos) << r.err;
    for (const auto& e : fs::directory_iterator(dir_.Path()))
      EXPECT_EQ(e.path().filename().string().find(".tmp."), std::string::npos) << e.path();
  }
  EXPECT_EQ(ReadBytes(dir_.File("dialog.txt")), "held\r\n");
  // Once the other handle is gone, the same run succeeds.
  ToolResult r = RunTool(korvane_, {"extract", "dialog.dat", "dialog.txt"}, dir_.Path());
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(ReadBytes(dir_.File("dialog.txt")), "held\r\n");
}

TEST_F(WindowsFiles, CyrillicFolderAndFileNames) {
  // "Перевод" (translation) and "диалог" (dialogue).
  const std::string folder = dir_.File("\xD0\x9F\xD0\xB5\xD1\x80\xD0\xB5\xD0\xB2\xD0\xBE\xD0\xB4");
  const std::string name = "\xD0\xB4\xD0\xB8\xD0\xB0\xD0\xBB\xD0\xBE\xD0\xB3.txt";
  Prepare(folder);
  ToolResult r = RunTool(korvane_, {"extract", "dialog.dat", name}, folder);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "Please wait...\nDone: " + folder + PathSep() + name + "\n");
  r = RunTool(velloran_, {"-o", name}, folder);
  ASSERT_EQ(r.status, 0) << r.err;
  const std::string optimized = folder + PathSep() + "2Optimize_EN" + PathSep() + name;
  ASSERT_TRUE(PathExists(optimized));
  fs::create_directories(U8Path(folder + PathSep() + "3Optimize_RU"));
  fs::copy_file(std::string(KV_SOURCE_DIR) + "/samples/dialog.ru.txt",
                U8Path(folder + PathSep() + "3Optimize_RU" + PathSep() + name));
  r = RunTool(velloran_, {"-r", name}, folder);
  ASSERT_EQ(r.status, 0) << r.err;
  const std::string recovered = folder + PathSep() + "4Recover_RU" + PathSep() + name;
  r = RunTool(korvane_, {"replace", "dialog.dat", recovered, "-out_data", "ru.dat"}, folder);
  ASSERT_EQ(r.status, 0) << r.err;
  r = RunTool(korvane_, {"extract", "ru.dat", "check.txt"}, folder);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(ReadBytes(folder + PathSep() + "check.txt"), ReadBytes(recovered));
  EXPECT_NE(ReadBytes(recovered), ReadBytes(folder + PathSep() + name));
}

TEST_F(WindowsFiles, PathsLongerThan260CharactersInCyrillicFolders) {
  // The programs run from a short folder; every file they read or write
  // sits in nested folders named "Перевод_диалогов" (translation of
  // dialogues), over 260 characters in all. The PO modes take part: the
  // PO library opens its files by name.
  Prepare(dir_.Path());
  const std::string segment =
      "\xD0\x9F\xD0\xB5\xD1\x80\xD0\xB5\xD0\xB2\xD0\xBE\xD0\xB4_"
      "\xD0\xB4\xD0\xB8\xD0\xB0\xD0\xBB\xD0\xBE\xD0\xB3\xD0\xBE\xD0\xB2";  // 16 letters
  std::string deep = dir_.Path();
  for (int i = 0; i < 18; ++i) deep += PathSep() + segment + std::to_string(i);
  fs::create_directories(U8Path(deep));
  const std::string data = deep + PathSep() + "dialog.dat";
  const std::string en = deep + PathSep() + "\xD0\xB4\xD0\xB8\xD0\xB0\xD0\xBB\xD0\xBE\xD0\xB3.txt";
  const std::string po = deep + PathSep() + "dialog.po";
  const std::string ru = deep + PathSep() + "ru.txt";
  fs::copy_file(U8Path(dir_.File("dialog.dat")), U8Path(data));

  ToolResult r = RunTool(korvane_, {"extract", data, en}, dir_.Path());
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "Please wait...\nDone: " + en + "\n");
  r = RunTool(velloran_, {"-topo", en, po}, dir_.Path());
  ASSERT_EQ(r.status, 0) << r.out << r.err;
  ASSERT_TRUE(StartsWith(ReadBytes(po), "msgid \"\"\n"));
  // No entry is translated: the lines come back as they were.
  r = RunTool(velloran_, {"-frompo", po, en, ru}, dir_.Path());
  ASSERT_EQ(r.status, 0) << r.out << r.err;
  EXPECT_EQ(ReadBytes(ru), ReadBytes(en));
  r = RunTool(korvane_, {"replace", data, ru, "-out_data", deep + PathSep() + "ru.dat"}, dir_.Path());
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(ReadBytes(deep + PathSep() + "ru.dat"), ReadBytes(data));
}

}  // namespace
