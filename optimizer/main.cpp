// velloran: optimizer and recoverer of translation line files.
#include <string>
#include <vector>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include "common/platform.h"
#include "optimizer/cmdline.h"

int main(int argc, char** argv) {
#if defined(__GLIBC__)
  // A run holds each line of its files in a small block of its own and
  // frees millions of them; without the fast bins glibc merges each freed
  // block at once instead of in later sweeps, which is measurably cheaper
  // for files of 10^5 to 10^6 lines.
  mallopt(M_MXFAST, 0);
#endif
  std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
  return RunProgram([&args] { return VelloranMain(args); });
}
