// Helpers for tests: temporary folders, files, and running a copy of a
// built program in a folder of its own.
#pragma once
#include <cstdint>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

// A fresh folder under the system's temporary folder, removed at the end.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& Path() const { return path_; }
  // Path of a file inside the folder, with the system's separators (the
  // form in which the programs print expanded paths).
  std::string File(const std::string& name) const;

 private:
  std::string path_;
};

void WriteBytes(const std::string& path, const std::string& bytes);  // creates parent folders
std::string ReadBytes(const std::string& path);                     // "" when missing
bool PathExists(const std::string& path);
// The separator of the programs' expanded paths: '/' or, on Windows, '\\'.
char PathSep();
// A text that changes when the file is replaced or written to (its identity
// on the file system and its modification time).
std::string FileIdentity(const std::string& path);

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

// The system the tests run on. Cases that mean something on one system only
// (another user, /dev/full, /proc on Linux; file attributes and handles on
// Windows) skip themselves with SKIP_ON_WINDOWS / SKIP_UNLESS_WINDOWS.
bool OnWindows();
// True when the tests run with the rights of the administrator (root).
bool IsRootUser();
// True when /dev/full exists and refuses every write with "No space left
// on device".
bool DevFullUsable();
// Sets POSIX permission bits; on Windows only the owner's write bit counts
// (the read-only attribute).
void SetFileMode(const std::string& path, int mode);

#define SKIP_ON_WINDOWS(reason)                                \
  do {                                                         \
    if (OnWindows()) GTEST_SKIP() << "on Windows: " << reason; \
  } while (0)
#define SKIP_UNLESS_WINDOWS(reason)                              \
  do {                                                           \
    if (!OnWindows()) GTEST_SKIP() << "not on Windows: " << reason; \
  } while (0)

// A file-system path from a UTF-8 text (std::filesystem would read a plain
// string in the ANSI code page on Windows).
std::filesystem::path U8Path(const std::string& utf8);
// The expected text of an error message in the system's words: on Windows
// the POSIX error texts it holds ("No such file or directory", "Is a
// directory", ...) become the system's, and the program file names
// "korvane" and "velloran" after "in module " get their ".exe".
std::string SystemMessage(const std::string& posixMessage);

// Holds a file open without sharing for its lifetime (Windows: no other
// handle may read, write or delete it). POSIX systems have no such lock:
// there Held() is false.
class ExclusiveHandle {
 public:
  explicit ExclusiveHandle(const std::string& path);
  ~ExclusiveHandle();
  ExclusiveHandle(const ExclusiveHandle&) = delete;
  ExclusiveHandle& operator=(const ExclusiveHandle&) = delete;
  bool Held() const { return handle_ != nullptr; }

 private:
  void* handle_ = nullptr;
};

// Lines joined with CR LF after each (the saved form of a line list).
std::string CrLf(const std::vector<std::string>& lines);
// Random bytes from an alphabet.
std::string RandomString(std::mt19937& rng, const std::string& alphabet, size_t minLen,
                         size_t maxLen);
// A uniformly drawn index below n (n > 0).
size_t RandomIndex(std::mt19937& rng, size_t n);
// A non-empty piece of s of at most maxLen bytes (empty when s is empty).
std::string RandomPiece(std::mt19937& rng, const std::string& s, size_t maxLen);
