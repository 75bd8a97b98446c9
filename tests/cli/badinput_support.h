// Helpers of the bad-input command-line tests: a fresh folder with a copy of
// a program, runs as an ordinary user where the test runs as root (so that
// file permissions apply), snapshots of every file to show that a failed
// run truncated or replaced nothing, and a check that /dev/full is usable.
#pragma once
#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "tests/support/testutil.h"

namespace badinput {

namespace fs = std::filesystem;

// Every entry under a folder: files with their bytes, folders and links
// marked as such.
inline std::map<std::string, std::string> Snapshot(const std::string& dir) {
  std::map<std::string, std::string> s;
  std::error_code ec;
  for (auto it = fs::recursive_directory_iterator(dir, fs::directory_options::none, ec);
       !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
    const std::string rel = fs::relative(it->path(), dir).string();
    if (it->is_symlink(ec)) {
      s[rel] = "<link to " + fs::read_symlink(it->path(), ec).string() + ">";
    } else if (it->is_directory(ec)) {
      s[rel] = "<folder>";
    } else {
      s[rel] = ReadBytes(it->path().string());
    }
  }
  return s;
}

// The differences of two snapshots, one line per entry, for messages.
inline std::string Diff(const std::map<std::string, std::string>& a,
                        const std::map<std::string, std::string>& b) {
  std::string d;
  for (const auto& [k, v] : a) {
    auto it = b.find(k);
    if (it == b.end()) {
      d += "removed: " + k + "\n";
    } else if (it->second != v) {
      d += "changed: " + k + " (" + std::to_string(v.size()) + " -> " + std::to_string(it->second.size()) +
           " bytes)\n";
    }
  }
  for (const auto& [k, v] : b)
    if (!a.count(k)) d += "added: " + k + "\n";
  return d;
}

inline bool IsRoot() { return IsRootUser(); }

// The user that runs a program where permissions must apply.
constexpr int kNobody = 65534;
constexpr int kNogroup = 65534;

// Runs program like RunTool, but as user nobody when the test runs as root
// (root reads and writes whatever the permissions say). Status 126 means
// that the change of user failed.
inline ToolResult RunAsUser(const std::string& program, const std::vector<std::string>& args,
                            const std::string& cwd) {
  if (!IsRoot()) return RunTool(program, args, cwd);
  return RunTool(program, args, cwd, "", kNobody, kNogroup);
}

// Lines of the console output.
inline std::vector<std::string> OutLines(const std::string& out) {
  std::vector<std::string> v;
  size_t s = 0;
  while (s < out.size()) {
    size_t e = out.find('\n', s);
    if (e == std::string::npos) e = out.size();
    v.push_back(out.substr(s, e - s));
    s = e + 1;
  }
  return v;
}

inline bool HasLine(const std::string& out, const std::string& line) {
  for (const auto& l : OutLines(out))
    if (l == line) return true;
  return false;
}

inline bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

// Names of leftover temporary files of a whole-file write (".name.tmp.XXXXXX").
inline std::vector<std::string> TempLeftovers(const std::map<std::string, std::string>& snap) {
  std::vector<std::string> v;
  for (const auto& [k, content] : snap)
    if (Contains(fs::path(k).filename().string(), ".tmp.")) v.push_back(k);
  return v;
}

// A folder set up for runs as another user: open to everyone, so that the
// program (copied into it) can be run and can write there.
class BadInputFolder : public testing::Test {
 protected:
  void SetUp() override { SetFileMode(dir_.Path(), 0777); }
  std::string F(const std::string& name) const { return dir_.File(name); }
  std::string Root() const { return dir_.Path() + PathSep(); }
  void Write(const std::string& name, const std::string& bytes) {
    WriteBytes(F(name), bytes);
    SetFileMode(F(name), 0666);
  }
  void Folder(const std::string& name, int mode = 0777) {
    fs::create_directories(F(name));
    SetFileMode(F(name), mode);
  }
  void Link(const std::string& name, const std::string& target) { fs::create_symlink(target, F(name)); }
  // Whether a run where permissions apply is possible.
  bool UserRunsPossible() {
    if (!IsRoot()) return true;
    const ToolResult r = RunAsUser("/bin/true", {}, dir_.Path());
    return r.status == 0;
  }
  std::map<std::string, std::string> Snap() const { return Snapshot(dir_.Path()); }

  TempDir dir_;
};

}  // namespace badinput

// Stops the test with a message when a run as an ordinary user is needed
// and not possible here.
#define REQUIRE_USER_RUNS()                                                                   \
  do {                                                                                        \
    SKIP_ON_WINDOWS("POSIX permissions and runs as another user do not apply");              \
    if (!UserRunsPossible())                                                                  \
      GTEST_SKIP() << "running as root and the program cannot be run as user nobody: "        \
                      "permissions do not apply, case skipped";                               \
  } while (0)

#define REQUIRE_DEV_FULL()                                                              \
  do {                                                                                  \
    SKIP_ON_WINDOWS("there is no /dev/full");                                           \
    if (!DevFullUsable())                                                     \
      GTEST_SKIP() << "/dev/full is not usable here: the full-disk case is skipped";    \
  } while (0)

// A failed run left every file as it was and no temporary file behind.
#define EXPECT_UNCHANGED(before)                                                      \
  do {                                                                                \
    const auto after_ = Snap();                                                       \
    EXPECT_EQ(before, after_) << badinput::Diff(before, after_);                      \
    EXPECT_TRUE(badinput::TempLeftovers(after_).empty());                             \
  } while (0)
