// Fixture for command-line tests: a copy of korvane in a fresh folder that
// is also the working folder of the runs.
#pragma once
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/testutil.h"

class KorvaneCli : public testing::Test {
 protected:
  void SetUp() override { exe_ = InstallKorvane(dir_.Path()); }

  std::string F(const std::string& name) const { return dir_.File(name); }
  // Program directory as the program prints it.
  std::string Root() const { return dir_.Path() + PathSep(); }
  void Script(const std::vector<std::string>& lines, const std::string& name = "script_list.txt") {
    WriteBytes(F(name), CrLf(lines));
  }
  // Entry with the usual left and right brackets.
  static std::vector<std::string> Brackets() { return {"\\[", "\\]", "0", "0", "", ""}; }
  ToolResult Run(const std::vector<std::string>& args, const std::string& stdinText = "") {
    return RunTool(exe_, args, dir_.Path(), stdinText);
  }
  // Output lines joined with "\n" after each.
  static std::string Out(const std::vector<std::string>& lines) {
    std::string s;
    for (const auto& l : lines) s += l + "\n";
    return s;
  }

  TempDir dir_;
  std::string exe_;
};
