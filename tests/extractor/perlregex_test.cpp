// The matcher over PCRE2 and the one-shot searches.
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
  TPerlRegEx re;
  re.SetRegEx(pattern);
  re.SetSearchText("abc");
  try {
    re.MatchFirst();
  } catch (const EPerlRegExError& e) {
    return e.what();
  }
  return "";
}

}  // namespace

TEST(PerlRegEx, EmptyMatchesAreNeverAccepted) {
  TPerlRegEx re;
  re.SetRegEx("a*");
  re.SetSearchText("bbb");
  EXPECT_FALSE(re.MatchFirst());
  EXPECT_FALSE(re.HasMatch());
  EXPECT_FALSE(re.SearchFailed());
  re.SetSearchText("baab");
  ASSERT_TRUE(re.MatchFirst());
  EXPECT_EQ(re.MatchOffset(0), 2);
  EXPECT_EQ(re.MatchLength(0), 2);
}

TEST(PerlRegEx, MatchFirstAndMatchNextWalkOneBased) {
  TPerlRegEx re;
  re.SetRegEx("b");
  re.SetSearchText("abcb");
  ASSERT_TRUE(re.MatchFirst());
  EXPECT_EQ(re.MatchOffset(0), 2);
  EXPECT_EQ(re.MatchLength(0), 1);
  EXPECT_EQ(re.SearchStart(), 3);
  ASSERT_TRUE(re.MatchNext());
  EXPECT_EQ(re.MatchOffset(0), 4);
  EXPECT_EQ(re.SearchStart(), 5);
  EXPECT_FALSE(re.MatchNext());
  EXPECT_FALSE(re.HasMatch());
  // MatchFirst ignores SearchStart.
  re.SetSearchStart(3);
  ASSERT_TRUE(re.MatchFirst());
  EXPECT_EQ(re.MatchOffset(0), 2);
}

TEST(PerlRegEx, SearchStartAndStopBounds) {
  TPerlRegEx re;
  re.SetRegEx("c");
  re.SetSearchText("abcb");
  re.SetSearchStop(2);
  EXPECT_EQ(re.SearchStop(), 2);
  EXPECT_FALSE(re.MatchFirst());
  re.SetSearchStop(100);  // clipped to the length
  EXPECT_EQ(re.SearchStop(), 4);
  re.SetSearchStart(-5);
  EXPECT_EQ(re.SearchStart(), 1);

  re.SetRegEx("b");
  re.SetSearchStart(6);  // beyond the end: not run
  EXPECT_FALSE(re.MatchNext());
  EXPECT_FALSE(re.SearchFailed());
  re.SetSearchStart(5);  // at the end: runs, but nothing non-empty fits
  EXPECT_FALSE(re.MatchNext());
  EXPECT_FALSE(re.SearchFailed());
  re.SetRegEx("(?<=b)");  // an empty match at the end is refused too
  re.SetSearchStart(5);
  EXPECT_FALSE(re.MatchNext());

  // A stop inside the text hides the rest: "$" sees the end at the stop.
  re.SetRegEx("ab$");
  re.SetSearchText("abcb");
  re.SetSearchStop(2);
  EXPECT_TRUE(re.MatchFirst());
  // Setting the text resets start and stop.
  re.SetSearchText("xxab");
  EXPECT_EQ(re.SearchStart(), 1);
  EXPECT_EQ(re.SearchStop(), 4);
}

TEST(PerlRegEx, CompiledPatternIsKeptUntilPatternOrOptionsChange) {
  TPerlRegEx re;
  re.SetRegEx("x");
  re.SetOptions(preUnGreedy);
  re.Compile();
  ASSERT_TRUE(re.Compiled());
  re.SetOptions(preUnGreedy);
  EXPECT_TRUE(re.Compiled());
  re.SetRegEx("x");
  EXPECT_TRUE(re.Compiled());
  re.SetOptions(preUnGreedy | preCaseLess);
  EXPECT_FALSE(re.Compiled());
  re.Compile();
  re.SetRegEx("y");
  EXPECT_FALSE(re.Compiled());
}

TEST(PerlRegEx, CompileErrorsCarryTheirMessages) {
  EXPECT_EQ(CompileMessage(""), "TPerlRegEx.Compile() - Please specify a regular expression in RegEx first");
  std::string msg = CompileMessage("a(b");
  EXPECT_EQ(msg.rfind("TPerlRegEx.Compile() - Error in regex at offset 3: ", 0), 0u) << msg;
  EXPECT_NE(msg.find("missing closing parenthesis"), std::string::npos) << msg;
  // The error is raised by MatchNext too, also when the search is not run.
  TPerlRegEx re;
  re.SetSearchText("ab");
  re.SetSearchStart(10);
  EXPECT_THROW(re.MatchNext(), EPerlRegExError);
}

