// The "-rep_reg" replacement: which right patterns allow the candidate
// search, known results, and the fast form compared with the plain loop on
// random inputs where translations create and destroy later matches.
#include "extractor/regex_key_search.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "tests/support/testutil.h"

namespace {

struct Result {
  std::string text;
  std::vector<bool> found;
  std::vector<std::string> warnings;
  std::string error;  // what() of an error that ended the run
};

// The fast engine in its in-place form, as the plain loop is.
const auto kFastInPlace = static_cast<decltype(&ReplaceRegexKeysLiteral)>(&ReplaceRegexKeysFast);

template <class Fn>
Result RunWith(Fn fn, const std::string& text, const std::vector<TRegexKeyItem>& items,
               TRegexKeyEdit edit = TRegexKeyEdit::kFirstPlace) {
  Result r;
  r.text = text;
  try {
    fn(r.text, items, [&](size_t i, bool found, const std::string& warning) {
      EXPECT_EQ(i, r.found.size());
      r.found.push_back(found);
      r.warnings.push_back(warning);
    }, edit);
  } catch (const std::exception& e) {
    r.error = e.what();
  }
  return r;
}

TEST(RegexKeySearch, IndependentTails) {
  const std::vector<std::pair<const char*, bool>> cases = {
      {"", true},          {"\"", true},         {"(?=\\))", true},      {"[|*]x", true},
      {"[]|]", true},      {"(a|b)c", true},     {"\\Q|\\E", true},      {"(?i)a", true},
      {"(?#|)a", true},    {"(?<=a)b", true},    {"[[:alpha:]|]", true}, {"\\|", true},
      {"a|b", false},      {"*a", false},        {"+", false},           {"?", false},
      {"{2}", false},      {"a(*COMMIT)b", false}, {"\\Ka", false},      {"\\Ga", false},
      {"(?R)", false},     {"(?0)", false},      {"(?x)a # |", false},   {"a)", false},
      {"(a", false},       {"[a", false},        {"\\", false},          {"(?-1)", false},
  };
  for (const auto& [pattern, want] : cases) EXPECT_EQ(IsIndependentTail(pattern), want) << pattern;
}

TEST(RegexKeySearch, LiteralHeads) {
  const std::vector<std::pair<const char*, const char*>> cases = {
      {"</t>", "</t>"}, {"\"", "\""},     {"(?=\")", "\""}, {"(?=\")x", "\""}, {"ab+", "a"},
      {"ab?", "a"},      {"ab{2}", "a"}, {"a.b", "a"},     {"\\.\\r\\n", ".\r\n"},
      {"a\\d", "a"},     {"(?=a|b)", ""}, {"(?=ab+)", ""},  {"(?i)a", ""},      {"a(b|c)", "a"},
      {"[a]", ""},       {"", ""},      {"a$", "a"},      {"\\Qa\\E", ""},
  };
  for (const auto& [pattern, want] : cases) EXPECT_EQ(LiteralHead(pattern), want) << pattern;
}

TEST(RegexKeySearch, FirstMatchWithRightPattern) {
  // The first "ab" is not followed by a digit; the second is.
  const std::vector<TRegexKeyItem> items = {{"ab", "[0-9]", "X"}, {"ab", "[0-9]", "Y"}, {"ab", "$", "Z"}};
  for (auto fn : {&ReplaceRegexKeysLiteral, &ReplaceRegexKeysFast}) {
    Result r = RunWith(fn, "abc ab1 ab2 ab", items);
    EXPECT_EQ(r.text, "abc X1 Y2 Z");
    EXPECT_EQ(r.found, std::vector<bool>({true, true, true}));
  }
  // A top-level alternation makes the pattern match without the key.
  for (auto fn : {&ReplaceRegexKeysLiteral, &ReplaceRegexKeysFast}) {
    Result r = RunWith(fn, "q-'zzz", {{"key", "\"|'", "K"}});
    EXPECT_EQ(r.text, "q-Kz");
  }
  // A right pattern that needs text far beyond the place.
  std::string far = "k=" + std::string(5000, 'a') + "END";
  for (auto fn : {&ReplaceRegexKeysLiteral, &ReplaceRegexKeysFast}) {
    Result r = RunWith(fn, "k=a$" + far, {{"k=", "a+END", "K="}});
    EXPECT_EQ(r.text, "k=a$K=" + far.substr(2));
  }
}

TEST(RegexKeySearch, InvalidPatternStopsAtItsLine) {
  // A right pattern that does not compile, and a key too large for PCRE2
  // once quoted into the pattern.
  const std::string huge(70000, 'a');
  for (const std::string& bad : {std::string("("), std::string("a")}) {
    const std::vector<TRegexKeyItem> items = {
        {"a", "", "b"}, bad == "(" ? TRegexKeyItem{"a", "(", "c"} : TRegexKeyItem{huge, "", "c"}, {"a", "", "d"}};
    const std::string text = "aaa" + huge;
    Result lit = RunWith(&ReplaceRegexKeysLiteral, text, items);
    Result fast = RunWith(kFastInPlace, text, items);
    EXPECT_EQ(lit.found, std::vector<bool>({true}));
    EXPECT_FALSE(lit.error.empty());
    EXPECT_TRUE(lit.text == text);
    EXPECT_EQ(fast.found, lit.found);
    EXPECT_EQ(fast.error, lit.error);
    EXPECT_TRUE(fast.text == lit.text);
  }
}

// Right patterns over the alphabet "ab\"\n": look-arounds, anchors, lazy
// runs, classes, one that reaches far, and some that are not independent
// tails (or do not compile) so that the whole-text search serves.
const std::vector<std::string> kRights = {
    "",        "\"",        "b",          "(?=a)",     "a+?b",       "[ab]\"",   ".",
    "$",       "^a",        "\\b",        "(?<=a)",    "(?<!b)a",    "(?!a)",    "\\z",
    "(?i)A",   ".*?\"",     "\\n",        "(a|b)\"",   "a*+b",       "(?=.*\")", "[^a]{2}",
    "a|b",     "*",         "?\"",        "(?<=\"a)b", "b(?=[ab]*$)", "[^\n]*+\\z", "(?=[^\n]*+\n)",
    "ab\"?",   "(?=\"a)",  "\\\"\\n"};

void CompareOnRandomInputs(TRegexKeyEdit edit, unsigned seed) {
  std::mt19937 rng(seed);
  size_t created = 0, destroyed = 0, found = 0, lines = 0;
  for (int c = 0; c < 3000; ++c) {
    const bool big = c % 10 == 9;
    const std::string alpha = c % 2 || big ? "ab\"" : "ab\"\n";
    std::string text = RandomString(rng, alpha, 0, big ? 3000 : 50);
    // Long texts get one line break: the patterns that look for it or for
    // the end of the text decide only with the text far from the place.
    if (big && !text.empty()) text.insert(RandomIndex(rng, text.size()), "\n");
    std::string cur = text;
    std::vector<TRegexKeyItem> items;
    std::vector<std::string> keys;
    for (size_t i = 0, n = RandomIndex(rng, 20); i < n; ++i) {
      TRegexKeyItem it;
      switch (RandomIndex(rng, 4)) {
        case 0:
        case 1:
          it.key = RandomPiece(rng, cur, big ? 12 : 3);
          break;
        case 2:
          if (!keys.empty()) {
            it.key = keys[RandomIndex(rng, keys.size())];
            break;
          }
          [[fallthrough]];
        default:
          it.key = RandomString(rng, alpha, 0, 3);
      }
      it.rightPattern = kRights[RandomIndex(rng, kRights.size())];
      switch (RandomIndex(rng, 4)) {
        case 0:
          it.replacement = it.key;
          break;
        case 1:
          if (!keys.empty()) it.replacement = RandomString(rng, alpha, 0, 1) + keys[RandomIndex(rng, keys.size())];
          break;
        default:
          // (replace-alls of short keys by long texts would grow the text
          // without bound)
          it.replacement = RandomString(rng, alpha, 0, big && edit == TRegexKeyEdit::kFirstPlace ? 40 : 4);
      }
      if (!it.key.empty()) keys.push_back(it.key);
      // Tally what the literal loop does with this line alone.
      const std::string before = cur;
      Result one = RunWith(&ReplaceRegexKeysLiteral, cur, {it}, edit);
      if (one.error.empty()) {
        Result inOrig = RunWith(&ReplaceRegexKeysLiteral, text, {it}, edit);
        ++lines;
        found += one.found[0];
        if (one.found[0] && !inOrig.found[0]) ++created;
        if (!one.found[0] && inOrig.found[0]) ++destroyed;
        cur = one.text;
      }
      items.push_back(it);
    }
    Result lit = RunWith(&ReplaceRegexKeysLiteral, text, items, edit);
    Result fast = RunWith(kFastInPlace, text, items, edit);
    if (lit.text != fast.text || lit.found != fast.found || lit.warnings != fast.warnings || lit.error != fast.error) {
      std::string d = "case " + std::to_string(c) + " text=\"" + text + "\"";
      for (const TRegexKeyItem& it : items)
        d += " {\"" + it.key + "\",\"" + it.rightPattern + "\",\"" + it.replacement + "\"}";
      ADD_FAILURE() << d << "\nliteral: \"" << lit.text << "\" " << lit.error << "\nfast:    \"" << fast.text << "\" "
             << fast.error;
      return;
    }
  }
  EXPECT_GT(created, lines / 50) << "found " << found << " of " << lines;
  EXPECT_GT(destroyed, lines / 50) << "found " << found << " of " << lines;
}

TEST(RegexKeySearchRandom, SameAsLiteralLoop) { CompareOnRandomInputs(TRegexKeyEdit::kFirstPlace, 4711); }

// With "-d" a found line replaces every occurrence of its key.
TEST(RegexKeySearchRandom, EveryKeySameAsLiteralLoop) { CompareOnRandomInputs(TRegexKeyEdit::kEveryKey, 4712); }

}  // namespace
