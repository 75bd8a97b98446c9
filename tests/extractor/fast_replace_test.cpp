// Sequential replacement: known results of the plain loop, and the fast form
// compared with it on many random inputs built so that replacements create and
// destroy occurrences of later search strings.
#include "extractor/fast_replace.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace {

using Fn = std::vector<bool> (*)(std::string&, const std::vector<TReplaceItem>&);

struct Outcome {
  std::string text;
  std::vector<bool> found;
};

Outcome RunWith(Fn fn, std::string text, const std::vector<TReplaceItem>& items) {
  Outcome o;
  o.found = fn(text, items);
  o.text = std::move(text);
  return o;
}

std::string Describe(const std::string& text, const std::vector<TReplaceItem>& items) {
  std::string d = "text=\"" + text + "\" items:";
  for (const TReplaceItem& it : items)
    d += " {\"" + it.search + "\"," + std::to_string(it.keyLen) + ",\"" + it.replacement + "\"}";
  return d;
}

// Runs both forms and requires the same text and flags.
void ExpectSame(const std::string& text, const std::vector<TReplaceItem>& items) {
  Outcome lit = RunWith(ReplaceSequentialLiteral, text, items);
  Outcome fast = RunWith(ReplaceSequentialFast, text, items);
  ASSERT_EQ(lit.found.size(), items.size());
  ASSERT_EQ(fast.found.size(), items.size());
  if (lit.text != fast.text || lit.found != fast.found) {
    ADD_FAILURE() << Describe(text.size() < 400 ? text : text.substr(0, 400) + "...",
                              items.size() < 40 ? items : std::vector<TReplaceItem>())
                  << "\nliteral: \"" << (lit.text.size() < 400 ? lit.text : lit.text.substr(0, 400)) << "\""
                  << "\nfast:    \"" << (fast.text.size() < 400 ? fast.text : fast.text.substr(0, 400)) << "\"";
  }
}

// One of the two forms, named in test names and messages.
struct Form {
  const char* name;
  Fn fn;
};
void PrintTo(const Form& f, std::ostream* os) { *os << f.name; }

class BothForms : public ::testing::TestWithParam<Form> {};

TEST_P(BothForms, FirstPlaceChangesSecondStays) {
  std::string t = "x=\"abc\" y=\"abc\"";
  std::vector<bool> f = GetParam().fn(t, {{"abc\"", 3, "xyz"}});
  EXPECT_EQ(t, "x=\"xyz\" y=\"abc\"");
  EXPECT_EQ(f, std::vector<bool>({true}));
}

TEST_P(BothForms, RepeatedLineTakesNextPlace) {
  std::string t = "abc|abc|abc";
  std::vector<bool> f = GetParam().fn(t, {{"abc", 3, "1"}, {"abc", 3, "22"}, {"abc", 3, "333"}, {"abc", 3, "4"}});
  EXPECT_EQ(t, "1|22|333");
  EXPECT_EQ(f, std::vector<bool>({true, true, true, false}));
}

TEST_P(BothForms, GrowsAndShrinks) {
  std::string t = "[hi][there]";
  GetParam().fn(t, {{"hi]", 2, "hello"}, {"there]", 5, "x"}});
  EXPECT_EQ(t, "[hello][x]");
}

TEST_P(BothForms, TranslationHoldsLaterLineText) {
  // The second line's text first appears inside the first translation.
  std::string t = "A:hello;B:world;";
  std::vector<bool> f = GetParam().fn(t, {{"hello;", 5, "world"}, {"world;", 5, "mir"}});
  EXPECT_EQ(t, "A:mir;B:world;");
  EXPECT_EQ(f, std::vector<bool>({true, true}));
}

TEST_P(BothForms, TranslationDestroysLaterOccurrence) {
  // Removing "bX" takes the b of the first "ab": one place is left.
  std::string t = "abXab";
  std::vector<bool> f = GetParam().fn(t, {{"bX", 2, ""}, {"ab", 2, "X"}, {"ab", 2, "Y"}});
  EXPECT_EQ(t, "aX");
  EXPECT_EQ(f, std::vector<bool>({true, true, false}));
}

