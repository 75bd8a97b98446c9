#include "common/comparestring.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "common/classic_string.h"
#include "tests/support/testutil.h"

namespace {

using namespace std::string_literals;

// The comparison loop written out step by step over NUL-terminated texts,
// as a reference for the fast code.
int ReferenceNatural(const std::string& a0, const std::string& b0, bool caseSensitive) {
  if (a0.empty()) return b0.empty() ? 0 : -1;
  if (b0.empty()) return 1;
  std::string a = caseSensitive ? a0 : AnsiLowerCase(a0);
  std::string b = caseSensitive ? b0 : AnsiLowerCase(b0);
  const char* p = a.c_str();  // c_str ends in NUL: the end or a NUL byte ends a text
  const char* q = b.c_str();
  auto digit = [](char c) { return c >= '0' && c <= '9'; };
  for (;;) {
    if (*p == '\0') return *q == '\0' ? 0 : -1;
    if (*q == '\0') return 1;
    if (digit(*p) && !digit(*q)) return -1;
    if (digit(*q) && !digit(*p)) return 1;
    if (!digit(*p)) {
      if (*p == *q) {
        ++p;
        ++q;
        continue;
      }
      return static_cast<unsigned char>(*p) < static_cast<unsigned char>(*q) ? -1 : 1;
    }
    uint64_t na = 0, nb = 0;
    int ca = 0, cb = 0;
    while (digit(*p)) {
      na = na * 10 + static_cast<uint64_t>(*p - '0');
      ++p;
      ++ca;
    }
    while (digit(*q)) {
      nb = nb * 10 + static_cast<uint64_t>(*q - '0');
      ++q;
      ++cb;
    }
    int64_t sa = static_cast<int64_t>(na), sb = static_cast<int64_t>(nb);
    if (sa != sb) return sa < sb ? -1 : 1;
    if (sa == 0 && ca != cb) return ca < cb ? -1 : 1;
  }
}

TEST(CompareNatural, NumbersCompareByValue) {
  EXPECT_EQ(CompareNaturalStr("line9", "line10"), -1);
  EXPECT_EQ(CompareNaturalStr("line10", "line9"), 1);
  EXPECT_EQ(CompareNaturalStr("a2b", "a10a"), -1);
  EXPECT_EQ(CompareNaturalStr("x", "x"), 0);
  EXPECT_EQ(CompareNaturalStr("10", "9"), 1);
  EXPECT_EQ(CompareNaturalStr("a100b", "a99c"), 1);
}

TEST(CompareNatural, LeadingZerosAndZeroRuns) {
  EXPECT_EQ(CompareNaturalStr("x007", "x7"), 0);
  EXPECT_EQ(CompareNaturalStr("x7", "x007"), 0);
  EXPECT_EQ(CompareNaturalStr("x007a", "x7b"), -1);
  EXPECT_EQ(CompareNaturalStr("x0", "x00"), -1);
  EXPECT_EQ(CompareNaturalStr("x00", "x0"), 1);
  EXPECT_EQ(CompareNaturalStr("x00", "x00"), 0);
  // Equal non-zero runs go on with the rest, whatever their lengths.
  EXPECT_EQ(CompareNaturalStr("01a", "1b"), -1);
  EXPECT_EQ(CompareNaturalStr("0", "1"), -1);
  EXPECT_EQ(CompareNaturalStr("00", "1"), -1);
}

TEST(CompareNatural, DigitsBeforeOtherBytes) {
  EXPECT_EQ(CompareNaturalStr("9", "a"), -1);
  EXPECT_EQ(CompareNaturalStr("a", "9"), 1);
  // A digit sorts before any byte, even one of a lower value.
  EXPECT_EQ(CompareNaturalStr("1", " "), -1);
  EXPECT_EQ(CompareNaturalStr("a1", "a!"), -1);
}

TEST(CompareNatural, EmptyAndPrefix) {
  EXPECT_EQ(CompareNaturalStr("", ""), 0);
  EXPECT_EQ(CompareNaturalStr("", "a"), -1);
  EXPECT_EQ(CompareNaturalStr("a", ""), 1);
  EXPECT_EQ(CompareNaturalStr("abc", "abcd"), -1);
  EXPECT_EQ(CompareNaturalStr("abcd", "abc"), 1);
  EXPECT_EQ(CompareNaturalStr("a1", "a1x"), -1);
}

TEST(CompareNatural, NulEndsText) {
  EXPECT_EQ(CompareNaturalStr("a\0b"s, "a\0c"s), 0);
  EXPECT_EQ(CompareNaturalStr("a\0b"s, "a"), 0);
  EXPECT_EQ(CompareNaturalStr("a\0b"s, "ab"), -1);
  // The test for empty texts looks at the whole text.
  EXPECT_EQ(CompareNaturalStr("\0"s, ""), 1);
  EXPECT_EQ(CompareNaturalStr("", "\0"s), -1);
  EXPECT_EQ(CompareNaturalStr("\0x"s, "\0y"s), 0);
}

TEST(CompareNatural, BytesAreUnsigned) {
  EXPECT_EQ(CompareNaturalStr("\xE0", "z"), 1);
  EXPECT_EQ(CompareNaturalStr("z", "\xE0"), -1);
  EXPECT_EQ(CompareNaturalStr("\x7F", "\x80"), -1);
}

TEST(CompareNatural, CaseIgnoring) {
  EXPECT_EQ(CompareNaturalText("ABC1", "abc1"), 0);
  EXPECT_EQ(CompareNaturalStr("ABC1", "abc1"), -1);
  EXPECT_EQ(CompareNaturalText("Line9", "line10"), -1);
  EXPECT_EQ(CompareNaturalText("B", "a"), 1);
  EXPECT_EQ(CompareNaturalStr("B", "a"), -1);
  // Letters beyond ASCII: UTF-8 text and single bytes (Latin-1).
  EXPECT_EQ(CompareNaturalText("\xC3\x84x2", "\xC3\xA4x02"), 0);
  EXPECT_EQ(CompareNaturalText("\xD0\x96", "\xD0\xB6"), 0);  // Cyrillic Zhe
  EXPECT_NE(CompareNaturalStr("\xD0\x96", "\xD0\xB6"), 0);
  EXPECT_EQ(CompareNaturalText("\xC4", "\xE4"), 0);
}

TEST(CompareNatural, HugeNumbersDoNotBreakTheOrder) {
  std::string big(40, '9');
  int ab = CompareNaturalStr("a" + big, "a1");
  int ba = CompareNaturalStr("a1", "a" + big);
  EXPECT_EQ(ab, -ba);
  EXPECT_NE(ab, 0);
  EXPECT_EQ(CompareNaturalStr("x" + big, "x" + big), 0);
  EXPECT_EQ(ab, ReferenceNatural("a" + big, "a1", true));
  // 2^64 wraps to zero: a run of zero value, compared by its length.
  EXPECT_EQ(CompareNaturalStr("18446744073709551616", "0"), ReferenceNatural("18446744073709551616", "0", true));
}

TEST(CompareNatural, MatchesReferenceOnRandomTexts) {
  std::mt19937 rng(20240601);
  const std::string alphabets[] = {
      "0123456789ab", "00a1", "0123456789aAbBzZ \x01\xC3\xA4\xE0"s, "09aA\0"s, "0123456789"};
  for (int round = 0; round < 60000; ++round) {
    const std::string& alpha = alphabets[round % 5];
    std::string a = RandomString(rng, alpha, 0, 12);
    std::string b = round % 3 == 0 ? a : RandomString(rng, alpha, 0, 12);
    if (round % 7 == 0 && !b.empty()) b[rng() % b.size()] = '0';
    if (round % 11 == 0) b = std::string(rng() % 30, '9') + b;
    for (bool cs : {true, false}) {
      int fast = CompareNatural(a, b, cs);
      ASSERT_EQ(fast, ReferenceNatural(a, b, cs)) << "a=" << a << " b=" << b << " cs=" << cs;
      ASSERT_EQ(CompareNatural(b, a, cs), -fast) << "a=" << a << " b=" << b;
    }
  }
}

TEST(CompareNatural, IsAConsistentOrder) {
  std::mt19937 rng(7);
  std::vector<std::string> v;
  for (int i = 0; i < 3000; ++i) v.push_back(RandomString(rng, "0012ab.", 0, 8));
  std::sort(v.begin(), v.end(), [](const std::string& a, const std::string& b) {
    return CompareNaturalStr(a, b) < 0;
  });
  for (size_t i = 0; i + 1 < v.size(); ++i) {
    ASSERT_LE(CompareNaturalStr(v[i], v[i + 1]), 0) << v[i] << " / " << v[i + 1];
    if (i + 2 < v.size()) {
      ASSERT_LE(CompareNaturalStr(v[i], v[i + 2]), 0);
    }
  }
}

}  // namespace