TEST(PerlRegEx, ResultAccessorsAssert) {
  TPerlRegEx re;
  re.SetRegEx("(a)(x)?(b)");
  re.SetSearchText("zab");
  EXPECT_THROW(re.MatchOffset(0), EAssertionFailed);
  try {
    re.SubExpressionCount();
  } catch (const EAssertionFailed& e) {
    EXPECT_STREQ(e.what(), "REQUIRE: There must be a successful match first");
  }
  ASSERT_TRUE(re.MatchFirst());
  EXPECT_EQ(re.SubExpressionCount(), 3);
  EXPECT_EQ(re.MatchOffset(1), 2);
  EXPECT_EQ(re.MatchOffset(2), 0);  // group that did not take part
  EXPECT_EQ(re.MatchLength(2), 0);
  EXPECT_EQ(re.MatchText(2), "");
  EXPECT_EQ(re.MatchText(3), "b");
  EXPECT_EQ(re.MatchText(9), "");
  try {
    re.MatchOffset(4);
    FAIL();
  } catch (const EAssertionFailed& e) {
    EXPECT_STREQ(e.what(), "REQUIRE: Index <= SubExpressionCount");
  }
  EXPECT_THROW(re.MatchLength(-1), EAssertionFailed);
}

TEST(PerlRegEx, MoreThanNinetyNineGroupsIsNoMatch) {
  std::string pattern, text;
  for (int i = 0; i < 100; ++i) {
    pattern += "(a)";
    text += "a";
  }
  TPerlRegEx re;
  re.SetRegEx(pattern);
  re.SetSearchText(text);
  EXPECT_FALSE(re.MatchFirst());
  EXPECT_FALSE(re.SearchFailed());
  re.SetRegEx(pattern.substr(3));  // 99 groups fit
  ASSERT_TRUE(re.MatchFirst());
  EXPECT_EQ(re.SubExpressionCount(), 99);
}

TEST(PerlRegEx, OptionsAndNewlineConvention) {
  TPerlRegEx re;
  re.SetSearchText("x\ry");
  re.SetRegEx("^y");
  EXPECT_FALSE(re.MatchFirst());
  re.SetOptions(preMultiLine);  // CR alone is a line end (newline ANY)
  EXPECT_TRUE(re.MatchFirst());
  re.SetRegEx("x.y");
  EXPECT_FALSE(re.MatchFirst());
  re.SetOptions(preSingleLine);
  EXPECT_TRUE(re.MatchFirst());
  re.SetSearchText("x\x85y");  // the byte 0x85 (NEL) is a line end under ANY
  re.SetOptions(preMultiLine);
  re.SetRegEx("^y");
  EXPECT_TRUE(re.MatchFirst());

  re.SetOptions(0);
  re.SetSearchText("ABC");
  re.SetRegEx("b");
  EXPECT_FALSE(re.MatchFirst());
  re.SetOptions(preCaseLess);
  EXPECT_TRUE(re.MatchFirst());
  // The tables are those of the C locale: no case for bytes above 127.
  re.SetSearchText("\xC9");
  re.SetRegEx("\xE9");
  EXPECT_FALSE(re.MatchFirst());

  re.SetOptions(preUnGreedy);
  re.SetSearchText("<a><b>");
  re.SetRegEx("<.+>");
  ASSERT_TRUE(re.MatchFirst());
  EXPECT_EQ(re.MatchText(0), "<a>");
  re.SetOptions(0);
  ASSERT_TRUE(re.MatchFirst());
  EXPECT_EQ(re.MatchText(0), "<a><b>");

  re.SetOptions(preExtended);
  re.SetRegEx("a b # comment");
  re.SetSearchText("xab");
  EXPECT_TRUE(re.MatchFirst());
  re.SetOptions(preAnchored);
  re.SetRegEx("b");
  EXPECT_FALSE(re.MatchFirst());
  re.SetOptions(preNoAutoCapture);
  re.SetRegEx("(a)(b)");
  ASSERT_TRUE(re.MatchFirst());
  EXPECT_EQ(re.SubExpressionCount(), 0);
}

