#include "common/escape.h"
#include "common/utf16.h"

#include <gtest/gtest.h>

#include <random>

#include "common/classic_string.h"
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
  EXPECT_EQ(EscapeText(" x\ty ", TEscapeForm::Hex, true), "\\x20x\\ty\\x20");
  EXPECT_EQ(EscapeText("a\r\nb", TEscapeForm::Hex, true), "a\\x0D\\x0Ab");
  EXPECT_EQ(EscapeText("a\r\nb", TEscapeForm::BackslashBreaks, true), "a\\r\\nb");
  EXPECT_EQ(EscapeText("a\r\nb", TEscapeForm::OldBreaks, true), "a\\d\\ab");
  EXPECT_EQ(EscapeText("a\r\nb", TEscapeForm::TagBreaks, true), "a<CR><LF>b");
  EXPECT_EQ(EscapeText("a\r\nb", TEscapeForm::EntityBreaks, true), "a&#13&#10;b");
  EXPECT_EQ(EscapeText("a\tb", TEscapeForm::HexOnly, false), "a\\x09b");
  EXPECT_EQ(EscapeText("", TEscapeForm::Hex, true), "");
  EXPECT_EQ(EscapeText(" ", TEscapeForm::Hex, true), "\\x20");
  EXPECT_EQ(EscapeText("  ", TEscapeForm::Hex, true), "\\x20\\x20");
  EXPECT_EQ(EscapeText(" x ", TEscapeForm::Hex, false), " x ");
  EXPECT_EQ(EscapeText(std::string("a\0b\x1F", 4), TEscapeForm::Hex, false), "a\\x00b\\x1F");
  EXPECT_EQ(EscapeText("\x7F\x80", TEscapeForm::Hex, false), "\x7F\x80");
  // BackslashBreaks: a break right after a backslash stays raw, loses the backslash,
  // and then falls to the hex rule.
  EXPECT_EQ(EscapeText("a\\\nb", TEscapeForm::BackslashBreaks, false), "a\\x0Ab");
  // Unknown numbers behave like Hex.
  EXPECT_EQ(EscapeText("a\rb", static_cast<TEscapeForm>(9), false), "a\\x0Db");
}

TEST(UnescapeText, Examples) {
  EXPECT_EQ(UnescapeText("\\x20a\\x20b\\x20", TEscapeForm::Hex, true), " a b ");
  EXPECT_EQ(UnescapeText("a\\x0ab\\x0Dc", TEscapeForm::Hex, false), "a\nb\rc");
  EXPECT_EQ(UnescapeText("&#13&#10;", TEscapeForm::EntityBreaks, false), "\r\n");
  EXPECT_EQ(UnescapeText("a\\tb", TEscapeForm::Hex, false), "a\tb");
  EXPECT_EQ(UnescapeText("a\\tb", TEscapeForm::HexOnly, false), "a\\tb");  // HexOnly has no tab rule
  EXPECT_EQ(UnescapeText("\\x20", TEscapeForm::Hex, false), "\\x20");
  EXPECT_EQ(UnescapeText("\\x0A\\x0a\\x1f\\x1F\\x20\\x0G", TEscapeForm::HexOnly, false), "\n\n\x1F\x1F\\x20\\x0G");
  EXPECT_EQ(UnescapeText("\\x1f", TEscapeForm::Hex, false), "\x1F");
  EXPECT_EQ(UnescapeText("\\x1F", TEscapeForm::Hex, false), "\x1F");
  EXPECT_EQ(UnescapeText("\\x1Fz\\x0a", TEscapeForm::Hex, false), "\x1Fz\n");
  EXPECT_EQ(UnescapeText("\\x00", TEscapeForm::Hex, false), std::string("\0", 1));
  EXPECT_EQ(UnescapeText("a\\\\rb", TEscapeForm::BackslashBreaks, false), "a\\rb");
  EXPECT_EQ(UnescapeText("a\\rb", TEscapeForm::BackslashBreaks, false), "a\rb");
  EXPECT_EQ(UnescapeText("\\d\\a", TEscapeForm::OldBreaks, false), "\r\n");
  EXPECT_EQ(UnescapeText("<CR><LF>", TEscapeForm::TagBreaks, false), "\r\n");
  EXPECT_EQ(UnescapeText("", TEscapeForm::Hex, true), "");
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
    ASSERT_EQ(UnescapeText(t, TEscapeForm::HexOnly, false), HexUnescapeLiteral(t)) << t;
  }
}

TEST(EscapeText, RoundTripOfControlBytesHex) {
  std::mt19937 rng(3);
  std::string alphabet;
  for (int c = 1; c < 40; ++c) alphabet.push_back(static_cast<char>(c));
  alphabet += "ab";
  for (int iter = 0; iter < 2000; ++iter) {
    std::string t = RandomString(rng, alphabet, 0, 12);
    ASSERT_EQ(UnescapeText(EscapeText(t, TEscapeForm::Hex, true), TEscapeForm::Hex, true), t);
    ASSERT_EQ(UnescapeText(EscapeText(t, TEscapeForm::HexOnly, false), TEscapeForm::HexOnly, false), t);
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
