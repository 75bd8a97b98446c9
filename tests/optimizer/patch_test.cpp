// Patch building: the helpers against literal loops, and whole runs of the
// program in the modes -cp, -cpd and -cpds.
#include "optimizer/patch.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "common/errors.h"
#include "common/stringlist.h"
#include "optimizer/similar_lines.h"
#include "optimizer/linefile.h"
#include "optimizer/mode_runs.h"
#include "optimizer/params.h"
#include "tests/support/testutil.h"

namespace {

using Lines = std::vector<std::string>;

TStringList ListOf(const Lines& lines) {
  TStringList l;
  l.Assign(lines);
  return l;
}

// The pairing as the steps read: linear case-ignoring lookups in a working
// copy, the backward scan for the nearest exact match, and the similarity
// searches one after another with their updates.
std::vector<TLineMatch> LiteralMatch(const Lines& newLines, const Lines& oldEn) {
  TStringList work = ListOf(oldEn);  // lookups ignore case
  TStringList fresh = ListOf(newLines);
  const TStringList old = ListOf(oldEn);
  std::vector<TLineMatch> t(newLines.size());
  const int n = static_cast<int>(newLines.size());
  for (int i = 0; i < n; ++i) {
    int k = work.IndexOf(newLines[i]);
    t[i].Index = k;
    if (k >= 0) {
      work.Put(k, "");
      continue;
    }
    if (i == 0) continue;
    int j = i - 1;
    bool found = false;
    while (j >= 0) {
      if (t[j].Index != -1 && !t[j].Modified) {
        found = true;
        break;
      }
      --j;
    }
    long long idx = found ? t[j].Index + (i - j) : i;
    if (idx > static_cast<long long>(oldEn.size()) - 1) idx = -1;
    if (idx != -1) {
      if (fresh.IndexOf(oldEn[idx]) != -1) {
        idx = -1;
      } else {
        t[i].Modified = true;
      }
    }
    t[i].Index = static_cast<int>(idx);
  }
  for (int i = 0; i < n; ++i) {
    if (t[i].Index != -1 && !t[i].Modified) continue;
    int b = FindSimilarLine(newLines[i], old, 10, 50, true, false);
    if (b == -1) continue;
    t[i] = TLineMatch{b, false};
    for (int j = 0; j < n; ++j) {
      if (j != i && t[j].Index == b && t[j].Modified) t[j] = TLineMatch{};
    }
  }
  return t;
}

void ExpectSameTable(const std::vector<TLineMatch>& got, const std::vector<TLineMatch>& want) {
  ASSERT_EQ(got.size(), want.size());
  for (size_t i = 0; i < got.size(); ++i) {
    EXPECT_EQ(got[i].Index, want[i].Index) << "line " << i;
    EXPECT_EQ(got[i].Modified, want[i].Modified) << "line " << i;
  }
}

// The finishing steps as index loops over the list, with a row number
// carried along every line, so the surviving rows are known.
struct Row {
  std::string line;
  int row;
};

void LiteralClean(std::vector<Row>& l, const TParam& p) {
  if (!p.DeleteFileLines && !p.DeleteEmpty && !p.EmptyFileLines) return;
  for (int b = 0; b < static_cast<int>(l.size()); ++b) {
    const std::string s = l[b].line;
    if ((p.DeleteFileLines || p.EmptyFileLines) && IsMarkerLine(s)) {
      bool goes = !p.NullFileLinesOnly || b == static_cast<int>(l.size()) - 1 || IsMarkerLine(l[b + 1].line);
      if (goes) {
        if (p.EmptyFileLines) {
          l[b].line.clear();
        } else {
          l.erase(l.begin() + b);
          --b;
        }
      }
    }
    if (p.DeleteEmpty && s.empty()) {
      l.erase(l.begin() + b);
      --b;
    }
  }
}

// Only which rows RewriteMarkers deletes: a marker whose rewritten form
// equals that of the last rewritten marker. The forms come from a run of
// RewriteMarkers on the single marker after the previous marker state is
// rebuilt: simplest is to rewrite the list without deleting and compare.
void LiteralRewriteRows(std::vector<Row>& l, const TParam& p) {
  if (!p.FolderMarkers) return;
  TStringList lines;
  for (const Row& r : l) lines.Add(r.line);
  TParam keep = p;
  keep.DeleteEmpty = false;
  RewriteMarkers(lines, keep);
  ASSERT_EQ(lines.Count(), static_cast<int>(l.size()));
  std::vector<Row> out;
  for (size_t i = 0; i < l.size(); ++i) {
    const bool unchangedMarker = IsMarkerLine(l[i].line) && lines.Lines()[i] == l[i].line;
    if (unchangedMarker && p.DeleteEmpty) continue;
    out.push_back(Row{lines.Lines()[i], l[i].row});
  }
  l = out;
}

class PatchRun : public ::testing::Test {
 protected:
  TempDir dir;
  std::string exe;
  void SetUp() override { exe = InstallVelloran(dir.Path() + "/bin"); }
  ToolResult Run(const std::vector<std::string>& args) { return RunTool(exe, args, dir.Path()); }
  void Put(const std::string& name, const Lines& lines) { WriteBytes(dir.File(name), CrLf(lines)); }
  std::string Get(const std::string& name) { return ReadBytes(dir.File(name)); }
  bool Has(const std::string& name) { return PathExists(dir.File(name)); }
};

std::string Out(const Lines& lines) {
  std::string s;
  for (const auto& l : lines) s += l + "\n";
  return s;
}

}  // namespace

