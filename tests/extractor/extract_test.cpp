// The extraction pass: search loop, cut, coordinates, removals, loading.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "common/classic_string.h"
#include "extractor/convert.h"
#include "extractor/extract.h"
#include "tests/extractor/extract_reference.h"
#include "tests/extractor/recording_reporter.h"
#include "tests/support/testutil.h"

namespace {

TScript Entry(const std::string& l, const std::string& r, int cl = 0, int cr = 0, const std::string& pre = "",
              const std::string& suf = "") {
  TScript e;
  e.left_re = l;
  e.right_re = r;
  e.coord_left = cl;
  e.coord_right = cr;
  e.prefix = pre;
  e.suffix = suf;
  return e;
}

// A replacement's parameters: its extraction keeps the items.
TParametrs Params(std::initializer_list<bool TParametrs::*> flags = {}) {
  TParametrs p;
  p.operation = "replace";
  p.silent = true;
  for (auto f : flags) p.*f = true;
  return p;
}

TExtraction Extract(const std::string& data, std::vector<TScript> scripts, const TParametrs& p) {
  TRecordingReporter reporter;
  return ExtractItems(data, scripts, p, reporter);
}

// The straightforward loop, with the pairwise removal for "-d".
TExtraction Reference(const std::string& data, const std::vector<TScript>& scripts, const TParametrs& p) {
  bool threw = false;
  TExtraction ex = RefExtract(data, scripts, p, threw);
  if (p.d) RefRemoveDuplicates(ex);
  return ex;
}

std::vector<std::string> Lines(const TExtraction& ex) { return ex.lines; }

}  // namespace

TEST(Extract, BracketsAndHashes) {
  TExtraction ex = Extract("a=[x] b=[y]", {Entry("\\[", "\\]")}, Params({&TParametrs::bq_sys}));
  EXPECT_EQ(Lines(ex), (std::vector<std::string>{"x", "y"}));
  ASSERT_EQ(ex.items.size(), 2u);
  EXPECT_EQ(ex.items[1].left_text, "[");
  EXPECT_EQ(ex.items[1].right_text, "]");
  EXPECT_EQ(ex.items[1].left_re, "\\[");
  EXPECT_EQ(ex.raw_lines, (std::vector<std::string>{"x", "y"}));

  EXPECT_EQ(Lines(Extract("#a#b#", {Entry("#", "#")}, Params())), (std::vector<std::string>{"a", "b"}));
  EXPECT_EQ(Lines(Extract("#a#b#", {Entry("#", "#")}, Params({&TParametrs::ft}))),
            (std::vector<std::string>{"a", "b"}));
  EXPECT_EQ(Lines(Extract("#a#b#", {Entry("#", "#")}, Params({&TParametrs::ff}))), (std::vector<std::string>{"a"}));
}

TEST(Extract, PrefixSuffixAndExport) {
  TExtraction ex = Extract("[a\r\nb ]", {Entry("\\[", "\\]", 0, 0, "ID:", "|")}, Params({&TParametrs::bq_sys}));
  EXPECT_EQ(Lines(ex), (std::vector<std::string>{"ID:a\\r\\nb\\x20|"}));
  EXPECT_EQ(ex.raw_lines, (std::vector<std::string>{"ID:a\r\nb |"}));
}

TEST(Extract, EarliestMatchWinsTiesGoToTheLowerIndex) {
  // Both entries match at byte 1; the first wins and the second is searched
  // again from the new position.
  TExtraction ex = Extract("[x][y]", {Entry("\\[", "\\]"), Entry("\\[x", "\\]")}, Params());
  EXPECT_EQ(Lines(ex), (std::vector<std::string>{"x", "y"}));
  EXPECT_EQ(ex.items[0].script_index, 0);
  EXPECT_EQ(ex.items[1].script_index, 0);
  // Swapped: the first entry takes byte 1 with an empty text (no line); the
  // pending match of the other starts before the position and is skipped.
  ex = Extract("[x][y]", {Entry("\\[x", "\\]"), Entry("\\[", "\\]")}, Params());
  EXPECT_EQ(Lines(ex), (std::vector<std::string>{"y"}));
  EXPECT_EQ(ex.items[0].script_index, 1);
}

