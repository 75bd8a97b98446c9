// Lower bounds of the edit distance that cost far less than a distance: the
// byte-histogram difference, and max(len) minus the longest common
// subsequence, computed bit-parallel (for eight lines at once where the
// processor has the vector instructions for it).
#pragma once
#include <array>
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "optimizer/edit_distance.h"

// Byte histogram of a line in 32 classes (byte & 31), counts capped at 255.
// Merging classes and capping counts keep the histogram difference a lower
// bound of the edit distance.
using THistogram32 = std::array<uint8_t, 32>;
THistogram32 MakeHistogram(std::string_view s);
// max(sum of excess counts of a over b, sum of excess of b over a): a lower
// bound of the edit distance of the two lines.
int HistogramBound(const THistogram32& a, const THistogram32& b);

struct TBatchTables;

// Tests whether the longest common subsequence of a pattern and a text is
// shorter than a need. The distance is at least max(len) - that length, so
// such a text is farther than max(len) - need.
class TLcsBound {
 public:
  static constexpr int kBatch = 8;

  TLcsBound();
  ~TLcsBound();
  TLcsBound(const TLcsBound&) = delete;
  TLcsBound& operator=(const TLcsBound&) = delete;

  // Takes the pattern of masks, which must stay alive and unchanged while
  // the bound is used (a kernel's masks until its next SetPattern).
  void SetPattern(const TPatternMasks& masks);
  bool Below(std::string_view text, int need);
  // Below for up to kBatch texts of one length at once (bit l of the result
  // for texts[l]). Uses the vector unit where the processor has one.
  uint32_t BelowBatch(const std::string_view* texts, int count, const int* need);
  // Whether BelowBatch has a vector form for the current pattern.
  bool BatchReady() const { return batchReady_; }

 private:
  const TPatternMasks* masks_ = nullptr;
  std::vector<uint64_t> scratch_;
  std::unique_ptr<TBatchTables> batch_;  // the pattern's masks laid out for the vector form
  bool batchReady_ = false;
};
