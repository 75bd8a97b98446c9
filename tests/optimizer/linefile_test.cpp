// Line files: marker lines, comparison keys, finishing steps, NO_FIND.log.
#include "optimizer/linefile.h"

#include <gtest/gtest.h>

#include <random>

#include "common/classic_string.h"
#include "tests/support/testutil.h"

namespace {

TStringList ListOf(const std::vector<std::string>& lines) {
  TStringList l;
  l.Assign(lines);
  return l;
}

std::vector<std::string> Cleaned(const std::vector<std::string>& lines, const TParam& p) {
  TStringList l = ListOf(lines);
  CleanMarkers(l, p);
  return l.Lines();
}

std::vector<std::string> Rewritten(const std::vector<std::string>& lines, const TParam& p) {
  TStringList l = ListOf(lines);
  RewriteMarkers(l, p);
  return l.Lines();
}

// The four trimming loops, deleting one character or one escape at a time.
std::string RefTrimBorder(std::string s) {
  while (!s.empty() && (s[0] == ' ' || s[0] == '\t')) Delete(s, 1, 1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) Delete(s, static_cast<long long>(s.size()), 1);
  while (!s.empty() && (Copy(s, 1, 4) == "\\x20" || Copy(s, 1, 4) == "\\x09")) Delete(s, 1, 4);
  while (!s.empty() && s.size() >= 4 &&
         (Copy(s, static_cast<long long>(s.size()) - 3, 4) == "\\x20" ||
          Copy(s, static_cast<long long>(s.size()) - 3, 4) == "\\x09"))
    Delete(s, static_cast<long long>(s.size()) - 3, 4);
  return s;
}

// The marker cleaning as an index loop that deletes in place.
void RefCleanMarkers(std::vector<std::string>& l, const TParam& p) {
  if (!p.DeleteFileLines && !p.DeleteEmpty && !p.EmptyFileLines) return;
  for (long b = 0; b < static_cast<long>(l.size()); ++b) {
    const std::string s = l[b];
    if ((p.DeleteFileLines || p.EmptyFileLines) && IsMarkerLine(s)) {
      bool goes = true;
      if (p.NullFileLinesOnly)
        goes = b == static_cast<long>(l.size()) - 1 || IsMarkerLine(l[b + 1]);
      if (goes) {
        if (p.EmptyFileLines) {
          l[b] = "";
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

// The marker rewrite as an index loop that deletes in place.
void RefRewriteMarkers(std::vector<std::string>& l, const TParam& p) {
  if (!p.FolderMarkers) return;
  std::string lastFolder, lastType, type;
  for (long i = 0; i < static_cast<long>(l.size()); ++i) {
    const std::string line = l[i];
    if (!IsMarkerLine(line)) continue;
    std::string sep = Copy(line, 5, 1);
    std::string folder;
    long long from = 6;
    int n = 0;
    while (n != p.FolderLevel) {
      size_t q = Pos(sep, line, static_cast<size_t>(from));
      if (q > 0) {
        folder = folder + Copy(line, from, static_cast<long long>(q) - from) + sep;
        from = static_cast<long long>(q) + 1;
        n = n + 1;
      } else {
        size_t d = Pos(".", line, static_cast<size_t>(from));
        if (d > 0) folder = folder + Copy(line, from, static_cast<long long>(d) - from) + sep;
        break;
      }
    }
    size_t d = LastPos(".", line);
    if (d > 0) {
      type = Copy(line, static_cast<long long>(d) + 1, 100000);
      if (type == "txt") {
        std::string cut = Copy(line, 1, static_cast<long long>(d) - 1);
        size_t d2 = LastPos(".", cut);
        if (d2 > 0) type = Copy(cut, static_cast<long long>(d2) + 1, 100000);
      }
    }
    if (folder != lastFolder || type != lastType) {
      l[i] = "//folder=" + folder + " type=" + type;
      lastFolder = folder;
      lastType = type;
    } else if (p.DeleteEmpty) {
      l.erase(l.begin() + i);
      --i;
    }
  }
}

}  // namespace

TEST(MarkerLine, PrefixIsExactAndLowerCase) {
  EXPECT_TRUE(IsMarkerLine("file\\a.txt"));
  EXPECT_TRUE(IsMarkerLine("file/a.txt"));
  EXPECT_TRUE(IsMarkerLine("file\\"));
  EXPECT_FALSE(IsMarkerLine("File\\a.txt"));
  EXPECT_FALSE(IsMarkerLine("file"));
  EXPECT_FALSE(IsMarkerLine(" file\\a"));
  EXPECT_FALSE(IsMarkerLine("file:a"));
  EXPECT_FALSE(IsMarkerLine("//folder=a type=b"));
  EXPECT_FALSE(IsMarkerLine(""));
}

TEST(TrimBorder, LoopsRunOnceEach) {
  EXPECT_EQ(TrimBorder(" \\x20 abc\t"), " abc");
  EXPECT_EQ(TrimBorder("\\x20\\x20a"), "a");
  EXPECT_EQ(TrimBorder("\\X20a"), "\\X20a");
  EXPECT_EQ(TrimBorder("a\\x09\\x20"), "a");
  EXPECT_EQ(TrimBorder("a\\x20 "), "a");
  EXPECT_EQ(TrimBorder(" \t a \t "), "a");
  EXPECT_EQ(TrimBorder("   "), "");
  EXPECT_EQ(TrimBorder(""), "");
  EXPECT_EQ(TrimBorder("\\x20"), "");
  EXPECT_EQ(TrimBorder("\\x2"), "\\x2");
  EXPECT_EQ(TrimBorder("a \\x20 b"), "a \\x20 b");
  // The hex loop at the end sees what the start loop left.
  EXPECT_EQ(TrimBorder("\\x20\\x20"), "");
  EXPECT_EQ(TrimBorder("x\\x20 \\x20"), "x\\x20 ");
}

TEST(TrimBorder, MatchesTheLoopsOnRandomLines) {
  std::mt19937 rng(11);
  const std::vector<std::string> parts = {" ", "\t", "\\x20", "\\x09", "\\X20", "\\x2", "a", "\\", "x20", "b c"};
  std::uniform_int_distribution<size_t> pick(0, parts.size() - 1), len(0, 8);
  for (int t = 0; t < 20000; ++t) {
    std::string s;
    for (size_t n = len(rng); n > 0; --n) s += parts[pick(rng)];
    ASSERT_EQ(TrimBorder(s), RefTrimBorder(s)) << s;
  }
}

TEST(NormalizeLine, OptionsAndOrder) {
  TParam none;
  EXPECT_EQ(NormalizeLine("Abc", none), "Abc");
  EXPECT_NE(NormalizeLine("Abc", none), NormalizeLine("abc", none));
  EXPECT_NE(NormalizeLine("abc", none), NormalizeLine("abc ", none));
  EXPECT_TRUE(KeyIsLine(none));

  TParam rn;
  rn.IgnoreEnters = true;
  EXPECT_FALSE(KeyIsLine(rn));
  EXPECT_EQ(NormalizeLine("a\\nb", rn), NormalizeLine("ab", rn));
  EXPECT_EQ(NormalizeLine("a\\r\\nb", rn), "ab");
  EXPECT_NE(NormalizeLine("a\\db", rn), NormalizeLine("ab", rn));
  // Deleting "\r" can join a "\n" that the next replace-all removes.
  EXPECT_EQ(NormalizeLine("\\\\rn", rn), "");
  // A backslash before an escape is not special.
  EXPECT_EQ(NormalizeLine("a\\\\nb", rn), "a\\b");
  EXPECT_EQ(NormalizeLine("a\\N", rn), "a\\N");

  TParam rno;
  rno.IgnoreEnters = true;
  rno.IgnoreOld = true;
  EXPECT_EQ(NormalizeLine("a\\db", rno), NormalizeLine("ab", rno));
  EXPECT_EQ(NormalizeLine("\\a\\d\\r\\n", rno), "");

  TParam is;
  is.IgnoreQuote = true;
  EXPECT_EQ(NormalizeLine("don't", is), NormalizeLine("dont", is));
  EXPECT_NE(NormalizeLine("don't", none), NormalizeLine("dont", none));

  TParam dbs;
  dbs.DeleteBorder = true;
  EXPECT_EQ(NormalizeLine(" a", dbs), "a");
  EXPECT_EQ(NormalizeLine("a\\x20", dbs), "a");

  // Border first, then enters: the trimming sees the escapes still there.
  TParam all;
  all.DeleteBorder = all.IgnoreEnters = all.IgnoreQuote = true;
  EXPECT_EQ(NormalizeLine("\\n ' x", all), "  x");
  EXPECT_EQ(NormalizeLine(" 'a'\\n ", all), "a");
}

TEST(CleanMarkers, EdgeCases) {
  const std::vector<std::string> in = {"file\\A", "file\\B", "T", "file\\D"};
  TParam df;
  df.DeleteFileLines = true;
  EXPECT_EQ(Cleaned(in, df), (std::vector<std::string>{"T"}));

  TParam dfn;
  dfn.DeleteFileLines = dfn.NullFileLinesOnly = true;
  EXPECT_EQ(Cleaned(in, dfn), (std::vector<std::string>{"file\\B", "T"}));

  TParam dfnef = dfn;
  dfnef.EmptyFileLines = true;
  EXPECT_EQ(Cleaned(in, dfnef), (std::vector<std::string>{"", "file\\B", "T", ""}));

  TParam ef;
  ef.EmptyFileLines = true;
  EXPECT_EQ(Cleaned(in, ef), (std::vector<std::string>{"", "", "T", ""}));

  TParam de;
  de.DeleteEmpty = true;
  EXPECT_EQ(Cleaned({"", "a", "", "", "b", ""}, de), (std::vector<std::string>{"a", "b"}));

  TParam efde = ef;
  efde.DeleteEmpty = true;
  EXPECT_EQ(Cleaned({"file\\A", "", "T", "file/B"}, efde), (std::vector<std::string>{"", "T", ""}));

  TParam off;
  EXPECT_EQ(Cleaned(in, off), in);
  EXPECT_TRUE(Cleaned({}, df).empty());
}

TEST(CleanMarkers, MatchesTheIndexLoopOnRandomLists) {
  std::mt19937 rng(5);
  const std::vector<std::string> kinds = {"file\\a", "file/b", "", "T", "File\\x", "u"};
  std::uniform_int_distribution<size_t> pick(0, kinds.size() - 1), len(0, 12);
  for (int t = 0; t < 5000; ++t) {
    std::vector<std::string> l;
    for (size_t n = len(rng); n > 0; --n) l.push_back(kinds[pick(rng)]);
    TParam p;
    p.DeleteFileLines = rng() & 1;
    p.EmptyFileLines = rng() & 1;
    p.NullFileLinesOnly = rng() & 1;
    p.DeleteEmpty = rng() & 1;
    std::vector<std::string> ref = l;
    RefCleanMarkers(ref, p);
    ASSERT_EQ(Cleaned(l, p), ref);
  }
}

TEST(RewriteMarkers, EdgeCases) {
  TParam p;
  p.FolderMarkers = true;
  p.FolderLevel = 1;
  EXPECT_EQ(Rewritten({"file\\level1\\00001.-1.txt"}, p),
            (std::vector<std::string>{"//folder=level1\\ type=-1"}));
  EXPECT_EQ(Rewritten({"file\\level1_00001.-1.txt"}, p),
            (std::vector<std::string>{"//folder=level1_00001\\ type=-1"}));
  EXPECT_EQ(Rewritten({"file/a/b/c.x.txt"}, p), (std::vector<std::string>{"//folder=a/ type=x"}));

  TParam zero = p;
  zero.FolderLevel = 0;
  EXPECT_EQ(Rewritten({"file\\level1\\00001.-1.txt"}, zero), (std::vector<std::string>{"//folder= type=-1"}));

  TParam all = p;
  all.FolderLevel = -1;
  EXPECT_EQ(Rewritten({"file\\a\\b\\c\\n.2.txt"}, all), (std::vector<std::string>{"//folder=a\\b\\c\\n\\ type=2"}));
  TParam two = p;
  two.FolderLevel = 2;
  EXPECT_EQ(Rewritten({"file\\a\\b\\c\\n.2.txt"}, two), (std::vector<std::string>{"//folder=a\\b\\ type=2"}));
  // Only the marker's own separator splits folders.
  EXPECT_EQ(Rewritten({"file\\a/b\\n.5.txt"}, p), (std::vector<std::string>{"//folder=a/b\\ type=5"}));

  // Type: "txt" alone stays, "TXT" is not cut, no "." keeps the last type.
  EXPECT_EQ(Rewritten({"file\\d\\name.txt"}, p), (std::vector<std::string>{"//folder=d\\ type=txt"}));
  EXPECT_EQ(Rewritten({"file\\d\\name.-1.TXT"}, p), (std::vector<std::string>{"//folder=d\\ type=TXT"}));
  EXPECT_EQ(Rewritten({"file\\d\\a.7.txt", "file\\e\\noext"}, p),
            (std::vector<std::string>{"//folder=d\\ type=7", "//folder=e\\ type=7"}));

  // Same folder and type twice: the second stays, or goes with -de.
  const std::vector<std::string> twice = {"file\\lv\\1.-1.txt", "x", "file\\lv\\2.-1.txt", "y"};
  EXPECT_EQ(Rewritten(twice, p), (std::vector<std::string>{"//folder=lv\\ type=-1", "x", "file\\lv\\2.-1.txt", "y"}));
  TParam de = p;
  de.DeleteEmpty = true;
  EXPECT_EQ(Rewritten(twice, de), (std::vector<std::string>{"//folder=lv\\ type=-1", "x", "y"}));

  TParam off;
  EXPECT_EQ(Rewritten(twice, off), twice);
  EXPECT_TRUE(Rewritten({}, p).empty());
}

TEST(RewriteMarkers, MatchesTheIndexLoopOnRandomLists) {
  std::mt19937 rng(9);
  const std::vector<std::string> parts = {"a", "lvl", "00001", ".-1", ".txt", ".TXT", "\\", "/", ".", "x.y", ""};
  std::uniform_int_distribution<size_t> pick(0, parts.size() - 1), len(0, 7), count(0, 10);
  std::uniform_int_distribution<int> level(-2, 3);
  for (int t = 0; t < 5000; ++t) {
    std::vector<std::string> l;
    for (size_t n = count(rng); n > 0; --n) {
      if (rng() % 4 == 0) {
        l.push_back(rng() & 1 ? "text" : "");
        continue;
      }
      std::string s = rng() & 1 ? "file\\" : "file/";
      for (size_t k = len(rng); k > 0; --k) s += parts[pick(rng)];
      l.push_back(s);
    }
    TParam p;
    p.FolderMarkers = true;
    p.FolderLevel = level(rng);
    p.DeleteEmpty = rng() & 1;
    std::vector<std::string> ref = l;
    RefRewriteMarkers(ref, p);
    ASSERT_EQ(Rewritten(l, p), ref);
  }
}

TEST(FinishLines, CleansThenRewrites) {
  TParam p;
  p.DeleteFileLines = p.NullFileLinesOnly = true;
  p.FolderMarkers = true;
  p.FolderLevel = 1;
  TStringList l = ListOf({"file\\a\\1.-1.txt", "file\\b\\2.-1.txt", "T", "file\\c\\3.txt"});
  FinishLines(l, p);
  EXPECT_EQ(l.Lines(), (std::vector<std::string>{"//folder=b\\ type=-1", "T"}));
}

TEST(RestoreBorder, CarriesTheBlankRuns) {
  EXPECT_EQ(RestoreBorder("  Hi\t", "Privet"), "  Privet\t");
  EXPECT_EQ(RestoreBorder(" \tHi", "Privet"), " \tPrivet");
  EXPECT_EQ(RestoreBorder("Hi", "Privet"), "Privet");
  EXPECT_EQ(RestoreBorder("\\x20Hi", "Privet"), "Privet");
  EXPECT_EQ(RestoreBorder("", "x"), "x");
  EXPECT_EQ(RestoreBorder("a b", ""), "");
  // A line of blanks only keeps its blanks once.
  EXPECT_EQ(RestoreBorder(" \t ", ""), " \t ");
  EXPECT_EQ(RestoreBorder("  ", "x"), "  x");
}

class NoFindLogTest : public ::testing::Test {
 protected:
  TempDir dir;
  TParam p;
  void SetUp() override { p.NoFindLog = dir.File("NO_FIND.log"); }
};

TEST_F(NoFindLogTest, HeaderOncePerRunThenDashEntry) {
  WriteBytes(p.NoFindLog, "old 1\r\nold 2\r\n");
  {
    TNoFindLog log(p);
    log.Miss("Z", "/en/f.txt", "/src/f.txt");
    log.Miss("Y", "/en/f.txt", "/src/f.txt");
    log.Save();
  }
  EXPECT_EQ(ReadBytes(p.NoFindLog), "old 1\r\nold 2\r\nINPUT : /en/f.txt\r\nOUTPUT: /src/f.txt\r\nZ\r\nY\r\n" +
                                        std::string(47, '-') + "\r\n\r\n");
}

TEST_F(NoFindLogTest, NewLogWhenNoneExists) {
  TNoFindLog log(p);
  log.Miss("", "E", "S");
  log.Save();
  EXPECT_EQ(ReadBytes(p.NoFindLog), "INPUT : E\r\nOUTPUT: S\r\n\r\n" + std::string(47, '-') + "\r\n\r\n");
}

TEST_F(NoFindLogTest, NoMissLeavesTheFileAlone) {
  WriteBytes(p.NoFindLog, "old\n");
  TNoFindLog log(p);
  log.Save();
  EXPECT_EQ(ReadBytes(p.NoFindLog), "old\n");
  TParam q;
  q.NoFindLog = dir.File("other.log");
  TNoFindLog empty(q);
  empty.Save();
  EXPECT_FALSE(PathExists(q.NoFindLog));
}

TEST_F(NoFindLogTest, SilentNeitherReadsNorWrites) {
  WriteBytes(p.NoFindLog, "old\n");
  p.Silent = true;
  TNoFindLog log(p);
  log.Miss("Z", "E", "S");
  log.Save();
  EXPECT_EQ(ReadBytes(p.NoFindLog), "old\n");
}

TEST_F(NoFindLogTest, LoadsTheLogWhoseNameDiffersInCase) {
  WriteBytes(dir.File("no_find.LOG"), "earlier\r\n");
  TNoFindLog log(p);
  log.Miss("Z", "E", "S");
  log.Save();
  EXPECT_EQ(ReadBytes(p.NoFindLog),
            "earlier\r\nINPUT : E\r\nOUTPUT: S\r\nZ\r\n" + std::string(47, '-') + "\r\n\r\n");
}