TEST_P(BothForms, OccurrenceAcrossSeam) {
  // Deleting "--" joins "ab" and "cd": "bc" exists only afterwards.
  std::string t = "ab--cd bc";
  std::vector<bool> f = GetParam().fn(t, {{"--", 2, ""}, {"bc", 2, "X"}});
  EXPECT_EQ(t, "aXd bc");
  EXPECT_EQ(f, std::vector<bool>({true, true}));
}

TEST_P(BothForms, EmptySearchNeverFound) {
  std::string t = "abc";
  std::vector<bool> f = GetParam().fn(t, {{"", 0, "zz"}, {"b", 1, ""}});
  EXPECT_EQ(t, "ac");
  EXPECT_EQ(f, std::vector<bool>({false, true}));
}

TEST_P(BothForms, RightPartStaysAndEmptyKeyInserts) {
  std::string t = "k=v;k=w;";
  std::vector<bool> f = GetParam().fn(t, {{"w;", 0, "new"}, {"k=", 1, "K"}});
  EXPECT_EQ(t, "K=v;k=neww;");
  EXPECT_EQ(f, std::vector<bool>({true, true}));
}

TEST_P(BothForms, NotFoundLeavesText) {
  std::string t = "abc";
  std::vector<bool> f = GetParam().fn(t, {{"abd", 3, "x"}, {"abcd", 1, "x"}});
  EXPECT_EQ(t, "abc");
  EXPECT_EQ(f, std::vector<bool>({false, false}));
}

TEST_P(BothForms, EmptyTextAndNoItems) {
  std::string t;
  EXPECT_EQ(GetParam().fn(t, {{"a", 1, "b"}}), std::vector<bool>({false}));
  EXPECT_EQ(t, "");
  t = "abc";
  EXPECT_TRUE(GetParam().fn(t, {}).empty());
  EXPECT_EQ(t, "abc");
}

INSTANTIATE_TEST_SUITE_P(Forms, BothForms,
                         ::testing::Values(Form{"Literal", &ReplaceSequentialLiteral}, Form{"Fast", &ReplaceSequentialFast}),
                         [](const ::testing::TestParamInfo<Form>& info) { return std::string(info.param.name); });

// ---- targeted comparisons ----

TEST(FastReplace, SelfOverlappingRuns) {
  ExpectSame("aaaaaaaaaa", std::vector<TReplaceItem>(8, TReplaceItem{"aa", 2, "b"}));
  ExpectSame("aaaaaaaaaa", std::vector<TReplaceItem>(8, TReplaceItem{"aa", 1, "a"}));
  ExpectSame("aaaaaaaaaa", std::vector<TReplaceItem>(8, TReplaceItem{"aaa", 1, ""}));
  ExpectSame("aaaaaaaaaa", std::vector<TReplaceItem>(8, TReplaceItem{"aa", 0, "a"}));
  ExpectSame("abababab", std::vector<TReplaceItem>(6, TReplaceItem{"aba", 3, "ab"}));
}

TEST(FastReplace, KeyLongerThanSearchCountsAsWholeSearch) {
  // keyLen beyond the search is out of contract; both forms replace the
  // whole search then.
  std::string t = "xabcx";
  EXPECT_EQ(ReplaceSequentialFast(t, {{"abc", 7, "Q"}}), std::vector<bool>({true}));
  EXPECT_EQ(t, "xQx");
  ExpectSame("abab abab", {{"ab", 9, "b"}, {"bb", 5, ""}, {"ab", 3, "a"}});
}

TEST(FastReplace, UntranslatedLinesKeepPlaces) {
  // A replacement equal to the key changes nothing; the same place is found
  // again by the next item with that search.
  ExpectSame("ab ab ab", {{"ab", 2, "ab"}, {"ab", 2, "ab"}, {"ab", 2, "X"}, {"ab", 2, "ab"}});
}

TEST(FastReplace, LongSearchesSharingLongPrefixes) {
  std::string common(70, 'q');
  std::string text = common + "1|" + common + "2|" + common + "3|" + common;
  std::vector<TReplaceItem> items = {{common + "2|", 71, "x"},
                                     {common + "3", 70, ""},
                                     {common, 5, common + "3"},
                                     {common + "3|", 71, "y"},
                                     {common + "1", 1, ""}};
  ExpectSame(text, items);
}

