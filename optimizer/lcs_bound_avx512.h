// The vector forms of the common-subsequence bound: eight texts of one
// length against one pattern (the batch form, AVX-512), and one text against
// eight patterns (the lane form, AVX-512 or AVX2), one per 64-bit lane.
#pragma once
#include <cstdint>
#include <string_view>
#include <vector>

#include "optimizer/distance_bounds.h"
#include "optimizer/edit_distance.h"

// Longest pattern, in words, of the vector form.
constexpr int kMaxBatchWords = 16;

// The pattern's masks laid out for the vector form.
struct TBatchTables {
  alignas(64) uint8_t codeOf[256] = {};  // byte -> code, 0 for bytes absent from the pattern
  int codeGroups = 0;  // groups of 16 codes in use (1-4), 0 when the byte table serves
  std::vector<uint64_t> byCodeStore;
  const uint64_t* byCode = nullptr;  // 64-byte aligned; per word 8 registers: the masks of codes 0-63
  std::vector<uint64_t> byByteStore;
  const uint64_t* byByte = nullptr;  // per word the masks of bytes 0-255
};

// Whether this processor runs the vector form.
bool VectorBatchAvailable();
void BuildBatchTables(const TPatternMasks& masks, TBatchTables& tables);
// Bit l set where the common subsequence of the pattern and texts[l] is
// shorter than need[l]. All texts have one length; count is 1 to 8. Call
// only where VectorBatchAvailable() and the pattern has 1 to kMaxBatchWords
// words.
uint32_t LcsBelowBatchVector(const TBatchTables& tables, const TPatternMasks& masks,
                             const std::string_view* texts, int count, const int* need);

// The lane form: up to eight searches read each line once, one search per
// 64-bit lane. It has an AVX-512 copy (one register of eight lanes) and an
// AVX2 copy (two registers of four); the program uses the best one the
// processor runs.
enum class TLaneForm { kNone, kAvx2, kAvx512 };
// The form in use; kNone where the processor runs neither copy.
TLaneForm LaneFormInUse();
// Uses form from now on where the processor runs it, else the best one it
// does run; the tests compare the copies this way.
void UseLaneForm(TLaneForm form);

// Up to eight patterns, one per 64-bit lane, laid out for the vector form
// that reads one text against all of them at once.
constexpr int kMaxLaneWords = 4;  // longest pattern of the lane form, in words
struct TLaneTables {
  uint8_t codeOf[256] = {};  // byte -> code, 0 for bytes absent from every pattern
  long long length[8] = {};  // of each lane's pattern; 0 for unused lanes
  int words = 0;  // of the longest pattern, 1 to kMaxLaneWords
  std::vector<uint64_t> store;
  const uint64_t* byCode = nullptr;  // 64-byte aligned; per code and word the masks of the eight lanes
};
// Lays out count (1 to 8) patterns of at most kMaxLaneWords * 64 bytes.
void BuildLaneTables(const std::string_view* patterns, int count, TLaneTables& tables);
// Bit l set where lane l is in active and the common subsequence of its
// pattern and text is shorter than need[l]. Call only where a lane form is
// in use.
uint32_t LcsBelowLanes(const TLaneTables& tables, std::string_view text, const long long* need, uint32_t active);
// The same for count (1 to kLaneTexts) texts of one length: active[x]
// becomes the lanes below for texts[x] and need[x]. The steps of the texts
// are independent, so the processor runs them side by side; a full set of
// texts takes little longer than one.
constexpr int kLaneTexts = 4;
void LcsBelowLanesOfTexts(const TLaneTables& tables, const std::string_view* texts, int count,
                          const long long* const* need, uint32_t* active);

// The cheap tests of up to eight searches against one line, one search per
// 64-bit lane, for the lane form's scan.
struct TLaneFilter {
  alignas(64) uint64_t hist[4][8] = {};  // per 8 histogram classes, per lane: the searched line's counts
  alignas(64) long long length[8] = {};  // of each lane's searched line
  alignas(64) long long limit[8] = {};  // the distance a line must not exceed
  alignas(64) long long best[8] = {};  // index of the best line so far, -1 for none
  void SetLane(int l, const THistogram32& h, long long len, long long k, long long b);
};
// The lanes of takes whose search may still take a line of length len (no
// longer than the cut), histogram hist and highest index maxIndex: a line
// whose index is not above the best one must be strictly closer, so
// limit[l] becomes the lane's limit, or one less; the lane stays when that
// is not negative and neither the length difference nor the histogram bound
// exceeds it. need[l] becomes max(len, length of the searched line) -
// limit[l], what the common subsequence must reach. Call only where a lane
// form is in use.
uint32_t LaneFilter(const TLaneFilter& filter, const THistogram32& hist, long long len, long long maxIndex,
                    uint32_t takes, long long* limit, long long* need);
