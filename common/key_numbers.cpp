#include "common/key_numbers.h"

#include <algorithm>
#include <cstring>

namespace {

uint64_t HashOf(std::string_view key) {
  // Multiply-xorshift over 8-byte words, then a final mix: fast on long
  // lines and good enough for a table that compares bytes on a match.
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

uint32_t Tag(uint64_t hash) { return static_cast<uint32_t>(hash >> 32); }

}  // namespace

void TKeyNumbers::Reserve(size_t count) {
  keys_.reserve(count);
  size_t want = 16;
  while (want < 2 * count) want *= 2;
  if (want > slots_.size()) {
    slots_.assign(want, 0);
    for (uint32_t n = 0; n < keys_.size(); ++n) Place(HashOf(keys_[n]), n);
  }
}

uint32_t TKeyNumbers::Find(std::string_view key) const { return Find(key, HashOf(key)); }

uint32_t TKeyNumbers::Find(std::string_view key, uint64_t hash) const {
  if (slots_.empty()) return kNone;
  const size_t mask = slots_.size() - 1;
  for (size_t at = hash & mask;; at = (at + 1) & mask) {
    const uint64_t slot = slots_[at];
    if (slot == 0) return kNone;
    const uint32_t number = static_cast<uint32_t>(slot) - 1;
    if (static_cast<uint32_t>(slot >> 32) == Tag(hash) && keys_[number] == key) return number;
  }
}

void TKeyNumbers::Place(uint64_t hash, uint32_t number) {
  const size_t mask = slots_.size() - 1;
  size_t at = hash & mask;
  while (slots_[at] != 0) at = (at + 1) & mask;
  slots_[at] = (uint64_t{Tag(hash)} << 32) | (uint64_t{number} + 1);
}

void TKeyNumbers::Grow() {
  slots_.assign(std::max<size_t>(16, slots_.size() * 2), 0);
  for (uint32_t n = 0; n < keys_.size(); ++n) Place(HashOf(keys_[n]), n);
}

uint32_t TKeyNumbers::Add(std::string_view key, bool* added) {
  const uint64_t hash = HashOf(key);
  const uint32_t found = Find(key, hash);
  if (added) *added = found == kNone;
  if (found != kNone) return found;
  if (2 * (keys_.size() + 1) > slots_.size()) Grow();
  const uint32_t number = static_cast<uint32_t>(keys_.size());
  keys_.push_back(key);
  Place(hash, number);
  return number;
}