TEST(FastReplace, LongSearchJoinedFarLeftOfEdit) {
  // A 100-byte search that exists only once a byte 90 bytes into it is
  // removed, and once a translation supplies its tail.
  std::string p;
  for (int i = 0; i < 100; ++i) p += static_cast<char>('a' + (i * 7) % 23);
  std::string text = "<" + p.substr(0, 90) + "X" + p.substr(90) + ">[" + p.substr(0, 95) + "]";
  ExpectSame(text, {{"X", 1, ""}, {p, 3, "Q"}, {p.substr(0, 95) + "]", 95, p.substr(0, 95)}, {"5]", 1, ""},
                    {p.substr(0, 95) + "]", 0, p.substr(95, 5)}, {p, 100, "done"}});
  std::string t = text;
  std::vector<bool> f = ReplaceSequentialFast(t, {{"X", 1, ""}, {p + ">", 100, "ok"}});
  EXPECT_EQ(t, "<ok>[" + p.substr(0, 95) + "]");
  EXPECT_EQ(f, std::vector<bool>({true, true}));
}

TEST(FastReplace, ManyInsertionsAtOnePlace) {
  // Hundreds of pieces inserted one after another at the same place, and
  // searches whose occurrences lie across the joints between them: the order
  // of the inserted pieces must stay exact.
  std::vector<TReplaceItem> items;
  for (int i = 0; i < 400; ++i) {
    items.push_back({"MARK", 0, i % 2 ? "ab" : "abc"});
    if (i % 7 == 3) items.push_back({"cab", 1, "C"});
    if (i % 11 == 5) items.push_back({"bab", 2, ""});
    if (i % 13 == 0) items.push_back({"MARK", 1, "M"});
  }
  for (int i = 0; i < 100; ++i) items.push_back({"ba", 1, "Z"});
  ExpectSame("xx MARK yy MARK zz MARK", items);
}

TEST(FastReplace, ManyRepeatsBeyondFirstPassSupply) {
  // More items than occurrences collected at first, with earlier edits
  // destroying the collected ones.
  std::string text;
  for (int i = 0; i < 300; ++i) text += "xyx";
  std::vector<TReplaceItem> items;
  for (int i = 0; i < 50; ++i) items.push_back({"yxx", 3, "Q"});
  for (int i = 0; i < 200; ++i) items.push_back({"xyx", 1, "yy"});
  for (int i = 0; i < 50; ++i) items.push_back({"yxx", 2, ""});
  ExpectSame(text, items);
}

TEST(FastReplace, ChainOfTranslationsFeedingLaterLines) {
  // Each translation holds the next line's search, far to the left of its
  // original place.
  std::string text;
  std::vector<TReplaceItem> items;
  for (int i = 0; i < 200; ++i) text += "<" + std::to_string(i) + ">";
  for (int i = 0; i < 200; ++i)
    items.push_back({"<" + std::to_string(i) + ">", 1 + std::to_string(i).size(), "<" + std::to_string(i + 1) + ">"});
  ExpectSame(text, items);
}

// ---- randomized comparisons ----

std::string RandStr(std::mt19937& rng, const std::string& alphabet, size_t minLen, size_t maxLen) {
  std::uniform_int_distribution<size_t> len(minLen, maxLen);
  std::uniform_int_distribution<size_t> ch(0, alphabet.size() - 1);
  std::string s(len(rng), ' ');
  for (char& c : s) c = alphabet[ch(rng)];
  return s;
}

size_t Pick(std::mt19937& rng, size_t n) { return std::uniform_int_distribution<size_t>(0, n - 1)(rng); }

// Substring of s (maybe empty when s is empty).
std::string SubOf(std::mt19937& rng, const std::string& s, size_t maxLen) {
  if (s.empty()) return "";
  size_t a = Pick(rng, s.size());
  size_t len = 1 + Pick(rng, std::min(maxLen, s.size() - a));
  return s.substr(a, len);
}

