// Copies of byte strings kept where they never move, in blocks of a
// megabyte or more: a hundred thousand short texts cost a few allocations
// and no header each, and are given back together.
#pragma once
#include <cstddef>
#include <memory>
#include <string_view>
#include <vector>

class TByteArena {
 public:
  // A copy of bytes, valid as long as the arena (empty bytes: an empty view).
  std::string_view Keep(std::string_view bytes) { return Keep(bytes, {}); }
  // A copy of a followed by b, in one piece.
  std::string_view Keep(std::string_view a, std::string_view b);

 private:
  std::vector<std::unique_ptr<char[]>> blocks_;
  size_t used_ = 0, size_ = 0;  // of the last block
};
