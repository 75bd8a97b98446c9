#include "common/stringlist.h"

#include <gtest/gtest.h>

#include <random>

#include "common/errors.h"
#include "tests/support/split_reference.h"
#include "tests/support/testutil.h"

namespace {

std::vector<std::string> V(std::initializer_list<const char*> l) { return {l.begin(), l.end()}; }

TEST(SplitLines, BreaksNulAndFinalBreak) {
  EXPECT_EQ(SplitLines(std::string("a\r\n\r\nb\nc\r")), V({"a", "", "b", "c"}));
  EXPECT_EQ(SplitLines(std::string("x\0y", 3)), V({"x"}));
  EXPECT_EQ(SplitLines(std::string("\0abc", 4)), V({}));
  EXPECT_EQ(SplitLines(""), V({}));
  EXPECT_EQ(SplitLines("\n"), V({""}));
  EXPECT_EQ(SplitLines("\r\r\n\n"), V({"", "", ""}));
  EXPECT_EQ(SplitLines("a\n\rb"), V({"a", "", "b"}));  // LF then CR are two breaks
  EXPECT_EQ(SplitLines("last"), V({"last"}));
}

// The split looks at eight bytes at a time: it must agree with a byte by
// byte walk wherever the breaks fall, NUL bytes and high bytes included.
TEST(SplitLines, AgreesWithAByteWalk) {
  std::mt19937 rng(3);
  const char alphabet[] = {'a', '\r', '\n', '\0', '\x8D', '\x8A', 'b', ' '};
  for (int round = 0; round < 3000; ++round) {
    std::string t(rng() % 40, 'x');
    for (char& c : t) c = alphabet[rng() % (rng() % 2 ? 8 : 3)];
    for (TNulByte nul : {TNulByte::EndsText, TNulByte::InLine})
      ASSERT_EQ(SplitLines(t, nul), ReferenceSplitLines(t, nul == TNulByte::EndsText)) << round;
  }
}

TEST(StringList, LoadSaveRoundTripBytes) {
  TempDir d;
  WriteBytes(d.File("in.txt"), "a\r\n\r\nb\nc\r");
  TStringList l;
  l.LoadFromFile(d.File("in.txt"));
  ASSERT_EQ(l.Count(), 4);
  l.SaveToFile(d.File("out.txt"));
  EXPECT_EQ(ReadBytes(d.File("out.txt")), "a\r\n\r\nb\r\nc\r\n");
  // An empty list gives an empty file.
  TStringList e;
  e.SaveToFile(d.File("empty.txt"));
  EXPECT_TRUE(PathExists(d.File("empty.txt")));
  EXPECT_EQ(ReadBytes(d.File("empty.txt")), "");
}

TEST(StringList, LoadReadsALineFile) {
  // The mark goes and a NUL byte stays in its line, as for every line file.
  TempDir d;
  const std::string nulLine("x\0y", 3);
  WriteBytes(d.File("bom.txt"), "\xEF\xBB\xBFhi\r\n" + nulLine + "\r\nz");
  TStringList l;
  l.LoadFromFile(d.File("bom.txt"));
  EXPECT_EQ(l.Lines(), (std::vector<std::string>{"hi", nulLine, "z"}));
  TStringListEX x;
  x.LoadFromFileEX(d.File("bom.txt"));
  EXPECT_EQ(x.Get(0), "hi");
  EXPECT_EQ(x.Encoding, 0);
  EXPECT_FALSE(x.WriteBOM);
}

TEST(StringList, IndexErrorsCarryTheIndex) {
  TStringList l;
  l.Add("a");
  try {
    l.Get(5);
    FAIL();
  } catch (const EStringListError& e) {
    EXPECT_STREQ(e.what(), "List index out of bounds (5)");
  }
  EXPECT_THROW(l.Get(-1), EStringListError);
  EXPECT_THROW(l.Put(1, "x"), EStringListError);
  EXPECT_THROW(l.Delete(1), EStringListError);
}

TEST(StringList, MissingFileRaisesOpenError) {
  TempDir d;
  TStringList l;
  try {
    l.LoadFromFile(d.File("nope.txt"));
    FAIL();
  } catch (const EFOpenError& e) {
    EXPECT_EQ(std::string(e.what()),
              SystemMessage("Cannot open file \"" + d.File("nope.txt") + "\". No such file or directory"));
  }
  try {
    l.LoadFromFile(d.Path());
    FAIL();
  } catch (const EFOpenError& e) {
    EXPECT_NE(std::string(e.what()).find(SystemMessage("Is a directory")), std::string::npos);
  }
}

TEST(StringList, SortedAddAndDuplicates) {
  TStringList l;  // base: ignore duplicates, case-insensitive
  l.SetSorted(true);
  l.Add("b");
  l.Add("A");
  l.Add("c");
  EXPECT_EQ(l.Lines(), V({"A", "b", "c"}));
  EXPECT_EQ(l.Add("B"), 1);  // equal ignoring case: not added, index of the equal line
  EXPECT_EQ(l.Count(), 3);
  l.SetDuplicates(TDuplicates::dupError);
  EXPECT_THROW(l.Add("a"), EStringListError);
  EXPECT_EQ(l.IndexOf("C"), 2);
  EXPECT_EQ(l.IndexOf("d"), -1);
}

TEST(StringListEX, SortedDuplicatesNeverRaise) {
  for (auto mode : {TDuplicates::dupIgnore, TDuplicates::dupError}) {
    TStringListEX l;
    l.SetSorted(true);
    l.SetDuplicates(mode);
    l.Add("a");
    l.Add("b");
    EXPECT_EQ(l.Add("b"), -1);
    EXPECT_EQ(l.Count(), 2);
  }
  TStringListEX acc;
  acc.Add("c");
  acc.Add("a");
  acc.Add("b");
  acc.SetSorted(true);
  ASSERT_EQ(acc.Lines(), V({"a", "b", "c"}));
  int dummy = 7;
  EXPECT_EQ(acc.AddObject("b", &dummy), 1);
  EXPECT_EQ(acc.GetObject(1), &dummy);  // inserted before the existing b
  EXPECT_EQ(acc.GetObject(2), nullptr);
  EXPECT_EQ(acc.Count(), 4);
}

TEST(StringListEX, CaseSensitiveFindIsExact) {
  TStringListEX l;
  l.Assign(V({"A", "a", "b"}));
  l.SetSorted(true);
  int idx;
  EXPECT_TRUE(l.Find("a", idx));
  EXPECT_EQ(l.Get(idx), "a");
  EXPECT_FALSE(l.Find("B", idx));
}

TEST(StringListEX, Utf16LittleEndianRoundTrip) {
  TempDir d;
  std::string file("\xFF\xFE" "A\0\r\0\n\0B\0", 10);
  WriteBytes(d.File("le.txt"), file);
  TStringListEX l;
  l.LoadFromFileEX(d.File("le.txt"));
  EXPECT_EQ(l.Lines(), V({"A", "B"}));
  EXPECT_EQ(l.Encoding, TStringListEX::kEncUtf16LE);
  EXPECT_TRUE(l.WriteBOM);
  l.SaveToFileEX(d.File("out.txt"), false);
  EXPECT_EQ(ReadBytes(d.File("out.txt")), std::string("\xFF\xFE" "A\0\r\0\n\0B\0\r\0\n\0", 14));
}

TEST(StringListEX, Utf16BigEndianRoundTrip) {
  TempDir d;
  std::string file("\xFE\xFF\0A\0\r\0\n\0B", 10);
  WriteBytes(d.File("be.txt"), file);
  TStringListEX l;
  l.LoadFromFileEX(d.File("be.txt"));
  EXPECT_EQ(l.Lines(), V({"A", "B"}));
  EXPECT_EQ(l.Encoding, TStringListEX::kEncUtf16BE);
  l.SaveToFileEX(d.File("out.txt"));
  EXPECT_EQ(ReadBytes(d.File("out.txt")), std::string("\xFE\xFF\0A\0\r\0\n\0B\0\r\0\n", 14));
}

TEST(StringListEX, Utf16NonBmpAndOddByte) {
  // U+1F600 as a surrogate pair, then a lone odd byte that is ignored.
  std::string file("\xFF\xFE\x3D\xD8\x00\xDE" "x\0" "\x41", 9);
  TStringListEX l;
  l.LoadFromStreamEX(file);
  ASSERT_EQ(l.Count(), 1);
  EXPECT_EQ(l.Get(0), "\xED\xA0\xBD\xED\xB8\x80x");  // each surrogate its own 3 bytes
  // Written back the same units.
  EXPECT_EQ(l.SaveToStreamEX(), std::string("\xFF\xFE\x3D\xD8\x00\xDE" "x\0\r\0\n\0", 12));
  // A second mark after the first one is dropped on load.
  TStringListEX m;
  m.LoadFromStreamEX(std::string("\xFF\xFE\xFF\xFE" "a\0", 6));
  EXPECT_EQ(m.Lines(), V({"a"}));
}

TEST(StringListEX, NonUtf8TextSavedAsUtf16ByteForByte) {
  TStringListEX l;
  l.Assign(V({"caf\xE9"}));  // Latin-1, not UTF-8
  l.Encoding = TStringListEX::kEncUtf16LE;
  l.WriteBOM = true;
  std::string out = l.SaveToStreamEX();
  EXPECT_EQ(out, std::string("\xFF\xFE" "c\0a\0f\0\xE9\0\r\0\n\0", 14));
}

TEST(StringListEX, Utf8MarkWrittenOnlyForValidText) {
  TStringListEX l;
  l.Assign(V({"h\xC3\xA9"}));
  l.Encoding = TStringListEX::kEncUtf8;
  EXPECT_EQ(l.SaveToStreamEX(true), "\xEF\xBB\xBFh\xC3\xA9\r\n");
  TStringListEX bad;
  bad.Assign(V({"\xFF"}));
  bad.Encoding = TStringListEX::kEncUtf8;
  EXPECT_EQ(bad.SaveToStreamEX(true), "\xFF\r\n");
  // A UTF-16 encoding without WriteBOM writes 8-bit text.
  TStringListEX off;
  off.Assign(V({"a"}));
  off.Encoding = TStringListEX::kEncUtf16LE;
  EXPECT_EQ(off.SaveToStreamEX(false), "a\r\n");
}

TEST(StringListEX, RequestedUtf8ConvertsCodePageText) {
  TStringListEX l;
  l.LoadFromStreamEX("caf\xE9\r\n", TStringListEX::kEncUtf8);
  EXPECT_EQ(l.Lines(), V({"caf\xC3\xA9"}));
  TStringListEX ok;
  ok.LoadFromStreamEX("caf\xC3\xA9", TStringListEX::kEncUtf8);
  EXPECT_EQ(ok.Lines(), V({"caf\xC3\xA9"}));
}

TEST(StringListEX, MissingFileKeepsLines) {
  TempDir d;
  TStringListEX l;
  l.Add("keep");
  l.LoadFromFileEX(d.File("missing.txt"));
  EXPECT_EQ(l.Lines(), V({"keep"}));
}

TEST(StringListEX, LoadsThroughOtherLetterCase) {
  TempDir d;
  WriteBytes(d.File("Data.TXT"), "x\r\n");
  TStringListEX l;
  l.LoadFromFileEX(d.File("data.txt"));
  EXPECT_EQ(l.Lines(), V({"x"}));
}

}  // namespace
