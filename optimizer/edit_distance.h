// Levenshtein edit distance between two lines. Insertion, deletion and
// substitution each cost 1; bytes are compared as they are. Only the first
// cut characters of a line take part in a distance (65536 by default).
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

constexpr int kDefaultCutLength = 65536;

// The cut for a requested maximum line length: 0 means the default, and a
// length below zero leaves no room for any character.
int CutLengthFor(int maxLen);
// The first cut characters of s.
std::string_view CutLine(std::string_view s, int cut);

int Min3(int a, int b, int c);

// Edit distance between the first cut characters of a and of b. bound is the
// caller's bound on the two lengths; the cut applies to any line longer than
// it whatever the bound says.
int LevenshteinDistance(const std::string& a, const std::string& b, int bound,
                        int cut = kDefaultCutLength);

// A pattern as bit masks: for each byte c, bit i of row c is set where
// pattern[i] == c (rows of `words` 64-bit words).
struct TPatternMasks {
  std::string pattern;
  int words = 0;
  std::vector<uint64_t> peq;  // 256 rows of `words` masks
};

// Bounded distance engine: the bit-parallel algorithm of Myers. A pattern of
// up to 128 bytes is one word of 64 or 128 bits, abandoned when its last row
// can no longer come down to the limit. A longer one takes the block form
// (64 rows of the distance table per machine word), restricted to the
// diagonal band that a distance within the limit can use, and abandoned as
// soon as no cell of the current column can still lead to a distance within
// the limit. A pattern is prepared once; each distance to a text then costs
// about len(text) * ceil(len(pattern) / 64) word steps. Reuses its memory: no
// allocation per distance.
class TLevenshteinKernel {
 public:
  // The pattern as given (callers cut it first).
  void SetPattern(std::string_view pattern);
  // Distance between pattern and text when it is at most limit, otherwise
  // limit + 1. A negative limit gives 0 (nothing can be within it).
  int Within(std::string_view text, int limit);
  // Exact distance.
  int Distance(std::string_view text);
  const TPatternMasks& Masks() const { return masks_; }

 private:
  int WithinBlocks(std::string_view text, int limit);

  TPatternMasks masks_;
  std::vector<uint64_t> vp_, vn_;
  std::vector<int> score_;
};
