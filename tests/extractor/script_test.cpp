// Script entries and the option scan of the command line.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/platform.h"
#include "common/stringlist.h"
#include "extractor/params.h"
#include "extractor/script.h"
#include "extractor/stop_run.h"
#include "tests/extractor/recording_reporter.h"

namespace {

std::vector<std::string> Entry(const std::string& l, const std::string& r, const std::string& cl,
                               const std::string& cr, const std::string& pre = "",
                               const std::string& suf = "") {
  return {l, r, cl, cr, pre, suf};
}

bool Parse(const std::vector<std::string>& lines, bool adv, std::vector<TScript>& out, std::string& msg) {
  try {
    out = ParseScriptLines(lines, adv);
    return true;
  } catch (const EStopRun& e) {
    msg = e.what();
    return false;
  }
}

// The parameters, whether the run ends at the scan, and what it reports
// (the lines of the end included).
TParametrs ParseArgs(const std::vector<std::string>& args, bool* ended = nullptr, std::string* output = nullptr) {
  TParametrs p;
  TRecordingReporter reporter;
  bool end = false;
  try {
    ParseCommandLine(args, p, reporter);
  } catch (const EStopRun& e) {
    end = true;
    for (const std::string& line : e.Lines()) reporter.Line(line);
  }
  if (ended) *ended = end;
  if (output) *output = reporter.out;
  return p;
}

}  // namespace

TEST(Script, GroupsOfSixOrSevenLines) {
  std::vector<std::string> lines = Entry("\\[", "\\]", "0", "0", "ID:", "");
  auto second = Entry("<", ">", "-3", "$10", "\\r\\n", "\\\\n");
  lines.insert(lines.end(), second.begin(), second.end());
  lines.push_back("extra");  // 13 lines
  std::vector<TScript> s;
  std::string msg;
  ASSERT_TRUE(Parse(lines, false, s, msg));
  ASSERT_EQ(s.size(), 2u);
  EXPECT_EQ(s[0].left_re, "\\[");
  EXPECT_EQ(s[0].right_re, "\\]");
  EXPECT_EQ(s[0].prefix, "ID:");
  EXPECT_TRUE(s[0].active);
  EXPECT_EQ(s[1].coord_left, -3);
  EXPECT_EQ(s[1].coord_right, 16);
  EXPECT_EQ(s[1].prefix, "\r\n");
  EXPECT_EQ(s[1].suffix, "\\\n");
  EXPECT_EQ(s[1].adv_keys, "");

  ASSERT_TRUE(Parse(lines, true, s, msg));
  ASSERT_EQ(s.size(), 1u);
  EXPECT_EQ(s[0].adv_keys, "<");
}

TEST(Script, CoordinateIntegers) {
  struct Case {
    const char* text;
    bool ok;
    int32_t value;
  } cases[] = {{" 5", true, 5},  {"5 ", false, 0},   {"", false, 0},    {"-3", true, -3},
               {"$10", true, 16}, {"0x1F", true, 31}, {"X10", true, 16}, {"+7", true, 7},
               {"1a", false, 0},  {"\t5", false, 0},  {"-", false, 0}};
  for (const auto& c : cases) {
    std::vector<TScript> s;
    std::string msg;
    bool ok = Parse(Entry("a", "b", c.text, "0"), false, s, msg);
    EXPECT_EQ(ok, c.ok) << "'" << c.text << "'";
    if (ok) {
      EXPECT_EQ(s[0].coord_left, c.value) << c.text;
    } else {
      EXPECT_EQ(msg, "Error script coordinate left not value.");
    }
  }
  std::vector<TScript> s;
  std::string msg;
  EXPECT_FALSE(Parse(Entry("a", "b", "0", "x"), false, s, msg));
  EXPECT_EQ(msg, "Error script coordinate right not value.");
  // The first bad entry in file order decides the message.
  auto lines = Entry("a", "b", "0", "r");
  auto bad = Entry("a", "b", "l", "0");
  lines.insert(lines.end(), bad.begin(), bad.end());
  EXPECT_FALSE(Parse(lines, false, s, msg));
  EXPECT_EQ(msg, "Error script coordinate right not value.");
}

TEST(Script, LineBreaksAtTheEndDecideTheLastEntry) {
  std::vector<TScript> s;
  std::string msg;
  ASSERT_TRUE(Parse(SplitLines("a\r\nb\r\n0\r\n0\r\n\r\n"), false, s, msg));
  EXPECT_EQ(s.size(), 0u);  // five lines: dropped
  ASSERT_TRUE(Parse(SplitLines("a\r\nb\r\n0\r\n0\r\n\r\n\r\n"), false, s, msg));
  EXPECT_EQ(s.size(), 1u);
  ASSERT_TRUE(Parse(SplitLines(std::string("a\nb\n0\n0\n\n\n") + '\0' + "x\ny\n0\n0\n\n\n"), false, s, msg));
  EXPECT_EQ(s.size(), 1u);  // a NUL ends the text
}