TEST(Extract, EmptyTextsNeedEe) {
  EXPECT_TRUE(Extract("[][]", {Entry("\\[", "\\]")}, Params()).lines.empty());
  TExtraction ex = Extract("[][]", {Entry("\\[", "\\]", 0, 0, "<", ">")}, Params({&TParametrs::ee}));
  EXPECT_EQ(Lines(ex), (std::vector<std::string>{"<>", "<>"}));
}

TEST(Extract, OptionBTakesTheLastLeftOccurrence) {
  EXPECT_EQ(Lines(Extract("[a[b]", {Entry("\\[", "\\]")}, Params())), (std::vector<std::string>{"a[b"}));
  TExtraction ex = Extract("[a[b]", {Entry("\\[", "\\]")}, Params({&TParametrs::b}));
  EXPECT_EQ(Lines(ex), (std::vector<std::string>{"b"}));
  EXPECT_EQ(Lines(Extract("text=\"...text=\"...\"end", {Entry("text=\"", "\"end")}, Params({&TParametrs::b}))),
            (std::vector<std::string>{"..."}));
}

TEST(Extract, Coordinates) {
  TExtraction ex = Extract("x=Hello;", {Entry("x=", ";", 2, 0)}, Params());
  ASSERT_EQ(ex.lines.size(), 1u);
  EXPECT_EQ(ex.lines[0], "llo");
  EXPECT_EQ(ex.items[0].left_text, "x=He");
  ex = Extract("x=Hello;", {Entry("x=", ";", 2, -1)}, Params());
  EXPECT_EQ(ex.lines[0], "ll");
  EXPECT_EQ(ex.items[0].right_text, "o;");
  // A right part of three bytes and coordinate 5: all but its last two move.
  ex = Extract("[abc>>>", {Entry("\\[", ">>>", 0, 5)}, Params());
  EXPECT_EQ(ex.lines[0], "abc>");
  EXPECT_EQ(ex.items[0].right_text, ">>");
  ex = Extract("[abc>>", {Entry("\\[", ">>", 0, 5)}, Params());
  EXPECT_EQ(ex.lines[0], "abc");
  // Negative coordinates larger than their part move the whole part.
  ex = Extract("<<x]", {Entry("<<", "\\]", -5, 0)}, Params());
  EXPECT_EQ(ex.lines[0], "<<x");
  EXPECT_EQ(ex.items[0].left_text, "");
  ex = Extract("[x]", {Entry("\\[", "\\]", 0, -9)}, Params({&TParametrs::ee}));
  ASSERT_EQ(ex.lines.size(), 1u);
  EXPECT_EQ(ex.lines[0], "");
  EXPECT_EQ(ex.items[0].right_text, "x]");
  // A positive left coordinate larger than the text takes all of it.
  ex = Extract("[ab]", {Entry("\\[", "\\]", 9, 0)}, Params({&TParametrs::ee}));
  EXPECT_EQ(ex.items[0].left_text, "[ab");
}

TEST(Extract, SingleLineKeepsTextsOnOneLine) {
  EXPECT_EQ(Lines(Extract("[a\nb]", {Entry("\\[", "\\]")}, Params())), (std::vector<std::string>{"a\\nb"}));
  EXPECT_TRUE(Extract("[a\nb]", {Entry("\\[", "\\]")}, Params({&TParametrs::single_line})).lines.empty());
}

