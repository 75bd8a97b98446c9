// Similarity search: the Levenshtein edit distance between two lines and the
// search for the most similar line of a list within a percentage threshold.
//
// Only the first LevenshteinCutLength() characters of a line (65536 unless
// InitLevenshteinBuffer chose another length) take part in a distance.
// Insertion, deletion and substitution each cost 1; bytes are compared as
// they are.
#pragma once
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "common/stringlist.h"

// Sets the maximum line length L taking part in a distance (0 means 65536).
// Not thread-safe: call it before any distance is computed.
void InitLevenshteinBuffer(int maxLen);
// The current L (65536 until InitLevenshteinBuffer chooses another).
int LevenshteinCutLength();

// Edit distance between the first L characters of a and of b. bound is the
// caller's bound on the two lengths; the cut applies to any line longer than
// L whatever the bound says.
int LevenshteinDistance(const std::string& a, const std::string& b, int bound);

// Index of the line of list most similar to s, or -1: lines of at least
// minLen characters, distance at most Floor((100 - percent) * len(s) / 100),
// with useLengthWindow only lines whose length differs from len(s) by at most
// that allowance; of equally close lines the one with the highest index;
// with skipIdentical lines equal to s byte for byte are passed over.
int FindSimilarLine(const std::string& s, const TStringList& list, int minLen, uint8_t percent,
                    bool useLengthWindow, bool skipIdentical);

int Min3(int a, int b, int c);

// The allowance of FindSimilarLine: Floor((100 - percent) * len / 100).
long long SimilarAllowance(long long len, int percent);

// Bounded distance engine. A pattern is prepared once; each distance to a
// text then costs about len(text) * ceil(len(pattern) / 64) word steps inside
// a diagonal band, and stops as soon as the distance must exceed the limit.
// Reuses its memory: no allocation per distance.
struct TBatchTables;

class TLevenshteinKernel {
 public:
  TLevenshteinKernel();
  ~TLevenshteinKernel();
  TLevenshteinKernel(const TLevenshteinKernel&) = delete;
  TLevenshteinKernel& operator=(const TLevenshteinKernel&) = delete;

  // The pattern as given (callers cut it first).
  void SetPattern(std::string_view pattern);
  // Distance between pattern and text when it is at most limit, otherwise
  // limit + 1. A negative limit gives 0 (nothing can be within it).
  int Within(std::string_view text, int limit);
  // Exact distance.
  int Distance(std::string_view text);
  // True when the longest common subsequence of pattern and text is shorter
  // than need. The distance is at least max(len) - that length, so such a
  // text is farther than max(len) - need.
  bool LcsBelow(std::string_view text, int need);
  // LcsBelow for up to kBatch texts of one length at once (bit l of the
  // result for texts[l]). Uses the vector unit where the processor has one.
  static constexpr int kBatch = 8;
  uint32_t LcsBelowBatch(const std::string_view* texts, int count, const int* need);
  // Whether LcsBelowBatch has a vector form for the current pattern.
  bool BatchReady() const { return batchReady_; }
  const std::string& Pattern() const { return pattern_; }

 private:
  int WithinSingle(std::string_view text, int limit) const;
  int WithinBlocks(std::string_view text, int limit);

  std::string pattern_;
  int words_ = 0;
  std::vector<uint64_t> peq_;  // 256 rows of words_ masks: bit i set where pattern[i] == c
  std::vector<uint64_t> vp_, vn_;
  std::vector<int> score_;
  std::unique_ptr<TBatchTables> batch_;  // the pattern's masks laid out for the vector form
  bool batchReady_ = false;
};

// Byte histogram of a line in 32 classes (byte & 31), counts capped at 255.
// Merging classes and capping counts keep the histogram difference a lower
// bound of the edit distance.
using THistogram32 = std::array<uint8_t, 32>;
THistogram32 MakeHistogram(std::string_view s);
// max(sum of excess counts of a over b, sum of excess of b over a): a lower
// bound of the edit distance of the two lines.
int HistogramBound(const THistogram32& a, const THistogram32& b);

// A prepared list for many searches of FindSimilarLine over the same lines.
// It gives exactly the result of FindSimilarLine for every search. The lines
// must stay alive and unchanged while the index is used. Find is safe to call
// from several threads at once, each with its own kernel.
class TSimilarIndex {
 public:
  explicit TSimilarIndex(const std::vector<std::string>& lines);
  int Find(const std::string& s, int minLen, uint8_t percent, bool useLengthWindow,
           bool skipIdentical, TLevenshteinKernel& kernel) const;

 private:
  // Distinct lines: equal lines have equal distances, so only the highest
  // index of each content matters.
  struct TGroup {
    std::string_view text;  // full line
    int maxIndex = -1;
    int length = 0;  // full length
    THistogram32 hist{};  // of the cut line
  };
  struct TSearch;
  // Cheap tests; t is the limit the line must meet.
  bool Prefilter(const TGroup& g, TSearch& st, int& t) const;
  // The distance within t, taken as the best when it is.
  void Measure(const TGroup& g, TSearch& st, int t) const;
  void Consider(const TGroup& g, TSearch& st) const;
  // The groups [from, to), all of one length.
  void ConsiderRange(int from, int to, TSearch& st) const;

  int cut_ = 0;
  std::string arena_;  // the texts of groups_, one after another
  std::vector<TGroup> groups_;  // lines up to cut_ long, ordered by length
  std::vector<int> lengthStart_;  // groups of length n: [lengthStart_[n], lengthStart_[n+1])
  std::vector<TGroup> longGroups_;  // lines longer than cut_
  std::unordered_map<std::string_view, int> exact_;  // content -> maxIndex
  // groups_ ordered by content and by reversed content: the neighbours of a
  // searched line share its longest beginnings and endings, and a line
  // changed by a small edit keeps one of them. Searching them first
  // tightens the limit early.
  std::vector<int> byPrefix_, bySuffix_;
};

// Searches FindSimilarLine for every line of queries over the same list and
// returns the results in the order of queries. Uses worker threads; the
// results are those of the searches made one after another.
std::vector<int> FindSimilarLines(const std::vector<std::string>& queries,
                                  const std::vector<std::string>& list, int minLen,
                                  uint8_t percent, bool useLengthWindow, bool skipIdentical,
                                  int threads = 0);
