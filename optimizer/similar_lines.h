// The search for the most similar line of a list within a percentage
// threshold, as patch building pairs a new line with the old line it most
// likely replaces.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "common/stringlist.h"
#include "optimizer/distance_bounds.h"
#include "optimizer/edit_distance.h"
#include "optimizer/lcs_bound_avx512.h"

// The allowance of a search: Floor((100 - percent) * len / 100).
long long SimilarAllowance(long long len, int percent);

// Index of the line of list most similar to s, or -1: lines of at least
// minLen characters, distance at most SimilarAllowance(len(s), percent), with
// useLengthWindow only lines whose length differs from len(s) by at most that
// allowance; of equally close lines the one with the highest index; with
// skipIdentical lines equal to s byte for byte are passed over. The lines are
// visited one after another.
int FindSimilarLine(const std::string& s, const TStringList& list, int minLen, uint8_t percent,
                    bool useLengthWindow, bool skipIdentical, int cut = kDefaultCutLength);

// The engines one search works with; one per thread.
struct TSimilarScratch {
  TLevenshteinKernel kernel;
  TLcsBound lcs;
};

// The engines of up to eight searches made together; one per thread.
struct TSimilarLanesScratch {
  TSimilarScratch lane[8];
  TLaneTables tables;
};

// A prepared list for many searches over the same lines. Each search gives
// exactly the result of FindSimilarLine. The lines must stay alive and
// unchanged while the index is used. Find is safe to call from several
// threads at once, each with its own scratch.
class TSimilarIndex {
 public:
  explicit TSimilarIndex(const std::vector<std::string>& lines, int cut = kDefaultCutLength);
  ~TSimilarIndex();
  TSimilarIndex(const TSimilarIndex&) = delete;
  TSimilarIndex& operator=(const TSimilarIndex&) = delete;

  int Find(const std::string& s, int minLen, uint8_t percent, bool useLengthWindow, bool skipIdentical,
           TSimilarScratch& scratch) const;
  // Find when the search meets few lines (then true, with the result);
  // false, with nothing done that counts, when FindTogether does it better.
  bool FindIfNarrow(const std::string& s, int minLen, uint8_t percent, bool useLengthWindow, bool skipIdentical,
                    TSimilarScratch& scratch, int& result) const;
  // Find for each of count (1 to 8) searched lines, made together where
  // the processor has the vector form of the common-subsequence bound.
  void FindTogether(const std::string* const* queries, int count, int minLen, uint8_t percent,
                    bool useLengthWindow, bool skipIdentical, TSimilarLanesScratch& scratch, int* results) const;

 private:
  struct TImpl;
  std::unique_ptr<TImpl> impl_;
};

// FindSimilarLine for every line of queries over the same list, in the order
// of queries. Uses worker threads (0: one per processor); the results are
// those of the searches made one after another.
std::vector<int> FindSimilarLines(const std::vector<std::string>& queries, const std::vector<std::string>& list,
                                  int minLen, uint8_t percent, bool useLengthWindow, bool skipIdentical,
                                  int threads = 0, int cut = kDefaultCutLength);
// The same over a list already prepared, which a caller can build while it
// does other work.
std::vector<int> FindSimilarLines(const std::vector<std::string>& queries, const TSimilarIndex& index, int minLen,
                                  uint8_t percent, bool useLengthWindow, bool skipIdentical, int threads = 0);
