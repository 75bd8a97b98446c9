#include "tests/support/testutil.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace fs = std::filesystem;

TempDir::TempDir() {
  std::string tmpl = (fs::temp_directory_path() / "kvtest.XXXXXX").string();
  std::vector<char> buf(tmpl.begin(), tmpl.end());
  buf.push_back('\0');
  if (!mkdtemp(buf.data())) throw std::runtime_error("mkdtemp failed");
  path_ = buf.data();
}

TempDir::~TempDir() {
  std::error_code ec;
  // Make everything writable again so that removal works after tests that
  // took rights away.
  for (auto it = fs::recursive_directory_iterator(path_, ec); !ec && it != fs::recursive_directory_iterator();
       it.increment(ec)) {
    if (it->is_directory(ec) && !it->is_symlink(ec)) ::chmod(it->path().c_str(), 0755);
  }
  ::chmod(path_.c_str(), 0755);
  fs::remove_all(path_, ec);
}

void WriteBytes(const std::string& path, const std::string& bytes) {
  fs::path p(path);
  if (p.has_parent_path()) fs::create_directories(p.parent_path());
  std::ofstream f(path, std::ios::binary | std::ios::trunc);
  if (!f) throw std::runtime_error("cannot write " + path);
  f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string ReadBytes(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  if (!f) return "";
  std::ostringstream ss;
  ss << f.rdbuf();
  return ss.str();
}

bool PathExists(const std::string& path) {
  struct stat st;
  return ::lstat(path.c_str(), &st) == 0;
}

std::string InstallTool(const std::string& builtProgram, const std::string& dir) {
  std::string target = dir + "/" + fs::path(builtProgram).filename().string();
  fs::create_directories(dir);
  fs::copy_file(builtProgram, target, fs::copy_options::overwrite_existing);
  ::chmod(target.c_str(), 0755);
  return target;
}

std::string InstallKorvane(const std::string& dir) { return InstallTool(KORVANE_BIN, dir); }
std::string InstallVelloran(const std::string& dir) { return InstallTool(VELLORAN_BIN, dir); }

ToolResult RunTool(const std::string& program, const std::vector<std::string>& args,
                   const std::string& cwd, const std::string& stdinText, int asUid, int asGid) {
  TempDir io;
  // Another user must be able to write its output here.
  if (asUid >= 0) ::chmod(io.Path().c_str(), 0777);
  std::string outPath = io.File("stdout"), errPath = io.File("stderr"), inPath = "/dev/null";
  if (!stdinText.empty()) {
    inPath = io.File("stdin");
    WriteBytes(inPath, stdinText);
  }
  pid_t pid = ::fork();
  if (pid < 0) throw std::runtime_error("fork failed");
  if (pid == 0) {
    int in = ::open(inPath.c_str(), O_RDONLY);
    int out = ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    int err = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (in < 0 || out < 0 || err < 0 || ::chdir(cwd.c_str()) != 0) _exit(127);
    ::dup2(in, 0);
    ::dup2(out, 1);
    ::dup2(err, 2);
    if (asUid >= 0 && (::setgroups(0, nullptr) != 0 || ::setgid(static_cast<gid_t>(asGid)) != 0 ||
                       ::setuid(static_cast<uid_t>(asUid)) != 0))
      _exit(126);
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    ::execv(program.c_str(), argv.data());
    _exit(127);
  }
  int st = 0;
  while (::waitpid(pid, &st, 0) < 0 && errno == EINTR) {
  }
  ToolResult r;
  r.status = WIFEXITED(st) ? WEXITSTATUS(st) : 128 + WTERMSIG(st);
  r.out = ReadBytes(outPath);
  r.err = ReadBytes(errPath);
  return r;
}

std::string CrLf(const std::vector<std::string>& lines) {
  std::string s;
  for (const auto& l : lines) {
    s += l;
    s += "\r\n";
  }
  return s;
}

std::string RandomString(std::mt19937& rng, const std::string& alphabet, size_t minLen,
                         size_t maxLen) {
  std::uniform_int_distribution<size_t> len(minLen, maxLen);
  std::uniform_int_distribution<size_t> pick(0, alphabet.size() - 1);
  size_t n = len(rng);
  std::string s;
  s.reserve(n);
  for (size_t i = 0; i < n; ++i) s.push_back(alphabet[pick(rng)]);
  return s;
}

size_t RandomIndex(std::mt19937& rng, size_t n) { return std::uniform_int_distribution<size_t>(0, n - 1)(rng); }

std::string RandomPiece(std::mt19937& rng, const std::string& s, size_t maxLen) {
  if (s.empty()) return "";
  const size_t a = RandomIndex(rng, s.size());
  return s.substr(a, 1 + RandomIndex(rng, std::min(maxLen, s.size() - a)));
}
