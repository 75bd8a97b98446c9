#include "common/byte_arena.h"

#include <algorithm>
#include <cstring>

namespace {
constexpr size_t kBlockBytes = size_t{1} << 20;
}  // namespace

std::string_view TByteArena::Keep(std::string_view bytes) {
  if (bytes.empty()) return {};
  if (blocks_.empty() || used_ + bytes.size() > size_) {
    // Not zero-filled: every byte handed out is written first.
    size_ = std::max(kBlockBytes, bytes.size());
    blocks_.push_back(std::make_unique_for_overwrite<char[]>(size_));
    used_ = 0;
  }
  char* at = blocks_.back().get() + used_;
  std::memcpy(at, bytes.data(), bytes.size());
  used_ += bytes.size();
  return std::string_view(at, bytes.size());
}
