#include "common/lineindex.h"

#include <algorithm>
#include <functional>

#include "common/collation.h"

TLineIndex::TLineIndex(const std::vector<std::string>& lines, TLineMatch_Kind kind) : kind_(kind) {
  keys_.reserve(lines.size());
  heaps_.reserve(lines.size());
  for (size_t i = 0; i < lines.size(); ++i) {
    keys_.push_back(KeyOf(lines[i]));
    // Indexes arrive in ascending order, which is already a valid min-heap.
    heaps_[keys_.back()].push_back(static_cast<int>(i));
  }
}

std::string TLineIndex::KeyOf(std::string_view s) const {
  return kind_ == TLineMatch_Kind::Bytes ? std::string(s) : EqualityKey(s, false);
}

int TLineIndex::First(std::string_view value) {
  auto it = heaps_.find(KeyOf(value));
  if (it == heaps_.end()) return -1;
  auto& heap = it->second;
  while (!heap.empty()) {
    int top = heap.front();
    if (keys_[static_cast<size_t>(top)] == it->first) return top;
    std::pop_heap(heap.begin(), heap.end(), std::greater<int>());
    heap.pop_back();
  }
  return -1;
}

void TLineIndex::Replace(int index, std::string_view newValue) {
  std::string key = KeyOf(newValue);
  if (key == keys_[static_cast<size_t>(index)]) return;
  keys_[static_cast<size_t>(index)] = key;
  auto& heap = heaps_[key];
  heap.push_back(index);
  std::push_heap(heap.begin(), heap.end(), std::greater<int>());
}