// Items drawn against a running literal copy of the text, so that searches
// are often found, translations often hold other searches, and repeats are
// common.
std::vector<TReplaceItem> MakeItems(std::mt19937& rng, const std::string& text, const std::string& alphabet,
                                    size_t count, size_t maxSearch) {
  std::vector<TReplaceItem> items;
  std::vector<std::string> used;
  std::string cur = text;
  for (size_t i = 0; i < count; ++i) {
    TReplaceItem it;
    int kind = static_cast<int>(Pick(rng, 10));
    if (kind <= 3) {
      it.search = SubOf(rng, cur, maxSearch);
    } else if (kind <= 5) {
      it.search = SubOf(rng, text, maxSearch);
    } else if (kind == 6 && !used.empty()) {
      it.search = used[Pick(rng, used.size())];
    } else if (kind == 7) {
      it.search = "";
    } else {
      it.search = RandStr(rng, alphabet, 1, std::max<size_t>(1, maxSearch / 2));
    }
    it.keyLen = it.search.empty() ? 0 : (Pick(rng, 3) == 0 ? Pick(rng, it.search.size() + 1) : it.search.size());
    int rk = static_cast<int>(Pick(rng, 8));
    if (rk == 0) {
      it.replacement = "";
    } else if (rk == 1) {
      it.replacement = it.search.substr(0, it.keyLen);
    } else if (rk <= 3 && !used.empty()) {
      // Holds another search string, with a little around it.
      it.replacement = RandStr(rng, alphabet, 0, 2) + used[Pick(rng, used.size())] + RandStr(rng, alphabet, 0, 2);
    } else if (rk == 4) {
      it.replacement = SubOf(rng, cur, maxSearch);
    } else {
      it.replacement = RandStr(rng, alphabet, 0, 6);
    }
    if (!it.search.empty()) used.push_back(it.search);
    items.push_back(it);
    std::vector<TReplaceItem> one = {it};
    ReplaceSequentialLiteral(cur, one);
  }
  return items;
}

// How often the random cases exercise created and destroyed occurrences.
// created: the place an item is found at holds bytes that an earlier
// replacement put there; destroyed: the search occurs in the original text
// but is no longer found.
struct Coverage {
  size_t created = 0, destroyed = 0, found = 0, items = 0;
};

std::ostream& operator<<(std::ostream& os, const Coverage& c) {
  return os << "items " << c.items << ", found " << c.found << ", created " << c.created << ", destroyed "
            << c.destroyed;
}

void Tally(Coverage& cov, const std::string& text, const std::vector<TReplaceItem>& items) {
  std::string t = text;
  std::string inserted(text.size(), '0');  // '1' marks a byte from a replacement
  for (const TReplaceItem& it : items) {
    cov.items++;
    bool inOrig = !it.search.empty() && text.find(it.search) != std::string::npos;
    size_t p = it.search.empty() ? std::string::npos : t.find(it.search);
    if (p == std::string::npos) {
      if (inOrig) cov.destroyed++;
      continue;
    }
    cov.found++;
    if (inserted.find('1', p) < p + it.search.size()) cov.created++;
    size_t k = std::min(it.keyLen, it.search.size());
    t.replace(p, k, it.replacement);
    inserted.replace(p, k, std::string(it.replacement.size(), '1'));
  }
}

// Compares both forms on random case c; false, naming the case, when they
// differ. With a coverage tally, counts what the case exercises first.
bool SameOnCase(const std::string& text, const std::vector<TReplaceItem>& items, int c) {
  ExpectSame(text, items);
  if (!::testing::Test::HasFailure()) return true;
  ADD_FAILURE() << "case " << c;
  return false;
}
bool SameOnCase(Coverage& cov, const std::string& text, const std::vector<TReplaceItem>& items, int c) {
  Tally(cov, text, items);
  return SameOnCase(text, items, c);
}

