// The compiled pattern over PCRE2 and the one-shot search.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "extractor/convert.h"
#include "extractor/perlregex.h"
#include "extractor/regexsearch.h"
#include "extractor/replace.h"
#include "tests/support/testutil.h"

namespace {

std::string CompileMessage(const std::string& pattern) {
  try {
    TPerlRegEx re(pattern);
  } catch (const EPerlRegExError& e) {
    return e.what();
  }
  return "";
}

// The message of the EAssertionFailed that f raises ("" for none).
template <class F>
std::string AssertionMessage(F f) {
  try {
    f();
  } catch (const EAssertionFailed& e) {
    return e.what();
  }
  return "";
}

// Whether re finds a match in text from its start.
bool Finds(const TPerlRegEx& re, std::string_view text) {
  TRegExMatch m;
  return re.Search(text, 0, m);
}

}  // namespace

TEST(PerlRegEx, EmptyMatchesAreNeverAccepted) {
  const TPerlRegEx re("a*");
  TRegExMatch m;
  EXPECT_FALSE(re.Search("bbb", 0, m));
  EXPECT_FALSE(m.Found());
  EXPECT_FALSE(m.Failed());
  ASSERT_TRUE(re.Search("baab", 0, m));
  EXPECT_EQ(m.Span().begin, 1u);
  EXPECT_EQ(m.Span().end, 3u);
}

TEST(PerlRegEx, SpansAreZeroBasedAndSearchesStartAnywhere) {
  const TPerlRegEx re("b");
  const std::string text = "abcb";
  TRegExMatch m;
  ASSERT_TRUE(re.Search(text, 0, m));
  EXPECT_EQ(m.Span().begin, 1u);
  EXPECT_EQ(m.Span().Length(), 1u);
  ASSERT_TRUE(re.Search(text, m.Span().end, m));
  EXPECT_EQ(m.Span().begin, 3u);
  EXPECT_FALSE(re.Search(text, m.Span().end, m));
  EXPECT_FALSE(m.Found());
}

TEST(PerlRegEx, StartAndEndBounds) {
  TRegExMatch m;
  const TPerlRegEx b("b");
  EXPECT_FALSE(b.Search("abcb", 5, m));  // beyond the end: not run
  EXPECT_FALSE(m.Failed());
  EXPECT_FALSE(b.Search("abcb", 4, m));  // at the end: runs, but nothing non-empty fits
  EXPECT_FALSE(TPerlRegEx("(?<=b)").Search("abcb", 4, m));  // an empty match at the end is refused too
  // A prefix of the text hides the rest: "$" sees the end there.
  const std::string_view text = "abcb";
  EXPECT_FALSE(TPerlRegEx("c").Search(text.substr(0, 2), 0, m));
  EXPECT_TRUE(TPerlRegEx("ab$").Search(text.substr(0, 2), 0, m));
  EXPECT_FALSE(TPerlRegEx("ab$").Search(text, 0, m));
}

TEST(PerlRegEx, CompileErrorsCarryTheirMessages) {
  EXPECT_EQ(CompileMessage(""), "TPerlRegEx.Compile() - Please specify a regular expression in RegEx first");
  std::string msg = CompileMessage("a(b");
  EXPECT_EQ(msg.rfind("TPerlRegEx.Compile() - Error in regex at offset 3: ", 0), 0u) << msg;
  EXPECT_NE(msg.find("missing closing parenthesis"), std::string::npos) << msg;
}

TEST(PerlRegEx, ResultAccessorsAssert) {
  const TPerlRegEx re("(a)(x)?(b)");
  TRegExMatch m;
  EXPECT_THROW(m.Span(), EAssertionFailed);
  EXPECT_FALSE(re.Search("zzz", 0, m));
  EXPECT_EQ(AssertionMessage([&] { m.GroupCount(); }), "REQUIRE: There must be a successful match first");
  ASSERT_TRUE(re.Search("zab", 0, m));
  EXPECT_EQ(m.GroupCount(), 3);
  EXPECT_EQ(m.Span(1).begin, 1u);
  EXPECT_EQ(m.Span(2).begin, TMatchSpan::kUnset);  // group that did not take part
  EXPECT_EQ(m.Text(2), "");
  EXPECT_EQ(m.Text(3), "b");
  EXPECT_EQ(m.Text(9), "");
  EXPECT_EQ(AssertionMessage([&] { m.Span(4); }), "REQUIRE: Index <= SubExpressionCount");
  EXPECT_THROW(m.Span(-1), EAssertionFailed);
}

