// POSIX side of the running program: its file from /proc/self/exe and
// glibc's allocator.
#include "common/program.h"

#include <limits.h>
#if defined(__GLIBC__)
#include <malloc.h>
#endif
#include <sys/mman.h>
#include <unistd.h>

#include <vector>

#include "common/paths.h"

std::string ProgramPath() {
  static std::string path = [] {
    std::vector<char> buf(PATH_MAX + 1);
    ssize_t n = ::readlink("/proc/self/exe", buf.data(), buf.size() - 1);
    if (n <= 0) return std::string();
    return std::string(buf.data(), static_cast<size_t>(n));
  }();
  return path;
}

std::string ProgramDir() {
  std::string p = ProgramPath();
  size_t slash = p.rfind('/');
  if (slash == std::string::npos) return ExpandPath(".") + "/";
  return p.substr(0, slash + 1);
}

std::vector<std::string> ProgramArguments(int argc, char** argv) {
  return std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc);
}

void TuneAllocatorForManyLines() {
#if defined(__GLIBC__)
  // Without the fast bins glibc merges each freed block at once instead of
  // in later sweeps, which is measurably cheaper for files of 10^5 to 10^6
  // lines.
  mallopt(M_MXFAST, 0);
#endif
}

void GrowHeapInLargeSteps() {
#if defined(__GLIBC__)
  // Huge pages are deliberately not asked for. On the virtual machines the
  // programs are measured on, a 2 MiB page that the system has not used in
  // the last seconds costs four to five times as much per byte as small
  // pages when first touched, so a run started after a pause (the usual
  // case) took up to twice as long with them; only runs that follow each
  // other within a second or two gained, by up to a quarter.
  mallopt(M_TOP_PAD, 64 << 20);
#endif
}

void MapPagesAhead(void* data, size_t bytes) {
#if defined(__linux__)
  // Linux 5.14 and later fault the pages in as writes would; older ones
  // refuse the advice, and the pages come one fault at a time as before.
  constexpr int kPopulateWrite = 23;  // MADV_POPULATE_WRITE
  constexpr size_t kFrom = size_t{1} << 20;
  static const uintptr_t page = static_cast<uintptr_t>(::sysconf(_SC_PAGESIZE));
  if (bytes < kFrom) return;
  const uintptr_t from = (reinterpret_cast<uintptr_t>(data) + page - 1) & ~(page - 1);
  const uintptr_t to = (reinterpret_cast<uintptr_t>(data) + bytes) & ~(page - 1);
  if (to > from) ::madvise(reinterpret_cast<void*>(from), to - from, kPopulateWrite);
#else
  (void)data;
  (void)bytes;
#endif
}