TEST(FastReplaceRandom, SmallAlphabets) {
  std::mt19937 rng(12345);
  const std::vector<std::string> alphabets = {"a", "ab", "abc", "abcd"};
  Coverage cov;
  for (int c = 0; c < 4000; ++c) {
    const std::string& alpha = alphabets[c % alphabets.size()];
    std::string text = RandStr(rng, alpha, 0, 40);
    std::vector<TReplaceItem> items = MakeItems(rng, text, alpha, Pick(rng, 25), 5);
    if (!SameOnCase(cov, text, items, c)) return;
  }
  // The generator must really make later searches appear and disappear.
  EXPECT_GT(cov.created, cov.items / 50) << cov;
  EXPECT_GT(cov.destroyed, cov.items / 50) << cov;
}

TEST(FastReplaceRandom, LongerSearchesOverAnchorLength) {
  // Searches up to 80 bytes from a 2-letter alphabet: anchors are truncated
  // and long shared prefixes are common.
  std::mt19937 rng(777);
  Coverage cov;
  for (int c = 0; c < 600; ++c) {
    std::string alpha = c % 2 ? "ab" : "aab";
    std::string text = RandStr(rng, alpha, 50, 400);
    std::vector<TReplaceItem> items = MakeItems(rng, text, alpha, 10 + Pick(rng, 60), 80);
    for (TReplaceItem& it : items)
      if (Pick(rng, 4) == 0) it.replacement += RandStr(rng, alpha, 30, 60);
    if (!SameOnCase(cov, text, items, c)) return;
  }
  EXPECT_GT(cov.created, 0u) << cov;
  EXPECT_GT(cov.destroyed, 0u) << cov;
}

TEST(FastReplaceRandom, LargerTextsManyItems) {
  std::mt19937 rng(4242);
  for (int c = 0; c < 40; ++c) {
    std::string alpha = c % 3 == 0 ? "ab" : (c % 3 == 1 ? "abc" : "abcdefgh");
    std::string text = RandStr(rng, alpha, 2000, 20000);
    std::vector<TReplaceItem> items = MakeItems(rng, text, alpha, 300 + Pick(rng, 700), 12);
    if (!SameOnCase(text, items, c)) return;
  }
}

// Data text laid out like a game file: quoted strings between markup, items
// in file order (key = the string, right part = the closing quote or
// nothing), many repeated strings, translations that often contain the
// untranslated text of later lines.
TEST(FastReplaceRandom, GameLikeFiles) {
  std::mt19937 rng(99);
  Coverage cov;
  for (int c = 0; c < 1500; ++c) {
    std::vector<std::string> vocab;
    size_t nv = 1 + Pick(rng, 12);
    for (size_t k = 0; k < nv; ++k) vocab.push_back(RandStr(rng, "abc ", 1, 6));
    std::string text;
    std::vector<std::string> strings;
    size_t n = Pick(rng, 30);
    for (size_t k = 0; k < n; ++k) {
      std::string s = vocab[Pick(rng, vocab.size())];
      if (Pick(rng, 3) == 0) s += vocab[Pick(rng, vocab.size())];
      strings.push_back(s);
      text += "t" + std::string(Pick(rng, 2), 'a') + "=\"" + s + "\";";
    }
    bool withRight = Pick(rng, 2) == 0;
    std::vector<TReplaceItem> items;
    for (size_t k = 0; k < strings.size(); ++k) {
      TReplaceItem it;
      it.search = strings[k] + (withRight ? "\"" : "");
      it.keyLen = strings[k].size();
      switch (Pick(rng, 5)) {
        case 0:
          it.replacement = strings[k];
          break;
        case 1:
          it.replacement = "";
          break;
        case 2:
          it.replacement = strings[Pick(rng, strings.size())] + (Pick(rng, 2) ? "\"" : "");
          break;
        default:
          it.replacement = RandStr(rng, "abc \"", 0, 8);
      }
      items.push_back(it);
    }
    if (Pick(rng, 4) == 0 && !items.empty()) items.push_back({"", 0, "x"});
    if (!SameOnCase(cov, text, items, c)) return;
  }
  EXPECT_GT(cov.created, cov.found / 50) << cov;
}

