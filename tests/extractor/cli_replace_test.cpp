// Extraction and replacement end to end: round trips under the main option
// combinations, translations of other lengths, the search modes, -utf16,
// unmatched lines and failures.
#include <cstdio>
#include <string>
#include <vector>

#include "tests/extractor/korvane_cli.h"

namespace {

// A string literal with its embedded NUL bytes.
template <size_t N>
std::string B(const char (&s)[N]) {
  return std::string(s, N - 1);
}
template <size_t N>
std::u16string U(const char16_t (&s)[N]) {
  return std::u16string(s, N - 1);
}

std::string Utf16Le(const std::u16string& s, bool mark = true) {
  std::string out = mark ? std::string("\xFF\xFE") : std::string();
  for (char16_t c : s) {
    out.push_back(static_cast<char>(c & 0xFF));
    out.push_back(static_cast<char>(c >> 8));
  }
  return out;
}

}  // namespace

class KorvaneReplace : public KorvaneCli {
 protected:
  // Extracts, then replaces with the given lines (or the extracted ones
  // unchanged); returns the extracted lines.
  std::string Extract(const std::vector<std::string>& options) {
    std::vector<std::string> args = {"extract", "d.bin", "t.txt", "-silent"};
    args.insert(args.end(), options.begin(), options.end());
    ToolResult r = Run(args);
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    return ReadBytes(F("t.txt"));
  }
  ToolResult Replace(const std::vector<std::string>& options, const std::string& stdinText = "") {
    std::vector<std::string> args = {"replace", "d.bin", "t.txt"};
    args.insert(args.end(), options.begin(), options.end());
    return Run(args, stdinText);
  }
};

TEST_F(KorvaneReplace, RoundTripsAreByteIdentical) {
  const std::string data = B(
      "head[ Hello\r\nWorld\t]mid[\"quoted\"]x[a\rb\nc ]y[ctl\x01\x1f\x7f]z[]w[dup][dup][\"half]"
      "[tab\\tesc][same][same] tail\r\n[last]");
  struct Combo {
    std::vector<std::string> script;
    std::vector<std::string> options;
  };
  const std::vector<std::string> plain = Brackets();
  const std::vector<std::string> framed = {"\\[", "\\]", "1", "-1", "<<", ">"};
  const std::vector<Combo> combos = {
      {plain, {}},
      {plain, {"-d"}},
      {plain, {"-b"}},
      {plain, {"-ft"}},
      {plain, {"-ff"}},
      {plain, {"-hex_sys"}},
      {plain, {"-border_quot"}},
      {plain, {"-bq_sys"}},
      {plain, {"-r_da_old", "-nr_t"}},
      {plain, {"-rep_reg"}},
      {plain, {"-rep_reg", "-b"}},
      {plain, {"-ee", "-b", "-ff"}},
      {framed, {}},
      {framed, {"-b", "-hex_sys"}},
      {framed, {"-bq_sys", "-d"}},
      {{"\\[", "\\]", "0", "0", "", "", "(\\]|^)", "\\[", "0", "0", "#", ""}, {"-ff"}},
  };
  for (const auto& c : combos) {
    WriteBytes(F("d.bin"), data);
    Script(c.script);
    std::string lines = Extract(c.options);
    ASSERT_FALSE(lines.empty());
    std::vector<std::string> args = c.options;
    args.push_back("-silent");
    ToolResult r = Replace(args);
    std::string what = c.options.empty() ? "(none)" : c.options[0];
    EXPECT_EQ(r.status, 0) << what << r.err;
    EXPECT_EQ(ReadBytes(F("d.bin")), data) << what;
    EXPECT_FALSE(PathExists(F("d.bin.temp")));
  }
}

TEST_F(KorvaneReplace, LongerAndShorterTranslationsKeepTheBytesAround) {
  const std::string data = B("\x00\x01[abc]\xFF\xFE[de]\r\n[abc]--[f]");
  WriteBytes(F("d.bin"), data);
  Script(Brackets());
  EXPECT_EQ(Extract({}), "abc\r\nde\r\nabc\r\nf\r\n");
  WriteBytes(F("t.txt"), "ABCDEFG\r\nD\r\nxyz\r\n\r\n");
  ToolResult r = Replace({});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "Please wait...\nDone: " + F("d.bin") + "\n");
  EXPECT_EQ(ReadBytes(F("d.bin")), B("\x00\x01[ABCDEFG]\xFF\xFE[D]\r\n[xyz]--[]"));
}

