// A table that numbers distinct byte strings 0, 1, 2, … in the order they are
// added: the grouping of equal lines that most line passes start from.
// Open addressing with a part of each key's hash kept beside its number, so
// that a lookup reads one slot and compares bytes only on a likely match;
// on lists of a million lines this is several times faster than a
// node-based map. The keys are viewed, not copied: their bytes must stay
// alive and unchanged while the table is used.
#pragma once
#include <cstdint>
#include <string_view>
#include <vector>

class TKeyNumbers {
 public:
  static constexpr uint32_t kNone = UINT32_MAX;

  void Reserve(size_t count);
  // The number of key, or kNone.
  uint32_t Find(std::string_view key) const;
  // The number of key, adding it when it is new (then *added is set).
  uint32_t Add(std::string_view key, bool* added = nullptr);
  std::string_view Key(uint32_t number) const { return keys_[number]; }
  size_t Count() const { return keys_.size(); }

 private:
  uint32_t Find(std::string_view key, uint64_t hash) const;
  void Place(uint64_t hash, uint32_t number);
  void Grow();

  std::vector<std::string_view> keys_;
  std::vector<uint64_t> slots_;  // (hash high half, number + 1); 0 is free
};
