// POSIX file system: stat, directory listing for the case-ignoring
// existence test, descriptors for whole-file reads.
#include "common/filesystem.h"

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <vector>

#include "common/errors.h"
#include "common/paths.h"
#include "common/posix/fdwrite.h"
#include "common/classic_string.h"

std::string SystemErrorText(int err) { return std::strerror(err); }

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

void AppendToFile(const std::string& path, std::string_view data) {
  std::string target = ResolveExistingCI(path);
  int fd = ::open(target.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
  if (fd < 0) throw CreateError(path, errno);
  if (int e = WriteAllAndClose(fd, data)) throw CreateError(path, e);
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