// ---------------------------------------------------------------------------
// Markers

TEST(PatchMarkers, AddMarkerLineAppendsOrCollapses) {
  TStringList l;
  AddMarkerLine(l, "text");
  EXPECT_EQ(l.Count(), 0);
  AddMarkerLine(l, "file\\a.txt");
  EXPECT_EQ(l.Lines(), (Lines{"file\\a.txt"}));
  AddMarkerLine(l, "file/b.txt");  // a marker whose file gave no lines gives way
  EXPECT_EQ(l.Lines(), (Lines{"file/b.txt"}));
  l.Add("line");
  AddMarkerLine(l, "file\\c.txt");
  EXPECT_EQ(l.Lines(), (Lines{"file/b.txt", "line", "file\\c.txt"}));
  AddMarkerLine(l, "File\\d.txt");  // not a marker: upper-case F
  AddMarkerLine(l, " file\\d.txt");
  EXPECT_EQ(l.Count(), 3);
}

TEST(PatchMarkers, DropTrailingMarker) {
  TStringList l = ListOf({"file\\a", "x", "file\\b"});
  DropTrailingMarker(l);
  EXPECT_EQ(l.Lines(), (Lines{"file\\a", "x"}));
  DropTrailingMarker(l);
  EXPECT_EQ(l.Lines(), (Lines{"file\\a", "x"}));
  TStringList empty;
  DropTrailingMarker(empty);
  EXPECT_EQ(empty.Count(), 0);
  TStringList one = ListOf({"file/z"});
  DropTrailingMarker(one);
  EXPECT_EQ(one.Count(), 0);
}

// ---------------------------------------------------------------------------
// MatchOldLines

TEST(MatchOldLines, ExactMatchIgnoresCaseAndUsesUpTheOldLine) {
  // The second copy finds the old line used up; its predicted position is
  // past the end of the old file.
  auto t = MatchOldLines({"Hello there world", "hello THERE world"}, {"HELLO there world"});
  ExpectSameTable(t, {{0, false}, {-1, false}});
}

TEST(MatchOldLines, PositionalMatchIsModified) {
  // "Zq" replaces "Bb" at the same place; "Bb" no longer occurs.
  auto t = MatchOldLines({"Aa", "Zq", "Cc"}, {"Aa", "Bb", "Cc"});
  ExpectSameTable(t, {{0, false}, {1, true}, {2, false}});
}

TEST(MatchOldLines, PositionOfALineStillPresentIsNoMatch) {
  // The old line at the predicted place still occurs (in another case).
  auto t = MatchOldLines({"Aa", "Zq", "BB"}, {"Aa", "bb", "Cc"});
  ExpectSameTable(t, {{0, false}, {-1, false}, {1, false}});
}

TEST(MatchOldLines, FirstLineGetsNoPredictionLaterLinesUseTheirOwnIndex) {
  // No exact match before line 1: its position is its own index.
  auto t = MatchOldLines({"Xx", "Yy", "Cc"}, {"Aa", "Bb", "Cc"});
  ExpectSameTable(t, {{-1, false}, {1, true}, {2, false}});
}

TEST(MatchOldLines, PredictionCountsFromTheNearestExactMatch) {
  // Line 3 predicts 1 + (3 - 1) = 3 from line 1; positional matches
  // (line 2) do not count as a base.
  auto t = MatchOldLines({"q1", "Aa", "q2", "q3"}, {"x0", "Aa", "x2", "x3", "x4"});
  ExpectSameTable(t, {{-1, false}, {1, false}, {2, true}, {3, true}});
}

TEST(MatchOldLines, EmptyNewLineTakesTheFirstEmptyWorkingLine) {
  // "abc" uses up old line 0, which is then the first empty line.
  auto t = MatchOldLines({"abc", ""}, {"ABC", "x", ""});
  ExpectSameTable(t, {{0, false}, {0, false}});
}

TEST(MatchOldLines, SimilarityReplacesPositionalMatches) {
  Lines old = {"The quick brown fox jumps", "Something else entirely here", "tail line"};
  // Line 1 is positional (old line 1, which no longer occurs); line 2
  // predicts old line 2, which still occurs. By similarity line 2 pairs with
  // old line 1, which clears the positional entry of line 1.
  Lines fresh = {"The quick brown fox jumps", "zzzz", "Something else entirely herx", "tail line"};
  auto t = MatchOldLines(fresh, old);
  ExpectSameTable(t, {{0, false}, {-1, false}, {1, false}, {2, false}});
  ExpectSameTable(t, LiteralMatch(fresh, old));
}

TEST(MatchOldLines, TwoNewLinesMayShareAnOldLine) {
  Lines old = {"A common old line of text"};
  Lines fresh = {"A common old line of text", "A common old line of texts"};
  auto t = MatchOldLines(fresh, old);
  ExpectSameTable(t, {{0, false}, {0, false}});
}

