// Writing a whole buffer to a POSIX file descriptor.
#pragma once
#include <errno.h>
#include <fcntl.h>
#include <sys/uio.h>
#include <unistd.h>

#include <optional>
#include <string_view>

#include "common/byte_parts.h"
#include "common/posix/background_flush.h"

// Writes everything, retrying after interruptions; false on failure (errno set).
inline bool WriteAll(int fd, std::string_view data) {
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

// The parts go to the system as they are, up to 1024 per call (writev), so
// that a text of 10^5 parts is neither gathered into one copy first nor
// written in 10^5 calls. After a call that took only some of the bytes,
// the next starts where it stopped.
inline bool WriteAll(int fd, const std::string_view* parts, size_t size) {
  constexpr int kMaxVec = 1024;  // the smallest IOV_MAX of the systems built for
  struct iovec vec[kMaxVec];
  size_t next = 0;  // first part not yet handed to a call
  while (next < size) {
    int count = 0;
    for (; next < size && count < kMaxVec; ++next) {
      if (parts[next].empty()) continue;
      vec[count].iov_base = const_cast<char*>(parts[next].data());
      vec[count].iov_len = parts[next].size();
      ++count;
    }
    int k = 0;  // first entry not yet written whole
    while (k < count) {
      const ssize_t n = ::writev(fd, vec + k, count - k);
      if (n < 0) {
        if (errno == EINTR) continue;
        return false;
      }
      size_t left = static_cast<size_t>(n);
      while (k < count && left >= vec[k].iov_len) left -= vec[k++].iov_len;
      if (k < count) {
        vec[k].iov_base = static_cast<char*>(vec[k].iov_base) + left;
        vec[k].iov_len -= left;
      }
    }
  }
  return true;
}

// Bytes written in one step of a file bound for the disk: one step of its
// flushing, so that the flushing thread hears of every step as it ends.
inline constexpr size_t kWriteStep = TBackgroundFlush::kFlushStep;

// Writes every batch of the source; a file bound for the disk (toDisk) in
// steps of kWriteStep bytes, flushed to the disk behind the writing (see
// TBackgroundFlush). False on a failure of the system, also of such a
// flush (errno set); an exception of the source goes on.
inline bool WriteAll(int fd, const TPartsSource& source, bool toDisk = false) {
  std::optional<TBackgroundFlush> flush;
  if (toDisk) flush.emplace(fd);
  off_t written = 0;
  while (const TByteParts* batch = source()) {
    for (size_t from = 0; from < batch->size();) {
      size_t to = from, bytes = 0;
      while (to < batch->size() && (!toDisk || bytes < kWriteStep)) bytes += (*batch)[to++].size();
      if (!WriteAll(fd, batch->data() + from, to - from)) {
        const int e = errno;
        flush.reset();  // its thread may still use the descriptor
        errno = e;
        return false;
      }
      from = to;
      written += static_cast<off_t>(bytes);
      if (flush) flush->Written(written);
    }
  }
  if (flush) {
    if (const int e = flush->Finish()) {
      errno = e;
      return false;
    }
  }
  return true;
}

// Writes everything and closes the descriptor (also when the source raises
// an exception, which goes on); returns 0 or the errno of the first failure.
inline int WriteAllAndClose(int fd, const TPartsSource& source) {
  bool ok = false;
  try {
    ok = WriteAll(fd, source);
  } catch (...) {
    ::close(fd);
    throw;
  }
  int e = ok ? 0 : errno;
  if (::close(fd) != 0 && e == 0) e = errno;
  return e;
}

inline int WriteAllAndClose(int fd, std::string_view data) {
  const TByteParts parts{data};
  return WriteAllAndClose(fd, WholeText(parts));
}
