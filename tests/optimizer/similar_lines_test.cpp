// The prepared and threaded similarity searches against the literal search
// loop over the plain distance table.
#include "optimizer/similar_lines.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "tests/support/lane_forms.h"
#include "tests/support/plain_levenshtein.h"
#include "tests/support/testutil.h"

using namespace plain_levenshtein;

namespace {

// The searches made eight at once, in the order given (so that lines of
// different lengths share a batch).
std::vector<int> Together(const TSimilarIndex& index, const std::vector<std::string>& queries, int minLen,
                          uint8_t percent, bool window, bool skip) {
  TSimilarLanesScratch scratch;
  std::vector<int> results(queries.size(), -2);
  for (size_t q0 = 0; q0 < queries.size(); q0 += 8) {
    const std::string* batch[8];
    const int count = static_cast<int>(std::min<size_t>(8, queries.size() - q0));
    for (int q = 0; q < count; ++q) batch[q] = &queries[q0 + q];
    index.FindTogether(batch, count, minLen, percent, window, skip, scratch, results.data() + q0);
  }
  return results;
}

}  // namespace

TEST(FindSimilar, ShortLineFindsNothing) {
  TStringList list = MakeList({"123456789", "abcdefghi"});
  EXPECT_EQ(FindSimilarLine("123456789", list, 10, 50, true, false), -1);
  EXPECT_EQ(FindSimilarLine("123456789", list, 9, 50, true, false), 0);
}

TEST(FindSimilar, IdenticalLinesAndTies) {
  TStringList list = MakeList({"the same line", "the same lime", "the same line", "the same lane",
                               "other text here"});
  // Distance 0 twice: the later one wins; later lines at distance 1 cannot replace it.
  EXPECT_EQ(FindSimilarLine("the same line", list, 10, 50, true, false), 2);
  // Skipping identical lines: of the two lines at distance 1 the later one.
  EXPECT_EQ(FindSimilarLine("the same line", list, 10, 50, true, true), 3);
  TStringList ties = MakeList({"abcdefghijX", "zzzzzzzzzzzzzzzzzzzz", "abcdefghijY", "abcdefghij"});
  // "abcdefghijZ" is at distance 1 from 0, 2 and 3: the highest index.
  EXPECT_EQ(FindSimilarLine("abcdefghijZ", ties, 10, 50, true, false), 3);
}

TEST(FindSimilar, LengthWindowAndAllowance) {
  EXPECT_EQ(SimilarAllowance(15, 50), 7);
  EXPECT_EQ(SimilarAllowance(20, 50), 10);
  EXPECT_EQ(SimilarAllowance(15, 101), -1);
  EXPECT_EQ(SimilarAllowance(15, 255), -24);
  std::string s(15, 'a');
  // Length 7 is outside the window 8..22 although at distance 8 > 7 anyway;
  // length 8 is at distance 7 and inside.
  TStringList list = MakeList({std::string(23, 'a'), std::string(8, 'a') + "bb", std::string(8, 'a'),
                               std::string(22, 'a')});
  // 22 a's: distance 7, index 3 is the last at the smallest distance 7.
  EXPECT_EQ(FindSimilarLine(s, list, 0, 50, true, false), 3);
  TStringList far = MakeList({std::string(23, 'a'), std::string(7, 'a')});
  EXPECT_EQ(FindSimilarLine(s, far, 0, 50, true, false), -1);
  // Without the window the length does not exclude, the distance still does.
  EXPECT_EQ(FindSimilarLine(s, far, 0, 50, false, false), -1);
  // Window off: the line of 30 a's is at distance 15 > 7.
  TStringList windowOff = MakeList({std::string(30, 'a') , "aaaaaaaaaaaaaab"});
  EXPECT_EQ(FindSimilarLine(s, windowOff, 0, 50, false, false), 1);
}

TEST(FindSimilar, PercentAbove100FindsNothing) {
  TStringList list = MakeList({"identical text"});
  EXPECT_EQ(FindSimilarLine("identical text", list, 0, 101, true, false), -1);
  EXPECT_EQ(FindSimilarLine("identical text", list, 0, 255, false, false), -1);
  EXPECT_EQ(FindSimilarLine("identical text", list, 0, 100, true, false), 0);
}

TEST(FindSimilar, EmptyLinesAreNeverCandidates) {
  TStringList list = MakeList({"", "x"});
  EXPECT_EQ(FindSimilarLine("", list, 0, 0, false, false), -1);
  EXPECT_EQ(FindSimilarLine("y", list, 0, 0, false, false), 1);
  EXPECT_EQ(FindSimilarLine("y", list, 0, 0, true, false), 1);
}

