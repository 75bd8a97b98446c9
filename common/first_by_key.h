// The first index holding a key, kept up to date while indexes change their
// key: the answer a scan from the start would give, in O(1) average per
// lookup.
//
// Every distinct key is stored once, in an arena, and known by a small
// number; an index holds the number of its key. A key held by one index
// keeps just that index; a key held by several keeps a min-heap of them.
// Entries of indexes that have left the key are dropped when they come to
// the top. Lists of a million lines make this the largest structure of a
// run, so it holds no string per index and no heap per key.
#pragma once
#include <cstdint>
#include <string_view>
#include <vector>

#include "common/byte_arena.h"
#include "common/key_map.h"

class TFirstByKey {
 public:
  void Reserve(size_t count);
  // The next index (Count()) holds key.
  void Append(std::string_view key);
  // Index now holds key.
  void Replace(int index, std::string_view key);
  // Lowest index holding key, -1 when none.
  int First(std::string_view key);
  int Count() const { return static_cast<int>(keyOf_.size()); }

 private:
  static constexpr uint32_t kNone = UINT32_MAX;
  uint32_t Find(std::string_view key);  // key number or kNone
  uint32_t Intern(std::string_view key);
  void Push(uint32_t id, int index);

  std::vector<uint32_t> keyOf_;  // key number per index
  TKeyMap numbers_;  // key number per key, viewing the copies in texts_
  // Per key number: its single index (or -1), and the number of its heap
  // in heaps_ once a second index holds it.
  std::vector<int> single_;
  std::vector<int> heapOf_;
  std::vector<std::vector<int>> heaps_;
  TByteArena texts_;  // the key texts
};