TEST(Extract, PartsThatFindNothingAreEmptyAndTheLoopAlwaysEnds) {
  // The lookbehind sees the data, not the match: the left part finds nothing.
  TExtraction ex = Extract("xaQb", {Entry("(?<=x)a", "b")}, Params());
  EXPECT_EQ(Lines(ex), (std::vector<std::string>{"aQ"}));
  EXPECT_EQ(ex.items[0].left_text, "");
  // An empty-only left pattern with -ft would find the same match forever.
  ex = Extract("[a][b]", {Entry("(?=\\[)", "\\]")}, Params({&TParametrs::ft}));
  EXPECT_EQ(Lines(ex), (std::vector<std::string>{"[a", "[b"}));
}

TEST(Extract, LoopErrorsKeepTheLinesFound) {
  // The combined pattern compiles, the left pattern alone does not.
  std::vector<TScript> scripts = {Entry("\\[", "\\]"), Entry("(<", ">)")};
  TRecordingReporter reporter;
  TExtraction ex = ExtractItems("[a] <b> [c]", scripts, Params(), reporter);
  const std::string& out = reporter.out;
  EXPECT_EQ(Lines(ex), (std::vector<std::string>{"a"}));
  EXPECT_EQ(ex.items.size(), 1u);
  EXPECT_EQ(out,
            "ERROR Loop or Memory File\nElement Find = 1\nPosition finaly = 3\n"
            "TPerlRegEx.Compile() - Error in regex at offset 2: missing closing parenthesis\n");
  // An invalid combined pattern is not caught.
  scripts = {Entry("(", "x")};
  EXPECT_THROW(ExtractItems("abc", scripts, Params(), reporter), EError);
}

TEST(Extract, SearchErrorsWarnAndEndTheEntry) {
  std::vector<TScript> scripts = {Entry("(a+)+c", "x"), Entry("\\[", "\\]")};
  std::string data = std::string(40, 'a') + "b [z] c x";
  TRecordingReporter reporter;
  TExtraction ex = ExtractItems(data, scripts, Params(), reporter);
  const std::string& out = reporter.out;
  EXPECT_EQ(Lines(ex), (std::vector<std::string>{"z"}));
  EXPECT_NE(out.find("WARNING: search error in regex (a+)+c.*x"), std::string::npos) << out;
}

TEST(Extract, RemoveDuplicateLinesKeepsSequencesParallel) {
  TExtraction ex =
      Extract("[a]x[b]y[a]z[c]w[b]v[]", {Entry("\\[", "\\]", 0, 1)}, Params({&TParametrs::ee, &TParametrs::bq_sys}));
  // With right coordinate 1 the lines are a] ... (right part shifts into the text).
  ASSERT_EQ(ex.lines.size(), 6u);
  ex.lines = {"a", "b", "a", "c", "b", ""};
  RemoveDuplicateLines(ex);
  EXPECT_EQ(ex.lines, (std::vector<std::string>{"a", "b", "c"}));
  EXPECT_EQ(ex.raw_lines, (std::vector<std::string>{"a]", "b]", "c]"}));
  ASSERT_EQ(ex.items.size(), 3u);
}

TEST(Extract, RemoveTrashLines) {
  TempDir dir;
  WriteBytes(dir.File("trash.txt"), "^b\r\n\r\nz$\r\n");
  TExtraction ex = Extract("[a][bb][cz][d]", {Entry("\\[", "\\]")}, Params({&TParametrs::bq_sys}));
  TParametrs p = Params();
  p.trash.enabled = true;
  p.trash.file = dir.File("trash.txt");
  TRecordingReporter reporter;
  RemoveTrashLines(ex, p, reporter);
  EXPECT_EQ(ex.lines, (std::vector<std::string>{"a", "d"}));
  EXPECT_EQ(ex.raw_lines, (std::vector<std::string>{"a", "d"}));
  EXPECT_EQ(ex.items.size(), 2u);
  // A missing trash file or a bad pattern is an error.
  p.trash.file = dir.File("none.txt");
  EXPECT_THROW(RemoveTrashLines(ex, p, reporter), EError);
  WriteBytes(dir.File("bad.txt"), "(\r\n");
  p.trash.file = dir.File("bad.txt");
  EXPECT_THROW(RemoveTrashLines(ex, p, reporter), EError);
}

