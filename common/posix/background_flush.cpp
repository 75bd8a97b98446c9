#include "common/posix/background_flush.h"

#include <errno.h>
#include <unistd.h>

#include <system_error>

void TBackgroundFlush::Written(off_t total) {
  {
    std::lock_guard lock(mutex_);
    written_ = total;
    if (written_ - flushed_ < kFlushStep) return;
  }
  if (thread_.joinable()) {
    wake_.notify_one();
  } else if (!noThread_) {
    try {
      thread_ = std::thread([this] { Run(); });
    } catch (const std::system_error&) {
      noThread_ = true;  // the flush at the end does it all
    }
  }
}

int TBackgroundFlush::Finish() {
  {
    std::lock_guard lock(mutex_);
    stop_ = true;
  }
  wake_.notify_one();
  if (thread_.joinable()) thread_.join();
  return error_;
}

void TBackgroundFlush::Run() {
  std::unique_lock lock(mutex_);
  for (;;) {
    wake_.wait(lock, [&] { return stop_ || written_ - flushed_ >= kFlushStep; });
    if (stop_) return;
    const off_t upTo = written_;
    lock.unlock();
    // A file system that cannot flush (EINVAL, EROFS) is no failure, as
    // for the flush at the end.
    const int e = ::fdatasync(fd_) == 0 || errno == EINVAL || errno == EROFS ? 0 : errno;
    lock.lock();
    flushed_ = upTo;
    if (e != 0 && error_ == 0) error_ = e;
  }
}