TEST(PerlRegEx, BinaryTextIsSearchedInPlace) {
  std::string text("a\0b\0c", 5);
  TPerlRegEx re;
  re.SetRegEx(std::string("\0c", 2));
  re.SetSearchText(text);
  ASSERT_TRUE(re.MatchFirst());
  EXPECT_EQ(re.MatchOffset(0), 4);
  EXPECT_EQ(re.MatchView(0).data(), text.data() + 3);  // no copy of the text
}

TEST(PerlRegEx, SearchErrorsAreReportedNotSilent) {
  for (bool jit : {true, false}) {
    TPerlRegEx re;
    re.SetJitAllowed(jit);
    re.SetRegEx("(a+)+$");
    std::string text(40, 'a');
    text += "b";
    re.SetSearchText(text);
    EXPECT_FALSE(re.MatchFirst()) << jit;
    EXPECT_TRUE(re.SearchFailed()) << jit;
    EXPECT_NE(re.SearchErrorText().find("limit"), std::string::npos) << re.SearchErrorText();
    // A later successful search clears the error.
    re.SetSearchText("aa");
    EXPECT_TRUE(re.MatchFirst());
    EXPECT_FALSE(re.SearchFailed());
  }
  std::string err;
  int64_t off = 7;
  EXPECT_FALSE(RegexFind("(a+)+$", std::string(40, 'a') + "b", off, 0, &err));
  EXPECT_EQ(off, 0);
  EXPECT_FALSE(err.empty());
  EXPECT_FALSE(RegexTest("(x+)+$", std::string(40, 'x') + "y", &err));
  EXPECT_FALSE(err.empty());
  EXPECT_TRUE(RegexTest("x", "x", &err));
  EXPECT_TRUE(err.empty());
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
    TPerlRegEx jit, interp;
    interp.SetJitAllowed(false);
    for (TPerlRegEx* re : {&jit, &interp}) {
      re->SetOptions(opts);
      re->SetRegEx(pattern);
      re->SetSearchText(text);
    }
    // Walk all matches with MatchNext.
    for (int step = 0; step < 25; ++step) {
      bool a = step == 0 ? jit.MatchFirst() : jit.MatchNext();
      bool b = step == 0 ? interp.MatchFirst() : interp.MatchNext();
      ASSERT_EQ(a, b) << pattern << " over " << text;
      if (!a) break;
      ++compared;
      ASSERT_EQ(jit.SubExpressionCount(), interp.SubExpressionCount()) << pattern;
      for (int g = 0; g <= jit.SubExpressionCount(); ++g) {
        ASSERT_EQ(jit.MatchOffset(g), interp.MatchOffset(g)) << pattern << " over " << text;
        ASSERT_EQ(jit.MatchLength(g), interp.MatchLength(g)) << pattern;
      }
      ASSERT_EQ(jit.SearchStart(), interp.SearchStart());
    }
  }
  EXPECT_GT(compared, 1000);
}

TEST(RegexSearch, OneShotSearches) {
  int64_t off = -1;
  EXPECT_TRUE(RegexFind("b", "abcb", off, 3));
  EXPECT_EQ(off, 2);
  EXPECT_TRUE(RegexFindFrom("b", "abcb", off, 3));
  EXPECT_EQ(off, 4);
  EXPECT_FALSE(RegexFindFrom("b", "abcb", off, 5));
  EXPECT_EQ(off, 0);
  EXPECT_TRUE(RegexFindFrom("b", "abcb", off, -3));  // below 1 means 1
  EXPECT_EQ(off, 2);
  EXPECT_TRUE(RegexTest("^x", "a\nx"));
  EXPECT_TRUE(RegexTest("a.c", "a\nc"));
  EXPECT_TRUE(RegexFind("<.+>", "<a><b>", off, 1));
  EXPECT_EQ(off, 1);
  EXPECT_FALSE(RegexTest("x*", "abc"));
  EXPECT_FALSE(RegexFind("(?=a)", "abc", off, 0));
  EXPECT_THROW(RegexTest("", "abc"), EPerlRegExError);
  EXPECT_THROW(RegexTest("[", "abc"), EPerlRegExError);
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
    int64_t start = 1 + static_cast<int64_t>(rng() % (text.size() + 1));
    int64_t off = 0;
    bool found = RegexFindFrom(QuoteRegexText(key), text, off, start);
    size_t expect = FindBytes(text, key, static_cast<size_t>(start));
    ASSERT_EQ(found, expect != 0) << "key " << key << " text " << text;
    ASSERT_EQ(static_cast<size_t>(off), expect);
  }
}
