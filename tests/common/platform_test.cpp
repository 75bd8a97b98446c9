#include "common/platform.h"
#include "common/utf16.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <iterator>
#include <stdexcept>
#if !defined(_WIN32)
#include <unistd.h>
#endif

#include "common/errors.h"
#include "common/classic_string.h"
#include "tests/support/testutil.h"

namespace {

namespace fs = std::filesystem;

TEST(Paths, ExpandResolvesDotsAsText) {
  SKIP_ON_WINDOWS("POSIX path texts; WindowsPaths covers drives and backslashes");
  EXPECT_EQ(ExpandPath(""), "");
  EXPECT_EQ(ExpandPath("/a/./b/../c"), "/a/c");
  EXPECT_EQ(ExpandPath("/a//b/"), "/a/b/");
  EXPECT_EQ(ExpandPath("/.."), "/");
  EXPECT_EQ(ExpandPath("x.txt"), fs::current_path().string() + "/x.txt");
  EXPECT_EQ(ExtractFileName("/a/b.txt"), "b.txt");
  EXPECT_EQ(ExtractFileDir("/a/b.txt"), "/a");
  EXPECT_EQ(ExtractFileExt("/a.d/b"), "");
  EXPECT_EQ(ChangeFileExt("/x/patch.txt", "_double.txt"), "/x/patch_double.txt");
  EXPECT_EQ(ChangeFileExt("/x.y/patch", "_double.txt"), "/x.y/patch_double.txt");
}

TEST(FileExistsCI, IgnoresAsciiCaseOnly) {
  TempDir d;
  WriteBytes(d.File("readme.txt"), "x");
  fs::create_directory(d.File("Sub.Dir"));
  EXPECT_TRUE(FileExistsCI(d.File("README.TXT")));
  EXPECT_TRUE(FileExistsCI(d.File("readme.txt")));
  EXPECT_TRUE(FileExistsCI(d.File("sub.dir")));  // a folder counts
  EXPECT_FALSE(FileExistsCI(d.File("readme.tx")));
  EXPECT_FALSE(FileExistsCI(""));
  EXPECT_FALSE(FileExistsCI(d.File("nofolder/readme.txt")));
  WriteBytes(d.File("\xC3\xA9t\xC3\xA9.txt"), "x");
  EXPECT_TRUE(FileExistsCI(d.File("\xC3\xA9T\xC3\xA9.TXT")));
  if (!OnWindows()) {
    // The POSIX side compares ASCII letters only; Windows' file system
    // ignores the case of every letter.
    EXPECT_FALSE(FileExistsCI(d.File("\xC3\x89t\xC3\xA9.txt")));  // non-ASCII compared exactly
  }
  if (OnWindows()) return;  // the file system opens any letter case itself
  EXPECT_EQ(ResolveExistingCI(d.File("README.TXT")), d.File("readme.txt"));
  EXPECT_EQ(ReadWholeFile(d.File("ReadMe.Txt")), "x");
}

TEST(WholeFiles, WriteReplacesThroughTemporaryFile) {
  TempDir d;
  std::string f = d.File("out.txt");
  WriteWholeFile(f, "first");
  SetFileMode(f, 0640);
  WriteWholeFile(f, "second");
  EXPECT_EQ(ReadBytes(f), "second");
  if (!OnWindows()) {
    EXPECT_EQ(fs::status(f).permissions() & fs::perms::mask, fs::perms(0640));
  }
  // No temporary file is left behind.
  int entries = 0;
  for (const auto& n : {std::string("out.txt")}) entries += PathExists(d.File(n));
  EXPECT_EQ(entries, 1);
}

// A result written from its parts: more parts than one system call takes,
// empty ones among them, and one large part, in order and whole.
TEST(WholeFiles, PartsAreWrittenInOrder) {
  TempDir d;
  std::vector<std::string> store;
  for (int i = 0; i < 5000; ++i) store.push_back(i % 7 == 0 ? std::string() : std::to_string(i) + ",");
  store[2500] = std::string(3 << 20, 'x');
  TByteParts parts(store.begin(), store.end());
  WriteWholeFile(d.File("out.txt"), parts);
  EXPECT_TRUE(ReadBytes(d.File("out.txt")) == JoinParts(parts));
}

// A text made while it is written: batches in order; a maker that fails
// half-way leaves the target as it was and no temporary file. The text is
// long enough to be flushed to the disk while it is written.
TEST(WholeFiles, BatchesFromASource) {
  TempDir d;
  const std::string f = d.File("out.txt");
  WriteWholeFile(f, "old");
  const std::string big(5 << 20, 'x');
  const std::vector<TByteParts> batches = {{"a", "bc"}, {}, {"", "d"}, {big, "e", big}, {big}, {"f"}};
  std::string whole;
  for (const TByteParts& batch : batches) whole += JoinParts(batch);
  for (bool fails : {false, true}) {
    size_t next = 0;
    auto source = [&]() -> const TByteParts* {
      if (next == batches.size()) {
        if (fails) throw std::runtime_error("maker failed");
        return nullptr;
      }
      return &batches[next++];
    };
    for (TSaveDepth depth : {TSaveDepth::kCache, TSaveDepth::kDisk}) {
      next = 0;
      if (fails) {
        EXPECT_THROW(WriteWholeFile(f, source, depth), std::runtime_error);
        EXPECT_EQ(ReadBytes(f), "old");
      } else {
        WriteWholeFile(f, source, depth);
        EXPECT_TRUE(ReadBytes(f) == whole);
        WriteWholeFile(f, "old");
      }
      EXPECT_EQ(std::distance(fs::directory_iterator(d.Path()), fs::directory_iterator()), 1);
    }
  }
}

TEST(WholeFiles, FollowsSymbolicLinks) {
  SKIP_ON_WINDOWS("symbolic links need rights that ordinary Windows users lack");
  TempDir d;
  WriteBytes(d.File("real.txt"), "old");
  fs::create_symlink("real.txt", d.File("link.txt"));
  WriteWholeFile(d.File("link.txt"), "new");
  EXPECT_EQ(ReadBytes(d.File("real.txt")), "new");
  EXPECT_TRUE(fs::is_symlink(fs::symlink_status(d.File("link.txt"))));
}

TEST(WholeFiles, FailureLeavesTargetAndRaisesCreateError) {
  SKIP_ON_WINDOWS("POSIX error texts and devices; WindowsFiles covers the Windows failures");
  TempDir d;
  try {
    WriteWholeFile(d.File("missing/out.txt"), "x");
    FAIL();
  } catch (const EFCreateError& e) {
    EXPECT_EQ(std::string(e.what()),
              "Cannot create file \"" + d.File("missing/out.txt") + "\". No such file or directory");
  }
  fs::create_directory(d.File("adir"));
  EXPECT_THROW(WriteWholeFile(d.File("adir"), "x"), EFCreateError);
  // A full device: the error is reported, never silent.
  if (PathExists("/dev/full")) {
    EXPECT_THROW(WriteWholeFile("/dev/full", std::string(1 << 16, 'x')), EFCreateError);
  }
  // Devices are written in place, never replaced.
  WriteWholeFile("/dev/null", "discarded");
  EXPECT_TRUE(fs::is_character_file(fs::status("/dev/null")));
  if (!IsRootUser()) {
    WriteBytes(d.File("ro/keep.txt"), "keep");
    SetFileMode(d.File("ro"), 0555);
    EXPECT_THROW(WriteWholeFile(d.File("ro/keep.txt"), "new"), EFCreateError);
    EXPECT_EQ(ReadBytes(d.File("ro/keep.txt")), "keep");
  }
}

// Sizes around the one from which files are mapped instead of read; a
// mapped buffer that is appended to moves into a block of its own, and the
// bytes written into it never reach the file.
TEST(WholeFiles, ReadGivesTheBytesAtEverySize) {
  TempDir d;
  for (size_t size : {size_t{0}, size_t{1}, (size_t{1} << 20) - 1, size_t{1} << 20, (size_t{3} << 20) + 5}) {
    std::string bytes(size, '\0');
    for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>(i * 7 + i / 251);
    const std::string f = d.File("in" + std::to_string(size));
    WriteBytes(f, bytes);
    TByteBuffer read = ReadWholeFile(f);
    ASSERT_TRUE(read.View() == bytes) << size;
    if (size == 0) continue;
    read.data()[0] = static_cast<char>(read.data()[0] + 1);
    read.Append("\r\n");
    TByteBuffer moved = std::move(read);
    EXPECT_EQ(moved.size(), size + 2);
    EXPECT_EQ(moved.View().substr(1, size - 1), std::string_view(bytes).substr(1)) << size;
    EXPECT_EQ(moved.View().substr(size), "\r\n");
    EXPECT_EQ(ReadBytes(f), bytes) << size;
  }
}

#if !defined(_WIN32)
// A mapped input that another program shortens ends the run with a message
// and status 1, not with a crash.
TEST(WholeFilesDeathTest, ShortenedMappedInputStopsTheRun) {
  TempDir d;
  const std::string f = d.File("big.bin");
  WriteBytes(f, std::string(size_t{4} << 20, 'x'));
  EXPECT_EXIT(
      {
        TByteBuffer read = ReadWholeFile(f);
        if (::truncate(f.c_str(), 0) != 0) std::_Exit(3);
        volatile char last = read.data()[read.size() - 1];
        (void)last;
        std::_Exit(2);
      },
      ::testing::ExitedWithCode(1), "an input file became shorter while it was being read");
}
#endif

TEST(Folders, ForceDirCreatesParents) {
  TempDir d;
  ForceFileDir(d.File("a/b/c/file.txt"));
  EXPECT_TRUE(DirectoryExists(d.File("a/b/c")));
  EXPECT_FALSE(PathExists(d.File("a/b/c/file.txt")));
  ForceDir(d.File("x/y/"));
  EXPECT_TRUE(DirectoryExists(d.File("x/y")));
}

TEST(Files, CopyMoveAppend) {
  TempDir d;
  WriteBytes(d.File("a"), "data");
  EXPECT_EQ(CopyFileOver(d.File("a"), d.File("b")), "");
  EXPECT_EQ(ReadBytes(d.File("b")), "data");
  EXPECT_NE(CopyFileOver(d.File("none"), d.File("c")), "");
  EXPECT_FALSE(PathExists(d.File("c")));
  AppendToFile(d.File("b"), "+more");
  EXPECT_EQ(ReadBytes(d.File("b")), "data+more");
  EXPECT_EQ(MoveFileOver(d.File("b"), d.File("a")), "");
  EXPECT_EQ(ReadBytes(d.File("a")), "data+more");
  EXPECT_FALSE(PathExists(d.File("b")));
  EXPECT_EQ(FileSize(d.File("a")), 9);
  EXPECT_EQ(FileSize(d.File("zz")), -1);
}

TEST(Strutil, ClassicSemantics) {
  EXPECT_EQ(Pos("", "abc"), 0u);
  EXPECT_EQ(Pos("b", "abcb"), 2u);
  EXPECT_EQ(Pos("b", "abcb", 3), 4u);
  EXPECT_EQ(Pos("b", "abcb", 5), 0u);
  EXPECT_EQ(LastPos("b", "abcb"), 4u);
  EXPECT_EQ(Copy("abc", 2, 5), "bc");
  EXPECT_EQ(Copy("abc", 4, 1), "");
  EXPECT_EQ(Copy("abc", 1, 0), "");
  EXPECT_EQ(Copy("abc", 1, -3), "");
  std::string s = "abc";
  Delete(s, 4, 1);
  EXPECT_EQ(s, "abc");
  Delete(s, 2, 100);
  EXPECT_EQ(s, "a");
  Insert("xy", s, 2);
  EXPECT_EQ(s, "axy");
  Insert("z", s, 9);
  EXPECT_EQ(s, "axyz");
  EXPECT_EQ(ReplaceAll("aaa", "a", "aa"), "aaaaaa");
  EXPECT_EQ(ReplaceAll("aaaa", "aa", "b"), "bb");
  EXPECT_EQ(ReplaceAll("abc", "", "x"), "abc");
}

TEST(Strutil, Integers) {
  int32_t v = 0;
  EXPECT_TRUE(StrToIntStrict(" 5", v));
  EXPECT_EQ(v, 5);
  EXPECT_FALSE(StrToIntStrict("5 ", v));
  EXPECT_FALSE(StrToIntStrict("", v));
  EXPECT_FALSE(StrToIntStrict("-", v));
  EXPECT_TRUE(StrToIntStrict("-3", v));
  EXPECT_EQ(v, -3);
  EXPECT_TRUE(StrToIntStrict("$10", v));
  EXPECT_EQ(v, 16);
  EXPECT_TRUE(StrToIntStrict("0x1f", v));
  EXPECT_EQ(v, 31);
  EXPECT_TRUE(StrToIntStrict("X10", v));
  EXPECT_EQ(v, 16);
  EXPECT_TRUE(StrToIntStrict("+7", v));
  EXPECT_EQ(v, 7);
  EXPECT_FALSE(StrToIntStrict("\t5", v));
  EXPECT_FALSE(StrToIntStrict("99999999999", v));
  EXPECT_FALSE(StrToIntPartial("12ab", v));
  EXPECT_EQ(v, 12);
  EXPECT_FALSE(StrToIntPartial("-sort", v));
  EXPECT_EQ(v, 0);
  EXPECT_TRUE(StrToIntPartial("2", v));
  EXPECT_EQ(v, 2);
}

TEST(Strutil, Utf8AndLowerCase) {
  EXPECT_TRUE(IsValidUtf8("abc\xC3\xA9"));
  EXPECT_FALSE(IsValidUtf8("\xC3"));
  EXPECT_FALSE(IsValidUtf8("\xC0\x80"));  // overlong
  EXPECT_TRUE(IsValidUtf8("\xED\xA0\xBD"));  // a surrogate unit on its own
  EXPECT_EQ(AnsiLowerCase("ABC\xC3\x89"), "abc\xC3\xA9");           // É as UTF-8
  EXPECT_EQ(AnsiLowerCase("ABC\xC9\xFF"), "abc\xE9\xFF");           // É as one byte
  EXPECT_EQ(AnsiLowerCase("\xD0\x9F\xD1\x80"), "\xD0\xBF\xD1\x80");  // П р
}

}  // namespace

