// The "-d" replacement: known results of the plain loop, and the fast form
// compared with it on random inputs where replace-alls create, destroy and
// overlap occurrences of later keys.
#include "extractor/replace_all_keys.h"

#include <gtest/gtest.h>

#include <ostream>
#include <random>
#include <string>
#include <vector>

#include "tests/support/testutil.h"

namespace {

using Fn = std::vector<bool> (*)(std::string&, const std::vector<TReplaceItem>&);

struct Form {
  const char* name;
  Fn fn;
};
void PrintTo(const Form& f, std::ostream* os) { *os << f.name; }

class AllKeysForms : public ::testing::TestWithParam<Form> {};

struct Case {
  const char* name;
  std::string text;
  std::vector<TReplaceItem> items;
  std::string want;
  std::vector<bool> found;
};

TEST_P(AllKeysForms, FixedCases) {
  const std::vector<Case> cases = {
      // Every occurrence of the key changes, with or without the right part.
      {"AllPlaces", "a=\"hi\" b=\"hi\" hi!", {{"hi\"", 2, "yo"}}, "a=\"yo\" b=\"yo\" yo!", {true}},
      // Key followed by right part absent: nothing changes, the line misses.
      {"RightPartMissing", "hi! hi?", {{"hi\"", 2, "yo"}}, "hi! hi?", {false}},
      // Non-overlapping, left to right: "aaa" holds one "aa".
      {"NonOverlapping", "aaaaa", {{"aa", 2, "b"}}, "bba", {true}},
      // The replacement is not searched again within one line.
      {"NoRescanInsideLine", "ab", {{"a", 1, "aa"}}, "aab", {true}},
      // A replace-all creates the next key across its seams.
      {"CreatesLaterKey", "xAyAz", {{"A", 1, "B"}, {"yB", 2, "Q"}}, "xBQz", {true, true}},
      // ... and destroys a later key.
      {"DestroysLaterKey", "cat cat", {{"a", 1, "o"}, {"cat", 3, "dog"}}, "cot cot", {true, false}},
      // Untranslated line and empty key: found, text unchanged.
      {"UnchangedLines", "k=v", {{"k=", 2, "k="}, {"=v", 0, "zz"}}, "k=v", {true, true}},
      {"EmptySearch", "abc", {{"", 0, "x"}, {"b", 1, ""}}, "ac", {false, true}},
      // Replacement holding its own key: each line replaces once.
      {"ReplacementHoldsKey", "a.a", {{"a", 1, "[a]"}, {"a", 1, "<a>"}}, "[<a>].[<a>]", {true, true}},
  };
  for (const Case& c : cases) {
    std::string t = c.text;
    std::vector<bool> f = GetParam().fn(t, c.items);
    EXPECT_EQ(t, c.want) << c.name;
    EXPECT_EQ(f, c.found) << c.name;
  }
}

INSTANTIATE_TEST_SUITE_P(Forms, AllKeysForms,
                         ::testing::Values(Form{"Literal", &ReplaceAllKeysLiteral}, Form{"Fast", &ReplaceAllKeysFast}),
                         [](const ::testing::TestParamInfo<Form>& info) { return std::string(info.param.name); });

// Keys drawn from the text as the literal loop has changed it so far (so
// most lines are found), from short overlapping runs, and repeated; rights
// that are often empty; replacements that hold keys or parts of them.
TEST(ReplaceAllKeysRandom, SameAsLiteralLoop) {
  std::mt19937 rng(17017);
  size_t created = 0, destroyed = 0, multi = 0;
  for (int c = 0; c < 5000; ++c) {
    const bool longKeys = c % 5 == 4;  // over the 8-byte anchor length
    const std::string alpha = c % 3 == 0 ? "ab" : (c % 3 == 1 ? "abc" : "ab\"=");
    const std::string text = RandomString(rng, alpha, 0, longKeys ? 600 : 60);
    const size_t maxKey = longKeys ? 24 : 4;
    std::string cur = text;
    std::vector<TReplaceItem> items;
    std::vector<std::string> keys;
    for (size_t i = 0, n = RandomIndex(rng, 20); i < n; ++i) {
      std::string key;
      switch (RandomIndex(rng, 5)) {
        case 0:
        case 1:
          key = RandomPiece(rng, cur, maxKey);
          break;
        case 2:
          if (!keys.empty()) {
            key = keys[RandomIndex(rng, keys.size())];
            break;
          }
          [[fallthrough]];
        default:
          key = RandomString(rng, alpha, 0, maxKey);
      }
      std::string right = RandomIndex(rng, 2) ? "" : RandomString(rng, alpha, 1, 2);
      std::string rep;
      switch (RandomIndex(rng, 6)) {
        case 0:
          rep = key;
          break;
        case 1:
          break;
        case 2:
          if (!keys.empty()) rep = RandomString(rng, alpha, 0, 1) + keys[RandomIndex(rng, keys.size())] + RandomString(rng, alpha, 0, 1);
          break;
        case 3:
          rep = key.substr(RandomIndex(rng, key.size() + 1)) + key.substr(0, RandomIndex(rng, key.size() + 1));
          break;
        default:
          rep = RandomString(rng, alpha, 0, longKeys ? 30 : 4);
      }
      TReplaceItem it{key + right, key.size(), rep};
      if (!key.empty()) keys.push_back(key);
      // What the literal loop does with this line: tally created and
      // destroyed occurrences of later lines' searches.
      bool inOrig = !it.search.empty() && text.find(it.search) != std::string::npos;
      bool inCur = !it.search.empty() && cur.find(it.search) != std::string::npos;
      if (inOrig && !inCur) ++destroyed;
      if (!inOrig && inCur) ++created;
      if (inCur && !key.empty() && cur.find(key, cur.find(key) + key.size()) != std::string::npos) ++multi;
      std::vector<TReplaceItem> one = {it};
      ReplaceAllKeysLiteral(cur, one);
      items.push_back(it);
    }
    std::string lit = text, fast = text;
    std::vector<bool> fl = ReplaceAllKeysLiteral(lit, items);
    std::vector<bool> ff = ReplaceAllKeysFast(fast, items);
    ASSERT_EQ(lit, cur);
    if (lit != fast || fl != ff) {
      std::string d = "case " + std::to_string(c) + " text=\"" + text + "\"";
      for (const TReplaceItem& it : items)
        d += " {\"" + it.search + "\"," + std::to_string(it.keyLen) + ",\"" + it.replacement + "\"}";
      FAIL() << d << "\nliteral: \"" << lit << "\"\nfast:    \"" << fast << "\"";
    }
  }
  // The generator must really make edits create and destroy occurrences and
  // replace several places at once.
  EXPECT_GT(created, 500u);
  EXPECT_GT(destroyed, 500u);
  EXPECT_GT(multi, 2000u);
}

}  // namespace