TEST(MatchOldLines, RandomAgainstLiteralSteps) {
  std::mt19937 rng(4242);
  const Lines pool = {"Open the door",          "open THE door",    "Close",
                      "Save game",              "Save game slot 1", "Save game slot 2",
                      "The guard looks at you", "the guard looks at yoU", "",
                      "A long line of dialogue goes here", "A long line of dialog goes here",
                      "Exit",                   "Quit to desktop",  "quit to desktop?"};
  for (int iter = 0; iter < 300; ++iter) {
    Lines oldEn, fresh;
    int no = static_cast<int>(rng() % 25), nn = static_cast<int>(rng() % 25);
    for (int i = 0; i < no; ++i) oldEn.push_back(pool[rng() % pool.size()]);
    for (int i = 0; i < nn; ++i) {
      if (rng() % 3 == 0 || oldEn.empty()) {
        fresh.push_back(pool[rng() % pool.size()] + (rng() % 2 ? "" : "x"));
      } else {
        fresh.push_back(oldEn[rng() % oldEn.size()]);
      }
    }
    auto want = LiteralMatch(fresh, oldEn);
    for (int threads : {1, 2}) {
      auto got = MatchOldLines(fresh, oldEn, threads);
      ASSERT_EQ(got.size(), want.size());
      for (size_t i = 0; i < got.size(); ++i) {
        ASSERT_EQ(got[i].Index, want[i].Index) << "iter " << iter << " line " << i;
        ASSERT_EQ(got[i].Modified, want[i].Modified) << "iter " << iter << " line " << i;
      }
    }
  }
}

// ---------------------------------------------------------------------------
// Record rows

TEST(RecordLists, RowsByMatchKind) {
  std::vector<TLineMatch> table = {{-1, false}, {0, true}, {1, false}, {2, false}, {0, false}};
  TStringList en = ListOf({"old one", "old two", "same"});
  TStringList ru = ListOf({"staryi odin", "staryi dva", "same"});
  TRecordLists rec(true, &table, &en, &ru);
  for (int i = 0; i < 5; ++i) rec.AddRecordRow(i);
  EXPECT_EQ(rec.En.Lines(), (Lines{"", "old one", "old two", "same", "old one"}));
  EXPECT_EQ(rec.Ru.Lines(), (Lines{"", "staryi odin", "staryi dva", "", "staryi odin"}));
  EXPECT_EQ(rec.Log.Lines(), (Lines{"", "!!!MODIFY!!!", "!!!FIND_LEVENSHTEIN!!!", "!!!THIS EMPTY RU LINE!!!",
                                    "!!!FIND_LEVENSHTEIN!!!"}));
}

TEST(RecordLists, DisabledAddsNothing) {
  std::vector<TLineMatch> table = {{0, false}};
  TStringList en = ListOf({"a"}), ru = ListOf({"b"});
  TRecordLists rec(false, &table, &en, &ru);
  rec.AddRecordRow(0);
  EXPECT_EQ(rec.En.Count() + rec.Ru.Count() + rec.Log.Count(), 0);
}

TEST(RecordLists, RussianLineBeyondItsFileRaises) {
  std::vector<TLineMatch> table = {{1, false}};
  TStringList en = ListOf({"a", "b"}), ru = ListOf({"x"});
  TRecordLists rec(true, &table, &en, &ru);
  try {
    rec.AddRecordRow(0);
    FAIL() << "no error";
  } catch (const EError& e) {
    EXPECT_STREQ(e.what(), "List index out of bounds (1)");
  }
}

// ---------------------------------------------------------------------------
// Finishing steps keep the record lists parallel

TEST(FinishPatchLists, RandomListsKeepRecordsParallel) {
  std::mt19937 rng(8080);
  const Lines kinds = {"file\\lvl\\a.-1.txt", "file\\lvl\\b.-1.txt", "file/x/c.txt", "file\\lvl2\\d.2.txt",
                       "", "text one", "text two", "//folder=lvl\\ type=-1"};
  for (int iter = 0; iter < 3000; ++iter) {
    TParam p;
    p.DeleteFileLines = rng() % 2;
    p.EmptyFileLines = rng() % 3 == 0;
    p.NullFileLinesOnly = p.DeleteFileLines && rng() % 2;
    p.DeleteEmpty = rng() % 2;
    p.FolderMarkers = rng() % 2;
    p.FolderLevel = static_cast<int>(rng() % 3) - 1;
    const int n = static_cast<int>(rng() % 14);
    Lines lines;
    for (int i = 0; i < n; ++i) lines.push_back(kinds[rng() % kinds.size()]);
    // Record rows: plain tags, and a copy of the marker where the patch has one
    // (as the marker lines of -cp_addfileline are).
    Lines tags, copies;
    for (int i = 0; i < n; ++i) {
      tags.push_back("row " + std::to_string(i));
      copies.push_back(IsMarkerLine(lines[i]) ? lines[i] : "row " + std::to_string(i));
    }
    std::vector<Row> rows;
    for (int i = 0; i < n; ++i) rows.push_back(Row{lines[i], i});
    LiteralClean(rows, p);
    LiteralRewriteRows(rows, p);

    TStringList patch = ListOf(lines), rec1 = ListOf(tags), rec2 = ListOf(copies);
    FinishPatchLists(patch, {&rec1, &rec2}, p);

    TStringList expectPatch = ListOf(lines);
    FinishLines(expectPatch, p);
    ASSERT_EQ(patch.Lines(), expectPatch.Lines()) << iter;
    ASSERT_EQ(rows.size(), patch.Lines().size()) << iter;
    ASSERT_EQ(rec1.Count(), patch.Count()) << iter;
    ASSERT_EQ(rec2.Count(), patch.Count()) << iter;
    for (size_t k = 0; k < rows.size(); ++k) {
      ASSERT_EQ(patch.Lines()[k], rows[k].line) << iter;
      ASSERT_EQ(rec1.Lines()[k], "row " + std::to_string(rows[k].row)) << iter;
      // Marker copies are rewritten like the patch's own markers.
      if (!IsMarkerLine(lines[rows[k].row])) {
        ASSERT_EQ(rec2.Lines()[k], "row " + std::to_string(rows[k].row)) << iter;
      } else if (!p.EmptyFileLines) {
        // Records get no CleanMarkers: a marker that "-ef" empties in the
        // patch stays a marker there, so only without "-ef" do the marker
        // sequences agree.
        ASSERT_EQ(rec2.Lines()[k], patch.Lines()[k]) << iter << " row " << k;
      }
    }
  }
}

