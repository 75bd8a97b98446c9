#include "common/line_file.h"

#include <gtest/gtest.h>

#include "common/errors.h"
#include "common/stringlist.h"
#include "tests/support/testutil.h"

namespace {

using Lines = std::vector<std::string>;

struct LoaderCase {
  const char* what;
  std::string bytes;
  Lines lines;
};

std::string B(const char* s, size_t n) { return std::string(s, n); }

TEST(LineFile, LoaderEdges) {
  const std::string nul(1, '\0');
  const LoaderCase cases[] = {
      {"empty file", "", {}},
      {"UTF-8 mark only", "\xEF\xBB\xBF", {}},
      {"UTF-16 LE mark only", "\xFF\xFE", {}},
      {"UTF-16 BE mark only", "\xFE\xFF", {}},
      {"UTF-8 mark and one break", "\xEF\xBB\xBF\r\n", {""}},
      {"plain text as it is", "a\r\n\r\nb\nc\r", {"a", "", "b", "c"}},
      {"8-bit code page text as it is", "\xC0\xE1\r\n\xFF", {"\xC0\xE1", "\xFF"}},
      {"UTF-8 mark dropped once", "\xEF\xBB\xBF\xEF\xBB\xBF" "a\nb", {"\xEF\xBB\xBF" "a", "b"}},
      {"UTF-8 mark in the middle stays", "a\xEF\xBB\xBF", {"a\xEF\xBB\xBF"}},
      {"NUL at the start", nul + "a\r\nb", {nul + "a", "b"}},
      {"NUL at the end", "a\r\nb" + nul, {"a", "b" + nul}},
      {"NUL after the last break", "a\r\n" + nul, {"a", nul}},
      {"NUL in the middle", "x" + nul + "y\nz", {"x" + nul + "y", "z"}},
      {"UTF-8 mark then NUL", "\xEF\xBB\xBF" + nul, {nul}},
      {"UTF-16 LE", B("\xFF\xFE" "A\0\r\0\n\0B\0", 10), {"A", "B"}},
      {"UTF-16 BE", B("\xFE\xFF\0A\0\r\0\n\0B", 10), {"A", "B"}},
      {"UTF-16 LE, LF and final break", B("\xFF\xFE\x16\x04\n\0", 6), {"\xD0\x96"}},
      {"UTF-16 BE, NUL unit", B("\xFE\xFF\0A\0\0\0B", 8), {"A" + nul + "B"}},
      {"UTF-16 LE, odd byte kept", B("\xFF\xFE" "A\0B", 5), {"AB"}},
      {"UTF-16 BE, odd byte kept", B("\xFE\xFF\0AB", 5), {"AB"}},
      {"UTF-16, mark and odd byte only", B("\xFF\xFE\x7F", 3), {"\x7F"}},
      {"UTF-16 surrogate pair", B("\xFF\xFE\x3D\xD8\x00\xDE", 6), {"\xF0\x9F\x98\x80"}},
      {"lone high surrogate", B("\xFF\xFE\x3D\xD8" "A\0", 6), {"\xED\xA0\xBD" "A"}},
      {"lone low surrogate last", B("\xFE\xFF\xDE\x00", 4), {"\xED\xB8\x80"}},
      {"surrogates in reverse order", B("\xFF\xFE\x00\xDE\x3D\xD8", 6), {"\xED\xB8\x80\xED\xA0\xBD"}},
      {"second mark inside UTF-16 dropped", B("\xFF\xFE\xFF\xFE" "A\0", 6), {"A"}},
      {"UTF-16 mark behind a UTF-8 mark stays bytes", B("\xEF\xBB\xBF\xFF\xFE" "A\0", 7),
       {B("\xFF\xFE" "A\0", 4)}},
  };
  // The views of a file read whole are the same lines.
  TempDir d;
  for (const LoaderCase& c : cases) {
    EXPECT_EQ(LineFileLines(c.bytes), c.lines) << c.what;
    WriteBytes(d.File("in.txt"), c.bytes);
    TLineFileView view;
    view.Load(d.File("in.txt"));
    Lines viewed;
    for (size_t i = 0; i < view.size(); ++i) viewed.emplace_back(view[i]);
    EXPECT_EQ(viewed, c.lines) << c.what;
  }
}

// A file is written a block of lines at a time: lines on both sides of the
// block size, a line longer than a block, and no lines at all.
TEST(LineFile, SavesEveryLineAcrossBlocks) {
  TempDir d;
  Lines lines;
  for (int i = 0; i < 150000; ++i) lines.push_back(std::to_string(i) + (i % 3 ? "" : " text"));
  lines.insert(lines.begin() + 70000, std::string((1 << 20) + 7, 'x'));
  lines.push_back("");
  for (const Lines& each : {lines, Lines{}, Lines{""}}) {
    SaveLineFile(d.File("out.txt"), each);
    EXPECT_TRUE(ReadBytes(d.File("out.txt")) == JoinLines(each)) << each.size();
  }
}

TEST(LineFile, ReadsAFileAndReportsAMissingOne) {
  TempDir d;
  WriteBytes(d.File("ru.txt"), B("\xFE\xFF\x04\x16\0\r\0\n\0x", 10));
  EXPECT_EQ(ReadLineFile(d.File("ru.txt")), (Lines{"\xD0\x96", "x"}));
  EXPECT_THROW(ReadLineFile(d.File("missing.txt")), EFOpenError);
}

}  // namespace
