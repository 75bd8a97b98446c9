// A fixed-size set of bits with range operations: which bytes of a text an
// edit removed, and between which neighbouring bytes it inserted something.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "common/program.h"

class BitSet {
 public:
  BitSet() = default;
  explicit BitSet(size_t n) { AssignAhead(words_, n / 64 + 2, 0); }
  void Set(size_t i) { words_[i >> 6] |= uint64_t{1} << (i & 63); }
  // Sets the bits [a, b).
  void SetRange(size_t a, size_t b) {
    if (a >= b) return;
    size_t wa = a >> 6, wb = (b - 1) >> 6;
    uint64_t first = ~uint64_t{0} << (a & 63);
    uint64_t last = ~uint64_t{0} >> (63 - ((b - 1) & 63));
    if (wa == wb) {
      words_[wa] |= first & last;
      return;
    }
    words_[wa] |= first;
    for (size_t w = wa + 1; w < wb; ++w) words_[w] = ~uint64_t{0};
    words_[wb] |= last;
  }
  // True when a bit in [a, b) is set.
  bool AnyIn(size_t a, size_t b) const {
    if (a >= b) return false;
    size_t wa = a >> 6, wb = (b - 1) >> 6;
    uint64_t first = ~uint64_t{0} << (a & 63);
    uint64_t last = ~uint64_t{0} >> (63 - ((b - 1) & 63));
    if (wa == wb) return (words_[wa] & first & last) != 0;
    if (words_[wa] & first) return true;
    for (size_t w = wa + 1; w < wb; ++w)
      if (words_[w]) return true;
    return (words_[wb] & last) != 0;
  }

 private:
  std::vector<uint64_t> words_;
};
