// Writing a whole buffer to a POSIX file descriptor.
#pragma once
#include <errno.h>
#include <unistd.h>

#include <string_view>

#include "common/byte_parts.h"

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

inline bool WriteAll(int fd, const TByteParts& parts) {
  return WritePartsInChunks(parts, [fd](std::string_view bytes) { return WriteAll(fd, bytes); });
}

// Writes everything and closes the descriptor; returns 0 or the errno of
// the first failure.
inline int WriteAllAndClose(int fd, const TByteParts& parts) {
  int e = WriteAll(fd, parts) ? 0 : errno;
  if (::close(fd) != 0 && e == 0) e = errno;
  return e;
}

inline int WriteAllAndClose(int fd, std::string_view data) { return WriteAllAndClose(fd, TByteParts{data}); }
