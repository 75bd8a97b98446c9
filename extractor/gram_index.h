// How far before a run of kGram bytes a long search string that holds the
// run can start. After an edit, the text before it must be searched again
// only that far back for occurrences that reach into the edit.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "extractor/word_filter.h"

// Where a kGram-byte run may stand inside a search string of more than kGram
// bytes, followed by at least one more byte of it. Such a run contains an
// aligned piece of the string: kSub bytes at an offset that is a multiple of
// kSub (kGram = 2 kSub). A hash table maps the hash of every aligned piece
// to the largest offset at which it stands in any long string. From the
// kSub + 1 pieces inside a run this bounds how far before the run a string
// holding it can start; when none is known, no long string holds the run.
class GramIndex {
 public:
  static constexpr size_t kGram = 64;
  static constexpr size_t kSub = kGram / 2;

  void Build(const std::vector<std::string_view>& pats);

  // For the kGram bytes at d: the largest distance from the start of a long
  // string holding them (followed by one more of its bytes) to the end of the
  // run, or 0 when no long string holds them.
  uint64_t Reach(const char* d) const;

 private:
  static constexpr uint64_t kBase = 0x100000001B3ull;
  static constexpr uint64_t kMul = 0x9E3779B97F4A7C15ull;
  // Polynomial hash of kSub bytes.
  static uint64_t Hash(const char* d) {
    uint64_t h = 0;
    for (size_t k = 0; k < kSub; ++k) h = h * kBase + static_cast<uint8_t>(d[k]);
    return h;
  }
  // Table key of a hash: 0 marks an empty slot.
  static uint64_t Key(uint64_t h) { return h == 0 ? 1 : h; }
  size_t Slot(uint64_t h) const { return static_cast<size_t>((h * kMul) >> 32) & mask_; }
  WordFilter filter_;  // the keys present, looked up before the table
  std::vector<uint64_t> keys_;
  std::vector<uint64_t> offs_;
  size_t mask_ = 0;
};
