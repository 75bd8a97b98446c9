#include "common/byte_arena.h"

#include <algorithm>
#include <cstring>

namespace {
constexpr size_t kBlockBytes = size_t{1} << 20;
}  // namespace

std::string_view TByteArena::Keep(std::string_view a, std::string_view b) {
  const size_t n = a.size() + b.size();
  if (n == 0) return {};
  if (blocks_.empty() || used_ + n > size_) {
    // Not zero-filled: every byte handed out is written first.
    size_ = std::max(kBlockBytes, n);
    blocks_.push_back(std::make_unique_for_overwrite<char[]>(size_));
    used_ = 0;
  }
  char* at = blocks_.back().get() + used_;
  if (!a.empty()) std::memcpy(at, a.data(), a.size());
  if (!b.empty()) std::memcpy(at + a.size(), b.data(), b.size());
  used_ += n;
  return std::string_view(at, n);
}
