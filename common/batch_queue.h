// Batches handed from the thread that makes them to the thread that takes
// them, so that the two go on side by side.
#pragma once
#include <condition_variable>
#include <deque>
#include <mutex>
#include <utility>

template <class T>
class TBatchQueue {
 public:
  // Raised to the taker when the maker ended without making them all.
  struct TUnfinished {};

  // Maker: the next batch.
  void Push(T batch) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (abandoned_) return;
    batches_.push_back(std::move(batch));
    ready_.notify_one();
  }
  // Maker: every batch is made, or (unfinished) never will be.
  void Close(bool unfinished) {
    std::lock_guard<std::mutex> lock(mutex_);
    closed_ = true;
    unfinished_ = unfinished;
    ready_.notify_one();
  }
  // Taker: the next batch (the queue's until the next call), null when
  // every batch was taken; waits for the maker. Raises TUnfinished when the
  // maker gave up.
  T* Next() {
    std::unique_lock<std::mutex> lock(mutex_);
    ready_.wait(lock, [&] { return !batches_.empty() || closed_; });
    if (unfinished_) throw TUnfinished{};
    if (batches_.empty()) return nullptr;
    current_ = std::move(batches_.front());
    batches_.pop_front();
    return &current_;
  }
  // Taker: takes no more batches; the maker's later ones are dropped.
  void Abandon() {
    std::lock_guard<std::mutex> lock(mutex_);
    abandoned_ = true;
    batches_.clear();
  }

 private:
  std::mutex mutex_;
  std::condition_variable ready_;
  std::deque<T> batches_;
  T current_{};  // the batch being taken
  bool closed_ = false;
  bool unfinished_ = false;
  bool abandoned_ = false;
};