TEST_F(KorvaneReplace, OptionBReplacesInOrderAndStreams) {
  WriteBytes(F("d.bin"), "[ab][ab][cd]");
  Script(Brackets());
  Extract({"-b"});
  // Same length in place, other lengths through the streamed output.
  WriteBytes(F("t.txt"), "xy\r\nlonger\r\nc\r\n");
  ToolResult r = Replace({"-b", "-silent"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(ReadBytes(F("d.bin")), "[xy][longer][c]");
}

TEST_F(KorvaneReplace, DefaultModeSearchesFromTheStartEveryTime) {
  // The first translation holds the second line's text with its right part:
  // the second line finds it there.
  WriteBytes(F("d.bin"), "[a][b]");
  Script(Brackets());
  Extract({});
  WriteBytes(F("t.txt"), "b][a\r\nB\r\n");
  ToolResult r = Replace({"-silent"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(ReadBytes(F("d.bin")), "[B][a][b]");
}

TEST_F(KorvaneReplace, OptionDReplacesEveryOccurrence) {
  WriteBytes(F("d.bin"), "[one] one [two] [one");
  Script(Brackets());
  EXPECT_EQ(Extract({"-d"}), "one\r\ntwo\r\n");
  WriteBytes(F("t.txt"), "1\r\n2\r\n");
  ToolResult r = Replace({"-d", "-silent"});
  EXPECT_EQ(r.status, 0);
  // The key is the left part and the text: "[one" changes everywhere, also
  // without its right part; the plain word does not.
  EXPECT_EQ(ReadBytes(F("d.bin")), "[1] one [2] [1");
}

TEST_F(KorvaneReplace, RepRegSearchesKeysLiterally) {
  WriteBytes(F("d.bin"), "[a+b] [aab] [x{2}] [xx]");
  Script(Brackets());
  Extract({});
  WriteBytes(F("t.txt"), "P\r\nQ\r\nR\r\nS\r\n");
  ToolResult r = Replace({"-rep_reg", "-silent"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(ReadBytes(F("d.bin")), "[P] [Q] [R] [S]");
  // With -b the search goes on after the previous place.
  WriteBytes(F("d.bin"), "[a.c] [abc]");
  Extract({});
  WriteBytes(F("t.txt"), "1\r\n2\r\n");
  r = Replace({"-rep_reg", "-b", "-silent"});
  EXPECT_EQ(ReadBytes(F("d.bin")), "[1] [2]");
}

TEST_F(KorvaneReplace, RepRegWithAnInvalidRightPatternFailsTheLine) {
  WriteBytes(F("d.bin"), "[a] [b(]");
  // The right pattern alone is invalid, the combined one is valid.
  Script({"(\\[", "\\])", "0", "0", "", ""});
  // The left pattern fails inside the loop: nothing is found and the run fails.
  ToolResult r = Run({"extract", "d.bin", "t.txt", "-silent"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(ReadBytes(F("t.txt")), "");
  Script({"\\[", "\\]", "0", "0", "", "", "\\(", "", "0", "0", "", ""});
  WriteBytes(F("d.bin"), "[a] (b");
  r = Run({"extract", "d.bin", "t.txt", "-silent"});
  EXPECT_EQ(ReadBytes(F("t.txt")), "a\r\n");
  WriteBytes(F("t.txt"), "A\r\n");
  Script({"\\[", "\\](?", "0", "0", "", ""});
  r = Replace({"-rep_reg", "-silent"});
  EXPECT_EQ(r.status, 1);
}

TEST_F(KorvaneReplace, BqSysGivesBackExactlyTheRemovedQuotes) {
  WriteBytes(F("d.bin"), "a=\"Hello\";b=\"Open;c=Close\";d=\";e=plain;");
  Script({"=", ";", "0", "0", "", ""});
  EXPECT_EQ(Extract({"-bq_sys", "-ee"}), "Hello\r\nOpen\r\nClose\r\n\r\nplain\r\n");
  WriteBytes(F("t.txt"), "Hallo\r\nOffen\r\nZu\r\n\r\nklar\r\n");
  ToolResult r = Replace({"-bq_sys", "-ee", "-silent"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(ReadBytes(F("d.bin")), "a=\"Hallo\";b=\"Offen;c=Zu\";d=\";e=klar;");

  // With a prefix and a suffix the quotes go inside them. The test of the
  // raw line sees the prefix and suffix bytes.
  WriteBytes(F("d.bin"), "a=\"Hello\";b=\"Open;");
  Script({"=", ";", "0", "0", "P:", "\""});
  EXPECT_EQ(Extract({"-bq_sys"}), "P:Hello\"\r\nP:Open\"\r\n");
  WriteBytes(F("t.txt"), "P:Hallo\"\r\nP:Offen\"\r\n");
  r = Replace({"-bq_sys", "-silent"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(ReadBytes(F("d.bin")), "a=\"Hallo\";b=\"Offen;");
}

TEST_F(KorvaneReplace, PrefixSuffixAndCoordinates) {
  WriteBytes(F("d.bin"), "id=Hello;id=Bye;");
  Script({"id=", ";", "2", "-1", "<", ">"});
  // "Bye": the text e was not empty before the coordinates, so it gives a line.
  EXPECT_EQ(Extract({}), "<ll>\r\n<>\r\n");
  WriteBytes(F("t.txt"), "<LLLL>\r\n<>\r\n");
  ToolResult r = Replace({"-silent"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(ReadBytes(F("d.bin")), "id=HeLLLLo;id=Bye;");
}

TEST_F(KorvaneReplace, Utf16DataRoundTripsWholeAndTakesTranslations) {
  // Lone LF, CR LF, a NUL and a Cyrillic letter inside a UTF-16 file.
  const std::string data = Utf16Le(U(u"x[\u043A\u0442\u043E]\n[a\0b]\r\n[z]"), true);
  ASSERT_EQ(data.size(), 2 + 2 * 17u);
  WriteBytes(F("d.bin"), data);
  Script(Brackets());
  EXPECT_EQ(Extract({"-utf16"}), B("\xD0\xBA\xD1\x82\xD0\xBE\r\na\0b\r\nz\r\n"));
  ToolResult r = Replace({"-utf16", "-silent"});
  // The NUL stays in its line when the text file is read back.
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(ReadBytes(F("d.bin")), data);

  const std::string data2 = Utf16Le(u"x[\u043A\u0442\u043E]\n[ab]\r\n", true);
  WriteBytes(F("d.bin"), data2);
  Extract({"-utf16"});
  r = Replace({"-utf16", "-silent"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(ReadBytes(F("d.bin")), data2);
  WriteBytes(F("t.txt"), "\xD0\xB4\xD0\xB0\r\n\xF0\x9F\x98\x80\r\n");
  r = Replace({"-utf16", "-silent"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(ReadBytes(F("d.bin")), Utf16Le(u"x[\u0434\u0430]\n[\U0001F600]\r\n", true));

  // An 8-bit file given -utf16 by mistake goes through unchanged.
  const std::string ansi = "[\xE0\xE1]\n[c]\r";
  WriteBytes(F("d.bin"), ansi);
  Extract({"-utf16"});
  r = Replace({"-utf16", "-silent"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(ReadBytes(F("d.bin")), ansi);
}

TEST_F(KorvaneReplace, Utf16TextThatCannotBeEncodedLeavesTheFile) {
  const std::string data = Utf16Le(u"[ab]", true);
  WriteBytes(F("d.bin"), data);
  Script(Brackets());
  Extract({"-utf16"});
  WriteBytes(F("t.txt"), "x\xFF\xFE\r\n");
  ToolResult r = Replace({"-utf16", "-silent"});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("not valid UTF-8"), std::string::npos) << r.err;
  EXPECT_EQ(ReadBytes(F("d.bin")), data);
  EXPECT_EQ(r.out.find("Done: "), std::string::npos);
}

TEST_F(KorvaneReplace, UnmatchedLinesAreReported) {
  // A literal backslash-n in the data is turned into a line break on import:
  // the key is not found.
  WriteBytes(F("d.bin"), "[a\\nb] [ok] [c\\rd]");
  Script(Brackets());
  EXPECT_EQ(Extract({}), "a\\nb\r\nok\r\nc\\rd\r\n");
  WriteBytes(F("t.txt"), "X\r\nOK\r\nY\r\n");
  ToolResult r = Replace({}, "\n");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "Please wait...\nWARNING: DETECTED NOT FIND LINES!!! NotCompare \\r\\n ???\nError: " + F("d.bin") +
                       "\n[a\nb\n...\nDone: " + F("d.bin") + "\n");
  EXPECT_EQ(ReadBytes(F("d.bin")), "[a\\nb] [OK] [c\\rd]");
  const std::string block = "FILE: " + F("d.bin") + "\r\n\r\n[a\nb\r\n\r\n[c\rd\r\n\r\n";
  EXPECT_EQ(ReadBytes(F("NOT_FIND_LINES.txt")), block);
  // A second run appends a second block.
  r = Replace({"-silent"});
  EXPECT_EQ(ReadBytes(F("NOT_FIND_LINES.txt")), block + block);
}

TEST_F(KorvaneReplace, QuoteWarningsOrderAndReport) {
  WriteBytes(F("d.bin"), "[a\\nb] [x]");
  Script(Brackets());
  Extract({"-border_quot"});
  EXPECT_EQ(ReadBytes(F("t.txt")), "\"a\\nb\"\r\n\"x\"\r\n");
  WriteBytes(F("t.txt"), "\"1\"2\"\r\n\"y\"z\"\r\n");
  ToolResult r = Replace({"-border_quot", "-silent"});
  EXPECT_EQ(r.status, 0);
  // Each line: its conversion warnings, then (first miss only) the report.
  EXPECT_EQ(r.out, "Warning quot text: 1\"2\nWARNING: DETECTED NOT FIND LINES!!! NotCompare \\r\\n ???\nError: " +
                       F("d.bin") + "\n[a\nb\n...\nWarning quot text: y\"z\n");
  EXPECT_EQ(ReadBytes(F("d.bin")), "[a\\nb] [y\"z]");
  EXPECT_EQ(ReadBytes(F("NOT_FIND_LINES.txt")), "FILE: " + F("d.bin") + "\r\n\r\n[a\nb\r\n\r\n1\"2y\"z");
}

// The lines are converted in batches on several threads, and "-b" writes
// its result while it searches: the warnings still come in line order
// across the batches, and the result is whole, with a stretch of more than
// a megabyte between two strings and replacements of the same length (which
// "-b" copies over the data text) among the others.
TEST_F(KorvaneReplace, ManyLinesKeepTheirOrder) {
  constexpr int kLines = 40000;
  std::string data, txt, expectedOut, expectedReport, expectedData;
  for (int i = 0; i < kLines; ++i) {
    const std::string n = std::to_string(i);
    if (i == 19998) {  // a line copied over, after the stretch
      data += std::string(3 << 19, 'z');
      expectedData += std::string(3 << 19, 'z');
    }
    data += "[v" + n + "] ";
    const bool warn = i % 997 == 0 || i == kLines - 1;
    const std::string inner = warn ? "q\"" + n : (i % 3 == 0 ? "u" : "tt") + n;
    txt += "\"" + inner + "\"\r\n";
    expectedData += "[" + inner + "] ";
    if (warn) {
      expectedOut += "Warning quot text: " + inner + "\n";
      expectedReport += inner;
    }
  }
  for (const char* mode : {"", "-b", "-rep_reg"}) {
    WriteBytes(F("d.bin"), data);
    Script(Brackets());
    Extract({"-border_quot"});
    WriteBytes(F("t.txt"), txt);
    std::remove(F("NOT_FIND_LINES.txt").c_str());
    std::vector<std::string> options{"-border_quot", "-silent"};
    if (*mode) options.push_back(mode);
    ToolResult r = Replace(options);
    EXPECT_EQ(r.status, 0) << mode << r.err;
    EXPECT_TRUE(r.out == expectedOut) << mode;
    EXPECT_TRUE(ReadBytes(F("NOT_FIND_LINES.txt")) == expectedReport) << mode;
    EXPECT_TRUE(ReadBytes(F("d.bin")) == expectedData) << mode;
  }
}

// The default mode and "-b" convert (and "-b" also replaces and writes)
// while the extraction still searches, the lines handed over in batches.
// Over more lines than one batch, what the user sees and gets must be what
// "-rep_reg" (which extracts first) gives for these strings, each found
// once: the extraction's report before the replacement's warnings, the
// lines of a search cut short by an invalid pattern (all counted), a wrong
// count of lines that changes nothing and shows no warning, a missing
// string, and no line at all.
TEST_F(KorvaneReplace, ReplacingWhileExtractingShowsWhatExtractingFirstShows) {
  constexpr int kLines = 5000;
  std::string data, txt, replaced;
  for (int i = 0; i < kLines; ++i) {
    const std::string n = std::to_string(i);
    data += "[v" + n + "] ";
    const std::string inner = i % 997 == 0 ? "q\"" + n : "u" + n;
    txt += "\"" + inner + "\"\r\n";
    replaced += "[" + inner + "] ";
  }
  std::vector<std::string> cutShort = Brackets();
  for (const char* line : {"(<", ">)", "0", "0", "", ""}) cutShort.push_back(line);
  struct Case {
    const char* name;
    std::vector<std::string> script;
    std::string data;
    std::string txt;
    int status;
    std::string expectedData;  // empty: the data as replaced
    std::string shown;         // a part of what "-b" shows
    bool onlyShown;            // ... or all of it
  };
  // "\n" in a data text is exported as it stands and imported as a line
  // break: that string is not found again.
  std::string missing = data;
  missing.replace(missing.find("[v2500]"), 7, "[v\\n2500]");
  const std::string countError = "ERROR: Count lines not aligment.\nERROR LINE: 1 \"v0\"\n";
  const std::vector<Case> cases = {
      {"cut short", cutShort, data + "<x> [after]", txt, 1, replaced + "<x> [after]",
       "ERROR Loop or Memory File\nElement Find = 5000\n", false},
      {"fewer lines", Brackets(), data, txt.substr(0, txt.rfind("\"u4999")), 1, data, countError, true},
      {"more lines", Brackets(), data, txt + "\"z\"\r\n", 1, data, countError, true},
      {"a string missing", Brackets(), missing, txt, 0, "", "WARNING: DETECTED NOT FIND LINES!!!", false},
      {"no line", Brackets(), "no brackets", "\"a\"\r\n", 0, "no brackets", "", true},
  };
  for (const Case& c : cases) {
    std::vector<ToolResult> results;
    std::vector<std::string> datas, reports;
    for (const char* mode : {"-rep_reg", "", "-b"}) {
      WriteBytes(F("d.bin"), c.data);
      Script(c.script);
      Run({"extract", "d.bin", "t.txt", "-silent", "-border_quot"});
      WriteBytes(F("t.txt"), c.txt);
      std::remove(F("NOT_FIND_LINES.txt").c_str());
      std::vector<std::string> options{"-border_quot", "-silent"};
      if (*mode) options.push_back(mode);
      results.push_back(Replace(options));
      datas.push_back(ReadBytes(F("d.bin")));
      reports.push_back(PathExists(F("NOT_FIND_LINES.txt")) ? ReadBytes(F("NOT_FIND_LINES.txt")) : "none");
    }
    for (size_t m = 0; m < results.size(); ++m) {
      const std::string name = std::string(c.name) + " " + std::to_string(m);
      EXPECT_EQ(results[m].status, c.status) << name << results[m].out.substr(0, 300);
      EXPECT_TRUE(results[m].out == results[0].out) << name << "\n" << results[m].out.substr(0, 300);
      EXPECT_TRUE(reports[m] == reports[0]) << name;
      EXPECT_TRUE(datas[m] == datas[0]) << name;
      if (!c.expectedData.empty()) {
        EXPECT_TRUE(datas[m] == c.expectedData) << name;
      }
    }
    if (c.onlyShown) {
      EXPECT_EQ(results[0].out, c.shown) << c.name;
    } else {
      EXPECT_NE(results[0].out.find(c.shown), std::string::npos) << c.name << results[0].out.substr(0, 300);
    }
    EXPECT_FALSE(PathExists(F("d.bin.temp"))) << c.name;
  }
}

TEST_F(KorvaneReplace, RepInputTxtStandsInForTheFreshLines) {
  WriteBytes(F("d.bin"), "<[x]> [y] [z]");
  Script(Brackets());
  WriteBytes(F("old.txt"), "y\r\ngone\r\nz\r\n");
  WriteBytes(F("t.txt"), "Y\r\nG\r\nZ\r\n");
  ToolResult r = Replace({"-rep_input_txt", "old.txt", "-silent"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(ReadBytes(F("d.bin")), "<[x]> [Y] [Z]");
  EXPECT_EQ(ReadBytes(F("NOT_FIND_LINES.txt")), "FILE: " + F("d.bin") + "\r\n\r\n[gone\r\n\r\n");
  // Also with -bq_sys, whose raw lines stop at the fresh extraction.
  WriteBytes(F("old.txt"), "x\r\ny\r\nz\r\nmore\r\n");
  WriteBytes(F("t.txt"), "X\r\nY\r\nZ\r\nM\r\n");
  r = Replace({"-rep_input_txt", "old.txt", "-bq_sys", "-silent"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(ReadBytes(F("d.bin")), "<[X]> [Y] [Z]");
}

TEST_F(KorvaneReplace, LineCountMismatchChangesNothing) {
  WriteBytes(F("d.bin"), "[a] [b]");
  Script(Brackets());
  Extract({});
  WriteBytes(F("t.txt"), "A\r\nB\r\nC\r\n");
  ToolResult r = Replace({"-silent"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "ERROR: Count lines not aligment.\nERROR LINE: 1 a\n");
  EXPECT_NE(r.err.find("\nERROR LINE: 1 a.\n"), std::string::npos);
  EXPECT_EQ(ReadBytes(F("d.bin")), "[a] [b]");
  EXPECT_FALSE(PathExists(F("NOT_FIND_LINES.txt")));
}

TEST_F(KorvaneReplace, EmptyExtractionTouchesNothing) {
  WriteBytes(F("d.bin"), "no brackets");
  WriteBytes(F("t.txt"), "old text\r\n");
  Script(Brackets());
  ToolResult r = Run({"extract", "d.bin", "t.txt"});
  EXPECT_EQ(r.out, "Please wait...\nDone: " + F("t.txt") + "\n");
  EXPECT_EQ(ReadBytes(F("t.txt")), "old text\r\n");
  r = Replace({});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "Please wait...\n");
  EXPECT_EQ(ReadBytes(F("d.bin")), "no brackets");
  EXPECT_FALSE(PathExists(F("d.bin.temp")));
}

TEST_F(KorvaneReplace, OutDataGetsTheResultAndTheOriginalStays) {
  WriteBytes(F("d.bin"), "[a]");
  Script(Brackets());
  Extract({});
  WriteBytes(F("t.txt"), "b\r\n");
  ToolResult r = Replace({"-out_data", "res/new.bin"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "Please wait...\nDone: " + F("res/new.bin") + "\n");
  EXPECT_EQ(ReadBytes(F("d.bin")), "[a]");
  EXPECT_EQ(ReadBytes(F("res/new.bin")), "[b]");
}

TEST_F(KorvaneReplace, FailedWriteIsAnErrorNotDone) {
  WriteBytes(F("d.bin"), "[a]");
  Script(Brackets());
  Extract({});
  WriteBytes(F("t.txt"), "b\r\n");
  WriteBytes(F("d.bin.temp/blocker"), "");  // the temporary file cannot be made
  ToolResult r = Replace({});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out.find("Done: "), std::string::npos) << r.out;
  EXPECT_NE(r.err.find(F("d.bin.temp")), std::string::npos) << r.err;
  EXPECT_NE(r.err.find(SystemMessage("Is a directory")), std::string::npos) << r.err;
  EXPECT_EQ(ReadBytes(F("d.bin")), "[a]");
}

TEST_F(KorvaneReplace, AddFinalEnterAndDelEnterAndTab) {
  WriteBytes(F("d.bin"), "[a\r\n\tb]");
  Script({"\\[", "\\]", "0", "0", "", ""});
  EXPECT_EQ(Extract({"-del_enter_and_tab"}), "ab\r\n");
  // A replace run does not delete them: its key keeps the breaks.
  WriteBytes(F("t.txt"), "a\\r\\n\\tb\r\n");
  ToolResult r = Replace({"-del_enter_and_tab", "-add_final_enter", "-silent"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(ReadBytes(F("d.bin")), "[a\r\n\tb]\r\n");
}
