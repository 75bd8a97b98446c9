// POSIX side of the test helpers: fork and exec, users, permission bits.
#include <errno.h>
#include <fcntl.h>
#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <stdexcept>

#include "tests/support/testutil.h"

bool OnWindows() { return false; }

bool IsRootUser() { return ::geteuid() == 0; }

ExclusiveHandle::ExclusiveHandle(const std::string&) {}
ExclusiveHandle::~ExclusiveHandle() = default;

std::string SystemMessage(const std::string& posixMessage) { return posixMessage; }

char PathSep() { return '/'; }

std::string FileIdentity(const std::string& path) {
  struct stat st;
  if (::stat(path.c_str(), &st) != 0) return "";
  return std::to_string(st.st_dev) + ":" + std::to_string(st.st_ino) + ":" + std::to_string(st.st_mtim.tv_sec) +
         "." + std::to_string(st.st_mtim.tv_nsec);
}

bool DevFullUsable() {
  struct stat st;
  if (::stat("/dev/full", &st) != 0 || !S_ISCHR(st.st_mode)) return false;
  int fd = ::open("/dev/full", O_WRONLY);
  if (fd < 0) return false;
  const bool refuses = ::write(fd, "x", 1) < 0 && errno == ENOSPC;
  ::close(fd);
  return refuses;
}

void SetFileMode(const std::string& path, int mode) { ::chmod(path.c_str(), static_cast<mode_t>(mode)); }

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
