#include "common/first_by_key.h"

#include <algorithm>
#include <cstring>
#include <functional>

namespace {

constexpr size_t kBlockBytes = size_t{1} << 20;

uint64_t HashOf(std::string_view key) {
  // FNV-1a over 8-byte words, then a final mix: fast on long lines and
  // good enough for a table that compares the texts on a hash match.
  uint64_t h = 0xcbf29ce484222325ULL ^ key.size();
  size_t i = 0;
  for (; i + 8 <= key.size(); i += 8) {
    uint64_t w;
    std::memcpy(&w, key.data() + i, 8);
    h = (h ^ w) * 0x100000001b3ULL;
    h ^= h >> 29;
  }
  uint64_t tail = 0;
  if (i < key.size()) std::memcpy(&tail, key.data() + i, key.size() - i);
  h = (h ^ tail) * 0x9e3779b97f4a7c15ULL;
  h ^= h >> 32;
  h *= 0xd6e8feb86659fd93ULL;
  return h ^ (h >> 32);
}

uint32_t SlotTag(uint64_t slot) { return static_cast<uint32_t>(slot >> 32); }
uint32_t SlotId(uint64_t slot) { return static_cast<uint32_t>(slot) - 1; }
uint64_t MakeSlot(uint64_t hash, uint32_t id) { return (hash & 0xffffffff00000000ULL) | (uint64_t{id} + 1); }

}  // namespace

void TFirstByKey::Reserve(size_t count) {
  keyOf_.reserve(count);
  size_t want = 16;
  while (want < 2 * count) want *= 2;
  if (want > slots_.size() && text_.empty()) slots_.assign(want, 0);
}

uint32_t TFirstByKey::Find(std::string_view key, uint64_t hash) const {
  if (slots_.empty()) return kNone;
  const size_t mask = slots_.size() - 1;
  for (size_t at = hash & mask;; at = (at + 1) & mask) {
    const uint64_t slot = slots_[at];
    if (slot == 0) return kNone;
    if (SlotTag(slot) == static_cast<uint32_t>(hash >> 32) && text_[SlotId(slot)] == key) return SlotId(slot);
  }
}

void TFirstByKey::Grow() {
  std::vector<uint64_t> old(std::max<size_t>(16, slots_.size() * 2), 0);
  old.swap(slots_);
  const size_t mask = slots_.size() - 1;
  for (uint32_t id = 0; id < text_.size(); ++id) {
    const uint64_t hash = HashOf(text_[id]);
    size_t at = hash & mask;
    while (slots_[at] != 0) at = (at + 1) & mask;
    slots_[at] = MakeSlot(hash, id);
  }
}

uint32_t TFirstByKey::Intern(std::string_view key) {
  const uint64_t hash = HashOf(key);
  const uint32_t found = Find(key, hash);
  if (found != kNone) return found;
  if (2 * (text_.size() + 1) > slots_.size()) Grow();
  const uint32_t id = static_cast<uint32_t>(text_.size());
  if (key.empty()) {
    text_.emplace_back();
  } else {
    // Keep a copy of the text where it never moves.
    if (blocks_.empty() || blockUsed_ + key.size() > blockSize_) {
      blockSize_ = std::max(kBlockBytes, key.size());
      blocks_.push_back(std::make_unique_for_overwrite<char[]>(blockSize_));
      blockUsed_ = 0;
    }
    char* at = blocks_.back().get() + blockUsed_;
    std::memcpy(at, key.data(), key.size());
    blockUsed_ += key.size();
    text_.emplace_back(at, key.size());
  }
  single_.push_back(-1);
  heapOf_.push_back(-1);
  const size_t mask = slots_.size() - 1;
  size_t slot = hash & mask;
  while (slots_[slot] != 0) slot = (slot + 1) & mask;
  slots_[slot] = MakeSlot(hash, id);
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
  const uint32_t id = Find(key, HashOf(key));
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