// ---------------------------------------------------------------------------
// Whole runs

TEST_F(PatchRun, RepeatedLineInTheThreeModes) {
  Put("new.txt", {"X line", "other", "X line", "X line"});
  Put("en.txt", {"X line", "other"});
  Put("ru.txt", {"X stroka", "drugoe"});
  auto r = Run({"-cp", "new.txt", "en.txt", "ru.txt", "p_cp.txt"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, Out({"Create Patch for: " + dir.File("new.txt")}));
  EXPECT_FALSE(Has("p_cp.txt"));  // nothing new: no patch file

  r = Run({"-cpd", "new.txt", "en.txt", "ru.txt", "p_cpd.txt"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(Get("p_cpd.txt"), CrLf({"X line", "X line"}));

  r = Run({"-cpds", "new.txt", "en.txt", "ru.txt", "p_cpds.txt"});
  EXPECT_EQ(r.status, 0);
  EXPECT_FALSE(Has("p_cpds.txt"));
  EXPECT_EQ(Get("p_cpds_double.txt"), CrLf({"X line", "X line"}));
}

TEST_F(PatchRun, CpdsSplitsNewLinesAndSurplusCopies) {
  Put("new.txt", {"brand new", "kept", "kept", "another new"});
  Put("en.txt", {"kept"});
  Put("ru.txt", {});
  auto r = Run({"-cpds", "new.txt", "en.txt", "ru.txt", "out/patch.txt"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(Get("out/patch.txt"), CrLf({"brand new", "another new"}));
  EXPECT_EQ(Get("out/patch_double.txt"), CrLf({"kept"}));
}

TEST_F(PatchRun, CpSkipsLinesOfTheOldRussianFile) {
  Put("new.txt", {"Name", "Hello", "Privet", "New text"});
  Put("en.txt", {"Hello"});
  Put("ru.txt", {"Privet"});
  auto r = Run({"-cp", "new.txt", "en.txt", "ru.txt", "patch.txt"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(Get("patch.txt"), CrLf({"Name", "New text"}));
}

TEST_F(PatchRun, LookupsAreCaseSensitiveMatchingIgnoresCase) {
  Put("new.txt", {"Start of text", "hello WORLD"});
  Put("en.txt", {"Start of text", "Hello world"});
  Put("ru.txt", {"Nachalo teksta", "Privet mir"});
  auto r = Run({"-cpd", "-addoldenru", "rec_en.txt", "rec_ru.txt", "log.txt", "new.txt", "en.txt", "ru.txt",
                "patch.txt"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, Out({"Create Patch for: " + dir.File("new.txt"), "Create REC EN Patch: rec_en.txt",
                        "Create REC RU Patch: rec_ru.txt"}));
  EXPECT_EQ(Get("patch.txt"), CrLf({"hello WORLD"}));
  EXPECT_EQ(Get("rec_en.txt"), CrLf({"Hello world"}));
  EXPECT_EQ(Get("rec_ru.txt"), CrLf({"Privet mir"}));
  EXPECT_EQ(Get("log.txt"), CrLf({"!!!FIND_LEVENSHTEIN!!!"}));
}

TEST_F(PatchRun, RecordRowsOfEveryKind) {
  Put("new.txt", {"Intro line", "Zq", "Brand new sentence here", "Old sentence number thre", "Same"});
  Put("en.txt", {"Intro line", "Bb", "Old sentence number three", "Same text"});
  Put("ru.txt", {"Vvodnaya", "Bebe", "Old sentence number three", "Tot zhe"});
  auto r = Run({"-cpd", "-addoldenru", "r/en.txt", "r/ru.txt", "r/log.txt", "new.txt", "en.txt", "ru.txt",
                "patch.txt"});
  EXPECT_EQ(r.status, 0) << r.err;
  // "Zq": positional (old "Bb" is gone); the new sentence: nothing similar,
  // and its positional old line is claimed by the similar line after it;
  // "Old sentence number thre": similar to old line 2, untranslated;
  // "Same": its predicted place lies past the old file's end.
  EXPECT_EQ(Get("patch.txt"), CrLf({"Zq", "Brand new sentence here", "Old sentence number thre", "Same"}));
  EXPECT_EQ(Get("r/en.txt"), CrLf({"Bb", "", "Old sentence number three", ""}));
  EXPECT_EQ(Get("r/ru.txt"), CrLf({"Bebe", "", "", ""}));
  EXPECT_EQ(Get("r/log.txt"), CrLf({"!!!MODIFY!!!", "", "!!!THIS EMPTY RU LINE!!!", ""}));
}

TEST_F(PatchRun, EmptyNewLineFoundWhileOldEnglishHoldsEmptyLines) {
  Put("new.txt", {"a", "", "b", ""});
  Put("en.txt", {"a", "b"});
  Put("ru.txt", {});
  auto r = Run({"-cpd", "new.txt", "en.txt", "ru.txt", "patch.txt"});
  EXPECT_EQ(r.status, 0);
  // "a" is used up (empty) when the first empty line comes; "b" is used up
  // when the second comes.
  EXPECT_FALSE(Has("patch.txt"));
  // Before any line is used up an empty line is new.
  Put("new2.txt", {"", "a", ""});
  r = Run({"-cpd", "new2.txt", "en.txt", "ru.txt", "patch2.txt"});
  EXPECT_EQ(Get("patch2.txt"), CrLf({""}));
}

TEST_F(PatchRun, MarkerLinesWithAddFileLine) {
  Put("new.txt", {"file\\a.txt", "known", "file\\b.txt", "new one", "file\\c.txt", "known2", "file\\d.txt"});
  Put("en.txt", {"known", "known2"});
  Put("ru.txt", {"izv", "izv2"});
  auto r = Run({"-cpd", "-cp_addfileline", "-addoldenru", "re.txt", "rr.txt", "rl.txt", "new.txt", "en.txt",
                "ru.txt", "patch.txt"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(Get("patch.txt"), CrLf({"file\\b.txt", "new one"}));
  EXPECT_EQ(Get("re.txt"), CrLf({"file\\b.txt", ""}));
  EXPECT_EQ(Get("rr.txt"), CrLf({"file\\b.txt", ""}));
  EXPECT_EQ(Get("rl.txt"), CrLf({"file\\b.txt", ""}));
  // Without the option markers are ordinary lines.
  r = Run({"-cpd", "new.txt", "en.txt", "ru.txt", "patch2.txt"});
  EXPECT_EQ(Get("patch2.txt"),
            CrLf({"file\\a.txt", "file\\b.txt", "new one", "file\\c.txt", "file\\d.txt"}));
}

TEST_F(PatchRun, MarkerTestUsesTheKey) {
  // With -dbs the key of " file\x" is a marker: the line is skipped, and as
  // r is no marker it is not added either.
  Put("new.txt", {" file\\x.txt", "new"});
  Put("en.txt", {});
  Put("ru.txt", {});
  auto r = Run({"-cpd", "-dbs", "-cp_addfileline", "new.txt", "en.txt", "ru.txt", "patch.txt"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(Get("patch.txt"), CrLf({"new"}));
}

TEST_F(PatchRun, KeysFollowTheOptions) {
  Put("new.txt", {"  padded  ", "a\\nb", "don't"});
  Put("en.txt", {"padded", "ab", "dont"});
  Put("ru.txt", {});
  auto r = Run({"-cpd", "new.txt", "en.txt", "ru.txt", "p1.txt"});
  EXPECT_EQ(Get("p1.txt"), CrLf({"  padded  ", "a\\nb", "don't"}));
  r = Run({"-cpd", "-dbs", "-rn", "-is", "new.txt", "en.txt", "ru.txt", "p2.txt"});
  EXPECT_EQ(r.status, 0);
  EXPECT_FALSE(Has("p2.txt"));
}

TEST_F(PatchRun, NothingNewLeavesAnOldPatchAndCreatesTheFolder) {
  Put("new.txt", {"same"});
  Put("en.txt", {"same"});
  Put("ru.txt", {"to zhe"});
  WriteBytes(dir.File("old/patch.txt"), "previous patch\r\n");
  auto r = Run({"-cpd", "new.txt", "en.txt", "ru.txt", "old/patch.txt"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(Get("old/patch.txt"), "previous patch\r\n");
  r = Run({"-cpd", "-addoldenru", "x/e.txt", "x/r.txt", "x/l.txt", "new.txt", "en.txt", "ru.txt",
           "fresh/folder/patch.txt"});
  EXPECT_EQ(r.status, 0);
  EXPECT_TRUE(PathExists(dir.File("fresh/folder")));
  EXPECT_FALSE(Has("fresh/folder/patch.txt"));
  EXPECT_FALSE(Has("x/e.txt"));
  EXPECT_FALSE(Has("x/l.txt"));
}

TEST_F(PatchRun, MissingOldFilesCopyTheNewFile) {
  Put("new.txt", {"one", "", "two"});
  Put("en.txt", {"one"});
  auto r = Run({"-cpd", "-addoldenru", "e.txt", "r.txt", "sub/l.txt", "new.txt", "en.txt", "ru.txt",
                "out/patch.txt"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, Out({"Warning not find files old EN RU:", dir.File("en.txt"), dir.File("ru.txt"),
                        "Copy NEW FILE:"}));
  EXPECT_EQ(Get("out/patch.txt"), CrLf({"one", "", "two"}));
  EXPECT_EQ(Get("e.txt"), CrLf({"", "", ""}));
  EXPECT_EQ(Get("r.txt"), CrLf({"", "", ""}));
  EXPECT_EQ(Get("sub/l.txt"), CrLf({"", "", ""}));
}

TEST_F(PatchRun, MissingOldFilesWithAnEmptyNewFile) {
  Put("new.txt", {});
  auto r = Run({"-cp", "-addoldenru", "e.txt", "r.txt", "l.txt", "new.txt", "en.txt", "ru.txt", "patch.txt"});
  EXPECT_EQ(r.status, 0);
  EXPECT_TRUE(Has("patch.txt"));
  EXPECT_EQ(Get("patch.txt"), "");
  EXPECT_TRUE(Has("e.txt"));
  EXPECT_EQ(Get("l.txt"), "");
}

TEST_F(PatchRun, DefaultFoldersAndTheMissingRussianFile) {
  // With the source alone the old files are looked for in the default
  // folders and the patch goes to 4Recover_RU.
  Put("game.txt", {"alpha", "beta"});
  Put("2Optimize_EN/game.txt", {"alpha"});
  auto r = Run({"-cpd", "game.txt"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, Out({"Warning not find files old EN RU:", dir.File("2Optimize_EN/game.txt"),
                        dir.File("3Optimize_RU/game.txt"), "Copy NEW FILE:"}));
  EXPECT_EQ(Get("4Recover_RU/game.txt"), CrLf({"alpha", "beta"}));
  Put("3Optimize_RU/game.txt", {});
  r = Run({"-cpd", "game.txt"});
  EXPECT_EQ(r.out, Out({"Create Patch for: " + dir.File("game.txt")}));
  EXPECT_EQ(Get("4Recover_RU/game.txt"), CrLf({"beta"}));
}

TEST_F(PatchRun, RussianLineBeyondItsFileEndsTheRunWritingNothing) {
  Put("new.txt", {"first line", "second line changed"});
  Put("en.txt", {"first line", "second line"});
  Put("ru.txt", {"pervaya"});
  auto r = Run({"-cpd", "-addoldenru", "e.txt", "r.txt", "l.txt", "new.txt", "en.txt", "ru.txt", "patch.txt"});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("List index out of bounds (1)."), std::string::npos) << r.err;
  EXPECT_FALSE(Has("patch.txt"));
  EXPECT_FALSE(Has("e.txt"));
}

TEST_F(PatchRun, CleanMarkersKeepsRecordFilesParallel) {
  // -df removes the markers from the patch; the record rows go with them.
  Put("new.txt", {"file\\a.txt", "new text one", "file\\b.txt", "file\\c.txt", "new text two", "file\\d.txt"});
  Put("en.txt", {"file\\a.txt"});
  Put("ru.txt", {"file\\a.txt"});
  auto r = Run({"-cpd", "-df", "-addoldenru", "e.txt", "r.txt", "l.txt", "new.txt", "en.txt", "ru.txt",
                "patch.txt"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(Get("patch.txt"), CrLf({"new text one", "new text two"}));
  Lines e = SplitLines(Get("e.txt")), l = SplitLines(Get("l.txt"));
  EXPECT_EQ(e.size(), 2u);
  EXPECT_EQ(l.size(), 2u);
}

TEST_F(PatchRun, RewriteMarkersOnPatchAndRecords) {
  Put("new.txt", {"file\\lvl\\a.-1.txt", "new text", "file\\lvl\\b.-1.txt", "more new"});
  Put("en.txt", {});
  Put("ru.txt", {});
  auto r = Run({"-cpd", "-cp_addfileline", "-dfumb", "1", "-de", "-addoldenru", "e.txt", "r.txt", "l.txt",
                "new.txt", "en.txt", "ru.txt", "patch.txt"});
  EXPECT_EQ(r.status, 0) << r.err;
  // The second marker has the folder and type of the first and goes.
  EXPECT_EQ(Get("patch.txt"), CrLf({"//folder=lvl\\ type=-1", "new text", "more new"}));
  EXPECT_EQ(Get("e.txt"), CrLf({"//folder=lvl\\ type=-1", "", ""}));
  EXPECT_EQ(Get("l.txt"), CrLf({"//folder=lvl\\ type=-1", "", ""}));
}

TEST_F(PatchRun, DoubleFileGetsMarkersAndFinishingSteps) {
  Put("new.txt", {"file\\a.txt", "dup", "dup", "file\\b.txt", "fresh"});
  Put("en.txt", {"dup"});
  Put("ru.txt", {});
  auto r = Run({"-cpds", "-cp_addfileline", "new.txt", "en.txt", "ru.txt", "patch.txt"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(Get("patch.txt"), CrLf({"file\\b.txt", "fresh"}));
  EXPECT_EQ(Get("patch_double.txt"), CrLf({"file\\a.txt", "dup"}));
}

TEST_F(PatchRun, CpdsWritesNoRecordRows) {
  Put("new.txt", {"file\\a.txt", "brand new line", "dup", "dup"});
  Put("en.txt", {"dup"});
  Put("ru.txt", {"dyp"});
  auto r = Run({"-cpds", "-cp_addfileline", "-addoldenru", "e.txt", "r.txt", "l.txt", "new.txt", "en.txt",
                "ru.txt", "patch.txt"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(Get("patch.txt"), CrLf({"file\\a.txt", "brand new line"}));
  EXPECT_EQ(Get("patch_double.txt"), CrLf({"file\\a.txt", "dup"}));
  // The record lists held only the collapsed marker, dropped at the end.
  EXPECT_FALSE(Has("e.txt"));
  EXPECT_FALSE(Has("r.txt"));
  EXPECT_FALSE(Has("l.txt"));
}

TEST_F(PatchRun, CpAfterCpdsIsCpWithoutDoubleFile) {
  Put("new.txt", {"x", "x", "y"});
  Put("en.txt", {"x"});
  Put("ru.txt", {});
  auto r = Run({"-cpds", "-cp", "new.txt", "en.txt", "ru.txt", "patch.txt"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(Get("patch.txt"), CrLf({"y"}));
  EXPECT_FALSE(Has("patch_double.txt"));
}

TEST_F(PatchRun, CpWithRecordFiles) {
  Put("new.txt", {"Greeting text here", "Greeting text herE", "Privet"});
  Put("en.txt", {"Greeting text here"});
  Put("ru.txt", {"Privet"});
  auto r = Run({"-cp", "-addoldenru", "e.txt", "r.txt", "l.txt", "new.txt", "en.txt", "ru.txt", "patch.txt"});
  EXPECT_EQ(r.status, 0) << r.err;
  // The second line differs only in case: a patch line for -cp, whose old
  // line was used up by the first line, so it is paired by similarity.
  EXPECT_EQ(Get("patch.txt"), CrLf({"Greeting text herE"}));
  EXPECT_EQ(Get("e.txt"), CrLf({"Greeting text here"}));
  EXPECT_EQ(Get("r.txt"), CrLf({"Privet"}));
  EXPECT_EQ(Get("l.txt"), CrLf({"!!!FIND_LEVENSHTEIN!!!"}));
}

namespace {

// The main pass as the steps read, over line lists with linear lookups.
struct LiteralOutput {
  Lines patch, doubles, recEn, recRu, recLog;
};

LiteralOutput LiteralPatch(const Lines& fresh, const Lines& en, const Lines& ru, const TParam& p) {
  const bool cp = p.Mode == TMode::Patch;
  const bool dbl = !cp && p.PatchDouble;
  std::vector<TLineMatch> table;
  if (p.AddOldEnRu && !dbl) table = LiteralMatch(fresh, en);
  TStringList a, b;
  for (const auto& l : en) a.Add(NormalizeLine(l, p));
  for (const auto& l : (cp ? ru : en)) b.Add(NormalizeLine(l, p));
  a.SetCaseSensitive(true);
  b.SetCaseSensitive(true);
  TStringList patch, doubles, re, rr, rl;
  auto row = [&](size_t i) {
    if (!p.AddOldEnRu) return;
    const TLineMatch& m = table[i];
    if (m.Index == -1) {
      re.Add("");
      rr.Add("");
      rl.Add("");
      return;
    }
    re.Add(en[m.Index]);
    if (ru.at(m.Index) == en[m.Index]) {
      rr.Add("");
      rl.Add("!!!THIS EMPTY RU LINE!!!");
    } else {
      rr.Add(ru[m.Index]);
      rl.Add(m.Modified ? "!!!MODIFY!!!" : "!!!FIND_LEVENSHTEIN!!!");
    }
  };
  for (size_t i = 0; i < fresh.size(); ++i) {
    const std::string& r = fresh[i];
    const std::string s = NormalizeLine(r, p);
    if (p.PatchFileLines) {
      // The record lists take the patch list's marker steps (a record row
      // may be a marker line itself); in -cpds they have no rows and
      // collapse their own markers.
      const bool patchEndsInMarker = !patch.Empty() && IsMarkerLine(patch.Lines().back());
      if (IsMarkerLine(r)) {
        for (TStringList* l : {&re, &rr, &rl}) {
          if (!p.AddOldEnRu) break;
          const bool own = !l->Empty() && IsMarkerLine(l->Lines().back());
          if (dbl ? own : patchEndsInMarker) {
            l->Put(l->Count() - 1, r);
          } else {
            l->Add(r);
          }
        }
      }
      AddMarkerLine(patch, r);
      if (dbl) AddMarkerLine(doubles, r);
      if (IsMarkerLine(s)) continue;
    }
    if (cp) {
      if (a.IndexOf(s) < 0 && b.IndexOf(s) < 0) {
        patch.Add(r);
        row(i);
      }
    } else if (!dbl) {
      int k = a.IndexOf(s);
      if (k < 0) {
        patch.Add(r);
        row(i);
      } else {
        a.Put(k, "");
      }
    } else {
      int k = a.IndexOf(s);
      if (k >= 0) {
        a.Put(k, "");
      } else if (b.IndexOf(s) < 0) {
        patch.Add(r);
      } else {
        doubles.Add(r);
      }
    }
  }
  if (p.PatchFileLines) {
    const bool patchEndsInMarker = !patch.Empty() && IsMarkerLine(patch.Lines().back());
    for (TStringList* l : {&re, &rr, &rl}) {
      if (!p.AddOldEnRu) break;
      const bool own = !l->Empty() && IsMarkerLine(l->Lines().back());
      if (dbl ? own : patchEndsInMarker) l->Delete(l->Count() - 1);
    }
    for (TStringList* l : {&patch, &doubles}) DropTrailingMarker(*l);
  }
  FinishLines(patch, p);
  FinishLines(doubles, p);
  return {patch.Lines(), doubles.Lines(), re.Lines(), rr.Lines(), rl.Lines()};
}

}  // namespace

TEST(PatchPass, RandomFilesAgainstLiteralSteps) {
  std::mt19937 rng(515);
  const Lines pool = {"Open the door", "open the door", "Close", "", " Close ", "don't go", "dont go",
                      "file\\lvl\\a.txt", "file/lvl/b.-1.txt", "A longer line of dialogue", "A longer line of dialog",
                      "a\\nb", "ab", "Quit game now", "quit game now!"};
  TempDir dir;
  for (int iter = 0; iter < 400; ++iter) {
    Lines en, ru, fresh;
    const int ne = static_cast<int>(rng() % 15), nf = static_cast<int>(rng() % 20);
    for (int i = 0; i < ne; ++i) {
      en.push_back(pool[rng() % pool.size()]);
      ru.push_back(rng() % 3 == 0 ? en.back() : "ru " + std::to_string(i));
    }
    for (int i = 0; i < nf; ++i) fresh.push_back(pool[rng() % pool.size()]);
    TParam p;
    p.Mode = rng() % 2 ? TMode::Patch : TMode::PatchEnglishOnly;
    p.PatchDouble = rng() % 2;
    p.DeleteBorder = rng() % 3 == 0;
    p.IgnoreEnters = rng() % 3 == 0;
    p.IgnoreQuote = rng() % 3 == 0;
    p.PatchFileLines = rng() % 2;
    p.AddOldEnRu = rng() % 2;
    p.DeleteEmpty = rng() % 4 == 0;
    const std::string sub = dir.File(std::to_string(iter));
    p.FileMain = sub + "/new.txt";
    p.FileEN = sub + "/en.txt";
    p.FileRU = sub + "/ru.txt";
    p.FileRec = sub + "/patch.txt";
    p.FileOldEN = sub + "/rec_en.txt";
    p.FileOldRU = sub + "/rec_ru.txt";
    p.FileLog = sub + "/rec_log.txt";
    WriteBytes(p.FileMain, CrLf(fresh));
    WriteBytes(p.FileEN, CrLf(en));
    WriteBytes(p.FileRU, CrLf(ru));
    LiteralOutput want = LiteralPatch(fresh, en, ru, p);
    RunPatch(p);
    auto saved = [](const Lines& l) { return l.empty() ? std::string() : CrLf(l); };
    ASSERT_EQ(ReadBytes(p.FileRec), saved(want.patch)) << iter;
    ASSERT_EQ(ReadBytes(sub + "/patch_double.txt"), saved(p.Mode == TMode::PatchEnglishOnly && p.PatchDouble ? want.doubles : Lines{}))
        << iter;
    if (p.AddOldEnRu && !p.DeleteEmpty) {
      // Without finishing steps that remove rows the record lists are the
      // literal ones.
      ASSERT_EQ(ReadBytes(p.FileOldEN), saved(want.recEn)) << iter;
      ASSERT_EQ(ReadBytes(p.FileOldRU), saved(want.recRu)) << iter;
      ASSERT_EQ(ReadBytes(p.FileLog), saved(want.recLog)) << iter;
    }
    if (p.AddOldEnRu && !(p.Mode == TMode::PatchEnglishOnly && p.PatchDouble)) {
      Lines got = SplitLines(ReadBytes(p.FileOldEN));
      ASSERT_EQ(got.size(), want.patch.size()) << iter;  // line-parallel
    }
  }
}

TEST_F(PatchRun, RecordRowThatIsAMarkerStaysBesideItsPatchLine) {
  // The old line paired with "Changed line" is a marker line; the next
  // marker of the new file is appended after the record row, not put in
  // its place, and the row is not taken for a trailing marker.
  Put("new.txt", {"Intro", "Changed line", "file\\zzzzzzzzzz.dat", "more text"});
  Put("en.txt", {"Intro", "file\\old\\x.txt"});
  Put("ru.txt", {"Vvod", "perevod"});
  auto r = Run({"-cpd", "-cp_addfileline", "-addoldenru", "e.txt", "r.txt", "l.txt", "new.txt", "en.txt",
                "ru.txt", "patch.txt"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(Get("patch.txt"), CrLf({"Changed line", "file\\zzzzzzzzzz.dat", "more text"}));
  EXPECT_EQ(Get("e.txt"), CrLf({"file\\old\\x.txt", "file\\zzzzzzzzzz.dat", ""}));
  EXPECT_EQ(Get("r.txt"), CrLf({"perevod", "file\\zzzzzzzzzz.dat", ""}));
  EXPECT_EQ(Get("l.txt"), CrLf({"!!!MODIFY!!!", "file\\zzzzzzzzzz.dat", ""}));

  Put("new2.txt", {"Intro", "Changed line"});
  r = Run({"-cpd", "-cp_addfileline", "-addoldenru", "e2.txt", "r2.txt", "l2.txt", "new2.txt", "en.txt",
           "ru.txt", "patch2.txt"});
  EXPECT_EQ(Get("patch2.txt"), CrLf({"Changed line"}));
  EXPECT_EQ(Get("e2.txt"), CrLf({"file\\old\\x.txt"}));
}

TEST(PatchMarkers, RepeatMarkerAction) {
  TStringList l = ListOf({"row"});
  RepeatMarkerAction(l, "file\\a", TMarkerAction::None);
  EXPECT_EQ(l.Lines(), (Lines{"row"}));
  RepeatMarkerAction(l, "file\\a", TMarkerAction::Appended);
  EXPECT_EQ(l.Lines(), (Lines{"row", "file\\a"}));
  RepeatMarkerAction(l, "file\\b", TMarkerAction::Replaced);
  EXPECT_EQ(l.Lines(), (Lines{"row", "file\\b"}));
  TStringList m = ListOf({"file\\x"});
  EXPECT_EQ(AddMarkerLine(m, "file/y"), TMarkerAction::Replaced);
  EXPECT_EQ(AddMarkerLine(m, "text"), TMarkerAction::None);
  EXPECT_TRUE(DropTrailingMarker(m));
  EXPECT_FALSE(DropTrailingMarker(m));
}
