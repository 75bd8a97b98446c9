// Similarity search: the fast distance engine and the prepared search are
// compared with the literal two-row algorithm and the literal search loop.
#include "optimizer/levenshtein.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "common/stringlist.h"
#include "common/strutil.h"
#include "tests/support/testutil.h"

namespace {

// The literal algorithm: a buffer of 2 * (L + 1) cells holding two rows.
class PlainLevenshtein {
 public:
  void Init(int maxLen) {
    int len = maxLen == 0 ? 65536 : maxLen;
    cells_.assign(2 * (static_cast<size_t>(len) + 1), 0);
  }
  int Distance(std::string a, std::string b, int bound) {
    if (static_cast<long long>(cells_.size()) < 2LL * (bound + 1)) {
      long long half = static_cast<long long>(cells_.size()) / 2;
      a = Copy(a, 1, half - 1);
      b = Copy(b, 1, half - 1);
    }
    if (a.empty()) return static_cast<int>(b.size());
    if (b.empty()) return static_cast<int>(a.size());
    const size_t lb = b.size();
    int* prev = cells_.data();
    int* cur = cells_.data() + lb + 1;
    for (size_t j = 0; j <= lb; ++j) prev[j] = static_cast<int>(j);
    for (size_t i = 1; i <= a.size(); ++i) {
      cur[0] = static_cast<int>(i);
      for (size_t j = 1; j <= lb; ++j) {
        int cost = a[i - 1] == b[j - 1] ? 0 : 1;
        cur[j] = Min3(prev[j] + 1, cur[j - 1] + 1, prev[j - 1] + cost);
      }
      std::swap(prev, cur);
    }
    return prev[lb];
  }
  int FindSimilar(const std::string& s, const std::vector<std::string>& list, int minLen,
                  uint8_t percent, bool window, bool skipIdentical) {
    int len = static_cast<int>(s.size());
    if (len < minLen) return -1;
    int allowed = static_cast<int>(std::floor((100 - static_cast<int>(percent)) * len / 100.0));
    int lo = len - allowed, hi = len + allowed;
    int best = -1, limit = allowed;
    for (size_t i = 0; i < list.size(); ++i) {
      const std::string& line = list[i];
      int n = static_cast<int>(line.size());
      if (line.empty() || n < minLen) continue;
      if (window && (n < lo || n > hi)) continue;
      int d = Distance(s, line, std::max(len, n));
      if (d <= limit) {
        if (skipIdentical && line == s) continue;
        best = static_cast<int>(i);
        limit = d;
      }
    }
    return best;
  }

 private:
  std::vector<int> cells_;
};

// Restores the default buffer after a test that changed it.
struct BufferGuard {
  ~BufferGuard() { InitLevenshteinBuffer(0); }
};

std::string Mutate(std::mt19937& rng, std::string s, const std::string& alphabet, int edits) {
  for (int e = 0; e < edits; ++e) {
    int op = static_cast<int>(rng() % 3);
    char c = alphabet[rng() % alphabet.size()];
    if (op == 0 || s.empty()) {
      s.insert(s.begin() + (s.empty() ? 0 : rng() % (s.size() + 1)), c);
    } else if (op == 1) {
      s.erase(s.begin() + rng() % s.size());
    } else {
      s[rng() % s.size()] = c;
    }
  }
  return s;
}

TStringList MakeList(const std::vector<std::string>& lines) {
  TStringList l;
  l.Assign(lines);
  return l;
}

}  // namespace

TEST(Levenshtein, KnownDistances) {
  InitLevenshteinBuffer(0);
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
  InitLevenshteinBuffer(0);
  // Two UTF-8 letters differing in one byte each.
  EXPECT_EQ(LevenshteinDistance("\xD0\x90\xD0\x91", "\xD0\x90\xD0\x92", 4), 1);
  EXPECT_EQ(LevenshteinDistance(std::string("a\0b", 3), std::string("a\0c", 3), 3), 1);
  EXPECT_EQ(LevenshteinDistance("\xFF\xFF", "\xFE", 2), 2);
}