TEST(Extract, PieceNames) {
  EXPECT_EQ(PieceFileName("/d/data.bin", 1), "/d/data_1.bin");
  EXPECT_EQ(PieceFileName("/d/archive.tar.gz", 12), "/d/archive.tar_12.gz");
  EXPECT_EQ(PieceFileName("/d.x/data", 2), "/d.x/data_2");
}

TEST(Extract, LoadDataTextAddsFinalEnter) {
  TempDir dir;
  TParametrs p = Params({&TParametrs::add_final_enter});
  p.file_data = dir.File("d.bin");
  TDataText data;
  TRecordingReporter reporter;
  for (auto [in, out] : std::vector<std::pair<std::string, std::string>>{
           {"abc", "abc\r\n"}, {"abc\n", "abc\n"}, {"abc\r", "abc\r"}, {"", "\r\n"}}) {
    WriteBytes(p.file_data, in);
    ASSERT_TRUE(LoadDataText(p, {}, data, reporter));
    EXPECT_EQ(data.text, out);
  }
  p.add_final_enter = false;
  WriteBytes(p.file_data, std::string("a\0b", 3));
  ASSERT_TRUE(LoadDataText(p, {}, data, reporter));
  EXPECT_EQ(data.text, std::string("a\0b", 3));
  p.file_data = dir.File("missing.bin");
  EXPECT_THROW(LoadDataText(p, {}, data, reporter), EError);
}

// The loop with its heap, per-entry matchers and hashed removal gives the
// lines, items and raw lines of the straightforward loop.
TEST(Extract, AgreesWithTheStraightforwardLoop) {
  std::mt19937 rng(4242);
  const char* lefts[] = {"\\[", "<", "#", "a", "\\[\\[", "(?=<)", "x=", "<<"};
  const char* rights[] = {"\\]", ">", "#", "b", "\\]\\]", ";", "\\n", ">>"};
  int lines = 0;
  for (int round = 0; round < 1500; ++round) {
    std::string data = RandomString(rng, "[]<>#ab;x=\n \"", 0, 60);
    std::vector<TScript> scripts;
    int n = 1 + static_cast<int>(rng() % 3);
    for (int i = 0; i < n; ++i) {
      scripts.push_back(Entry(lefts[rng() % std::size(lefts)], rights[rng() % std::size(rights)],
                              static_cast<int>(rng() % 7) - 3, static_cast<int>(rng() % 7) - 3,
                              rng() % 4 == 0 ? "P" : "", rng() % 4 == 0 ? "S" : ""));
    }
    TParametrs p = Params();
    p.ft = rng() % 3 == 0;
    p.ff = rng() % 3 == 0;
    p.b = rng() % 3 == 0;
    p.ee = rng() % 3 == 0;
    p.d = rng() % 3 == 0;
    p.single_line = rng() % 4 == 0;
    TExtraction want = Reference(data, scripts, p);
    TExtraction got = Extract(data, scripts, p);
    if (p.d) RemoveDuplicateLines(got);
    ASSERT_EQ(got.lines, want.lines) << "data " << data;
    ASSERT_EQ(got.raw_lines, want.raw_lines);
    ASSERT_EQ(got.items.size(), want.items.size());
    for (size_t i = 0; i < got.items.size(); ++i) {
      ASSERT_EQ(got.items[i].script_index, want.items[i].script_index);
      ASSERT_EQ(got.items[i].left_text, want.items[i].left_text);
      ASSERT_EQ(got.items[i].right_text, want.items[i].right_text);
    }
    lines += static_cast<int>(got.lines.size());
  }
  EXPECT_GT(lines, 1000);
}
