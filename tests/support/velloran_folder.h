// A test fixture with a copy of velloran in a folder of its own and an
// empty working folder to run it in.
#pragma once
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/testutil.h"

class VelloranFolderTest : public ::testing::Test {
 protected:
  TempDir prog, work;
  std::string exe;
  void SetUp() override { exe = InstallVelloran(prog.Path()); }
  // Runs the copy in the working folder, standard input from /dev/null.
  ToolResult Run(const std::vector<std::string>& args) { return RunTool(exe, args, work.Path()); }
  std::string W(const std::string& name) const { return work.File(name); }
};
