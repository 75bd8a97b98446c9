// Data files over 61,000,000 bytes are also written out as pieces that end
// where a match of the first entry begins.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>

#include "tests/extractor/korvane_cli.h"

namespace {

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
  int fd = ::open(path.c_str(), O_WRONLY);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(::pwrite(fd, "[x]", 3, 60000100), 3);
  ::close(fd);
}

long long SizeOf(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 ? static_cast<long long>(st.st_size) : -1;
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
  struct stat before;
  ASSERT_EQ(::stat(F("big_1.dat").c_str(), &before), 0);
  ASSERT_EQ(::unlink(F("big_2.dat").c_str()), 0);
  r = Run({"extract", "big.dat", "t.txt"}, "Y\n");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "Please wait...\nSplite file!!!\nWarning loading!!!\nContinue? y/n\nDone: " + F("t.txt") + "\n");
  struct stat after;
  ASSERT_EQ(::stat(F("big_1.dat").c_str(), &after), 0);
  EXPECT_EQ(after.st_ino, before.st_ino);
  EXPECT_EQ(after.st_mtim.tv_nsec, before.st_mtim.tv_nsec);
  EXPECT_EQ(SizeOf(F("big_2.dat")), 1000000);
  EXPECT_EQ(ReadBytes(F("t.txt")), "first\r\nx\r\n");

  // A full window without a match stops the run.
  ASSERT_EQ(::unlink(F("big_1.dat").c_str()), 0);
  ASSERT_EQ(::unlink(F("big_2.dat").c_str()), 0);
  int fd = ::open(data.c_str(), O_WRONLY);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(::pwrite(fd, "aaa", 3, 60000100), 3);
  r = Run({"extract", "big.dat", "u.txt"}, "y\n");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("Operation aborted."), std::string::npos) << r.err;
  EXPECT_FALSE(PathExists(F("u.txt")));

  // Exactly 61,000,000 bytes: not split.
  ASSERT_EQ(::ftruncate(fd, 61000000), 0);
  ::close(fd);
  EXPECT_FALSE(PathExists(F("big_1.dat")));  // the aborted run wrote no piece
  r = Run({"extract", "big.dat", "u.txt"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "Please wait...\nDone: " + F("u.txt") + "\n");
  EXPECT_FALSE(PathExists(F("big_2.dat")));
  EXPECT_EQ(ReadBytes(F("u.txt")), "first\r\n");
}