TEST(PerlRegEx, MoreThanNinetyNineGroupsIsNoMatch) {
  std::string pattern, text;
  for (int i = 0; i < 100; ++i) {
    pattern += "(a)";
    text += "a";
  }
  TRegExMatch m;
  EXPECT_FALSE(TPerlRegEx(pattern).Search(text, 0, m));
  EXPECT_FALSE(m.Failed());
  ASSERT_TRUE(TPerlRegEx(pattern.substr(3)).Search(text, 0, m));  // 99 groups fit
  EXPECT_EQ(m.GroupCount(), 99);
}

TEST(PerlRegEx, OptionsAndNewlineConvention) {
  EXPECT_FALSE(Finds(TPerlRegEx("^y"), "x\ry"));
  EXPECT_TRUE(Finds(TPerlRegEx("^y", preMultiLine), "x\ry"));  // CR alone is a line end (newline ANY)
  EXPECT_FALSE(Finds(TPerlRegEx("x.y", preMultiLine), "x\ry"));
  EXPECT_TRUE(Finds(TPerlRegEx("x.y", preSingleLine), "x\ry"));
  EXPECT_TRUE(Finds(TPerlRegEx("^y", preMultiLine), "x\x85y"));  // the byte 0x85 (NEL) is a line end under ANY

  EXPECT_FALSE(Finds(TPerlRegEx("b"), "ABC"));
  EXPECT_TRUE(Finds(TPerlRegEx("b", preCaseLess), "ABC"));
  // The tables are those of the C locale: no case for bytes above 127.
  EXPECT_FALSE(Finds(TPerlRegEx("\xE9", preCaseLess), "\xC9"));

  TRegExMatch m;
  ASSERT_TRUE(TPerlRegEx("<.+>", preUnGreedy).Search("<a><b>", 0, m));
  EXPECT_EQ(m.Text(), "<a>");
  ASSERT_TRUE(TPerlRegEx("<.+>").Search("<a><b>", 0, m));
  EXPECT_EQ(m.Text(), "<a><b>");

  EXPECT_TRUE(Finds(TPerlRegEx("a b # comment", preExtended), "xab"));
  EXPECT_FALSE(Finds(TPerlRegEx("b", preAnchored), "xab"));
  ASSERT_TRUE(TPerlRegEx("(a)(b)", preNoAutoCapture).Search("xab", 0, m));
  EXPECT_EQ(m.GroupCount(), 0);
}

TEST(PerlRegEx, BinaryTextIsSearchedInPlace) {
  std::string text("a\0b\0c", 5);
  const TPerlRegEx re(std::string("\0c", 2));
  TRegExMatch m;
  ASSERT_TRUE(re.Search(text, 0, m));
  EXPECT_EQ(m.Span().begin, 3u);
  EXPECT_EQ(m.Text().data(), text.data() + 3);  // no copy of the text
}

TEST(PerlRegEx, SearchErrorsAreReportedNotSilent) {
  std::string text(40, 'a');
  text += "b";
  for (bool jit : {true, false}) {
    const TPerlRegEx re("(a+)+$", 0, jit);
    TRegExMatch m;
    EXPECT_FALSE(re.Search(text, 0, m)) << jit;
    EXPECT_TRUE(m.Failed()) << jit;
    EXPECT_NE(m.ErrorText().find("limit"), std::string::npos) << m.ErrorText();
    // A later successful search clears the error.
    EXPECT_TRUE(re.Search("aa", 0, m));
    EXPECT_FALSE(m.Failed());
  }
  TRegexHit hit = RegexSearch("(a+)+$", text);
  EXPECT_FALSE(hit.found);
  EXPECT_FALSE(hit.error.empty());
  hit = RegexSearch("x", "x");
  EXPECT_TRUE(hit.found);
  EXPECT_TRUE(hit.error.empty());
}

