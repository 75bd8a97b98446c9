#include "common/escape.h"
#include "common/utf16.h"

#include <gtest/gtest.h>

#include <random>

#include "common/strutil.h"
#include "tests/support/literal.h"
#include "tests/support/testutil.h"

namespace {

std::string RE(std::string t, const std::string& f, const std::string& r, bool h) {
  ReplaceEscaped(t, f, r, h);
  return t;
}

TEST(ReplaceEscaped, Examples) {
  EXPECT_EQ(RE("a\\rb", "\\r", "\r", true), "a\rb");
  EXPECT_EQ(RE("a\\\\rb", "\\r", "\r", true), "a\\rb");
  EXPECT_EQ(RE("a\\\\rb", "\\r", "\r", false), "a\\\rb");
  EXPECT_EQ(RE("aaa", "a", "aa", false), "aaaaaa");
  EXPECT_EQ(RE("abc", "", "x", true), "abc");
}

TEST(ReplaceEscaped, MatchesLiteralLoopOnRandomText) {
  std::mt19937 rng(7);
  const std::vector<std::string> finds = {"\\r", "a", "aa", "\\", "a\\", "\\\\", "ab"};
  const std::vector<std::string> reps = {"", "\r", "a", "aa", "\\", "b\\", "x"};
  for (int iter = 0; iter < 5000; ++iter) {
    std::string t = RandomString(rng, "a\\rb", 0, 14);
    const std::string& f = finds[rng() % finds.size()];
    const std::string& r = reps[rng() % reps.size()];
    bool h = rng() % 2;
    ASSERT_EQ(RE(t, f, r, h), LitReplaceEscaped(t, f, r, h)) << t << " " << f << " " << r << " " << h;
  }
}

TEST(EscapeText, Examples) {
  EXPECT_EQ(EscapeText(" x\ty ", 0, true), "\\x20x\\ty\\x20");
  EXPECT_EQ(EscapeText("a\r\nb", 0, true), "a\\x0D\\x0Ab");
  EXPECT_EQ(EscapeText("a\r\nb", 2, true), "a\\r\\nb");
  EXPECT_EQ(EscapeText("a\r\nb", 1, true), "a\\d\\ab");
  EXPECT_EQ(EscapeText("a\r\nb", 4, true), "a<CR><LF>b");
  EXPECT_EQ(EscapeText("a\r\nb", 5, true), "a&#13&#10;b");
  EXPECT_EQ(EscapeText("a\tb", 3, false), "a\\x09b");
  EXPECT_EQ(EscapeText("", 0, true), "");
  EXPECT_EQ(EscapeText(" ", 0, true), "\\x20");
  EXPECT_EQ(EscapeText("  ", 0, true), "\\x20\\x20");
  EXPECT_EQ(EscapeText(" x ", 0, false), " x ");
  EXPECT_EQ(EscapeText(std::string("a\0b\x1F", 4), 0, false), "a\\x00b\\x1F");
  EXPECT_EQ(EscapeText("\x7F\x80", 0, false), "\x7F\x80");
  // Type 2: a break right after a backslash stays raw, loses the backslash,
  // and then falls to the hex rule.
  EXPECT_EQ(EscapeText("a\\\nb", 2, false), "a\\x0Ab");
  // Unknown types behave like 0.
  EXPECT_EQ(EscapeText("a\rb", 9, false), "a\\x0Db");
}

TEST(UnescapeText, Examples) {
  EXPECT_EQ(UnescapeText("\\x20a\\x20b\\x20", 0, true), " a b ");
  EXPECT_EQ(UnescapeText("a\\x0ab\\x0Dc", 0, false), "a\nb\rc");
  EXPECT_EQ(UnescapeText("&#13&#10;", 5, false), "\r\n");
  EXPECT_EQ(UnescapeText("a\\tb", 0, false), "a\tb");
  EXPECT_EQ(UnescapeText("a\\tb", 3, false), "a\\tb");  // type 3 has no tab rule
  EXPECT_EQ(UnescapeText("\\x20", 0, false), "\\x20");
  EXPECT_EQ(UnescapeText("\\x0A\\x0a\\x1f\\x1F\\x20\\x0G", 3, false), "\n\n\x1F\x1F\\x20\\x0G");
  EXPECT_EQ(UnescapeText("\\x1f", 0, false), "\x1F");
  EXPECT_EQ(UnescapeText("\\x1F", 0, false), "\x1F");
  EXPECT_EQ(UnescapeText("\\x1Fz\\x0a", 0, false), "\x1Fz\n");
  EXPECT_EQ(UnescapeText("\\x00", 0, false), std::string("\0", 1));
  EXPECT_EQ(UnescapeText("a\\\\rb", 2, false), "a\\rb");
  EXPECT_EQ(UnescapeText("a\\rb", 2, false), "a\rb");
  EXPECT_EQ(UnescapeText("\\d\\a", 1, false), "\r\n");
  EXPECT_EQ(UnescapeText("<CR><LF>", 4, false), "\r\n");
  EXPECT_EQ(UnescapeText("", 0, true), "");
}

// Hex unescaping as one replace-all per value and digit case.
std::string HexUnescapeLiteral(std::string s) {
  const char* hexU = "0123456789ABCDEF";
  const char* hexL = "0123456789abcdef";
  for (int b = 0; b < 32; ++b) s = LitReplaceAll(s, std::string("\\x") + hexU[b >> 4] + hexU[b & 15], std::string(1, static_cast<char>(b)));
  for (int b = 0; b < 32; ++b) s = LitReplaceAll(s, std::string("\\x") + hexL[b >> 4] + hexL[b & 15], std::string(1, static_cast<char>(b)));
  return s;
}

TEST(UnescapeText, HexPassMatchesPerValueReplaceAll) {
  std::mt19937 rng(11);
  for (int iter = 0; iter < 20000; ++iter) {
    std::string t = RandomString(rng, "\\x01aAfF9\x05", 0, 16);
    ASSERT_EQ(UnescapeText(t, 3, false), HexUnescapeLiteral(t)) << t;
  }
}

TEST(EscapeText, RoundTripOfControlBytesType0) {
  std::mt19937 rng(3);
  std::string alphabet;
  for (int c = 1; c < 40; ++c) alphabet.push_back(static_cast<char>(c));
  alphabet += "ab";
  for (int iter = 0; iter < 2000; ++iter) {
    std::string t = RandomString(rng, alphabet, 0, 12);
    ASSERT_EQ(UnescapeText(EscapeText(t, 0, true), 0, true), t);
    ASSERT_EQ(UnescapeText(EscapeText(t, 3, false), 3, false), t);
  }
}

TEST(WideConversions, MarksAndSurrogates) {
  EXPECT_EQ(WideToUtf8(u"\uFEFFab"), "ab");
  EXPECT_EQ(WideToUtf8(u"\uFEFF\uFEFFa"), "\xEF\xBB\xBF" "a");
  std::u16string swapped = u"\x4100";
  EXPECT_EQ(WideToUtf8(swapped, true), "A");
  EXPECT_EQ(Utf8ToWide("\xEF\xBB\xBFhi"), u"hi");
  EXPECT_EQ(Utf8ToWide("\xEF\xBB\xBF"), u"");
  EXPECT_EQ(Utf8ToWide("\xEF\xBB"), u"\xEF\xBB");  // not a whole mark: byte per character
  EXPECT_EQ(Utf8ToWide(""), u"");
  EXPECT_EQ(Utf8ToWide("A", true), std::u16string(1, u'\x4100'));
  EXPECT_EQ(Utf8ToWide("\xF0\x9F\x98\x80"), u"\xD83D\xDE00");
  EXPECT_EQ(WideToUtf8(u"\xD83D\xDE00"), "\xED\xA0\xBD\xED\xB8\x80");
  EXPECT_EQ(Utf8ToWide("\xED\xA0\xBD\xED\xB8\x80"), u"\xD83D\xDE00");
  std::u16string u = u"\x0102";
  SwapWideBytes(u);
  EXPECT_EQ(u, std::u16string(1, u'\x0201'));
}

}  // namespace
