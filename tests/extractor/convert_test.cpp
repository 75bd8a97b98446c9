// Export and import conversions, QuoteRegexText and NormalizeEnters.
#include <gtest/gtest.h>

#include <initializer_list>
#include <random>
#include <string>
#include <vector>

#include "extractor/convert.h"
#include "extractor/params.h"
#include "tests/support/testutil.h"

namespace {

using Flag = bool TParametrs::*;

TParametrs Opts(std::initializer_list<Flag> flags, const std::string& operation = "extract") {
  TParametrs p;
  p.operation = operation;
  for (Flag f : flags) p.*f = true;
  return p;
}

struct Imported {
  std::string text;
  std::string quot;
  std::vector<std::string> console;
};

Imported Import(const std::string& s, const TParametrs& p, const std::string& keys = "") {
  Imported r;
  r.text = ImportText(s, keys, p, r.quot, r.console);
  return r;
}

std::string Export(const std::string& s, const TParametrs& p, const std::string& keys = "") {
  return ExportText(s, keys, p);
}

}  // namespace

TEST(ExportText, LineBreaksTabsAndBorderSpaces) {
  TParametrs none = Opts({});
  EXPECT_EQ(Export("a\r\nb\tc ", none), "a\\r\\nb\\tc\\x20");
  EXPECT_EQ(Export(" ", none), "\\x20");
  EXPECT_EQ(Export("  a  ", none), "\\x20 a \\x20");
  EXPECT_EQ(Export("a\r\nb\n", Opts({&TParametrs::r_da_old})), "a\\d\\ab\\a");
  EXPECT_EQ(Export("a\r\nb", Opts({&TParametrs::nr_rn_win})), "a\\r\\nb");
  EXPECT_EQ(Export("a\rb\nc", Opts({&TParametrs::nr_r_mac})), "a\rb\\nc");
  EXPECT_EQ(Export("a\rb\nc", Opts({&TParametrs::nr_n_unx})), "a\\rb\nc");
  EXPECT_EQ(Export("a\r\nb", Opts({&TParametrs::nr_rn})), "a\r\nb");
  EXPECT_EQ(Export(" a ", Opts({&TParametrs::nr_bs})), " a ");
  // A backslash sequence already in the text passes, except \t.
  EXPECT_EQ(Export("x\\ny", none), "x\\ny");
  EXPECT_EQ(Export("\\t", none), "\\\\t");
  EXPECT_EQ(Export("a\tb", Opts({&TParametrs::nr_t})), "a\tb");
  EXPECT_EQ(Export("a\tb\\t", none, "[-nr_rn][-nr_t]"), "a\tb\\t");
  EXPECT_EQ(Export("", Opts({&TParametrs::border_quot, &TParametrs::hex_sys})), "");
}

TEST(ExportText, QuotesAndDeletion) {
  EXPECT_EQ(Export("x", Opts({&TParametrs::border_quot})), "\"x\"");
  TParametrs bq = Opts({&TParametrs::bq_sys});
  EXPECT_EQ(Export("\"Hi\"", bq), "Hi");
  EXPECT_EQ(Export("\"Hi", bq), "Hi");
  EXPECT_EQ(Export("Hi\"", bq), "Hi");
  EXPECT_EQ(Export("\"", bq), "");
  EXPECT_EQ(Export("\" a\"", bq), "\\x20a");
  // Deletion of TAB, CR and LF only when the operation word is exactly "extract".
  EXPECT_EQ(Export("a\r\n\tb", Opts({&TParametrs::del_enter_and_tab})), "ab");
  EXPECT_EQ(Export("a\r\n\tb", Opts({&TParametrs::del_enter_and_tab}, "EXTRACT")), "a\\r\\n\\tb");
  EXPECT_EQ(Export("a\r\n\tb", Opts({&TParametrs::del_enter_and_tab}, "replace")), "a\\r\\n\\tb");
}

TEST(ExportText, HexSysEscapesAllControlBytesIncludingNul) {
  TParametrs hex = Opts({&TParametrs::hex_sys});
  EXPECT_EQ(Export("a\tb", hex), "a\\x09b");
  EXPECT_EQ(Export("a\r\nb", hex), "a\\x0D\\x0Ab");
  EXPECT_EQ(Export(std::string("a\0b\x1f", 4), hex), "a\\x00b\\x1F");
  EXPECT_EQ(Export("\x7f\x80", hex), "\x7f\x80");
}

