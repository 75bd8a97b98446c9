// Hash map from byte strings to one 32-bit value each, for passes over
// hundreds of thousands of lines. It stores views: the caller keeps the
// bytes alive and unchanged while the map is used.
//
// A slot holds the key's address, its length and the value, so a lookup
// reads one slot and, only when the lengths agree, the key's bytes. Passes
// that walk many keys compute the hashes ahead (HashAll) and Prefetch the
// slot of a key some steps before they look it up. (A slot keeps 32 bits of
// the length: a line file cannot hold a line of 4 GiB.)
#pragma once
#include <cstdint>
#include <cstring>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "common/program.h"

class TKeyMap {
 public:
  // expected: the most keys the caller may insert; the slots are sized so
  // that they need not grow before that many.
  explicit TKeyMap(size_t expected = 16) {
    size_t cap = 16;
    while (cap * 3 < expected * 4) cap <<= 1;
    AssignAhead(slots_, cap, TSlot{});
    mask_ = cap - 1;
  }

  static uint64_t Hash(std::string_view key) { return std::hash<std::string_view>{}(key); }

  void Prefetch(uint64_t hash) const { __builtin_prefetch(&slots_[hash & mask_]); }
  // Second stage, once the slot is in the cache: fetches the bytes of the
  // key that sits in the key's first slot, which a lookup compares with.
  void PrefetchKey(uint64_t hash) const {
    const TSlot& s = slots_[hash & mask_];
    if (s.data) __builtin_prefetch(s.data);
  }

  // The value of key, or nullptr when it was never inserted. The pointer
  // stays valid until the next Insert.
  const int32_t* Find(std::string_view key, uint64_t hash) const {
    for (size_t i = hash & mask_;; i = (i + 1) & mask_) {
      const TSlot& s = slots_[i];
      if (!s.data) return nullptr;
      if (Same(s, key)) return &s.value;
    }
  }
  int32_t* Find(std::string_view key, uint64_t hash) {
    return const_cast<int32_t*>(std::as_const(*this).Find(key, hash));
  }
  const int32_t* Find(std::string_view key) const { return Find(key, Hash(key)); }
  int32_t* Find(std::string_view key) { return Find(key, Hash(key)); }

  // The value of key; a new key is added with the value initial. inserted
  // tells which. The reference stays valid until the next Insert.
  int32_t& Insert(std::string_view key, uint64_t hash, bool* inserted = nullptr, int32_t initial = 0) {
    size_t i = hash & mask_;
    for (;; i = (i + 1) & mask_) {
      TSlot& s = slots_[i];
      if (!s.data) break;
      if (Same(s, key)) {
        if (inserted) *inserted = false;
        return s.value;
      }
    }
    if (inserted) *inserted = true;
    // An empty key still needs an address that marks the slot as used.
    slots_[i] = TSlot{key.empty() ? kEmptyKey : key.data(), static_cast<uint32_t>(key.size()), initial};
    // At most three quarters full, so that probe runs stay short.
    if (++size_ * 4 > slots_.size() * 3) return Grow(key, hash);
    return slots_[i].value;
  }
  int32_t& Insert(std::string_view key, bool* inserted = nullptr, int32_t initial = 0) {
    return Insert(key, Hash(key), inserted, initial);
  }

  size_t Size() const { return size_; }

 private:
  struct TSlot {
    const char* data = nullptr;  // nullptr = free
    uint32_t size = 0;
    int32_t value = 0;
  };
  static constexpr const char* kEmptyKey = "";

  static bool Same(const TSlot& s, std::string_view key) {
    return s.size == key.size() && (key.empty() || std::memcmp(s.data, key.data(), key.size()) == 0);
  }

  // Doubles the slots and places every key again; returns the value of key.
  int32_t& Grow(std::string_view key, uint64_t hash) {
    std::vector<TSlot> old;
    AssignAhead(old, slots_.size() * 2, TSlot{});
    old.swap(slots_);
    mask_ = slots_.size() - 1;
    for (const TSlot& s : old) {
      if (!s.data) continue;
      size_t i = Hash(std::string_view(s.data, s.size)) & mask_;
      while (slots_[i].data) i = (i + 1) & mask_;
      slots_[i] = s;
    }
    return *Find(key, hash);
  }

  std::vector<TSlot> slots_;  // power-of-two size
  size_t mask_ = 0;
  size_t size_ = 0;
};

// How far ahead of the key being looked up a pass prefetches its slot (and,
// half as far ahead, the bytes of the key found there).
inline constexpr size_t kPrefetchAhead = 16;

// The hashes of all keys, in one sequential pass over their bytes.
template <class Key>
std::vector<uint64_t> HashAll(const std::vector<Key>& keys) {
  std::vector<uint64_t> h;
  ReserveAhead(h, keys.size());
  for (const Key& key : keys) h.push_back(TKeyMap::Hash(key));
  return h;
}