TEST(FindSimilar, RandomListsMatchPlainSearch) {
  UnderEachLaneForm(true, [] {
    std::mt19937 rng(2024);
    for (int round = 0; round < 5; ++round) {
      int cut = round == 4 ? 24 : 0;  // the last round lets the cut act
      const int cutLen = CutLengthFor(cut);
      PlainLevenshtein plain;
      plain.Init(cut);
      for (int iter = 0; iter < 150; ++iter) {
        const std::string alpha = (iter % 3 == 0) ? "ab" : (iter % 3 == 1 ? "abc d" : "abcdefghij ");
        std::vector<std::string> base;
        int nBase = 1 + static_cast<int>(rng() % 20);
        for (int i = 0; i < nBase; ++i) base.push_back(RandomString(rng, alpha, 0, 40));
        std::vector<std::string> lines;
        int n = static_cast<int>(rng() % 60);
        for (int i = 0; i < n; ++i) {
          const std::string& b = base[rng() % base.size()];
          lines.push_back(rng() % 3 == 0 ? b : Mutate(rng, b, alpha, static_cast<int>(rng() % 5)));
        }
        TStringList list = MakeList(lines);
        TSimilarIndex index(lines, cutLen);
        TSimilarScratch scratch;
        std::vector<std::string> queries;
        std::vector<std::vector<int>> opts;
        for (int q = 0; q < 25; ++q) {
          std::string s = (q % 4 == 0 || lines.empty())
                              ? RandomString(rng, alpha, 0, 45)
                              : Mutate(rng, lines[rng() % lines.size()], alpha, static_cast<int>(rng() % 6));
          int minLen = static_cast<int>(rng() % 13);
          int percent = (q % 7 == 0) ? static_cast<int>(rng() % 256) : static_cast<int>(rng() % 101);
          bool window = rng() % 2;
          bool skip = rng() % 4 == 0;
          int expected = plain.FindSimilar(s, lines, minLen, static_cast<uint8_t>(percent), window, skip);
          ASSERT_EQ(FindSimilarLine(s, list, minLen, static_cast<uint8_t>(percent), window, skip, cutLen), expected)
              << "s=" << s << " minLen=" << minLen << " percent=" << percent;
          ASSERT_EQ(index.Find(s, minLen, static_cast<uint8_t>(percent), window, skip, scratch), expected)
              << "s=" << s << " minLen=" << minLen << " percent=" << percent << " window=" << window
              << " skip=" << skip;
          queries.push_back(s);
        }
        // The batch search with threads, and the searches made eight at once,
        // give the searches' results in order.
        std::vector<int> batch = FindSimilarLines(queries, lines, 10, 50, true, false, 3, cutLen);
        std::vector<int> together = Together(index, queries, 10, 50, true, false);
        ASSERT_EQ(batch.size(), queries.size());
        for (size_t q = 0; q < queries.size(); ++q) {
          ASSERT_EQ(batch[q], plain.FindSimilar(queries[q], lines, 10, 50, true, false));
          ASSERT_EQ(together[q], batch[q]) << queries[q];
        }
      }
    }
  });
}

TEST(FindSimilar, LongLinesBeyondTheCutInTheIndex) {
  PlainLevenshtein plain;
  plain.Init(20);
  std::vector<std::string> lines = {"abcdefghijklmnopqrstuvwxyz", "abcdefghijklmnopqrstXXXXXX",
                                    "abcdefghijklmnopqrsZ", "abcdefghijklmnopqrst", "short"};
  TSimilarIndex index(lines, 20);
  TSimilarScratch scratch;
  for (const std::string& s : {std::string("abcdefghijklmnopqrst"), std::string("abcdefghijklmnopqrstuvwxyz"),
                               std::string("abcdefghijklmnopqrsQ"), std::string("abcdefghijklmnopqrstuvwxyQQ")}) {
    for (bool skip : {false, true}) {
      for (bool window : {false, true}) {
        int expected = plain.FindSimilar(s, lines, 5, 50, window, skip);
        EXPECT_EQ(index.Find(s, 5, 50, window, skip, scratch), expected) << s << skip << window;
        EXPECT_EQ(FindSimilarLine(s, MakeList(lines), 5, 50, window, skip, 20), expected);
      }
    }
  }
}

TEST(FindSimilar, LargerListAgainstPlainSearch) {
  UnderEachLaneForm(true, [] {
    PlainLevenshtein plain;
    plain.Init(0);
    std::mt19937 rng(9090);
    const std::string alpha = "etaoin shrdlu";
    std::vector<std::string> lines;
    for (int i = 0; i < 1500; ++i) {
      if (i > 0 && rng() % 4 == 0) {
        lines.push_back(Mutate(rng, lines[rng() % lines.size()], alpha, static_cast<int>(rng() % 4)));
      } else {
        lines.push_back(RandomString(rng, alpha, 5, 60 + (i % 7 == 0 ? 120 : 0)));
      }
    }
    TSimilarIndex index(lines);
    TSimilarScratch scratch;
    std::vector<std::string> queries;
    for (int q = 0; q < 60; ++q) {
      queries.push_back(q % 2 ? RandomString(rng, alpha, 10, 150)
                              : Mutate(rng, lines[rng() % lines.size()], alpha, static_cast<int>(rng() % 8)));
    }
    std::vector<int> batch = FindSimilarLines(queries, lines, 10, 50, true, false, 2);
    std::vector<int> together = Together(index, queries, 10, 50, true, false);
    std::vector<int> togetherSkipping = Together(index, queries, 10, 70, false, true);
    for (size_t q = 0; q < queries.size(); ++q) {
      const int expected = plain.FindSimilar(queries[q], lines, 10, 50, true, false);
      ASSERT_EQ(index.Find(queries[q], 10, 50, true, false, scratch), expected) << queries[q];
      ASSERT_EQ(batch[q], expected);
      ASSERT_EQ(together[q], expected);
      const int skipping = plain.FindSimilar(queries[q], lines, 10, 70, false, true);
      ASSERT_EQ(index.Find(queries[q], 10, 70, false, true, scratch), skipping);
      ASSERT_EQ(togetherSkipping[q], skipping);
    }
  });
}

