// The lower bounds of the distance never exceed it, and the common-subsequence
// bound is exact against the plain table.
#include "optimizer/distance_bounds.h"
#include "optimizer/lcs_bound_avx512.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "tests/support/lane_forms.h"
#include "tests/support/plain_levenshtein.h"
#include "tests/support/testutil.h"

using namespace plain_levenshtein;

TEST(DistanceBounds, HistogramBoundNeverExceedsDistance) {
  PlainLevenshtein plain;
  plain.Init(0);
  std::mt19937 rng(31337);
  for (int iter = 0; iter < 3000; ++iter) {
    std::string a = RandomString(rng, "abcdefghijklmnopqrstuvwxyz ABC!", 0, 120);
    std::string b = iter % 2 ? Mutate(rng, a, "xyz ", static_cast<int>(rng() % 30))
                             : RandomString(rng, "abcdef ", 0, 120);
    int d = plain.Distance(a, b, static_cast<int>(std::max(a.size(), b.size())));
    ASSERT_LE(HistogramBound(MakeHistogram(a), MakeHistogram(b)), d);
  }
  // Counts above 255 are capped, which keeps the bound below the distance.
  std::string many(600, 'a');
  EXPECT_LE(HistogramBound(MakeHistogram(many), MakeHistogram(std::string(10, 'a'))), 590);
  EXPECT_GE(HistogramBound(MakeHistogram(many), MakeHistogram(std::string(10, 'a'))), 245);
}

namespace {

int PlainLcs(const std::string& a, const std::string& b) {
  std::vector<int> prev(b.size() + 1, 0), cur(b.size() + 1, 0);
  for (size_t i = 1; i <= a.size(); ++i) {
    for (size_t j = 1; j <= b.size(); ++j) {
      cur[j] = a[i - 1] == b[j - 1] ? prev[j - 1] + 1 : std::max(prev[j], cur[j - 1]);
    }
    std::swap(prev, cur);
  }
  return prev[b.size()];
}

}  // namespace

TEST(LcsBound, ExactAgainstPlainTable) {
  std::mt19937 rng(606);
  TLevenshteinKernel kernel;
  TLcsBound lcs;
  for (int iter = 0; iter < 3000; ++iter) {
    // Pattern lengths up to 20 words cover the fixed forms (1-8 words), the
    // general one, and the vector form's limit of 16 words.
    const size_t maxLen = iter % 20 == 0 ? 1300 : (iter % 4 == 0 ? 300 : 90);
    const std::string alpha = iter % 2 ? "abc" : "abcdefghijklmnop ";
    std::string a = RandomString(rng, alpha, 1, maxLen);
    std::string b = iter % 3 ? Mutate(rng, a, alpha, static_cast<int>(rng() % (a.size() / 2 + 2)))
                             : RandomString(rng, alpha, 1, maxLen);
    if (b.empty()) b.push_back('a');
    const int lcsLen = PlainLcs(a, b);
    kernel.SetPattern(a);
    lcs.SetPattern(kernel.Masks());
    for (int need : {lcsLen - 1, lcsLen, lcsLen + 1, 0, static_cast<int>(rng() % (a.size() + 2))}) {
      ASSERT_EQ(lcs.Below(b, need), lcsLen < need) << "need " << need << " lcs " << lcsLen;
    }
  }
}

TEST(LcsBound, BatchOfOneLengthAgainstPlainTable) {
  std::mt19937 rng(707);
  TLevenshteinKernel kernel;
  TLcsBound bound;
  bool vectorUsed = false;
  for (int iter = 0; iter < 400; ++iter) {
    const size_t m = 1 + rng() % (iter % 10 == 0 ? 1200 : 200);
    const size_t n = 1 + rng() % (m + 40);
    // Alphabets around the sizes where the vector form changes its tables
    // (16, 32, 48 and 64 distinct bytes), and all 256 bytes.
    static const int sizes[] = {2, 9, 15, 16, 17, 31, 32, 33, 47, 48, 49, 63, 64, 65, 256};
    const int size = sizes[iter % (sizeof(sizes) / sizeof(sizes[0]))];
    std::string alpha;
    for (int c = 0; c < size; ++c) alpha.push_back(static_cast<char>(size == 256 ? c : 33 + c * 3));
    std::string a = RandomString(rng, alpha, m, m);
    kernel.SetPattern(a);
    bound.SetPattern(kernel.Masks());
    vectorUsed = vectorUsed || bound.BatchReady();
    const int count = 1 + static_cast<int>(rng() % TLcsBound::kBatch);
    // The texts live in one buffer, as in the prepared list.
    std::string buffer;
    for (int l = 0; l < count; ++l) {
      std::string t = rng() % 2 ? RandomString(rng, alpha, n, n) : Mutate(rng, a, alpha, 3);
      t.resize(n, 'a');
      buffer += t;
    }
    std::string_view texts[TLcsBound::kBatch];
    int need[TLcsBound::kBatch];
    uint32_t expected = 0;
    for (int l = 0; l < count; ++l) {
      texts[l] = std::string_view(buffer).substr(l * n, n);
      const int lcs = PlainLcs(a, std::string(texts[l]));
      need[l] = lcs + static_cast<int>(rng() % 5) - 2;
      if (lcs < need[l]) expected |= uint32_t{1} << l;
    }
    ASSERT_EQ(bound.BelowBatch(texts, count, need), expected) << "m " << m << " n " << n;
  }
  // Without the vector instructions only the scalar form ran: say so rather
  // than pass as if the vector form had been checked.
  if (!vectorUsed) GTEST_SKIP() << "this processor has no AVX-512 form of the bound; only the scalar form was compared";
}

