// POSIX implementation of the platform layer.
#include "common/platform.h"

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#if defined(__GLIBC__)
#include <malloc.h>
#endif
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <mutex>
#include <vector>

#include "common/errors.h"
#include "common/strutil.h"

const char kPathSep = '/';

std::string ProgramPath() {
  static std::string path = [] {
    std::vector<char> buf(PATH_MAX + 1);
    ssize_t n = ::readlink("/proc/self/exe", buf.data(), buf.size() - 1);
    if (n <= 0) return std::string();
    return std::string(buf.data(), static_cast<size_t>(n));
  }();
  return path;
}

std::string ProgramDir() {
  std::string p = ProgramPath();
  size_t slash = p.rfind('/');
  if (slash == std::string::npos) return ExpandPath(".") + "/";
  return p.substr(0, slash + 1);
}

std::string SystemErrorText(int err) { return std::strerror(err); }

void ConsoleLine(const std::string& line) {
  std::fwrite(line.data(), 1, line.size(), stdout);
  std::fputc('\n', stdout);
  std::fflush(stdout);
}

void ConsoleErrorText(const std::string& text) {
  std::fflush(stdout);
  std::fwrite(text.data(), 1, text.size(), stderr);
  std::fflush(stderr);
}

std::string ConsoleReadLine() {
  std::string line;
  int c;
  while ((c = std::fgetc(stdin)) != EOF && c != '\n') line.push_back(static_cast<char>(c));
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return line;
}

void WaitEnter() { ConsoleReadLine(); }

bool AskYesNo(const std::string& question) {
  ConsoleLine(question + " y/n");
  return LowerAscii(ConsoleReadLine()) == "y";
}

void TuneAllocatorForManyLines() {
#if defined(__GLIBC__)
  // Without the fast bins glibc merges each freed block at once instead of
  // in later sweeps, and a larger pad grows the heap in fewer, bigger steps;
  // both are measurably cheaper for files of 10^5 to 10^6 lines.
  mallopt(M_MXFAST, 0);
  mallopt(M_TOP_PAD, 64 << 20);
#endif
}

int RunProgram(const std::function<int()>& body) {
  std::string cls, msg;
  try {
    return body();
  } catch (const EError& e) {
    cls = e.ClassName();
    msg = e.what();
  } catch (const std::bad_alloc&) {
    cls = "EOutOfMemory";
    msg = "Out of memory";
  } catch (const std::exception& e) {
    cls = "EExternal";
    msg = e.what();
  }
  if (msg.empty() || msg.back() != '.') msg += '.';
  std::string name = ExtractFileName(ProgramPath());
  char head[512];
  std::snprintf(head, sizeof head, "Exception %s in module %s at %p.\n", cls.c_str(), name.c_str(),
                reinterpret_cast<void*>(&RunProgram));
  ConsoleErrorText(std::string(head) + msg + "\n");
  return 1;
}

std::string ExpandPath(const std::string& path) {
  if (path.empty()) return path;
  std::string full;
  if (path[0] == '/') {
    full = path;
  } else {
    std::vector<char> buf(PATH_MAX + 1);
    if (!::getcwd(buf.data(), buf.size())) return path;
    full = std::string(buf.data()) + "/" + path;
  }
  bool trailing = full.size() > 1 && full.back() == '/';
  std::vector<std::string> parts;
  size_t i = 0;
  while (i < full.size()) {
    size_t j = full.find('/', i);
    if (j == std::string::npos) j = full.size();
    std::string part = full.substr(i, j - i);
    if (part.empty() || part == ".") {
    } else if (part == "..") {
      if (!parts.empty()) parts.pop_back();
    } else {
      parts.push_back(part);
    }
    i = j + 1;
  }
  std::string out;
  for (const auto& p : parts) out += "/" + p;
  if (out.empty()) return "/";
  if (trailing) out += "/";
  return out;
}

