// Flushing a file to the disk while it is still being written.
#pragma once
#include <sys/types.h>

#include <condition_variable>
#include <mutex>
#include <thread>

// Here the flush at the end of a write costs a wait that grows with every
// byte the disk has not yet made permanent (about 40 ms for 60 MB), however
// early the system began writing those bytes. A thread of this class
// flushes the file each time another kFlushStep bytes are written, so that
// the flush at the end waits only for the last of them. The thread starts
// with the first step: a small file never has one.
class TBackgroundFlush {
 public:
  static constexpr off_t kFlushStep = off_t{4} << 20;

  explicit TBackgroundFlush(int fd) : fd_(fd) {}
  ~TBackgroundFlush() { Finish(); }
  TBackgroundFlush(const TBackgroundFlush&) = delete;
  TBackgroundFlush& operator=(const TBackgroundFlush&) = delete;

  // The file now holds `total` bytes.
  void Written(off_t total);
  // Stops the thread (after a flush under way); 0, or the errno of a
  // flush that failed, which the flush at the end might not report again.
  int Finish();

 private:
  void Run();

  int fd_;
  std::mutex mutex_;
  std::condition_variable wake_;
  off_t written_ = 0, flushed_ = 0;
  bool stop_ = false;
  bool noThread_ = false;  // no thread could be started
  int error_ = 0;
  std::thread thread_;
};
