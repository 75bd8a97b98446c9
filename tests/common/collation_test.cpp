#include "common/collation.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "common/lineindex.h"
#include "common/stringlist.h"
#include "tests/support/testutil.h"

namespace {

int Sgn(int v) { return (v > 0) - (v < 0); }

TEST(Collation, EqualityIsExactBytesOrFolding) {
  EXPECT_EQ(CompareLines("abc", "abc", true), 0);
  EXPECT_NE(CompareLines("abc", "Abc", true), 0);
  EXPECT_EQ(CompareLines("abc", "ABC", false), 0);
  // Control bytes that the collation ignores never make lines equal.
  EXPECT_NE(CompareLines("a\x01" "b", "ab", true), 0);
  EXPECT_NE(CompareLines("a\x01" "b", "ab", false), 0);
  // Same letters, one valid UTF-8 and one byte per character.
  EXPECT_NE(CompareLines("\xC3\xA9", "\xE9", false), 0);
  EXPECT_EQ(CompareLines("\xD0\x9F", "\xD0\xBF", false), 0);  // П and п
  EXPECT_LT(CompareLines("a", "b", true), 0);
  EXPECT_LT(CompareLines("a", "B", false), 0);  // locale order, not byte order
}

TEST(Collation, SortKeysAgreeWithCompare) {
  std::mt19937 rng(5);
  const std::vector<std::string> pieces = {"a", "A", "b", "B", " ", "\x01", "\xC3\xA9", "\xC3\x89", "\xE9", "1", "-", "\xD0\x9F", "\xD0\xBF", "ss", "\xC3\x9F"};
  for (int iter = 0; iter < 4000; ++iter) {
    auto make = [&] {
      std::string s;
      int n = static_cast<int>(rng() % 4);
      for (int i = 0; i < n; ++i) s += pieces[rng() % pieces.size()];
      return s;
    };
    std::string a = make(), b = make();
    for (bool cs : {true, false}) {
      int c = CompareLines(a, b, cs);
      ASSERT_EQ(Sgn(c), -Sgn(CompareLines(b, a, cs)));
      std::string ka = CollationSortKey(a, cs), kb = CollationSortKey(b, cs);
      ASSERT_EQ(Sgn(c), Sgn(ka.compare(kb))) << a << " / " << b << " cs=" << cs;
      ASSERT_EQ(c == 0, EqualityKey(a, cs) == EqualityKey(b, cs)) << a << " / " << b << " cs=" << cs;
    }
    // The short case-ignoring key orders where it differs; equal lines
    // always have equal keys.
    std::string oa, ob;
    AppendCaselessOrderKey(a, oa);
    AppendCaselessOrderKey(b, ob);
    const int c = CompareLines(a, b, false);
    if (oa != ob) {
      ASSERT_EQ(Sgn(c), Sgn(oa.compare(ob))) << a << " / " << b;
    }
    if (c == 0) {
      ASSERT_EQ(oa, ob) << a << " / " << b;
    }
  }
}

TEST(LineIndex, MatchesLinearFirstScanUnderReplacements) {
  std::mt19937 rng(9);
  for (int round = 0; round < 300; ++round) {
    std::vector<std::string> lines;
    int n = static_cast<int>(rng() % 30);
    for (int i = 0; i < n; ++i) lines.push_back(RandomString(rng, "aAb", 0, 2));
    for (auto kind : {TLineMatch_Kind::Bytes, TLineMatch_Kind::CaseIgnoring}) {
      std::vector<std::string> cur = lines;
      TLineIndex idx(cur, kind);
      for (int step = 0; step < 60; ++step) {
        std::string q = RandomString(rng, "aAb", 0, 2);
        int expect = -1;
        for (size_t i = 0; i < cur.size(); ++i)
          if (kind == TLineMatch_Kind::Bytes ? cur[i] == q : CompareLines(cur[i], q, false) == 0) {
            expect = static_cast<int>(i);
            break;
          }
        ASSERT_EQ(idx.First(q), expect);
        if (!cur.empty() && rng() % 2) {
          int i = static_cast<int>(rng() % cur.size());
          cur[static_cast<size_t>(i)] = rng() % 2 ? std::string() : RandomString(rng, "aAb", 0, 2);
          idx.Replace(i, cur[static_cast<size_t>(i)]);
        }
      }
    }
  }
}

TEST(StringList, SortIsOrderedByCollation) {
  TStringList l;
  l.Assign({"b", "A", "a", "c", "B"});
  l.SetSorted(true);
  for (int i = 0; i + 1 < l.Count(); ++i) EXPECT_LE(CompareLines(l.Get(i), l.Get(i + 1), false), 0);
  TStringList u;
  u.SetSorted(true);
  for (const char* s : {"b", "A", "a", "c"}) u.Add(s);
  EXPECT_EQ(u.Count(), 3);  // a and A are one line ignoring case
}

}  // namespace
