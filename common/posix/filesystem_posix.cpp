// POSIX file system: stat, directory listing for the case-ignoring
// existence test, descriptors for whole-file reads.
#include "common/filesystem.h"

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
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
// Regular files from this size on are mapped instead of read.
static constexpr off_t kMapFrom = off_t{1} << 20;

// A mapped file that another program shortens while it is mapped makes a
// read of the lost pages fail with SIGBUS: the run ends with a clear message
// and status 1 instead of a crash. Outputs are written to temporary files
// and moved into place only at the end, so none is left half-written.
static void StopOnShortenedInput(int) {
  static const char kMessage[] =
      "ERROR: an input file became shorter while it was being read; the run stops and its output files stay as "
      "they were.\n";
  ssize_t ignored = ::write(2, kMessage, sizeof kMessage - 1);
  (void)ignored;
  ::_exit(1);
}

static void GuardMappedInput() {
  static const bool installed = [] {
    struct sigaction sa;
    std::memset(&sa, 0, sizeof sa);
    sa.sa_handler = &StopOnShortenedInput;
    ::sigemptyset(&sa.sa_mask);
    return ::sigaction(SIGBUS, &sa, nullptr) == 0;
  }();
  (void)installed;
}

TByteBuffer ReadWholeFile(const std::string& path) {
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
  const bool regular = S_ISREG(st.st_mode);
  if (regular && st.st_size >= kMapFrom) {
    // A large file is mapped rather than copied: its pages are the system's
    // cached ones, and a page is copied only when the program writes to it.
    const size_t len = static_cast<size_t>(st.st_size);
    void* map = ::mmap(nullptr, len, PROT_READ | PROT_WRITE, MAP_PRIVATE, fd, 0);
    if (map != MAP_FAILED) {
      GuardMappedInput();
      ::close(fd);
      ::madvise(map, len, MADV_WILLNEED);
      // Every page is read: they are mapped in one call (Linux 5.14 and
      // later) rather than one fault per few pages.
      constexpr int kPopulateRead = 22;  // MADV_POPULATE_READ
      ::madvise(map, len, kPopulateRead);
      return TByteBuffer(static_cast<char*>(map), len, [](char* d, size_t n) { ::munmap(d, n); });
    }
  }
  TByteBuffer data;
  // A regular file is read into a block of its size (one byte more, so that
  // the read that sees its end needs no second block); a pipe or device in
  // blocks of 64 KiB.
  size_t step = regular && st.st_size > 0 ? static_cast<size_t>(st.st_size) + 1 : size_t{1} << 16;
  for (;;) {
    char* room = data.Room(step);
    ssize_t n = ::read(fd, room, step);
    if (n < 0) {
      if (errno == EINTR) continue;
      int e = errno;
      ::close(fd);
      throw OpenError(path, e);
    }
    if (n == 0) break;
    data.Grow(static_cast<size_t>(n));
    // The rest of the block first; a new block only when it is full.
    step = step > static_cast<size_t>(n) ? step - static_cast<size_t>(n) : size_t{1} << 16;
    // A device such as /dev/zero or /dev/full never ends: stop with a clear
    // error instead of filling the memory.
    if (!regular && data.size() > kMaxStreamInput) {
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
