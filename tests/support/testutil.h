// Helpers for tests: temporary folders, files, and running a copy of a
// built program in a folder of its own.
#pragma once
#include <cstdint>
#include <random>
#include <string>
#include <vector>

// A fresh folder under the system's temporary folder, removed at the end.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& Path() const { return path_; }
  // Path of a file inside the folder.
  std::string File(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

void WriteBytes(const std::string& path, const std::string& bytes);  // creates parent folders
std::string ReadBytes(const std::string& path);                     // "" when missing
bool PathExists(const std::string& path);

struct ToolResult {
  int status = -1;  // exit status, or 128 + signal
  std::string out;  // standard output
  std::string err;  // standard error
};

// Copies the built program (KORVANE_BIN, VELLORAN_BIN) into dir and returns
// the copy's path.
std::string InstallTool(const std::string& builtProgram, const std::string& dir);
std::string InstallKorvane(const std::string& dir);
std::string InstallVelloran(const std::string& dir);
// Runs program with args in folder cwd; standard input from stdinText, or
// from /dev/null when it is empty.
// With asUid >= 0 (when running as root), the program runs as that user and
// group; status 126 then means that the change of user failed.
ToolResult RunTool(const std::string& program, const std::vector<std::string>& args,
                   const std::string& cwd, const std::string& stdinText = "", int asUid = -1,
                   int asGid = -1);

// Lines joined with CR LF after each (the saved form of a line list).
std::string CrLf(const std::vector<std::string>& lines);
// Random bytes from an alphabet.
std::string RandomString(std::mt19937& rng, const std::string& alphabet, size_t minLen,
                         size_t maxLen);
// A uniformly drawn index below n (n > 0).
size_t RandomIndex(std::mt19937& rng, size_t n);
// A non-empty piece of s of at most maxLen bytes (empty when s is empty).
std::string RandomPiece(std::mt19937& rng, const std::string& s, size_t maxLen);
