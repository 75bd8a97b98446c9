// Exit statuses of both programs: every run that cannot do its job because
// an input is missing or invalid prints its message, ends with status 1 and
// changes no file; --help, -h and --version answer with status 0.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "extractor/params.h"
#include "optimizer/cmdline.h"
#include "tests/cli/badinput_support.h"

namespace {

enum class TProgram { Korvane, Velloran };

struct TCase {
  const char* name;
  TProgram program;
  std::vector<std::string> args;
  // The whole console output; "<dir>" stands for the folder of the run, and
  // each "/" in the path after it for the system's separator.
  std::string out;
  int status;
};

std::string WithDir(const std::string& text, const std::string& dir) {
  std::string s = text;
  const std::string mark = "<dir>";
  for (size_t at = s.find(mark); at != std::string::npos; at = s.find(mark, at)) {
    s.replace(at, mark.size(), dir);
    for (at += dir.size(); at < s.size() && s[at] != '\n' && s[at] != ' '; ++at)
      if (s[at] == '/') s[at] = PathSep();
  }
  return s;
}

std::string Joined(const std::vector<std::string>& lines) {
  std::string s;
  for (const auto& l : lines) s += l + "\n";
  return s;
}

// The version that CMakeLists.txt gives the project: the word after
// "VERSION" in its project() line.
std::string ProjectVersion() {
  std::ifstream in(std::string(KV_SOURCE_DIR) + "/CMakeLists.txt");
  std::string line;
  while (std::getline(in, line)) {
    if (line.rfind("project(", 0) != 0) continue;
    const size_t at = line.find(" VERSION ");
    if (at == std::string::npos) break;
    const size_t from = at + 9;
    return line.substr(from, line.find(' ', from) - from);
  }
  return "<no version>";
}

std::vector<TCase> Cases() {
  const std::string coordinateError = "Please wait...\nError script coordinate left not value.\n";
  return {
      {"KorvaneMissingData", TProgram::Korvane, {"extract", "missing.dat", "out.txt"},
       "Not Find File: <dir>/missing.dat\n", 1},
      {"KorvaneMissingText", TProgram::Korvane, {"replace", "data.bin", "missing.txt"},
       "Not Find File: <dir>/missing.txt\n", 1},
      {"KorvaneUnknownOperation", TProgram::Korvane, {"frobnicate", "data.bin", "out.txt"},
       "Unknown operation \"frobnicate\": use \"extract\" or \"replace\".\n", 1},
      {"KorvaneBadScript", TProgram::Korvane, {"extract", "data.bin", "out.txt", "-script", "bad_script.txt"},
       "Find script: <dir>/bad_script.txt\n" + coordinateError, 1},
      {"KorvaneOptionAsTextFile", TProgram::Korvane, {"extract", "data.bin", "-script", "script_list.txt"},
       "The text file is missing: \"-script\" is an option of korvane; name the data file and the text file "
       "before the options.\n",
       1},
      {"KorvaneOptionAsDataFile", TProgram::Korvane, {"replace", "-UTF16", "old.txt"},
       "The data file is missing: \"-UTF16\" is an option of korvane; name the data file and the text file "
       "before the options.\n",
       1},
      {"KorvaneScriptNameMissing", TProgram::Korvane, {"extract", "data.bin", "out.txt", "-script"},
       Joined(UsageLines()) + "\nNot Specified file script.\n", 1},
      {"VelloranMissingSource", TProgram::Velloran, {"-o", "missing.txt"}, "Not find file: missing.txt\n", 1},
      {"VelloranMissingRussian", TProgram::Velloran, {"-r", "x.txt"},
       "Error not find files RU:\n<dir>/3Optimize_RU/x.txt\n", 1},
      {"VelloranLineCountMismatch", TProgram::Velloran, {"-r", "y.txt"},
       "RECOVE double <dir>/y.txt\nNot math EN and RU lines!!!\n", 1},
      {"VelloranAddOldEnRuWithoutFiles", TProgram::Velloran, {"-cpd", "x.txt", "-addoldenru", "a.txt"},
       "Error not value in parametr: -addoldenru\n", 1},
      {"KorvaneHelp", TProgram::Korvane, {"--help"}, Joined(UsageLines()), 0},
      {"KorvaneH", TProgram::Korvane, {"-h", "extract"}, Joined(UsageLines()), 0},
      {"KorvaneVersion", TProgram::Korvane, {"--version"}, "korvane " + ProjectVersion() + "\n", 0},
      {"VelloranHelp", TProgram::Velloran, {"--help"}, Joined(VelloranUsageLines()), 0},
      {"VelloranVersion", TProgram::Velloran, {"--version", "-o"}, "velloran " + ProjectVersion() + "\n", 0},
  };
}

class ExitStatus : public testing::TestWithParam<TCase> {};

TEST_P(ExitStatus, MessageStatusAndNoFileChanged) {
  const TCase& c = GetParam();
  TempDir dir;
  const std::string exe = c.program == TProgram::Korvane ? InstallKorvane(dir.Path()) : InstallVelloran(dir.Path());
  WriteBytes(dir.File("script_list.txt"), CrLf({"\\[", "\\]", "0", "0", "", ""}));
  WriteBytes(dir.File("bad_script.txt"), CrLf({"\\[", "\\]", "x", "0", "", ""}));
  WriteBytes(dir.File("data.bin"), "a=[x] b=[y]\r\n");
  WriteBytes(dir.File("old.txt"), "kept text\r\n");
  WriteBytes(dir.File("x.txt"), CrLf({"one", "two"}));
  WriteBytes(dir.File("2Optimize_EN/x.txt"), CrLf({"one", "two"}));
  WriteBytes(dir.File("y.txt"), CrLf({"one", "two"}));
  WriteBytes(dir.File("2Optimize_EN/y.txt"), CrLf({"one", "two"}));
  WriteBytes(dir.File("3Optimize_RU/y.txt"), CrLf({"odin"}));
  const auto before = badinput::Snapshot(dir.Path());

  const ToolResult r = RunTool(exe, c.args, dir.Path());

  EXPECT_EQ(r.status, c.status) << r.out << r.err;
  EXPECT_EQ(r.out, WithDir(c.out, dir.Path()));
  EXPECT_EQ(r.err, "");
  const auto after = badinput::Snapshot(dir.Path());
  EXPECT_EQ(before, after) << badinput::Diff(before, after);
}

INSTANTIATE_TEST_SUITE_P(Cli, ExitStatus, testing::ValuesIn(Cases()),
                         [](const testing::TestParamInfo<TCase>& info) { return info.param.name; });

}  // namespace
