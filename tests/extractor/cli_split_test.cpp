// Data files over 61,000,000 bytes are also written out as pieces that end
// where a match of the first entry begins.
#include <filesystem>
#include <fstream>

#include "tests/extractor/korvane_cli.h"

namespace {

// Overwrites bytes of an existing file at an offset.
void WriteAt(const std::string& path, long long offset, const std::string& bytes) {
  std::fstream f(path, std::ios::binary | std::ios::in | std::ios::out);
  f.seekp(offset);
  f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  ASSERT_TRUE(f.good()) << path;
}

// The file: "[first]" at the start, 'a' bytes, "[x]" at offset 60,000,100.
void MakeBigFile(const std::string& path, long long size) {
  std::ofstream f(path, std::ios::binary | std::ios::trunc);
  std::string block(1 << 20, 'a');
  block.replace(0, 7, "[first]");
  long long written = 0;
  while (written < size) {
    long long n = std::min<long long>(static_cast<long long>(block.size()), size - written);
    f.write(block.data(), n);
    written += n;
    block.assign(1 << 20, 'a');
  }
  f.close();
  WriteAt(path, 60000100, "[x]");
}

long long SizeOf(const std::string& path) {
  std::error_code ec;
  auto n = std::filesystem::file_size(path, ec);
  return ec ? -1 : static_cast<long long>(n);
}

}  // namespace

TEST_F(KorvaneCli, SplitsFilesOverTheThreshold) {
  Script(Brackets());
  const std::string data = F("big.dat");
  MakeBigFile(data, 61000100);

  // Refused: pieces are written, nothing is extracted.
  ToolResult r = Run({"extract", "big.dat", "t.txt"}, "n\n");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "Please wait...\nSplite file!!!\nWarning loading!!!\nContinue? y/n\n");
  EXPECT_EQ(SizeOf(F("big_1.dat")), 60000100);  // ends where "[x]" begins
  EXPECT_EQ(SizeOf(F("big_2.dat")), 1000000);
  EXPECT_FALSE(PathExists(F("big_3.dat")));
  EXPECT_FALSE(PathExists(F("t.txt")));
  {
    std::ifstream f(F("big_2.dat"), std::ios::binary);
    char head[3];
    f.read(head, 3);
    EXPECT_EQ(std::string(head, 3), "[x]");
  }

  // Existing pieces are kept; missing ones are written; "y" goes on with
  // the whole file.
  const std::string before = FileIdentity(F("big_1.dat"));
  ASSERT_NE(before, "");
  ASSERT_TRUE(std::filesystem::remove(F("big_2.dat")));
  r = Run({"extract", "big.dat", "t.txt"}, "Y\n");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "Please wait...\nSplite file!!!\nWarning loading!!!\nContinue? y/n\nDone: " + F("t.txt") + "\n");
  EXPECT_EQ(FileIdentity(F("big_1.dat")), before);
  EXPECT_EQ(SizeOf(F("big_2.dat")), 1000000);
  EXPECT_EQ(ReadBytes(F("t.txt")), "first\r\nx\r\n");

  // A full window without a match stops the run.
  ASSERT_TRUE(std::filesystem::remove(F("big_1.dat")));
  ASSERT_TRUE(std::filesystem::remove(F("big_2.dat")));
  WriteAt(data, 60000100, "aaa");
  r = Run({"extract", "big.dat", "u.txt"}, "y\n");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("Operation aborted."), std::string::npos) << r.err;
  EXPECT_FALSE(PathExists(F("u.txt")));

  // Exactly 61,000,000 bytes: not split.
  std::filesystem::resize_file(data, 61000000);
  EXPECT_FALSE(PathExists(F("big_1.dat")));  // the aborted run wrote no piece
  r = Run({"extract", "big.dat", "u.txt"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "Please wait...\nDone: " + F("u.txt") + "\n");
  EXPECT_FALSE(PathExists(F("big_2.dat")));
  EXPECT_EQ(ReadBytes(F("u.txt")), "first\r\n");
}
