#include "common/first_by_key.h"

#include <algorithm>
#include <functional>

void TFirstByKey::Reserve(size_t count) {
  keyOf_.reserve(count);
  if (single_.empty()) numbers_ = TKeyMap(count);
}

uint32_t TFirstByKey::Find(std::string_view key) {
  const int32_t* number = numbers_.Find(key);
  return number ? static_cast<uint32_t>(*number) : kNone;
}

uint32_t TFirstByKey::Intern(std::string_view key) {
  const uint64_t hash = TKeyMap::Hash(key);
  if (const int32_t* number = numbers_.Find(key, hash)) return static_cast<uint32_t>(*number);
  const std::string_view copy = texts_.Keep(key);
  const uint32_t id = static_cast<uint32_t>(single_.size());
  single_.push_back(-1);
  heapOf_.push_back(-1);
  numbers_.Insert(copy, hash, nullptr, static_cast<int32_t>(id));
  return id;
}

void TFirstByKey::Push(uint32_t id, int index) {
  if (heapOf_[id] < 0) {
    const int one = single_[id];
    // A single index that has left the key is simply replaced.
    if (one < 0 || keyOf_[static_cast<size_t>(one)] != id) {
      single_[id] = index;
      return;
    }
    heapOf_[id] = static_cast<int>(heaps_.size());
    heaps_.push_back({one});
  }
  auto& heap = heaps_[static_cast<size_t>(heapOf_[id])];
  heap.push_back(index);
  std::push_heap(heap.begin(), heap.end(), std::greater<int>());
}

void TFirstByKey::Append(std::string_view key) {
  const uint32_t id = Intern(key);
  const int index = Count();
  keyOf_.push_back(kNone);  // not yet holding the key while it is pushed
  Push(id, index);
  keyOf_.back() = id;
}

void TFirstByKey::Replace(int index, std::string_view key) {
  const uint32_t id = Intern(key);
  if (keyOf_[static_cast<size_t>(index)] == id) return;
  Push(id, index);
  keyOf_[static_cast<size_t>(index)] = id;
}

int TFirstByKey::First(std::string_view key) {
  const uint32_t id = Find(key);
  if (id == kNone) return -1;
  if (heapOf_[id] < 0) {
    const int one = single_[id];
    return one >= 0 && keyOf_[static_cast<size_t>(one)] == id ? one : -1;
  }
  auto& heap = heaps_[static_cast<size_t>(heapOf_[id])];
  while (!heap.empty() && keyOf_[static_cast<size_t>(heap.front())] != id) {
    std::pop_heap(heap.begin(), heap.end(), std::greater<int>());
    heap.pop_back();
  }
  return heap.empty() ? -1 : heap.front();
}
