// Runs independent pieces of work on several threads.
#pragma once
#include <algorithm>
#include <atomic>
#include <cstddef>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

// The worker count for a request: 0 or less means one per processor (at most
// 16), and never more workers than items.
inline int WorkerCount(int requested, size_t items) {
  int threads = requested;
  if (threads <= 0) {
    const unsigned hc = std::thread::hardware_concurrency();
    threads = static_cast<int>(std::clamp<unsigned>(hc == 0 ? 1 : hc, 1, 16));
  }
  return static_cast<int>(std::min<size_t>(static_cast<size_t>(threads), std::max<size_t>(items, 1)));
}

// Calls body(state, i) for every i in [0, count), handing the items out one
// at a time to WorkerCount(threads, count) workers, the calling thread among
// them. Each worker has its own State, made by default construction. The
// first exception stops the handing out and is raised after every worker has
// ended.
template <class State, class Body>
void ParallelFor(size_t count, int threads, Body body) {
  if (count == 0) return;
  const int workers = WorkerCount(threads, count);
  std::atomic<size_t> next{0};
  std::mutex failMutex;
  std::exception_ptr failure;
  auto work = [&]() {
    try {
      State state;
      for (;;) {
        const size_t i = next.fetch_add(1, std::memory_order_relaxed);
        if (i >= count) break;
        body(state, i);
      }
    } catch (...) {
      next.store(count);
      std::lock_guard<std::mutex> lock(failMutex);
      if (!failure) failure = std::current_exception();
    }
  };
  std::vector<std::thread> pool;
  pool.reserve(static_cast<size_t>(workers - 1));
  for (int i = 1; i < workers; ++i) pool.emplace_back(work);
  work();
  for (auto& th : pool) th.join();
  if (failure) std::rethrow_exception(failure);
}

// Calls body(i) for every i in [0, count) on WorkerCount(threads, count)
// workers, every item even when another fails; then raises the failure of
// the lowest item that failed, the one a loop over the items in order would
// have met first.
template <class Body>
void ParallelForEach(size_t count, int threads, Body body) {
  std::vector<std::exception_ptr> failure(count);
  struct TNone {};
  ParallelFor<TNone>(count, threads, [&](TNone&, size_t i) {
    try {
      body(i);
    } catch (...) {
      failure[i] = std::current_exception();
    }
  });
  for (const std::exception_ptr& f : failure) {
    if (f) std::rethrow_exception(f);
  }
}