TEST(ImportText, LineBreaksAndEscapedBackslashes) {
  TParametrs none = Opts({});
  EXPECT_EQ(Import("a\\r\\nb\\tc\\x20", none).text, "a\r\nb\tc ");
  EXPECT_EQ(Import("a\\\\nb", none).text, "a\\nb");
  EXPECT_EQ(Import("a\\\\nb", Opts({&TParametrs::not_ekrane})).text, "a\\\nb");
  EXPECT_EQ(Import("x\\x20y", none).text, "x y");
  EXPECT_EQ(Import("x\\x20y", Opts({&TParametrs::nr_bs})).text, "x\\x20y");
  EXPECT_EQ(Import("\\\\t", none).text, "\\t");
  EXPECT_EQ(Import("a\\d\\ab\\a\\d", Opts({&TParametrs::r_da_old})).text, "a\r\nb\n\r");
  // Under -r_da_old the escapes are plain replace-all.
  EXPECT_EQ(Import("\\\\a", Opts({&TParametrs::r_da_old})).text, "\\\n");
  EXPECT_EQ(Import("a\\nb", Opts({&TParametrs::nr_rn})).text, "a\\nb");
  EXPECT_EQ(Import("a\\nb", none, "[-nr_rn]").text, "a\\nb");
  EXPECT_EQ(Import("a\\r\\nb", none, "[-nr_rn_win]").text, "a\r\nb");  // then \r and \n alone
  EXPECT_EQ(Import("a\\rb\\n", none, "[-nr_r_mac]").text, "a\\rb\n");
  EXPECT_EQ(Import("a\\rb\\n", none, "[-nr_n_unix]").text, "a\rb\\n");
  EXPECT_EQ(Import("a\\rb\\n", none, "[-nr_n_unx]").text, "a\rb\n");  // not the key spelling
  EXPECT_EQ(Import("a\\tb", none, "[-nr_t]").text, "a\\tb");
  EXPECT_EQ(Import("\\\" Text \\\"", Opts({&TParametrs::r_bs_old})).text, " Text ");
  EXPECT_EQ(Import("", Opts({&TParametrs::border_quot})).text, "");
}

TEST(ImportText, BorderQuotWarnings) {
  TParametrs bq = Opts({&TParametrs::border_quot});
  Imported plain = Import("\"x\"", bq);
  EXPECT_EQ(plain.text, "x");
  EXPECT_TRUE(plain.console.empty());
  EXPECT_TRUE(plain.quot.empty());
  Imported inner = Import("\"a\"b\"", bq);
  EXPECT_EQ(inner.text, "a\"b");
  ASSERT_EQ(inner.console.size(), 1u);
  EXPECT_EQ(inner.console[0], "Warning quot text: a\"b");
  EXPECT_EQ(inner.quot, "a\"b");
  // Warnings accumulate without separator.
  std::string quot;
  std::vector<std::string> console;
  ImportText("1\"2", "", bq, quot, console);
  ImportText("3\"4", "", bq, quot, console);
  EXPECT_EQ(quot, "1\"23\"4");
  EXPECT_EQ(console.size(), 2u);
}

TEST(ImportText, HexRanges) {
  EXPECT_EQ(Import("\\x41\\x62", Opts({&TParametrs::hex_lat})).text, "Ab");
  EXPECT_EQ(Import("\\x4a\\x4A", Opts({&TParametrs::hex_lat})).text, "JJ");
  EXPECT_EQ(Import("\\x41", Opts({&TParametrs::hex_sys})).text, "\\x41");
  EXPECT_EQ(Import("\\x09\\x1f", Opts({&TParametrs::hex_sys})).text, "\t\x1f");
  EXPECT_EQ(Import("\\xC3\\xa9", Opts({&TParametrs::hex_utf8})).text, "\xC3\xA9");
  EXPECT_EQ(Import("\\x00\\x00", Opts({&TParametrs::hex_sys})).text, std::string(2, '\0'));
  EXPECT_EQ(Import("\\x00", Opts({&TParametrs::hex_lat})).text, "\\x00");
  // Values are replaced in ascending order: a backslash produced by \x5C can
  // form a sequence for a later value, but not for an earlier one.
  EXPECT_EQ(Import("\\x5Cx7E", Opts({&TParametrs::hex_lat})).text, "~");
  EXPECT_EQ(Import("\\x5Cx41", Opts({&TParametrs::hex_lat})).text, "\\x41");
  // Hex comes before the line breaks: \x5C followed by n becomes a line break.
  EXPECT_EQ(Import("\\x5Cn", Opts({&TParametrs::hex_lat})).text, "\n");
}

