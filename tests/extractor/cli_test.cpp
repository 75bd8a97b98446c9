// Start of a korvane run: usage, option scan, script lookup, file checks,
// "-out_data", script errors, dispatch.

#include "common/platform.h"
#include "extractor/params.h"
#include "tests/extractor/korvane_cli.h"

TEST_F(KorvaneCli, NoArgumentsPrintsUsageAndWaits) {
  ToolResult r = Run({});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, Out(UsageLines()));
  EXPECT_EQ(r.out.substr(0, 24), "KORVANE v6.4 By QUENLOW\n");
  EXPECT_EQ(r.err, "");
}

TEST_F(KorvaneCli, FileOptionAtTheEnd) {
  ToolResult r = Run({"extract", "d", "t", "-script"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, Out(UsageLines()) + "\nNot Specified file script.\n");
  r = Run({"extract", "d", "t", "-del_lines_trash"});
  EXPECT_EQ(r.out, Out(UsageLines()) + "\nNot Specified file trash.\n");
  r = Run({"extract", "d", "t", "-rep_input_txt"});
  EXPECT_EQ(r.out, Out(UsageLines()) + "\nNot Specified file exportired old version.\n");
  r = Run({"extract", "d", "t", "-OUT_DATA"});
  EXPECT_EQ(r.out, Out(UsageLines()) + "\n");
  EXPECT_EQ(r.status, 1);
}

TEST_F(KorvaneCli, MissingFiles) {
  Script(Brackets());
  ToolResult r = Run({"extract", "none.bin", "t.txt"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "Not Find File: " + F("none.bin") + "\n");
  r = Run({"extract", "none.bin", "t.txt", "-SILENT"});
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.status, 1);

  WriteBytes(F("d.bin"), "[x]");
  r = Run({"replace", "d.bin", "t.txt"});
  EXPECT_EQ(r.out, "Not Find File: " + F("t.txt") + "\n");
  EXPECT_EQ(r.status, 1);
  // Extraction does not need the text file.
  r = Run({"extract", "d.bin", "sub/t.txt"});
  EXPECT_EQ(r.out, "Please wait...\nDone: " + F("sub/t.txt") + "\n");
  EXPECT_EQ(ReadBytes(F("sub/t.txt")), "x\r\n");

  // REPLACE in capitals passes the check and fails on the text file.
  r = Run({"REPLACE", "d.bin", "t.txt"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, SystemMessage("Please wait...\nCannot open file \"" + F("t.txt") +
                                  "\". No such file or directory\nERROR LINE: 1 x\n"));
  EXPECT_NE(r.err.find(SystemMessage("Exception EReplaceLineError in module korvane at ")), std::string::npos)
      << r.err;
  EXPECT_NE(r.err.find("\nERROR LINE: 1 x.\n"), std::string::npos) << r.err;
  EXPECT_EQ(ReadBytes(F("d.bin")), "[x]");
}

TEST_F(KorvaneCli, MissingScriptIsAnOpenError) {
  WriteBytes(F("d.bin"), "[x]");
  ToolResult r = Run({"extract", "d.bin", "t.txt"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "Not find script: " + Root() + "script_list.txt\nAnd not find in root exe!!!\nPlease wait...\n");
  EXPECT_EQ(r.err.rfind(SystemMessage("Exception EFOpenError in module korvane at "), 0), 0u) << r.err;
  EXPECT_NE(r.err.find(SystemMessage("\nCannot open file \"" + Root() + "script_list.txt\". No such file or directory.\n")),
            std::string::npos)
      << r.err;
  EXPECT_FALSE(PathExists(F("t.txt")));
}

TEST_F(KorvaneCli, ScriptLookup) {
  WriteBytes(F("d.bin"), "[x] <y>");
  Script(Brackets());
  Script({"<", ">", "0", "0", "", ""}, "angle.txt");
  ToolResult r = Run({"extract", "d.bin", "t.txt", "-script", "angle.txt"});
  EXPECT_EQ(r.out, "Find script: " + Root() + "angle.txt\nPlease wait...\nDone: " + F("t.txt") + "\n");
  EXPECT_EQ(ReadBytes(F("t.txt")), "y\r\n");

  // Present only in the current folder.
  WriteBytes(F("work/cur.txt"), CrLf({"<", ">", "0", "0", "[", "]"}));
  r = RunTool(exe_, {"extract", "../d.bin", "t.txt", "-script", "cur.txt"}, F("work"));
  EXPECT_EQ(r.out, "Not find script: " + Root() + "cur.txt\nPlease wait...\nDone: " + F("work/t.txt") + "\n");
  EXPECT_EQ(ReadBytes(F("work/t.txt")), "[y]\r\n");

  // Nowhere: back to the default script.
  r = Run({"extract", "d.bin", "t.txt", "-script", "none.txt", "-silent"});
  EXPECT_EQ(r.out, "Not find script: " + Root() +
                       "none.txt\nAnd not find name in root exe\nDefault script loading...\n");
  EXPECT_EQ(ReadBytes(F("t.txt")), "x\r\n");
}

TEST_F(KorvaneCli, ScriptCoordinateErrorEndsTheRun) {
  WriteBytes(F("d.bin"), "[x]");
  Script({"\\[", "\\]", "0", "0", "", "", "\\[", "\\]", "5 ", "0", "", ""});
  ToolResult r = Run({"extract", "d.bin", "t.txt"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "Please wait...\nError script coordinate left not value.\n");
  EXPECT_FALSE(PathExists(F("t.txt")));
  Script({"\\[", "\\]", "0", ""});
  r = Run({"extract", "d.bin", "t.txt", "-silent"});
  EXPECT_EQ(r.out, "");  // four lines: no entry, nothing found
  Script({"\\[", "\\]", "0", "", "", ""});
  r = Run({"extract", "d.bin", "t.txt", "-silent"});
  EXPECT_EQ(r.out, "Error script coordinate right not value.\n");
}

TEST_F(KorvaneCli, OptionsAndOperationWordsIgnoreCase) {
  WriteBytes(F("d.bin"), "[a b ]");
  Script(Brackets());
  ToolResult r = Run({"EXTRACT", "d.bin", "t.txt", "-NR_BS", "-f2r", "-x"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(ReadBytes(F("t.txt")), "a b \r\n");
  // Another word is refused with a message before anything is read.
  r = Run({"extracting", "d.bin", "u.txt"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "Unknown operation \"extracting\": use \"extract\" or \"replace\".\n");
  EXPECT_FALSE(PathExists(F("u.txt")));
}

TEST_F(KorvaneCli, OutDataCopiesTheDataFileFirst) {
  WriteBytes(F("d.bin"), "[x]");
  Script(Brackets());
  // A run with an unknown operation word is refused before the copy.
  ToolResult r = Run({"nothing", "d.bin", "t.txt", "-out_data", "out/sub/copy.bin"});
  EXPECT_EQ(r.status, 1);
  EXPECT_FALSE(PathExists(F("out/sub/copy.bin")));
  r = Run({"extract", "d.bin", "t.txt", "-out_data", "out/sub/copy.bin"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(ReadBytes(F("out/sub/copy.bin")), "[x]");
  // The copy is what is read: an old file there is replaced first.
  WriteBytes(F("out/sub/copy.bin"), "[old]");
  r = Run({"extract", "d.bin", "t.txt", "-out_data", "out/sub/copy.bin"});
  EXPECT_EQ(ReadBytes(F("t.txt")), "x\r\n");
  // The same file as target and source is left alone.
  r = Run({"extract", "d.bin", "t.txt", "-out_data", "d.bin"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(ReadBytes(F("d.bin")), "[x]");
}

TEST_F(KorvaneCli, FailedOutDataCopyStopsTheRun) {
  WriteBytes(F("d.bin"), "[x]");
  WriteBytes(F("blocker"), "a file where a folder is needed");
  Script(Brackets());
  ToolResult r = Run({"extract", "d.bin", "t.txt", "-out_data", "blocker/copy.bin"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "Please wait...\n");
  EXPECT_NE(r.err.find("Cannot copy file \"" + F("d.bin") + "\" to \"" + F("blocker/copy.bin") + "\""),
            std::string::npos)
      << r.err;
  EXPECT_NE(r.err.find(SystemMessage("Not a directory")), std::string::npos) << r.err;
  EXPECT_FALSE(PathExists(F("t.txt")));
}

TEST_F(KorvaneCli, ReadOnlyDataFileCanBeExtracted) {
  WriteBytes(F("d.bin"), "[x]");
  SetFileMode(F("d.bin"), 0444);
  Script(Brackets());
  ToolResult r = Run({"extract", "d.bin", "t.txt"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(ReadBytes(F("t.txt")), "x\r\n");
}

TEST_F(KorvaneCli, TrashFileIsTakenFromTheProgramFolder) {
  WriteBytes(F("d.bin"), "[keep][drop me][ok]");
  Script(Brackets());
  WriteBytes(F("trash.txt"), "drop\r\n");
  WriteBytes(F("work/trash.txt"), "ok\r\n");
  ToolResult r = RunTool(exe_, {"extract", "../d.bin", "t.txt", "-del_lines_trash", "trash.txt"}, F("work"));
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(ReadBytes(F("work/t.txt")), "keep\r\nok\r\n");
  r = Run({"extract", "d.bin", "t.txt", "-del_lines_trash", "missing.txt"});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("Cannot open file"), std::string::npos);
}