TEST(LcsBound, LanesOfEightPatternsAgainstPlainTable) {
  const bool ran = UnderEachLaneForm(false, [] {
    {
      // All 256 bytes among the patterns: none may be taken for an absent one.
      std::string patterns[8];
      std::string_view views[8];
      for (int c = 0; c < 256; ++c) patterns[c / 32].push_back(static_cast<char>(c));
      patterns[7].push_back('\xff');  // a byte met again after the 256th
      for (int l = 0; l < 8; ++l) views[l] = patterns[l];
      TLaneTables tables;
      BuildLaneTables(views, 8, tables);
      const long long need[8] = {32, 32, 32, 32, 32, 32, 32, 33};
      for (int l = 0; l < 8; ++l) EXPECT_EQ(LcsBelowLanes(tables, patterns[l], need, 0xFF), 0xFFu & ~(1u << l)) << l;
      const long long one[8] = {1, 1, 1, 1, 1, 1, 1, 1};
      EXPECT_EQ(LcsBelowLanes(tables, std::string(1, '\0'), one, 0xFF), 0xFEu);
    }
    std::mt19937 rng(808);
    for (int iter = 0; iter < 400; ++iter) {
      // Patterns of one to four words and more than 64 distinct bytes at times;
      // texts near a pattern and random ones, shorter and longer.
      const std::string alpha = iter % 3 == 0 ? "ab" : (iter % 3 == 1 ? "abcdefghij " : "");
      const int count = 1 + static_cast<int>(rng() % 8);
      const size_t most = 1 + rng() % (kMaxLaneWords * 64);
      std::vector<std::string> patterns;
      std::string_view views[8];
      for (int l = 0; l < count; ++l) {
        const size_t len = 1 + rng() % most;
        std::string p;
        for (size_t i = 0; i < len; ++i) {
          p.push_back(alpha.empty() ? static_cast<char>(rng() % 256) : alpha[rng() % alpha.size()]);
        }
        patterns.push_back(p);
      }
      for (int l = 0; l < count; ++l) views[l] = patterns[l];
      TLaneTables tables;
      BuildLaneTables(views, count, tables);
      // Texts of one length, each alone and all at once (a lone text when
      // fewer than the full set are given).
      std::string texts[kLaneTexts];
      std::string_view textViews[kLaneTexts];
      long long need[kLaneTexts][8] = {};
      const long long* needs[kLaneTexts];
      uint32_t active[kLaneTexts] = {}, expected[kLaneTexts] = {};
      for (int x = 0; x < kLaneTexts; ++x) {
        const std::string& near = patterns[rng() % count];
        texts[x] = rng() % 2 ? Mutate(rng, near, alpha.empty() ? "xyz" : alpha, static_cast<int>(rng() % 20))
                             : RandomString(rng, alpha.empty() ? "abcxyz" : alpha, 0, most + 30);
        if (x > 0) texts[x].resize(texts[0].size(), 'b');
        textViews[x] = texts[x];
        needs[x] = need[x];
        for (int l = 0; l < count; ++l) {
          if (rng() % 5 == 0) continue;  // a lane left out
          active[x] |= uint32_t{1} << l;
          const int lcs = PlainLcs(patterns[l], texts[x]);
          need[x][l] = lcs + static_cast<int>(rng() % 2);  // at the edge: one off changes the answer
          if (lcs < need[x][l]) expected[x] |= uint32_t{1} << l;
        }
        ASSERT_EQ(LcsBelowLanes(tables, texts[x], need[x], active[x]), expected[x]) << "iter " << iter;
      }
      const int given = iter % 4 == 0 ? 1 + static_cast<int>(rng() % kLaneTexts) : kLaneTexts;
      LcsBelowLanesOfTexts(tables, textViews, given, needs, active);
      for (int x = 0; x < given; ++x) ASSERT_EQ(active[x], expected[x]) << "iter " << iter << " text " << x;
    }
  });
  if (!ran) GTEST_SKIP() << "this processor has no vector form of the lanes";
}

TEST(LcsBound, LaneFilterAgainstScalarTests) {
  const bool ran = UnderEachLaneForm(false, [] {
    // Each lane against the scalar rules: a line not above the best index must
    // be strictly closer; the length difference and the histogram bound must
    // stay within the limit; the need is max(len) - limit.
    std::mt19937 rng(4242);
    for (int iter = 0; iter < 2000; ++iter) {
      TLaneFilter filter;
      THistogram32 qh[8];
      uint32_t takes = 0;
      for (int l = 0; l < 8; ++l) {
        qh[l] = MakeHistogram(RandomString(rng, "abcdefghij \x9f\xe0", 0, 300));
        filter.SetLane(l, qh[l], rng() % 120, rng() % 40, static_cast<long long>(rng() % 10) - 1);
        if (rng() % 4 != 0) takes |= 1u << l;
      }
      const std::string line = RandomString(rng, "abcdefgh xyz", 0, 300);
      const THistogram32 gh = MakeHistogram(line);
      const long long len = rng() % 120;
      const long long maxIndex = rng() % 10;
      long long limit[8], need[8];
      const uint32_t got = LaneFilter(filter, gh, len, maxIndex, takes, limit, need);
      for (int l = 0; l < 8; ++l) {
        const long long t = maxIndex > filter.best[l] ? filter.limit[l] : filter.limit[l] - 1;
        const bool stays = (takes >> l & 1) && t >= 0 && std::llabs(len - filter.length[l]) <= t &&
                           HistogramBound(qh[l], gh) <= t;
        ASSERT_EQ((got >> l & 1) != 0, stays) << "iter " << iter << " lane " << l;
        if (stays) {
          ASSERT_EQ(limit[l], t);
          ASSERT_EQ(need[l], std::max(len, filter.length[l]) - t);
        }
      }
    }
  });
  if (!ran) GTEST_SKIP() << "this processor has no vector form of the lanes";
}
