// Batches of a text's parts handed from the thread that makes the text to
// the thread that writes it (as a TPartsSource), so that the two go on side
// by side.
#pragma once
#include <condition_variable>
#include <deque>
#include <mutex>
#include <utility>

#include "common/byte_parts.h"

class TPartsQueue {
 public:
  // Raised to the writer when the maker ended without finishing the text.
  struct TUnfinished {};

  // Maker: the next batch.
  void Push(TByteParts batch) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (abandoned_) return;
    batches_.push_back(std::move(batch));
    ready_.notify_one();
  }
  // Maker: the text is complete, or (unfinished) will never be.
  void Close(bool unfinished) {
    std::lock_guard<std::mutex> lock(mutex_);
    closed_ = true;
    unfinished_ = unfinished;
    ready_.notify_one();
  }
  // Writer: the next batch, null when the text is complete; waits for the
  // maker. Raises TUnfinished when the maker gave up.
  const TByteParts* Next() {
    std::unique_lock<std::mutex> lock(mutex_);
    ready_.wait(lock, [&] { return !batches_.empty() || closed_; });
    if (unfinished_) throw TUnfinished{};
    if (batches_.empty()) return nullptr;
    current_ = std::move(batches_.front());
    batches_.pop_front();
    return &current_;
  }
  // Writer: takes no more batches; the maker's later ones are dropped.
  void Abandon() {
    std::lock_guard<std::mutex> lock(mutex_);
    abandoned_ = true;
    batches_.clear();
  }
  TPartsSource Source() {
    return [this] { return Next(); };
  }

 private:
  std::mutex mutex_;
  std::condition_variable ready_;
  std::deque<TByteParts> batches_;
  TByteParts current_;  // the batch being written
  bool closed_ = false;
  bool unfinished_ = false;
  bool abandoned_ = false;
};