std::string ExtractFileDir(const std::string& path) {
  size_t slash = path.rfind('/');
  if (slash == std::string::npos) return "";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

std::string ExtractFileName(const std::string& path) {
  size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string ExtractFileExt(const std::string& path) {
  std::string name = ExtractFileName(path);
  size_t dot = name.rfind('.');
  return dot == std::string::npos ? "" : name.substr(dot);
}

std::string ChangeFileExt(const std::string& path, const std::string& ext) {
  std::string ext0 = ExtractFileExt(path);
  return path.substr(0, path.size() - ext0.size()) + ext;
}

// Splits an expanded path into folder and last component; trailing
// separators are ignored.
static bool SplitLast(const std::string& path, std::string& dir, std::string& name) {
  std::string full = ExpandPath(path);
  while (full.size() > 1 && full.back() == '/') full.pop_back();
  if (full.empty() || full == "/") return false;
  size_t slash = full.rfind('/');
  dir = slash == 0 ? "/" : full.substr(0, slash);
  name = full.substr(slash + 1);
  return !name.empty();
}

// Name of the first entry of dir equal to name without ASCII case, or "".
static std::string FindEntryCI(const std::string& dir, const std::string& name) {
  DIR* d = ::opendir(dir.c_str());
  if (!d) return "";
  std::string want = LowerAscii(name), found;
  while (struct dirent* e = ::readdir(d)) {
    if (std::strcmp(e->d_name, ".") == 0 || std::strcmp(e->d_name, "..") == 0) continue;
    if (LowerAscii(e->d_name) == want) {
      found = e->d_name;
      break;
    }
  }
  ::closedir(d);
  return found;
}

bool FileExistsCI(const std::string& path) {
  std::string dir, name;
  if (!SplitLast(path, dir, name)) return false;
  struct stat st;
  if (::lstat((dir + "/" + name).c_str(), &st) == 0) return true;
  return !FindEntryCI(dir, name).empty();
}

std::string ResolveExistingCI(const std::string& path) {
  struct stat st;
  if (path.empty() || ::lstat(path.c_str(), &st) == 0) return path;
  std::string dir, name;
  if (!SplitLast(path, dir, name)) return path;
  std::string entry = FindEntryCI(dir, name);
  if (entry.empty()) return path;
  return (dir == "/" ? "" : dir) + "/" + entry;
}

bool DirectoryExists(const std::string& path) {
  struct stat st;
  return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool SameFile(const std::string& a, const std::string& b) {
  struct stat sa, sb;
  if (::stat(a.c_str(), &sa) != 0 || ::stat(b.c_str(), &sb) != 0) return false;
  return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

bool IsRegularFile(const std::string& path) {
  struct stat st;
  return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

void ForceDir(const std::string& dir) {
  std::string full = ExpandPath(dir);
  if (full.empty() || DirectoryExists(full)) return;
  size_t i = 1;
  while (i <= full.size()) {
    size_t j = full.find('/', i);
    if (j == std::string::npos) j = full.size();
    std::string part = full.substr(0, j);
    if (!DirectoryExists(part)) ::mkdir(part.c_str(), 0777);
    i = j + 1;
  }
}

void ForceFileDir(const std::string& path) {
  std::string full = ExpandPath(path);
  std::string dir = ExtractFileDir(full);
  if (!dir.empty()) ForceDir(dir);
}

// The most bytes read from an input that is not a regular file (a pipe or
// a device), far above any text or data file the programs work on.
static constexpr size_t kMaxStreamInput = size_t{1} << 30;

std::string ReadWholeFile(const std::string& path) {
  std::string real = ResolveExistingCI(path);
  int fd = ::open(real.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) throw OpenError(path, errno);
  struct stat st;
  if (::fstat(fd, &st) != 0) {
    int e = errno;
    ::close(fd);
    throw OpenError(path, e);
  }
  if (S_ISDIR(st.st_mode)) {
    ::close(fd);
    throw OpenError(path, EISDIR);
  }
  std::string data;
  if (S_ISREG(st.st_mode) && st.st_size > 0) data.reserve(static_cast<size_t>(st.st_size));
  char buf[1 << 16];
  for (;;) {
    if (S_ISREG(st.st_mode) && data.capacity() > data.size()) {
      // Read straight into the reserved space.
      size_t old = data.size();
      size_t room = data.capacity() - old;
      data.resize(data.capacity());
      ssize_t n = ::read(fd, &data[old], room);
      if (n < 0) {
        if (errno == EINTR) {
          data.resize(old);
          continue;
        }
        int e = errno;
        ::close(fd);
        throw OpenError(path, e);
      }
      data.resize(old + static_cast<size_t>(n));
      if (n == 0) break;
      continue;
    }
    ssize_t n = ::read(fd, buf, sizeof buf);
    if (n < 0) {
      if (errno == EINTR) continue;
      int e = errno;
      ::close(fd);
      throw OpenError(path, e);
    }
    if (n == 0) break;
    data.append(buf, static_cast<size_t>(n));
    // A device such as /dev/zero or /dev/full never ends: stop with a clear
    // error instead of filling the memory.
    if (!S_ISREG(st.st_mode) && data.size() > kMaxStreamInput) {
      ::close(fd);
      throw OpenError(path, EFBIG);
    }
  }
  ::close(fd);
  return data;
}

static bool WriteAll(int fd, std::string_view data) {
  size_t done = 0;
  while (done < data.size()) {
    ssize_t n = ::write(fd, data.data() + done, data.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    done += static_cast<size_t>(n);
  }
  return true;
}

// Writes everything and closes the descriptor; returns 0 or the errno of
// the first failure.
static int WriteAllAndClose(int fd, std::string_view data) {
  int e = WriteAll(fd, data) ? 0 : errno;
  if (::close(fd) != 0 && e == 0) e = errno;
  return e;
}

// Follows symbolic links to the path that a write should replace.
static std::string FollowLinks(const std::string& path) {
  std::string cur = path;
  for (int depth = 0; depth < 40; ++depth) {
    struct stat st;
    if (::lstat(cur.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return cur;
    std::vector<char> buf(PATH_MAX + 1);
    ssize_t n = ::readlink(cur.c_str(), buf.data(), buf.size() - 1);
    if (n <= 0) return cur;
    std::string target(buf.data(), static_cast<size_t>(n));
    if (target[0] != '/') {
      std::string dir = ExtractFileDir(cur);
      target = (dir.empty() ? std::string(".") : dir) + "/" + target;
    }
    cur = target;
  }
  return cur;
}

static mode_t CurrentUmask() {
  static mode_t mask = [] {
    mode_t m = ::umask(0);
    ::umask(m);
    return m;
  }();
  return mask;
}

void WriteWholeFile(const std::string& path, std::string_view data) {
  std::string target = FollowLinks(path);
  struct stat st;
  bool exists = ::stat(target.c_str(), &st) == 0;
  if (exists && S_ISDIR(st.st_mode)) throw CreateError(path, EISDIR);
  if (exists && !S_ISREG(st.st_mode)) {
    // Devices and pipes are written in place.
    int fd = ::open(target.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
    if (fd < 0) throw CreateError(path, errno);
    if (int e = WriteAllAndClose(fd, data)) throw CreateError(path, e);
    return;
  }
  std::string dir = ExtractFileDir(target);
  std::string name = ExtractFileName(target);
  std::string tmpl = (dir.empty() ? std::string(".") : dir) + "/." + name + ".tmp.XXXXXX";
  std::vector<char> buf(tmpl.begin(), tmpl.end());
  buf.push_back('\0');
  int fd = ::mkstemp(buf.data());
  if (fd < 0) throw CreateError(path, errno);
  std::string tmp = buf.data();
  mode_t mode = exists ? (st.st_mode & 07777) : (0666 & ~CurrentUmask());
  bool ok = WriteAll(fd, data);
  int e = errno;
  if (ok && ::fchmod(fd, mode) != 0) {
    // Keeping the mode is best effort (a file system may refuse it).
  }
  if (ok && exists) {
    if (::fchown(fd, st.st_uid, st.st_gid) != 0) {
      // Only the owner or root can keep another owner; not an error.
    }
  }
  if (ok && ::fsync(fd) != 0 && errno != EINVAL && errno != EROFS) {
    ok = false;
    e = errno;
  }
  if (::close(fd) != 0 && ok) {
    ok = false;
    e = errno;
  }
  if (ok && ::rename(tmp.c_str(), target.c_str()) != 0) {
    ok = false;
    e = errno;
  }
  if (!ok) {
    ::unlink(tmp.c_str());
    throw CreateError(path, e);
  }
}

void AppendToFile(const std::string& path, std::string_view data) {
  std::string target = ResolveExistingCI(path);
  int fd = ::open(target.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
  if (fd < 0) throw CreateError(path, errno);
  if (int e = WriteAllAndClose(fd, data)) throw CreateError(path, e);
}

std::string CopyFileOver(const std::string& src, const std::string& dst) {
  try {
    std::string data = ReadWholeFile(src);
    WriteWholeFile(dst, data);
  } catch (const EError& e) {
    return e.what();
  }
  return "";
}

std::string MoveFileOver(const std::string& src, const std::string& dst) {
  std::string target = FollowLinks(dst);
  struct stat st;
  bool exists = ::stat(target.c_str(), &st) == 0;
  if (exists && S_ISREG(st.st_mode)) {
    // The moved file takes the permissions of the file it replaces.
    if (::chmod(src.c_str(), st.st_mode & 07777) != 0) {
    }
  }
  if (exists && !S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode)) {
    std::string err = CopyFileOver(src, target);
    if (err.empty()) ::unlink(src.c_str());
    return err;
  }
  if (::rename(src.c_str(), target.c_str()) == 0) return "";
  if (errno != EXDEV) return SystemErrorText(errno);
  std::string err = CopyFileOver(src, target);
  if (err.empty()) ::unlink(src.c_str());
  return err;
}

bool DeleteFileIfExists(const std::string& path) { return ::unlink(path.c_str()) == 0; }

long long FileSize(const std::string& path) {
  struct stat st;
  if (::stat(ResolveExistingCI(path).c_str(), &st) != 0) return -1;
  return static_cast<long long>(st.st_size);
}

std::string CreateTempFile(const std::string& prefix) {
  const char* env = std::getenv("TMPDIR");
  std::string dir = env && *env ? env : "/tmp";
  if (dir.size() > 1 && dir.back() == '/') dir.pop_back();
  std::string tmpl = dir + "/" + prefix + ".XXXXXX";
  std::vector<char> buf(tmpl.begin(), tmpl.end());
  buf.push_back('\0');
  int fd = ::mkstemp(buf.data());
  if (fd < 0) throw CreateError(tmpl, errno);
  ::close(fd);
  return buf.data();
}