TEST(Levenshtein, RandomPairsMatchPlainAlgorithm) {
  InitLevenshteinBuffer(0);
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
  InitLevenshteinBuffer(0);
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
  BufferGuard guard;
  std::mt19937 rng(99);
  for (int cut : {1, 5, 10, 64, 70}) {
    InitLevenshteinBuffer(cut);
    EXPECT_EQ(LevenshteinCutLength(), cut);
    PlainLevenshtein plain;
    plain.Init(cut);
    for (int rep = 0; rep < 300; ++rep) {
      std::string a = RandomString(rng, "abc", 0, 150);
      std::string b = RandomString(rng, "abc", 0, 150);
      int bound = static_cast<int>(std::max(a.size(), b.size()));
      ASSERT_EQ(LevenshteinDistance(a, b, bound), plain.Distance(a, b, bound)) << cut;
    }
  }
  InitLevenshteinBuffer(3);
  // Only "abc" and "abd" take part.
  EXPECT_EQ(LevenshteinDistance("abcXXXXXXX", "abdYYYYYYYYYYYY", 15), 1);
  EXPECT_EQ(LevenshteinDistance("abcdef", "abc", 6), 0);
}

TEST(Levenshtein, DefaultCutIs65536Characters) {
  InitLevenshteinBuffer(0);
  EXPECT_EQ(LevenshteinCutLength(), 65536);
  std::mt19937 rng(5);
  std::string x = RandomString(rng, "abcdefgh", 65530, 65530);
  // Lines that agree on their first 65536 characters are at distance 0.
  EXPECT_EQ(LevenshteinDistance(x + "abcdefXYZ", x + "abcdefQQQQQQQQ", 65545), 0);
  // Within the first 65536 characters "abcdef" meets "abcxyz".
  EXPECT_EQ(LevenshteinDistance(x + "abcdef", x + "abcxyz123", 65539), 3);
  // One line longer than the cut, the other shorter.
  EXPECT_EQ(LevenshteinDistance(x + "abcdefgh", x + "ab", 65538), 4);
}

TEST(FindSimilar, ShortLineFindsNothing) {
  InitLevenshteinBuffer(0);
  TStringList list = MakeList({"123456789", "abcdefghi"});
  EXPECT_EQ(FindSimilarLine("123456789", list, 10, 50, true, false), -1);
  EXPECT_EQ(FindSimilarLine("123456789", list, 9, 50, true, false), 0);
}

TEST(FindSimilar, IdenticalLinesAndTies) {
  InitLevenshteinBuffer(0);
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
  InitLevenshteinBuffer(0);
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
  InitLevenshteinBuffer(0);
  TStringList list = MakeList({"identical text"});
  EXPECT_EQ(FindSimilarLine("identical text", list, 0, 101, true, false), -1);
  EXPECT_EQ(FindSimilarLine("identical text", list, 0, 255, false, false), -1);
  EXPECT_EQ(FindSimilarLine("identical text", list, 0, 100, true, false), 0);
}

TEST(FindSimilar, EmptyLinesAreNeverCandidates) {
  InitLevenshteinBuffer(0);
  TStringList list = MakeList({"", "x"});
  EXPECT_EQ(FindSimilarLine("", list, 0, 0, false, false), -1);
  EXPECT_EQ(FindSimilarLine("y", list, 0, 0, false, false), 1);
  EXPECT_EQ(FindSimilarLine("y", list, 0, 0, true, false), 1);
}

TEST(FindSimilar, RandomListsMatchPlainSearch) {
  BufferGuard guard;
  std::mt19937 rng(2024);
  for (int round = 0; round < 5; ++round) {
    int cut = round == 4 ? 24 : 0;  // the last round lets the cut act
    InitLevenshteinBuffer(cut);
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
      TSimilarIndex index(lines);
      TLevenshteinKernel kernel;
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
        ASSERT_EQ(FindSimilarLine(s, list, minLen, static_cast<uint8_t>(percent), window, skip), expected)
            << "s=" << s << " minLen=" << minLen << " percent=" << percent;
        ASSERT_EQ(index.Find(s, minLen, static_cast<uint8_t>(percent), window, skip, kernel), expected)
            << "s=" << s << " minLen=" << minLen << " percent=" << percent << " window=" << window
            << " skip=" << skip;
        queries.push_back(s);
      }
      // The batch search with threads gives the searches' results in order.
      std::vector<int> batch = FindSimilarLines(queries, lines, 10, 50, true, false, 3);
      ASSERT_EQ(batch.size(), queries.size());
      for (size_t q = 0; q < queries.size(); ++q) {
        ASSERT_EQ(batch[q], plain.FindSimilar(queries[q], lines, 10, 50, true, false));
      }
    }
  }
}

