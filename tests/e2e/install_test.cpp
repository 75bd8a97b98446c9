// cmake --install into a fresh prefix: the programs land in bin, the README,
// the option reference and the sample in share/doc/<project>, and the
// sample cycle runs from there as the README describes it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/testutil.h"

namespace {

// Runs a program of the installed tree and expects status 0.
void Step(const std::string& program, const std::vector<std::string>& args, const std::string& cwd) {
  const ToolResult r = RunTool(program, args, cwd);
  ASSERT_EQ(r.status, 0) << program << ": " << r.out << r.err;
}

TEST(Install, PutsProgramsAndDocumentsInPlaceAndTheSampleCycleRuns) {
  SKIP_ON_WINDOWS("the install step runs the build machine's cmake, which takes no Windows path; "
                  "scripts/build-windows.sh puts the Windows programs in dist/windows");
  TempDir prefix;
  const ToolResult install = RunTool(KV_CMAKE, {"--install", KV_BUILD_DIR, "--prefix", prefix.Path()}, prefix.Path());
  ASSERT_EQ(install.status, 0) << install.out << install.err;

  const std::string bin = prefix.Path() + "/bin/";
  const std::string doc = prefix.Path() + "/share/doc/" + KV_PROJECT_NAME + "/";
  for (const std::string& f : {bin + "korvane", bin + "velloran", doc + "README.md", doc + "docs/options.md",
                               doc + "dialog.dat", doc + "script_list.txt", doc + "dialog.ru.txt"})
    ASSERT_TRUE(PathExists(f)) << f;
  EXPECT_EQ(ReadBytes(doc + "dialog.dat"), ReadBytes(std::string(KV_SOURCE_DIR) + "/samples/dialog.dat"));

  // The cycle in a working folder of its own, with the installed script.
  TempDir work;
  WriteBytes(work.File("dialog.dat"), ReadBytes(doc + "dialog.dat"));
  const std::string script = doc + "script_list.txt";
  Step(bin + "korvane", {"extract", "dialog.dat", "dialog.txt", "-script", script}, work.Path());
  Step(bin + "velloran", {"-o", "dialog.txt"}, work.Path());
  WriteBytes(work.File("3Optimize_RU/dialog.txt"), ReadBytes(doc + "dialog.ru.txt"));
  Step(bin + "velloran", {"-r", "dialog.txt"}, work.Path());
  Step(bin + "korvane",
       {"replace", "dialog.dat", "4Recover_RU/dialog.txt", "-out_data", "dialog_ru.dat", "-script", script},
       work.Path());
  Step(bin + "korvane", {"extract", "dialog_ru.dat", "check.txt", "-script", script}, work.Path());

  const std::string recovered = ReadBytes(work.File("4Recover_RU/dialog.txt"));
  EXPECT_FALSE(recovered.empty());
  EXPECT_EQ(ReadBytes(work.File("check.txt")), recovered);
  EXPECT_NE(recovered, ReadBytes(work.File("dialog.txt")));  // the translation went in
  EXPECT_EQ(ReadBytes(work.File("dialog.dat")), ReadBytes(doc + "dialog.dat"));
}

}  // namespace