TEST(FastReplaceRandom, LongSearchesOverLowEntropyText) {
  // Searches of 60 to 200 bytes over text that is mostly one letter, with
  // items that cut single bytes out of them: long searches reappear across
  // the seams of short edits far from their start.
  std::mt19937 rng(8080);
  Coverage cov;
  for (int c = 0; c < 300; ++c) {
    std::string text = RandStr(rng, "aaaaaaaaaaaaaaab", 300, 1500);
    std::vector<TReplaceItem> items;
    size_t n = 10 + Pick(rng, 60);
    for (size_t k = 0; k < n; ++k) {
      switch (Pick(rng, 4)) {
        case 0:
          items.push_back({RandStr(rng, "ab", 1, 2), 1, Pick(rng, 2) ? "" : "a"});
          break;
        case 1: {
          std::string s = SubOf(rng, text, 200);
          if (s.size() < 60) s += std::string(60, 'a');
          items.push_back({s, Pick(rng, 3), RandStr(rng, "ab", 0, 2)});
          break;
        }
        case 2:
          items.push_back({std::string(60 + Pick(rng, 140), 'a'), 1, "b"});
          break;
        default:
          items.push_back({"b", 1, RandStr(rng, "aaab", 0, 80)});
      }
    }
    if (!SameOnCase(cov, text, items, c)) return;
  }
  EXPECT_GT(cov.created, 0u) << cov;
}

TEST(FastReplaceRandom, SearchesSharingAMarkupPrefix) {
  // Many searches begin with the same markup, several are prefixes of
  // others, and translations put the markup back in.
  std::mt19937 rng(555);
  const std::string tag = "<color=#FFD700>";
  Coverage cov;
  for (int c = 0; c < 300; ++c) {
    std::vector<std::string> strings;
    for (size_t k = 0, n = 5 + Pick(rng, 40); k < n; ++k) {
      std::string s = tag + RandStr(rng, "ab ", 0, 12);
      if (!strings.empty() && Pick(rng, 3) == 0) s = strings[Pick(rng, strings.size())] + RandStr(rng, "ab", 1, 3);
      strings.push_back(s);
    }
    std::string text;
    for (const std::string& s : strings) text += "\"" + s + "\"" + RandStr(rng, "ab<", 0, 3);
    std::vector<TReplaceItem> items;
    for (const std::string& s : strings) {
      bool right = Pick(rng, 2) == 0;
      std::string rep = Pick(rng, 3) == 0 ? tag + RandStr(rng, "ab\"", 0, 6) : RandStr(rng, "xy", 0, 6);
      items.push_back({s + (right ? "\"" : ""), tag.size() + Pick(rng, s.size() - tag.size() + 1), rep});
    }
    if (!SameOnCase(cov, text, items, c)) return;
  }
  EXPECT_GT(cov.created, 0u) << cov;
}

TEST(FastReplaceRandom, LeadInsDenserThanTheSampleShows) {
  // Every search begins with markup that stands three times in every 8-byte
  // block of the text, never at the places a sample of every eighth byte
  // reads: the search takes the markup for rare, then finds it everywhere
  // and must go on with a scan of every position from where it stopped.
  std::mt19937 rng(8642);
  Coverage cov;
  for (int c = 0; c < 12; ++c) {
    std::string text;
    for (size_t b = 0, n = 2000 + Pick(rng, 2000); b < n; ++b) text += RandStr(rng, "xy", 1, 1) + "<t<t<t" + RandStr(rng, "ab", 1, 1);
    std::vector<TReplaceItem> items;
    // The place where it stops lies near byte 8192: long searches that occur
    // once, at every markup there, are looked for first and replaced by
    // themselves, so that each must be found where it stands.
    for (size_t at = text.find("<t", 8100); at < 8300; at = text.find("<t", at + 1)) {
      const std::string search = text.substr(at, 200);
      const size_t key = Pick(rng, search.size() + 1);
      items.push_back({search, key, search.substr(0, key)});
    }
    std::string cur = text;
    for (const TReplaceItem& it : items) ReplaceSequentialLiteral(cur, std::vector<TReplaceItem>{it});
    for (size_t k = 0, n = 100 + Pick(rng, 200); k < n; ++k) {
      // A later block of the text as changed so far, or of the original.
      const std::string& from = Pick(rng, 2) == 0 ? cur : text;
      size_t at = from.find("<t", Pick(rng, from.size()));
      if (at == std::string::npos) at = from.find("<t");
      if (at == std::string::npos) continue;
      TReplaceItem it{from.substr(at, 17 + Pick(rng, 24)), 0, ""};
      it.keyLen = Pick(rng, it.search.size() + 1);
      it.replacement = Pick(rng, 3) == 0 ? "<t" + RandStr(rng, "ab", 0, 8) : RandStr(rng, "abxy", 0, 6);
      std::vector<TReplaceItem> one = {it};
      ReplaceSequentialLiteral(cur, one);
      items.push_back(it);
    }
    if (!SameOnCase(cov, text, items, c)) return;
  }
  EXPECT_GT(cov.created, 0u) << cov;
  EXPECT_GT(cov.destroyed, 0u) << cov;
}

