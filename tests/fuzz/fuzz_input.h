// Reads a fuzzer's bytes as a sequence of small values: option bits,
// bounded integers and length-prefixed byte strings. Running out of bytes
// gives zeros and empty strings, so every input decodes to something.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

class FuzzInput {
 public:
  FuzzInput(const uint8_t* data, size_t size) : data_(data), size_(size) {}

  bool Empty() const { return pos_ >= size_; }
  size_t Left() const { return size_ - pos_; }

  uint8_t Byte() { return pos_ < size_ ? data_[pos_++] : 0; }
  bool Bool() { return (Byte() & 1) != 0; }
  // A value in [lo, hi] from one or two bytes.
  int Int(int lo, int hi) {
    if (hi <= lo) return lo;
    const unsigned span = static_cast<unsigned>(hi - lo) + 1;
    unsigned v = Byte();
    if (span > 256) v = (v << 8) | Byte();
    return lo + static_cast<int>(v % span);
  }
  // A string of at most maxLen bytes: one length byte (two when maxLen is
  // above 255), then the bytes.
  std::string Str(size_t maxLen) {
    size_t n = Byte();
    if (maxLen > 255) n = (n << 8) | Byte();
    if (n > maxLen) n = n % (maxLen + 1);
    if (n > Left()) n = Left();
    std::string s(reinterpret_cast<const char*>(data_ + pos_), n);
    pos_ += n;
    return s;
  }
  // Everything not read yet, at most maxLen bytes.
  std::string Rest(size_t maxLen = static_cast<size_t>(-1)) {
    size_t n = Left() < maxLen ? Left() : maxLen;
    std::string s(reinterpret_cast<const char*>(data_ + pos_), n);
    pos_ += n;
    return s;
  }
  // A list of up to maxCount strings of up to maxLen bytes each.
  std::vector<std::string> Strs(size_t maxCount, size_t maxLen) {
    std::vector<std::string> v(static_cast<size_t>(Int(0, static_cast<int>(maxCount))));
    for (auto& s : v) s = Str(maxLen);
    return v;
  }
  // A list of lines built from a small alphabet of pieces, so that equal
  // and nearly equal lines are common.
  std::vector<std::string> PieceLines(const std::vector<std::string>& pieces, size_t maxCount,
                                      size_t maxPieces) {
    std::vector<std::string> v(static_cast<size_t>(Int(0, static_cast<int>(maxCount))));
    for (auto& s : v) {
      const int n = Int(0, static_cast<int>(maxPieces));
      for (int k = 0; k < n; ++k) s += pieces[static_cast<size_t>(Int(0, static_cast<int>(pieces.size()) - 1))];
    }
    return v;
  }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t pos_ = 0;
};

// A broken property: prints what differs and aborts, so that the fuzzer
// keeps the input and the replay test fails.
[[noreturn]] inline void FuzzFail(const char* what, const std::string& detail = "") {
  std::fprintf(stderr, "FUZZ PROPERTY BROKEN: %s\n", what);
  if (!detail.empty()) {
    std::fprintf(stderr, "  detail (%zu bytes):", detail.size());
    for (unsigned char c : detail) std::fprintf(stderr, " %02X", c);
    std::fprintf(stderr, "\n");
  }
  std::abort();
}

#define FUZZ_CHECK(cond, detail)                     \
  do {                                               \
    if (!(cond)) FuzzFail(#cond, (detail));          \
  } while (0)

inline std::string FuzzJoin(const std::vector<std::string>& v) {
  std::string s;
  for (const auto& x : v) {
    s += x;
    s += '|';
  }
  return s;
}
