#include "common/first_by_key.h"

#include <algorithm>
#include <functional>

void TFirstByKey::Reserve(size_t count) {
  keys_.reserve(count);
  heaps_.reserve(count);
}

void TFirstByKey::Append(std::string key) {
  const int index = Count();
  // Indexes arrive in ascending order: appending keeps each heap valid.
  heaps_[key].push_back(index);
  keys_.push_back(std::move(key));
}

void TFirstByKey::Replace(int index, std::string key) {
  if (keys_[static_cast<size_t>(index)] == key) return;
  Push(key, index);
  keys_[static_cast<size_t>(index)] = std::move(key);
}

int TFirstByKey::First(const std::string& key) {
  auto it = heaps_.find(key);
  if (it == heaps_.end()) return -1;
  auto& heap = it->second;
  while (!heap.empty() && keys_[static_cast<size_t>(heap.front())] != key) {
    std::pop_heap(heap.begin(), heap.end(), std::greater<int>());
    heap.pop_back();
  }
  return heap.empty() ? -1 : heap.front();
}

void TFirstByKey::Push(const std::string& key, int index) {
  auto& heap = heaps_[key];
  heap.push_back(index);
  std::push_heap(heap.begin(), heap.end(), std::greater<int>());
}