// A text of more than a megabyte is searched for the long strings in two
// halves side by side. Searches here start around the middle (some found
// only through an anchor on the other side of it), occur in both halves,
// and repeat more often than the first pass keeps; with markup before every
// string the first pass goes by the markup instead.
TEST(FastReplaceRandom, TextsSearchedInTwoHalves) {
  std::mt19937 rng(4711);
  for (int c = 0; c < 4; ++c) {
    const bool markup = c % 2 == 1;
    std::string text;
    while (text.size() < 1100000) {
      if (markup) {
        text += RandStr(rng, "xyz(", 5, 30) + "<t>" + RandStr(rng, "ab ", 3, 12) + "</t>";
      } else {
        text += RandStr(rng, "abcd", 100, 100);
      }
    }
    const size_t mid = (text.size() - 7) / 2;
    std::vector<TReplaceItem> items;
    for (size_t k = 0; k < 120; ++k) {
      size_t at = mid - 40 + Pick(rng, 60);
      if (markup) at = text.rfind("<t>", at);
      const std::string search = text.substr(at, markup ? text.find("</t>", at) + 4 - at : 8 + Pick(rng, 30));
      const size_t uses = 1 + Pick(rng, Pick(rng, 4) == 0 ? 12 : 2);
      for (size_t u = 0; u < uses; ++u) {
        const size_t key = Pick(rng, search.size() + 1);
        items.push_back({search, key, Pick(rng, 2) ? search.substr(0, key) : RandStr(rng, "abxy", 0, 6)});
      }
    }
    std::shuffle(items.begin(), items.end(), rng);
    if (!SameOnCase(text, items, c)) return;
  }
}

TEST(FastReplaceRandom, ZeroLengthKeysAndEqualReplacements) {
  std::mt19937 rng(2024);
  for (int c = 0; c < 1500; ++c) {
    std::string text = RandStr(rng, "ab", 0, 30);
    std::vector<TReplaceItem> items = MakeItems(rng, text, "ab", Pick(rng, 20), 4);
    for (TReplaceItem& it : items) {
      int k = static_cast<int>(Pick(rng, 3));
      if (k == 0) it.keyLen = 0;
      if (k == 1) it.replacement = it.search.substr(0, it.keyLen);
    }
    if (!SameOnCase(text, items, c)) return;
  }
}

TEST(FastReplaceRandom, ManyItemsSameSearchDenseText) {
  // Long runs of one letter, few distinct searches repeated many times: the
  // first-pass supply of occurrences runs out and edits destroy many of them.
  std::mt19937 rng(31337);
  for (int c = 0; c < 60; ++c) {
    std::string text = RandStr(rng, "aaaab", 200, 3000);
    std::vector<std::string> searches = {"a", "aa", "aab", "ba", "aaaa"};
    std::vector<TReplaceItem> items;
    size_t n = 100 + Pick(rng, 900);
    for (size_t k = 0; k < n; ++k) {
      const std::string& s = searches[Pick(rng, searches.size())];
      items.push_back({s, Pick(rng, s.size() + 1), RandStr(rng, "ab", 0, 3)});
    }
    if (!SameOnCase(text, items, c)) return;
  }
}

}  // namespace