TEST(ImportText, EnterKeys) {
  TParametrs p = Opts({&TParametrs::adv_values_script, &TParametrs::nr_rn});
  EXPECT_EQ(Import("a\\nb", p, "[-enter_win]").text, "a#$D#$Ab");
  EXPECT_EQ(Import("a#$D#$Ab#$Dc", p, "[-enter_unix_reg]").text, "a\\nb\\nc");
  EXPECT_EQ(Import("a\\r\\nb", p, "[-enter_mac]").text, "a#$Db");
  // Without -adv_values_script the keys of step 7 do nothing.
  EXPECT_EQ(Import("a\\nb", Opts({&TParametrs::nr_rn}), "[-enter_win]").text, "a\\nb");
  // With line-break unescaping left on, the target of the _reg keys is
  // written after that step and stays as written.
  TParametrs on = Opts({&TParametrs::adv_values_script});
  EXPECT_EQ(Import("a#$Ab", on, "[-enter_win_reg]").text, "a\\r\\nb");
}

TEST(NormalizeEnters, MarkersNeverTakeBytesOfTheText) {
  TParametrs p = Opts({});
  // "è" in UTF-8 ends with 0xA8; followed by r or n it looked like a marker.
  std::string t = "P\xC3\xA8re #$D#$A Cr\xC3\xA8n \\n";
  NormalizeEnters(t, "<E>", p);
  EXPECT_EQ(t, "P\xC3\xA8re <E> Cr\xC3\xA8n <E>");
  std::string u = "\x01\xA8r\x01\xA8n\xA8r#$A\\r";
  NormalizeEnters(u, "|", p);
  EXPECT_EQ(u, "\x01\xA8r\x01\xA8n\xA8r||");
  std::string v = "a#$D#$Ab\\r\\nc#$Dd";
  NormalizeEnters(v, "\\n", p);
  EXPECT_EQ(v, "a\\nb\\nc\\nd");
  // A notation preceded by a backslash stays and loses the backslash.
  std::string w = "a\\#$Ab";
  NormalizeEnters(w, "X", p);
  EXPECT_EQ(w, "a#$Ab");
  std::string x = "a\\#$Ab";
  NormalizeEnters(x, "X", Opts({&TParametrs::not_ekrane}));
  EXPECT_EQ(x, "a\\Xb");
}

TEST(QuoteRegexText, EscapesEveryPatternCharacter) {
  EXPECT_EQ(QuoteRegexText("a.b(c)?"), "a\\.b\\(c\\)\\?");
  EXPECT_EQ(QuoteRegexText("a+b"), "a\\+b");
  EXPECT_EQ(QuoteRegexText("x{2}|y"), "x\\{2\\}\\|y");
  EXPECT_EQ(QuoteRegexText("\\*^$[]<>!"), "\\\\\\*\\^\\$\\[\\]\\<\\>\\!");
  EXPECT_EQ(QuoteRegexText("-,=#"), "-,=#");
  EXPECT_EQ(QuoteRegexText(""), "");
}

// Texts without backslashes come back unchanged from export and import
// under the option sets that escape all they change.
TEST(ExportImport, RoundTripsUnderOptionSets) {
  std::mt19937 rng(99);
  const std::string alphabet = std::string("ab \"\t\r\n\x01\x1f\x7f\xA8\xFFr#$DA") + '\0';
  const std::vector<std::vector<Flag>> sets = {
      {},
      {&TParametrs::hex_sys},
      {&TParametrs::r_da_old},
      {&TParametrs::nr_rn},
      {&TParametrs::nr_t, &TParametrs::nr_bs},
      {&TParametrs::hex_sys, &TParametrs::nr_bs},
      {&TParametrs::not_ekrane},
      {&TParametrs::border_quot},
  };
  for (const auto& set : sets) {
    TParametrs p;
    p.operation = "extract";
    for (Flag f : set) p.*f = true;
    for (int round = 0; round < 500; ++round) {
      std::string raw = RandomString(rng, alphabet, 0, 24);
      if (p.border_quot) {
        // -border_quot strips only the quotes it added; inner quotes warn.
        std::erase(raw, '"');
      }
      std::string line = Export(raw, p);
      if (p.hex_sys) {
        for (char c : line) ASSERT_GE(static_cast<unsigned char>(c), 32u) << "control byte left in export";
      }
      ASSERT_EQ(Import(line, p).text, raw) << "line " << line;
    }
  }
}