namespace {

// Runs RunProgram with standard error captured in a file.
std::pair<int, std::string> CaptureReport(const std::function<int()>& body) {
  TempDir d;
  std::string path = d.File("err");
  fflush(stderr);
  int saved = dup(2);
  FILE* f = fopen(path.c_str(), "wb");
  dup2(fileno(f), 2);
  int rc = RunProgram(body);
  fflush(stderr);
  dup2(saved, 2);
  close(saved);
  fclose(f);
  return {rc, ReadBytes(path)};
}

TEST(EndOfRun, UncaughtErrorReport) {
  auto [rc, err] = CaptureReport([]() -> int { throw OpenError("/x/y.txt", ENOENT); });
  EXPECT_EQ(rc, 1);
  std::string first = err.substr(0, err.find('\n'));
  EXPECT_TRUE(StartsWith(first, "Exception EFOpenError in module ")) << err;
  EXPECT_TRUE(EndsWith(first, ".")) << err;
  // The C library's own form of an address: 0x... on Linux, bare digits on Windows.
  if (!OnWindows()) {
    EXPECT_NE(first.find(" at 0x"), std::string::npos) << err;
  }
  // ENOENT and ERROR_FILE_NOT_FOUND are both 2.
  EXPECT_TRUE(EndsWith(err, SystemMessage("\nCannot open file \"/x/y.txt\". No such file or directory.\n"))) << err;

  auto [rc2, err2] = CaptureReport([]() -> int { throw IndexError(3); });
  EXPECT_EQ(rc2, 1);
  EXPECT_TRUE(EndsWith(err2, "\nList index out of bounds (3).\n")) << err2;
  auto [rc3, err3] = CaptureReport([]() -> int { throw EAbort("Operation aborted."); });
  EXPECT_TRUE(EndsWith(err3, "\nOperation aborted.\n")) << err3;  // no second period
  EXPECT_EQ(rc3, 1);
  auto [rc4, err4] = CaptureReport([] { return 0; });
  EXPECT_EQ(rc4, 0);
  EXPECT_EQ(err4, "");
}

// A finished run ends the process only inside RunProgram: a test that calls
// a run's function directly gets the status back and goes on.
TEST(EndOfRun, EndRunEndsOnlyAProgramRun) {
  EXPECT_EQ(EndRun(4), 4);
  EXPECT_EQ(CaptureReport([] { return 0; }).first, 0);
  EXPECT_EQ(EndRun(4), 4);  // not left on after the program run
}

#if !defined(_WIN32) && !defined(__SANITIZE_ADDRESS__)
TEST(EndOfRunDeathTest, EndRunEndsAProgramRunWithItsStatus) {
  EXPECT_EXIT(
      {
        RunProgram([] { return EndRun(5) + 1; });
        std::_Exit(0);
      },
      ::testing::ExitedWithCode(5), "");
}
#endif

}  // namespace
