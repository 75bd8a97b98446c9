// The bit-parallel distance engine against the literal two-row algorithm.
#include "optimizer/edit_distance.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "tests/support/plain_levenshtein.h"
#include "tests/support/testutil.h"

using namespace plain_levenshtein;

TEST(Levenshtein, KnownDistances) {
  EXPECT_EQ(LevenshteinDistance("book", "back", 4), 2);
  EXPECT_EQ(LevenshteinDistance("", "abc", 3), 3);
  EXPECT_EQ(LevenshteinDistance("abc", "", 3), 3);
  EXPECT_EQ(LevenshteinDistance("", "", 0), 0);
  EXPECT_EQ(LevenshteinDistance("some line", "some line", 9), 0);
  EXPECT_EQ(LevenshteinDistance("Hello", "hello", 5), 1);
  EXPECT_EQ(LevenshteinDistance("kitten", "sitting", 7), 3);
  // No transposition step: two substitutions.
  EXPECT_EQ(LevenshteinDistance("ab", "ba", 2), 2);
  EXPECT_EQ(Min3(3, 1, 2), 1);
  EXPECT_EQ(Min3(-1, 5, -7), -7);
}

TEST(Levenshtein, BytesAboveAsciiCompareAsBytes) {
  // Two UTF-8 letters differing in one byte each.
  EXPECT_EQ(LevenshteinDistance("\xD0\x90\xD0\x91", "\xD0\x90\xD0\x92", 4), 1);
  EXPECT_EQ(LevenshteinDistance(std::string("a\0b", 3), std::string("a\0c", 3), 3), 1);
  EXPECT_EQ(LevenshteinDistance("\xFF\xFF", "\xFE", 2), 2);
}

TEST(Levenshtein, RandomPairsMatchPlainAlgorithm) {
  PlainLevenshtein plain;
  plain.Init(0);
  std::mt19937 rng(12345);
  const std::vector<std::string> alphabets = {"ab", "abc ", "abcdefghijklmnopqrstuvwxyz .,",
                                              std::string("\x00\x01\x7f\x80\xfe\xff", 6)};
  TLevenshteinKernel kernel;
  for (int iter = 0; iter < 6000; ++iter) {
    const std::string& alpha = alphabets[iter % alphabets.size()];
    size_t maxLen = (iter % 10 == 0) ? 400 : (iter % 3 == 0 ? 140 : 70);
    std::string a = RandomString(rng, alpha, 0, maxLen);
    std::string b = (iter % 2) ? Mutate(rng, a, alpha, static_cast<int>(rng() % 12))
                               : RandomString(rng, alpha, 0, maxLen);
    int bound = static_cast<int>(std::max(a.size(), b.size()));
    int expected = plain.Distance(a, b, bound);
    ASSERT_EQ(LevenshteinDistance(a, b, bound), expected) << a << " | " << b;
    kernel.SetPattern(a);
    ASSERT_EQ(kernel.Distance(b), expected);
    // Bounded: exact within the limit, limit + 1 beyond it.
    for (int limit : {0, 1, expected - 1, expected, expected + 1, static_cast<int>(rng() % 80)}) {
      if (limit < 0) continue;
      int got = kernel.Within(b, limit);
      if (expected <= limit) {
        ASSERT_EQ(got, expected) << "limit " << limit << ": " << a << " | " << b;
      } else {
        ASSERT_EQ(got, limit + 1) << "limit " << limit << ": " << a << " | " << b;
      }
    }
  }
}

TEST(Levenshtein, PatternsAtWordBoundaries) {
  // Lengths around multiples of 64 exercise the carries between words.
  PlainLevenshtein plain;
  plain.Init(0);
  std::mt19937 rng(777);
  TLevenshteinKernel kernel;
  for (int len : {1, 63, 64, 65, 127, 128, 129, 191, 192, 193, 256}) {
    for (int rep = 0; rep < 30; ++rep) {
      std::string a = RandomString(rng, "abcd", len, len);
      std::string b = Mutate(rng, a, "abcd", static_cast<int>(rng() % (len / 2 + 2)));
      int expected = plain.Distance(a, b, static_cast<int>(std::max(a.size(), b.size())));
      kernel.SetPattern(a);
      ASSERT_EQ(kernel.Distance(b), expected);
      kernel.SetPattern(b);
      ASSERT_EQ(kernel.Distance(a), expected);
      for (int limit = 0; limit <= expected + 2; ++limit) {
        int got = kernel.Within(a, limit);
        ASSERT_EQ(got, expected <= limit ? expected : limit + 1) << len << " limit " << limit;
      }
    }
  }
}

TEST(Levenshtein, ShortBufferCutsBothLines) {
  std::mt19937 rng(99);
  for (int cut : {1, 5, 10, 64, 70}) {
    EXPECT_EQ(CutLengthFor(cut), cut);
    PlainLevenshtein plain;
    plain.Init(cut);
    for (int rep = 0; rep < 300; ++rep) {
      std::string a = RandomString(rng, "abc", 0, 150);
      std::string b = RandomString(rng, "abc", 0, 150);
      int bound = static_cast<int>(std::max(a.size(), b.size()));
      ASSERT_EQ(LevenshteinDistance(a, b, bound, cut), plain.Distance(a, b, bound)) << cut;
    }
  }
  // Only "abc" and "abd" take part.
  EXPECT_EQ(LevenshteinDistance("abcXXXXXXX", "abdYYYYYYYYYYYY", 15, 3), 1);
  EXPECT_EQ(LevenshteinDistance("abcdef", "abc", 6, 3), 0);
}

TEST(Levenshtein, DefaultCutIs65536Characters) {
  EXPECT_EQ(CutLengthFor(0), 65536);
  EXPECT_EQ(CutLengthFor(-5), 0);
  std::mt19937 rng(5);
  std::string x = RandomString(rng, "abcdefgh", 65530, 65530);
  // Lines that agree on their first 65536 characters are at distance 0.
  EXPECT_EQ(LevenshteinDistance(x + "abcdefXYZ", x + "abcdefQQQQQQQQ", 65545), 0);
  // Within the first 65536 characters "abcdef" meets "abcxyz".
  EXPECT_EQ(LevenshteinDistance(x + "abcdef", x + "abcxyz123", 65539), 3);
  // One line longer than the cut, the other shorter.
  EXPECT_EQ(LevenshteinDistance(x + "abcdefgh", x + "ab", 65538), 4);
}