TEST(FindSimilar, LongLinesBeyondTheCutInTheIndex) {
  BufferGuard guard;
  InitLevenshteinBuffer(20);
  PlainLevenshtein plain;
  plain.Init(20);
  std::vector<std::string> lines = {"abcdefghijklmnopqrstuvwxyz", "abcdefghijklmnopqrstXXXXXX",
                                    "abcdefghijklmnopqrsZ", "abcdefghijklmnopqrst", "short"};
  TSimilarIndex index(lines);
  TLevenshteinKernel kernel;
  for (const std::string& s : {std::string("abcdefghijklmnopqrst"), std::string("abcdefghijklmnopqrstuvwxyz"),
                               std::string("abcdefghijklmnopqrsQ"), std::string("abcdefghijklmnopqrstuvwxyQQ")}) {
    for (bool skip : {false, true}) {
      for (bool window : {false, true}) {
        int expected = plain.FindSimilar(s, lines, 5, 50, window, skip);
        EXPECT_EQ(index.Find(s, 5, 50, window, skip, kernel), expected) << s << skip << window;
        EXPECT_EQ(FindSimilarLine(s, MakeList(lines), 5, 50, window, skip), expected);
      }
    }
  }
}

TEST(FindSimilar, HistogramBoundNeverExceedsDistance) {
  InitLevenshteinBuffer(0);
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
  for (int iter = 0; iter < 3000; ++iter) {
    // Pattern lengths up to 20 words cover the fixed forms (1-8 words), the
    // general one, and the vector form's limit of 16 words.
    const size_t maxLen = iter % 20 == 0 ? 1300 : (iter % 4 == 0 ? 300 : 90);
    const std::string alpha = iter % 2 ? "abc" : "abcdefghijklmnop ";
    std::string a = RandomString(rng, alpha, 1, maxLen);
    std::string b = iter % 3 ? Mutate(rng, a, alpha, static_cast<int>(rng() % (a.size() / 2 + 2)))
                             : RandomString(rng, alpha, 1, maxLen);
    if (b.empty()) b.push_back('a');
    const int lcs = PlainLcs(a, b);
    kernel.SetPattern(a);
    for (int need : {lcs - 1, lcs, lcs + 1, 0, static_cast<int>(rng() % (a.size() + 2))}) {
      ASSERT_EQ(kernel.LcsBelow(b, need), lcs < need) << "need " << need << " lcs " << lcs;
    }
  }
}

TEST(LcsBound, BatchOfOneLengthAgainstPlainTable) {
  std::mt19937 rng(707);
  TLevenshteinKernel kernel;
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
    const int count = 1 + static_cast<int>(rng() % TLevenshteinKernel::kBatch);
    // The texts live in one buffer, as in the prepared list.
    std::string buffer;
    for (int l = 0; l < count; ++l) {
      std::string t = rng() % 2 ? RandomString(rng, alpha, n, n) : Mutate(rng, a, alpha, 3);
      t.resize(n, 'a');
      buffer += t;
    }
    std::string_view texts[TLevenshteinKernel::kBatch];
    int need[TLevenshteinKernel::kBatch];
    uint32_t expected = 0;
    for (int l = 0; l < count; ++l) {
      texts[l] = std::string_view(buffer).substr(l * n, n);
      const int lcs = PlainLcs(a, std::string(texts[l]));
      need[l] = lcs + static_cast<int>(rng() % 5) - 2;
      if (lcs < need[l]) expected |= uint32_t{1} << l;
    }
    ASSERT_EQ(kernel.LcsBelowBatch(texts, count, need), expected) << "m " << m << " n " << n;
  }
}

TEST(FindSimilar, LargerListAgainstPlainSearch) {
  InitLevenshteinBuffer(0);
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
  TLevenshteinKernel kernel;
  std::vector<std::string> queries;
  for (int q = 0; q < 60; ++q) {
    queries.push_back(q % 2 ? RandomString(rng, alpha, 10, 150)
                            : Mutate(rng, lines[rng() % lines.size()], alpha, static_cast<int>(rng() % 8)));
  }
  std::vector<int> batch = FindSimilarLines(queries, lines, 10, 50, true, false, 2);
  for (size_t q = 0; q < queries.size(); ++q) {
    const int expected = plain.FindSimilar(queries[q], lines, 10, 50, true, false);
    ASSERT_EQ(index.Find(queries[q], 10, 50, true, false, kernel), expected) << queries[q];
    ASSERT_EQ(batch[q], expected);
    ASSERT_EQ(index.Find(queries[q], 10, 70, false, true, kernel),
              plain.FindSimilar(queries[q], lines, 10, 70, false, true));
  }
}
