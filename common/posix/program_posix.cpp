// POSIX side of the running program: its file from /proc/self/exe and
// glibc's allocator.
#include "common/program.h"

#include <limits.h>
#if defined(__GLIBC__)
#include <malloc.h>
#include <sys/auxv.h>
#endif
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
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
  // in later sweeps, and a larger pad grows the heap in fewer, bigger steps;
  // both are measurably cheaper for files of 10^5 to 10^6 lines.
  mallopt(M_MXFAST, 0);
  mallopt(M_TOP_PAD, 64 << 20);
#endif
}


void UseHugePages(char** argv) {
#if defined(__GLIBC__)
  // A large file makes the programs touch hundreds of megabytes, and every
  // 4 KiB page is a fault; with 2 MiB pages the same work takes a fraction
  // of the time. With transparent huge pages in "madvise" mode glibc asks for
  // them only when its tunable says so at start, so the program restarts
  // itself once with the tunable set.
  if (getauxval(AT_SECURE) != 0) return;  // the C library ignores tunables here
  const char* old = std::getenv("GLIBC_TUNABLES");
  if (old && std::strstr(old, "glibc.malloc.hugetlb")) return;  // already set, or the user's choice
  std::ifstream thp("/sys/kernel/mm/transparent_hugepage/enabled");
  std::string modes;
  std::getline(thp, modes);
  if (modes.find("[madvise]") == std::string::npos) return;
  // The heap also grows in steps of 64 MiB from its first allocation on:
  // set at start it takes a third off an extraction of a 60 MB data file,
  // where the same setting made later in the run (mallopt) does not.
  const char* tunables = "glibc.malloc.hugetlb=1:glibc.malloc.top_pad=67108864";
  const std::string value = old && *old ? std::string(old) + ":" + tunables : std::string(tunables);
  if (setenv("GLIBC_TUNABLES", value.c_str(), 1) != 0) return;
  execv("/proc/self/exe", argv);
  // The restart failed: go on as started.
  if (old) {
    setenv("GLIBC_TUNABLES", old, 1);
  } else {
    unsetenv("GLIBC_TUNABLES");
  }
#else
  (void)argv;
#endif
}
