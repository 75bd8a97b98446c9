// A filter over a set of 64-bit keys with two bits per key, both in one
// 64-bit word of a table of about twenty bits per key: a look-up that finds
// a key absent reads one word of a table small enough to stay in the cache,
// and lets about one absent key in a hundred through (one bit per key lets
// one in twenty through, each then a probe of a hash table that misses the
// cache).
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

class WordFilter {
 public:
  // Sized for up to `keys` keys; empty until then.
  void Init(size_t keys) {
    size_t words = 1024;
    while (words * 64 < keys * 20) words <<= 1;
    bits_ = 0;
    for (size_t w = words; w > 1; w >>= 1) ++bits_;
    words_.assign(words, 0);
  }
  void Add(uint64_t key) { words_[Word(key)] |= Mask(key); }
  // False only when the key was never added.
  bool MayHold(uint64_t key) const {
    const uint64_t m = Mask(key);
    return (words_[Word(key)] & m) == m;
  }

 private:
  // Word and bits from the high bits of a multiplicative hash.
  static uint64_t Mix(uint64_t key) { return key * 0xD6E8FEB86659FD93ull; }
  size_t Word(uint64_t key) const { return static_cast<size_t>(Mix(key) >> (64 - bits_)); }
  uint64_t Mask(uint64_t key) const {
    const uint64_t h = Mix(key);
    return (uint64_t{1} << ((h >> (58 - bits_)) & 63)) | (uint64_t{1} << ((h >> (52 - bits_)) & 63));
  }

  std::vector<uint64_t> words_;
  unsigned bits_ = 0;
};
