#include "common/byte_buffer.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace {
void ReleaseHeap(char* data, size_t) { delete[] data; }
}  // namespace

char* TByteBuffer::Room(size_t more) {
  if (cap_ < size_ + more) {
    const size_t cap = std::max(size_ + more, cap_ + cap_ / 2);
    // new char[] leaves the bytes as they are: nothing is zero-filled.
    char* grown = new char[cap];
    if (size_ > 0) std::memcpy(grown, data_, size_);
    Free();
    data_ = grown;
    cap_ = cap;
    release_ = &ReleaseHeap;
  }
  return data_ + size_;
}

void TByteBuffer::Append(std::string_view bytes) {
  if (bytes.empty()) return;
  std::memcpy(Room(bytes.size()), bytes.data(), bytes.size());
  size_ += bytes.size();
}

void TByteBuffer::Swap(TByteBuffer& o) noexcept {
  std::swap(data_, o.data_);
  std::swap(size_, o.size_);
  std::swap(cap_, o.cap_);
  std::swap(release_, o.release_);
}

void TByteBuffer::Free() {
  if (release_ != nullptr) release_(data_, cap_ > 0 ? cap_ : size_);
  data_ = nullptr;
  release_ = nullptr;
}
