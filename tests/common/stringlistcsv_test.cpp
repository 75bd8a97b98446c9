#include "common/stringlistcsv.h"

#include <gtest/gtest.h>

#include <chrono>
#include <random>
#include <string>
#include <vector>

#include "common/comparestring.h"
#include "common/errors.h"
#include "common/platform.h"
#include "tests/support/testutil.h"

namespace {

using namespace std::string_literals;

std::vector<std::string> Rows(const TStringList& l) { return l.Lines(); }

// A column list with every field setting given.
TStringListCSVEX MakeList(bool quoteFields, bool alwaysQuote, bool escapeFields,
                          TEscapeForm type = TEscapeForm::BackslashBreaks) {
  TStringListCSVEX l;
  l.QuoteFields = quoteFields;
  l.AlwaysQuote = alwaysQuote;
  l.EscapeFields = escapeFields;
  l.EscapeType = type;
  return l;
}

// ---------------------------------------------------------------- defaults

TEST(StringListCSV, Defaults) {
  TStringListCSVEX l;
  EXPECT_EQ(l.Delimiter, ';');
  EXPECT_EQ(l.QuoteChar, '"');
  EXPECT_FALSE(l.KeySorted);
  EXPECT_TRUE(l.QuoteFields);
  EXPECT_TRUE(l.AlwaysQuote);
  EXPECT_TRUE(l.EscapeFields);
  EXPECT_EQ(l.EscapeType, TEscapeForm::BackslashBreaks);
  EXPECT_EQ(l.Duplicates(), TDuplicates::dupAccept);
  EXPECT_TRUE(l.CaseSensitive());
  EXPECT_FALSE(l.Sorted());
}

// ---------------------------------------------------------------- AppendField

TEST(StringListCSV, AppendFieldDefaultsQuoteEveryFieldAndDoubleQuotes) {
  TStringListCSVEX l;
  std::string line;
  l.AppendField(line, "a");
  l.AppendField(line, "b;c");
  l.AppendField(line, "x\"y");
  EXPECT_EQ(line, "\"a\";\"b;c\";\"x\"\"y\"");
}

TEST(StringListCSV, AppendFieldEmptyFirstFieldLosesItsQuotes) {
  TStringListCSVEX l = MakeList(false, false, false);
  std::string line;
  l.AppendField(line, "");
  EXPECT_EQ(line, "\"\"");
  l.AppendField(line, "b");
  EXPECT_EQ(line, ";b");

  // The same with quoting of fields that need it.
  TStringListCSVEX q = MakeList(true, false, false);
  std::string row;
  q.AppendField(row, "");
  EXPECT_EQ(row, "\"\"");
  q.AppendField(row, "b");
  EXPECT_EQ(row, ";b");
}

TEST(StringListCSV, AppendFieldAlwaysQuoteKeepsEmptyFirstField) {
  TStringListCSVEX l = MakeList(true, true, false);
  std::string line;
  l.AppendField(line, "");
  l.AppendField(line, "b");
  EXPECT_EQ(line, "\"\";\"b\"");
}

TEST(StringListCSV, AppendFieldQuotesOnlyWhatNeedsIt) {
  TStringListCSVEX l = MakeList(true, false, false);
  std::string line;
  l.AppendField(line, "plain");
  l.AppendField(line, "has;delim");
  l.AppendField(line, "has\"quote");
  l.AppendField(line, "cr\rhere");
  l.AppendField(line, "lf\nhere");
  l.AppendField(line, "tab\there");
  EXPECT_EQ(line, "plain;\"has;delim\";\"has\"\"quote\";\"cr\rhere\";\"lf\nhere\";tab\there");
}

TEST(StringListCSV, AppendFieldWithoutQuotingAppendsRaw) {
  TStringListCSVEX l = MakeList(false, true, false);
  std::string line = "x";
  l.AppendField(line, "a\"b;c");
  EXPECT_EQ(line, "x;a\"b;c");
}

TEST(StringListCSV, AppendFieldEscapesLineBreaks) {
  TStringListCSVEX l;
  std::string line;
  l.AppendField(line, "a\r\nb\tc");
  EXPECT_EQ(line, "\"a\\r\\nb\\tc\"");
  EXPECT_EQ(l.FieldOf(line, 0), "a\r\nb\tc");
}

TEST(StringListCSV, AppendFieldAtStoresTheRow) {
  TStringListCSVEX l;
  l.Add("\"k\"");
  l.Add("");
  l.AppendFieldAt(0, "v");
  l.AppendFieldAt(1, "w");
  EXPECT_EQ(l[0], "\"k\";\"v\"");
  EXPECT_EQ(l[1], "\"w\"");
  EXPECT_THROW(l.AppendFieldAt(2, "x"), EStringListError);
}

// ---------------------------------------------------------------- FieldOf

TEST(StringListCSV, FieldOfQuotedFieldHoldsDelimiter) {
  TStringListCSVEX l;
  std::string line = "\"a;b\";c";
  EXPECT_EQ(l.FieldOf(line, 0), "a;b");
  EXPECT_EQ(l.FieldOf(line, 1), "c");
  EXPECT_EQ(l.FieldOf(line, 2), "");
  EXPECT_EQ(l.FieldOf(line, -1), "");
}

TEST(StringListCSV, FieldOfTrailingDelimiter) {
  TStringListCSVEX l;
  EXPECT_EQ(l.FieldOf("a;", 0), "a");
  EXPECT_EQ(l.FieldOf("a;", 1), "");
  EXPECT_EQ(l.FieldOf("a;", 2), "");
  l.ParseFields("a;");
  EXPECT_EQ(Rows(l), (std::vector<std::string>{"a", ""}));
  l.ParseFields("\"a\";");
  EXPECT_EQ(Rows(l), (std::vector<std::string>{"a", ""}));
  l.ParseFields(";");
  EXPECT_EQ(Rows(l), (std::vector<std::string>{"", ""}));
  l.ParseFields(";;");
  EXPECT_EQ(Rows(l), (std::vector<std::string>{"", "", ""}));
}

TEST(StringListCSV, FieldOfUnclosedQuoteDropsTheLastByte) {
  TStringListCSVEX l;
  EXPECT_EQ(l.FieldOf("\"abc", 0), "ab");
  EXPECT_EQ(l.FieldOf("\"abc", 1), "");
  EXPECT_EQ(l.FieldOf("\"a", 0), "");
  EXPECT_EQ(l.FieldOf("\"", 0), "");
  EXPECT_EQ(l.FieldOf("x;\"ab;c", 1), "ab;");
  l.ParseFields("x;\"ab;c");
  EXPECT_EQ(Rows(l), (std::vector<std::string>{"x", "ab;"}));
}

TEST(StringListCSV, ParseFieldsQuotes) {
  TStringListCSVEX l;
  l.ParseFields("\"x\"\"y\";\"\"\"\";\"\"");
  EXPECT_EQ(Rows(l), (std::vector<std::string>{"x\"y", "\"", ""}));
  // A quoted value followed by text before the delimiter: a further field.
  l.ParseFields("\"a\"b;c");
  EXPECT_EQ(Rows(l), (std::vector<std::string>{"a", "b", "c"}));
  // A quote inside a bare value is an ordinary byte.
  l.ParseFields("a\"b;c");
  EXPECT_EQ(Rows(l), (std::vector<std::string>{"a\"b", "c"}));
  l.ParseFields("");
  EXPECT_EQ(l.Count(), 0);
  // Content is replaced.
  l.ParseFields("q");
  EXPECT_EQ(Rows(l), (std::vector<std::string>{"q"}));
}

TEST(StringListCSV, ParseFieldsOtherDelimiterAndQuote) {
  TStringListCSVEX l;
  l.Delimiter = ',';
  l.QuoteChar = '\'';
  l.ParseFields("'a,b','it''s',c;d");
  EXPECT_EQ(Rows(l), (std::vector<std::string>{"a,b", "it's", "c;d"}));
  EXPECT_EQ(l.FieldOf("'a,b','it''s',c;d", 1), "it's");
}

TEST(StringListCSV, ParseFieldsStepsOverWholeUtf8Characters) {
  TStringListCSVEX l;
  // Byte A7 as the delimiter: inside valid UTF-8 it is only ever the second
  // byte of a character ("\xC2\xA7"), which is stepped over whole.
  l.Delimiter = '\xA7';
  l.ParseFields("x\xC2\xA7y");
  EXPECT_EQ(Rows(l), (std::vector<std::string>{"x\xC2\xA7y"}));
  // Text that is not UTF-8 is walked byte by byte.
  l.ParseFields("x\xA7y");
  EXPECT_EQ(Rows(l), (std::vector<std::string>{"x", "y"}));
  l.ParseFields("\xFFx\xA7y\xA7");
  EXPECT_EQ(Rows(l), (std::vector<std::string>{"\xFFx", "y", ""}));
  // With fields cut without quotes too.
  TStringListCSVEX r = MakeList(false, false, false);
  r.Delimiter = '\xA7';
  EXPECT_EQ(r.FieldOf("x\xC2\xA7y", 0), "x\xC2\xA7y");
  EXPECT_EQ(r.FieldOf("x\xA7y", 1), "y");
  // Multi-byte text with the usual delimiter.
  TStringListCSVEX u;
  u.ParseFields("\"\xD0\x9F\xD1\x80\xD0\xB8\";\xE2\x82\xAC;\xF0\x9F\x98\x80");
  EXPECT_EQ(Rows(u), (std::vector<std::string>{"\xD0\x9F\xD1\x80\xD0\xB8", "\xE2\x82\xAC", "\xF0\x9F\x98\x80"}));
}

TEST(StringListCSV, FieldOfWithoutQuoteHandling) {
  TStringListCSVEX l = MakeList(false, false, false);
  std::string line = "\"a;b\";c";
  EXPECT_EQ(l.FieldOf(line, 0), "\"a");
  EXPECT_EQ(l.FieldOf(line, 1), "b\"");
  EXPECT_EQ(l.FieldOf(line, 2), "c");
  EXPECT_EQ(l.FieldOf(line, 3), "");
  EXPECT_EQ(l.FieldOf("", 0), "");
  EXPECT_EQ(l.FieldOf("a;", 1), "");
  EXPECT_EQ(l.FieldOf(";;x", 2), "x");
}

TEST(StringListCSV, FieldOfUnescapes) {
  TStringListCSVEX l;
  EXPECT_EQ(l.FieldOf("\"a\\r\\nb\";\"\\x01\\t\"", 0), "a\r\nb");
  EXPECT_EQ(l.FieldOf("\"a\\r\\nb\";\"\\x01\\t\"", 1), "\x01\t");
  // Type 2 honours a backslash before the escape.
  EXPECT_EQ(l.FieldOf("\"a\\\\nb\"", 0), "a\\nb");
  l.EscapeType = TEscapeForm::OldBreaks;
  EXPECT_EQ(l.FieldOf("\"a\\d\\ab\"", 0), "a\r\nb");
  l.EscapeFields = false;
  EXPECT_EQ(l.FieldOf("\"a\\d\\ab\"", 0), "a\\d\\ab");
}

TEST(StringListCSV, GetFieldChecksTheRow) {
  TStringListCSVEX l;
  l.Add("\"a\";\"b\"");
  EXPECT_EQ(l.GetField(0, 1), "b");
  try {
    l.GetField(5, 0);
    FAIL() << "no error";
  } catch (const EStringListError& e) {
    EXPECT_STREQ(e.what(), "List index out of bounds (5)");
  }
}

// Values written with AppendField come back through FieldOf.
TEST(StringListCSV, AppendThenReadRoundTripsOnRandomValues) {
  std::mt19937 rng(99);
  const std::string alpha = "ab;\"\r\n\t\x01 \xC3\xA4\xFF" "0x"s;
  for (int round = 0; round < 4000; ++round) {
    bool quote = round % 4 != 3;
    bool always = round % 2 == 0;
    bool escape = round % 3 != 0;
    TStringListCSVEX l = MakeList(quote, always, escape, static_cast<TEscapeForm>(round % 6));
    if (escape) l.EscapeType = TEscapeForm::BackslashBreaks;
    int n = 1 + static_cast<int>(rng() % 4);
    std::vector<std::string> values;
    std::string line;
    for (int k = 0; k < n; ++k) {
      std::string v = RandomString(rng, alpha, 0, 6);
      if (!quote) {
        // Without quoting the delimiter cannot travel inside a value, nor can
        // a lone first field that is empty (it is written as two quotes).
        std::erase(v, ';');
        if (k == 0 && v.empty()) v = "z";
      }
      values.push_back(v);
      l.AppendField(line, v);
    }
    for (int k = 0; k < n; ++k) ASSERT_EQ(l.FieldOf(line, k), values[k]) << "line " << line << " k " << k;
    ASSERT_EQ(l.FieldOf(line, n), "") << line;
  }
}

// ---------------------------------------------------------------- searches

TEST(StringListCSV, CompareFieldFollowsCaseSensitivity) {
  TStringListCSVEX l;
  EXPECT_EQ(l.CompareField("ABC1", "abc1"), -1);
  EXPECT_EQ(l.CompareField("x7", "x007"), 0);
  l.SetCaseSensitive(false);
  EXPECT_EQ(l.CompareField("ABC1", "abc1"), 0);
  EXPECT_EQ(l.CompareField("line9", "LINE10"), -1);
}

TEST(StringListCSV, IndexOfFieldLinear) {
  TStringListCSVEX l;
  l.Add("\"b\";\"1\"");
  l.Add("\"x007\";\"2\"");
  l.Add("\"b\";\"3\"");
  l.Add("\"B\";\"4\"");
  EXPECT_EQ(l.IndexOfField("b", 0), 0);
  EXPECT_EQ(l.IndexOfField("x7", 0), 1);  // natural equality
  EXPECT_EQ(l.IndexOfField("B", 0), 3);
  EXPECT_EQ(l.IndexOfField("3", 1), 2);
  EXPECT_EQ(l.IndexOfField("zz", 0), -1);
  EXPECT_EQ(l.IndexOfFieldFrom("b", 0, 1), 2);
  EXPECT_EQ(l.IndexOfFieldFrom("b", 0, 3), -1);
  EXPECT_EQ(l.IndexOfFieldFrom("b", 0, 4), -1);
  EXPECT_EQ(l.IndexOfFieldFrom("b", 0, 99), -1);
  EXPECT_EQ(l.IndexOfFieldFrom("b", 0, -5), 0);
  l.SetCaseSensitive(false);
  EXPECT_EQ(l.IndexOfField("B", 0), 0);
  TStringListCSVEX empty;
  EXPECT_EQ(empty.IndexOfField("a", 0), -1);
}

TEST(StringListCSV, KeySortedAddKeepsNaturalOrder) {
  TStringListCSVEX l;
  l.KeySorted = true;
  for (std::string k : {"line10", "line9", "line1", "line100", "line2"}) {
    std::string row;
    l.AppendField(row, k);
    EXPECT_GE(l.Add(row), 0);
  }
  std::vector<std::string> keys;
  for (int r = 0; r < l.Count(); ++r) keys.push_back(l.GetField(r, 0));
  EXPECT_EQ(keys, (std::vector<std::string>{"line1", "line2", "line9", "line10", "line100"}));
  EXPECT_EQ(l.IndexOfField("line9", 0), 2);
  EXPECT_EQ(l.IndexOfField("line009", 0), 2);
  EXPECT_EQ(l.IndexOfField("line3", 0), -1);
  int index = -1;
  EXPECT_FALSE(l.FindField("line3", index, 0));
  EXPECT_EQ(index, 2);  // insertion point
  EXPECT_TRUE(l.FindField("line100", index, 0));
  EXPECT_EQ(index, 4);
  EXPECT_FALSE(l.FindField("zzz", index, 0));
  EXPECT_EQ(index, 5);
}

TEST(StringListCSV, KeySortedAddWithDuplicates) {
  TStringListCSVEX l;
  l.KeySorted = true;
  EXPECT_EQ(l.Add("\"a\";\"1\""), 0);
  EXPECT_EQ(l.Add("\"c\";\"2\""), 1);
  // Accept (the default): inserted before the equal row.
  EXPECT_EQ(l.Add("\"c\";\"3\""), 1);
  EXPECT_EQ(l[1], "\"c\";\"3\"");
  EXPECT_EQ(l.Add("\"b\";\"4\""), 1);
  EXPECT_EQ(l.Count(), 4);
  l.SetDuplicates(TDuplicates::dupIgnore);
  EXPECT_EQ(l.Add("\"c\";\"5\""), -1);
  EXPECT_EQ(l.Count(), 4);
  l.SetDuplicates(TDuplicates::dupError);
  EXPECT_EQ(l.Add("\"a\";\"6\""), -1);
  EXPECT_EQ(l.Count(), 4);
  // A new key is still inserted in order.
  EXPECT_EQ(l.Add("\"bb\";\"7\""), 2);
}

TEST(StringListCSV, AddWithoutKeySortedAppendsEvenInASortedList) {
  TStringListCSVEX l;
  l.Add("\"b\"");
  l.Add("\"c\"");
  l.SetSorted(true);
  EXPECT_EQ(l.Add("\"a\""), 2);
  EXPECT_EQ(l[2], "\"a\"");
  int dummy = 7;
  EXPECT_EQ(l.AddObject("\"0\"", &dummy), 3);
  EXPECT_EQ(l.GetObject(3), &dummy);
}

// ---------------------------------------------------------------- RemoveDuplicates

TEST(StringListCSV, RemoveDuplicatesKeepFirst) {
  TStringListCSVEX l;
  l.Add("\"k1\";\"first\"");
  l.Add("\"k2\";\"second\"");
  l.Add("\"k1\";\"third\"");
  std::vector<int> src = l.RemoveDuplicates(0, false);
  EXPECT_EQ(Rows(l), (std::vector<std::string>{"\"k1\";\"first\"", "\"k2\";\"second\""}));
  EXPECT_EQ(src, (std::vector<int>{0, 1}));
}

TEST(StringListCSV, RemoveDuplicatesKeepLast) {
  TStringListCSVEX l;
  l.Add("\"k1\";\"first\"");
  l.Add("\"k2\";\"second\"");
  l.Add("\"k1\";\"third\"");
  l.Add("\"k1\";\"fourth\"");
  std::vector<int> src = l.RemoveDuplicates(0, true);
  EXPECT_EQ(Rows(l), (std::vector<std::string>{"\"k1\";\"fourth\"", "\"k2\";\"second\""}));
  EXPECT_EQ(src, (std::vector<int>{3, 1}));
}

TEST(StringListCSV, RemoveDuplicatesByOtherField) {
  TStringListCSVEX l;
  l.Add("\"a\";\"x\"");
  l.Add("\"b\";\"y\"");
  l.Add("\"c\";\"x\"");
  l.Add("\"d\"");
  l.Add("\"e\"");  // field 1 empty, like the row before
  l.RemoveDuplicates(1, false);
  EXPECT_EQ(Rows(l), (std::vector<std::string>{"\"a\";\"x\"", "\"b\";\"y\"", "\"d\""}));
}

TEST(StringListCSV, RemoveDuplicatesKeysAreBytesNotNaturalOrCase) {
  TStringListCSVEX l;
  l.Add("\"Hello\"");
  l.Add("\"hello\"");
  l.Add("\"x7\"");
  l.Add("\"x007\"");
  l.Add("\"x7\"");
  l.RemoveDuplicates(0, false);
  EXPECT_EQ(Rows(l), (std::vector<std::string>{"\"Hello\"", "\"hello\"", "\"x7\"", "\"x007\""}));
}

TEST(StringListCSV, RemoveDuplicatesKeepLastFindsTheFirstNaturallyEqualRow) {
  // "x007" is a new key (bytes), but the later repeat of it is placed into
  // the first row whose field is naturally equal: the row of "x7".
  TStringListCSVEX l;
  l.Add("\"x7\";\"1\"");
  l.Add("\"x007\";\"2\"");
  l.Add("\"x007\";\"3\"");
  l.RemoveDuplicates(0, true);
  EXPECT_EQ(Rows(l), (std::vector<std::string>{"\"x007\";\"3\"", "\"x007\";\"2\""}));
}

TEST(StringListCSV, RemoveDuplicatesKeepLastFailsWhenTheResultCannotFindTheKey) {
  // With escapes off here, the key "a\tb" is read as a TAB by the result
  // list, which keeps the default escapes: it is not found there.
  TStringListCSVEX l = MakeList(true, true, false);
  l.Add("\"a\\tb\";\"1\"");
  l.Add("\"a\\tb\";\"2\"");
  std::vector<std::string> before = Rows(l);
  try {
    l.RemoveDuplicates(0, true);
    FAIL() << "no error";
  } catch (const EStringListError& e) {
    EXPECT_STREQ(e.what(), "List index out of bounds (-1)");
  }
  EXPECT_EQ(Rows(l), before);
  // Keeping the first row never searches.
  l.RemoveDuplicates(0, false);
  EXPECT_EQ(Rows(l), (std::vector<std::string>{"\"a\\tb\";\"1\""}));
}

TEST(StringListCSV, RemoveDuplicatesEmptyList) {
  TStringListCSVEX l;
  EXPECT_TRUE(l.RemoveDuplicates(0, true).empty());
  EXPECT_EQ(l.Count(), 0);
}

TEST(StringListCSV, RemoveDuplicatesReplacesTextAsText) {
  // The result is the text of the kept rows: a row holding a raw line break
  // becomes two lines.
  TStringListCSVEX l = MakeList(true, false, false);
  l.Add("a;\"x\ny\"");
  l.Add("a;z");
  l.RemoveDuplicates(0, false);
  EXPECT_EQ(Rows(l), (std::vector<std::string>{"a;\"x", "y\""}));
}

// The removal written out as its steps, with a result list searched
// linearly and a sorted list of seen keys.
std::vector<std::string> ReferenceRemoveDuplicates(const TStringListCSVEX& src, int i, bool keepLast) {
  TStringListCSVEX r;
  r.QuoteFields = src.QuoteFields;
  r.AlwaysQuote = src.AlwaysQuote;
  r.QuoteChar = src.QuoteChar;
  r.Delimiter = src.Delimiter;
  TStringListEX seen;
  seen.SetSorted(true);
  for (int row = 0; row < src.Count(); ++row) {
    std::string key = src.GetField(row, i);
    int at = 0;
    if (!seen.Find(key, at)) {
      seen.Add(key);
      r.Add(src[row]);
    } else if (keepLast) {
      r.Put(r.IndexOfField(key, i), src[row]);
    }
  }
  TStringList out;
  out.SetText(r.Text());
  return out.Lines();
}

TEST(StringListCSV, RemoveDuplicatesKeepLastFollowsRowsThatChangeTheirField) {
  // Escapes off here, default escapes in the result list: row 0 ("a\\nb",
  // read there as "a\nb") takes the content of the third row; read there as
  // a line break it no longer answers the key "a\nb" of the fourth row.
  TStringListCSVEX l = MakeList(true, true, false);
  l.Add("\"a\\\\nb\";\"1\"");
  l.Add("\"a\\nb\";\"2\"");
  l.Add("\"a\\nb\";\"3\"");
  TStringListCSVEX three = l;
  EXPECT_EQ(ReferenceRemoveDuplicates(three, 0, true),
            (std::vector<std::string>{"\"a\\nb\";\"3\"", "\"a\\nb\";\"2\""}));
  three.RemoveDuplicates(0, true);
  EXPECT_EQ(Rows(three), (std::vector<std::string>{"\"a\\nb\";\"3\"", "\"a\\nb\";\"2\""}));
  l.Add("\"a\\nb\";\"4\"");
  EXPECT_THROW(ReferenceRemoveDuplicates(l, 0, true), EStringListError);
  EXPECT_THROW(l.RemoveDuplicates(0, true), EStringListError);
}

TEST(StringListCSV, RemoveDuplicatesMatchesReferenceOnRandomLists) {
  std::mt19937 rng(4242);
  const std::string keyAlpha = "a0017\\tnx\"";
  // Values that repeat often, in forms that the escape settings read
  // differently and that natural order finds equal.
  const std::vector<std::string> pool = {"",      "a",      "x7",        "x007",  "x0",    "x00",
                                         "\\t",   "a\\nb",  "\\\\n",      "\"q",   "\\x09", "\\d",
                                         "a\\x0A", "A",      "\"\"\"\"", "7\\t", "07\\t",
                                         "\\\\t",  "a\\\\nb"};
  int errors = 0;
  for (int round = 0; round < 1500; ++round) {
    bool quote = round % 5 != 4;
    bool escape = round % 3 != 2;
    TEscapeForm type = round % 7 == 0   ? TEscapeForm::OldBreaks
                       : round % 7 == 1 ? TEscapeForm::Hex
                                        : TEscapeForm::BackslashBreaks;
    TStringListCSVEX l = MakeList(quote, round % 2 == 0, escape, type);
    if (round % 9 == 0) l.SetCaseSensitive(false);
    int rows = static_cast<int>(rng() % 40);
    for (int k = 0; k < rows; ++k) {
      std::string line;
      int fields = 1 + static_cast<int>(rng() % 3);
      for (int f = 0; f < fields; ++f) {
        std::string v = rng() % 2 ? RandomString(rng, keyAlpha, 0, 4) : pool[rng() % pool.size()];
        if (!quote) std::erase(v, ';');
        // Written as raw text too, so that escapes and quotes reach the
        // reader in every form.
        if (rng() % 3 == 0) {
          if (!line.empty()) line += ';';
          line += v;
        } else {
          l.AppendField(line, v);
        }
      }
      l.Add(line);
    }
    int field = static_cast<int>(rng() % 3);
    bool keepLast = rng() % 2 == 0;
    std::vector<std::string> original = Rows(l);

    std::vector<std::string> expected;
    std::string expectedError;
    try {
      expected = ReferenceRemoveDuplicates(l, field, keepLast);
    } catch (const EStringListError& e) {
      expectedError = e.what();
    }
    TStringListCSVEX fast = l;
    std::vector<int> sources;
    std::string fastError;
    try {
      sources = fast.RemoveDuplicates(field, keepLast);
    } catch (const EStringListError& e) {
      fastError = e.what();
    }
    ASSERT_EQ(fastError, expectedError) << "round " << round;
    if (!expectedError.empty()) {
      ++errors;
      ASSERT_EQ(Rows(fast), original);
      continue;
    }
    ASSERT_EQ(Rows(fast), expected) << "round " << round;
    ASSERT_EQ(sources.size(), expected.size());
    for (size_t k = 0; k < sources.size(); ++k) ASSERT_EQ(original[sources[k]], expected[k]);
  }
  // The random lists reach the failing search too.
  EXPECT_GT(errors, 0);
}

TEST(StringListCSV, RemoveDuplicatesIsNotQuadratic) {
  TStringListCSVEX l;
  const int n = 300000;
  std::vector<std::string> rows;
  rows.reserve(n);
  for (int k = 0; k < n; ++k) {
    std::string row;
    l.AppendField(row, "key" + std::to_string(k % (n / 2)));
    l.AppendField(row, "value" + std::to_string(k));
    rows.push_back(row);
  }
  l.Assign(rows);
  auto start = std::chrono::steady_clock::now();
  std::vector<int> src = l.RemoveDuplicates(0, true);
  double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  ASSERT_EQ(l.Count(), n / 2);
  EXPECT_EQ(l.GetField(0, 1), "value" + std::to_string(n / 2));
  EXPECT_EQ(l.GetField(n / 2 - 1, 1), "value" + std::to_string(n - 1));
  EXPECT_EQ(src[7], n / 2 + 7);
  // A linear search per repeat would take minutes here.
  EXPECT_LT(seconds, 30.0);
}

// ---------------------------------------------------------------- NaturalEqualityKey

TEST(NaturalEqualityKey, AgreesWithNaturalEquality) {
  std::mt19937 rng(5);
  const std::string alphabets[] = {"0012a", "0\0"s "1a", "09"};
  int equal = 0;
  for (int round = 0; round < 200000; ++round) {
    const std::string& alpha = alphabets[round % 3];
    std::string a = RandomString(rng, alpha, 0, 6);
    std::string b = RandomString(rng, alpha, 0, 6);
    if (round % 50 == 0) a = std::string(25, '9') + a, b = std::string(25, '9') + b;
    bool same = CompareNaturalStr(a, b) == 0;
    equal += same;
    ASSERT_EQ(NaturalEqualityKey(a) == NaturalEqualityKey(b), same) << a << " / " << b;
  }
  EXPECT_GT(equal, 1000);
  EXPECT_EQ(NaturalEqualityKey("x007"), NaturalEqualityKey("x7"));
  EXPECT_NE(NaturalEqualityKey("x0"), NaturalEqualityKey("x00"));
  EXPECT_NE(NaturalEqualityKey(""), NaturalEqualityKey("\0"s));
  EXPECT_EQ(NaturalEqualityKey("\0a"s), NaturalEqualityKey("\0b"s));
}

}  // namespace