TEST(Script, UnescapeScriptTextKnowsOnlyCrAndLf) {
  EXPECT_EQ(UnescapeScriptText("\\r\\n"), "\r\n");
  EXPECT_EQ(UnescapeScriptText("\\\\n"), "\\\n");
  EXPECT_EQ(UnescapeScriptText("\\t\\x20\\"), "\\t\\x20\\");
}

TEST(CommandLine, PositionalsAndSwitches) {
  bool ended = true;
  TParametrs p = ParseArgs({"EXTRACT", "data.bin", "/abs/t.txt", "-D", "-Silent", "-f2r", "-x", "-hex_SYS",
                            "-nr_n_unx", "-bq_sys", "-utf16", "-single_line", "-ee"},
                           &ended);
  EXPECT_FALSE(ended);
  EXPECT_EQ(p.operation, "EXTRACT");
  EXPECT_EQ(p.file_data, ExpandPath("data.bin"));
  EXPECT_EQ(p.file_txt, ExpandPath("/abs/t.txt"));  // itself on POSIX systems, on a drive on Windows
  EXPECT_EQ(p.script_file, ProgramDir() + "script_list.txt");
  EXPECT_TRUE(p.d && p.silent && p.hex_sys && p.nr_n_unx && p.bq_sys && p.utf16 && p.single_line && p.ee);
  EXPECT_FALSE(p.b || p.ft || p.ff || p.hex_lat || p.nr_rn || p.border_quot || p.adv_values_script);
  EXPECT_TRUE(p.out_data.empty());
  EXPECT_FALSE(p.trash.enabled);
  EXPECT_FALSE(p.rep_input.enabled);
}

TEST(CommandLine, PositionalArgumentsAreScannedToo) {
  // An option in the first three places is taken as that value as well.
  TParametrs p = ParseArgs({"-b", "-d", "x"});
  EXPECT_EQ(p.operation, "-b");
  EXPECT_TRUE(p.b);
  EXPECT_TRUE(p.d);
  EXPECT_EQ(p.file_data, ExpandPath("-d"));
}

TEST(CommandLine, FileOptions) {
  TParametrs p = ParseArgs({"replace", "d", "t", "-del_lines_trash", "trash.txt", "-rep_input_txt", "old/exp.txt",
                            "-out_data", "out/copy.bin", "-rep_input_txt", "-b"});
  EXPECT_TRUE(p.trash.enabled);
  EXPECT_EQ(p.trash.file, ProgramDir() + "trash.txt");
  EXPECT_TRUE(p.rep_input.enabled);
  // The last one wins; its name is examined as an option in its own turn.
  EXPECT_EQ(p.rep_input.file, "-b");
  EXPECT_TRUE(p.b);
  EXPECT_EQ(p.out_data, ExpandPath("out/copy.bin"));

  // "-script" consumes its name: a name spelling an option is not an option.
  p = ParseArgs({"extract", "d", "t", "-script", "-d"});
  EXPECT_FALSE(p.d);
}

TEST(CommandLine, FileOptionWithoutItsName) {
  struct Case {
    const char* option;
    const char* last;
  } cases[] = {{"-script", "Not Specified file script."},
               {"-del_lines_trash", "Not Specified file trash."},
               {"-rep_input_txt", "Not Specified file exportired old version."},
               {"-out_data", nullptr}};
  for (const auto& c : cases) {
    bool ended = false;
    std::string out;
    ParseArgs({"extract", "d", "t", c.option}, &ended, &out);
    EXPECT_TRUE(ended) << c.option;
    std::string expect;
    for (const auto& line : UsageLines()) expect += line + "\n";
    expect += "\n";
    if (c.last) expect += std::string(c.last) + "\n";
    EXPECT_EQ(out, expect) << c.option;
  }
}

TEST(CommandLine, UsageText) {
  const auto& u = UsageLines();
  ASSERT_EQ(u.size(), 55u);
  EXPECT_EQ(u[0], "KORVANE v6.4 By QUENLOW");
  EXPECT_EQ(u[11], "           exemple find text=\": (text=\"...text=\"...\"end)");
  EXPECT_EQ(u[24], "       -not_ekrane not replace \\\\n to text \\n, a repalace \\\\n to \\(enter \\x0A) ");
  EXPECT_EQ(u[29], "       -nr_t (not replace \\t -> \"  \"");
  EXPECT_EQ(u[32], "       -r_bs_old (replace border space -> \\\" Text \\\"");
  EXPECT_EQ(u[54], "         [-enter_mac] standartilizing enter all to simple mac");
}
