// POSIX atomic save: mkstemp beside the target, fsync when asked, rename over it.
#include "common/atomicsave.h"

#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <vector>

#include "common/errors.h"
#include "common/filesystem.h"
#include "common/paths.h"
#include "common/posix/fdwrite.h"

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

void WriteWholeFile(const std::string& path, const TByteParts& parts, TSaveDepth depth) {
  WriteWholeFile(path, WholeText(parts), depth);
}

void WriteWholeFile(const std::string& path, const TPartsSource& source, TSaveDepth depth) {
  std::string target = FollowLinks(path);
  struct stat st;
  bool exists = ::stat(target.c_str(), &st) == 0;
  if (exists && S_ISDIR(st.st_mode)) throw CreateError(path, EISDIR);
  if (exists && !S_ISREG(st.st_mode)) {
    // Devices and pipes are written in place.
    int fd = ::open(target.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
    if (fd < 0) throw CreateError(path, errno);
    if (int e = WriteAllAndClose(fd, source)) throw CreateError(path, e);
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
  bool ok = false;
  try {
    ok = WriteAll(fd, source, depth == TSaveDepth::kDisk);
  } catch (...) {
    ::close(fd);
    ::unlink(tmp.c_str());
    throw;
  }
  int e = errno;
  if (ok && ::fchmod(fd, mode) != 0) {
    // Keeping the mode is best effort (a file system may refuse it).
  }
  if (ok && exists) {
    if (::fchown(fd, st.st_uid, st.st_gid) != 0) {
      // Only the owner or root can keep another owner; not an error.
    }
  }
  if (ok && depth == TSaveDepth::kDisk && ::fsync(fd) != 0 && errno != EINVAL && errno != EROFS) {
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

std::string MoveFileOver(const std::string& src, const std::string& dst) {
  std::string target = FollowLinks(dst);
  struct stat st;
  bool exists = ::stat(target.c_str(), &st) == 0;
  if (exists && S_ISREG(st.st_mode)) {
    // The moved file takes the permissions and, where allowed, the owner of
    // the file it replaces.
    if (::chmod(src.c_str(), st.st_mode & 07777) != 0) {
    }
    if (::chown(src.c_str(), st.st_uid, st.st_gid) != 0) {
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