// The JIT must give the very matches of the interpreter.
TEST(PerlRegEx, JitAgreesWithInterpreterOnRandomPatterns) {
  std::mt19937 rng(12345);
  const char* atoms[] = {"a", "b", ".", "[ab]", "\\n", "^", "$", "(a|b)", "(?:ab)", "\\r", "[^a]", "\\d"};
  const char* quants[] = {"", "", "*", "+", "?", "*?", "+?", "{1,2}"};
  const TPerlRegExOptions optionSets[] = {
      0, preUnGreedy, preMultiLine | preSingleLine | preUnGreedy, preCaseLess | preMultiLine, preAnchored,
      preSingleLine};
  int compared = 0;
  TRegExMatch a, b;
  for (int round = 0; round < 3000; ++round) {
    std::string pattern;
    int atomsCount = 1 + static_cast<int>(rng() % 4);
    for (int i = 0; i < atomsCount; ++i) {
      const std::string atom = atoms[rng() % std::size(atoms)];
      pattern += atom;
      if (atom != "^" && atom != "$") pattern += quants[rng() % std::size(quants)];
    }
    const std::string text = RandomString(rng, "abAB1\r\n", 0, 20);
    const TPerlRegExOptions opts = optionSets[rng() % std::size(optionSets)];
    const TPerlRegEx jit(pattern, opts), interp(pattern, opts, false);
    // Walk all matches, each search from the end of the last match.
    size_t start = 0;
    for (int step = 0; step < 25; ++step) {
      const bool fa = jit.Search(text, start, a);
      const bool fb = interp.Search(text, start, b);
      ASSERT_EQ(fa, fb) << pattern << " over " << text;
      if (!fa) break;
      ++compared;
      ASSERT_EQ(a.GroupCount(), b.GroupCount()) << pattern;
      for (int g = 0; g <= a.GroupCount(); ++g) {
        ASSERT_EQ(a.Span(g).begin, b.Span(g).begin) << pattern << " over " << text;
        ASSERT_EQ(a.Span(g).end, b.Span(g).end) << pattern;
      }
      start = a.Span().end;
    }
  }
  EXPECT_GT(compared, 1000);
}

TEST(RegexSearch, OneShotSearches) {
  EXPECT_EQ(RegexSearch("b", "abcb").begin, 1u);
  EXPECT_EQ(RegexSearch("b", "abcb", 2).begin, 3u);
  EXPECT_FALSE(RegexSearch("b", "abcb", 4).found);
  EXPECT_FALSE(RegexSearch("b", "abcb", 9).found);
  EXPECT_TRUE(RegexSearch("^x", "a\nx").found);
  EXPECT_TRUE(RegexSearch("a.c", "a\nc").found);
  const TRegexHit hit = RegexSearch("<.+>", "<a><b>");
  EXPECT_TRUE(hit.found);
  EXPECT_EQ(hit.begin, 0u);
  EXPECT_FALSE(RegexSearch("x*", "abc").found);
  EXPECT_FALSE(RegexSearch("(?=a)", "abc").found);
  EXPECT_THROW(RegexSearch("", "abc"), EPerlRegExError);
  EXPECT_THROW(RegexSearch("[", "abc"), EPerlRegExError);
}

// A quoted key followed by nothing must be found exactly where a plain
// byte search finds it, for keys full of pattern characters.
TEST(RegexSearch, QuotedKeysAreSearchedLiterally) {
  std::mt19937 rng(777);
  const std::string alphabet = std::string("ab\\.*^$()[]<>!?+{}|#-,=/ \r\n\t\"'&%@~`:;") + '\0' + "\xA8\xFF";
  for (int round = 0; round < 2000; ++round) {
    std::string text = RandomString(rng, alphabet, 0, 40);
    std::string key;
    if (!text.empty() && rng() % 2) {
      size_t start = rng() % text.size();
      key = text.substr(start, 1 + rng() % 6);
    } else {
      key = RandomString(rng, alphabet, 1, 4);
    }
    const size_t start = rng() % (text.size() + 1);
    const TRegexHit hit = RegexSearch(QuoteRegexText(key), text, start);
    const size_t expect = FindBytes(text, key, start + 1);
    ASSERT_EQ(hit.found, expect != 0) << "key " << key << " text " << text;
    if (hit.found) {
      ASSERT_EQ(hit.begin + 1, expect);
    }
  }
}
