// velloran: optimizer and recoverer of translation line files.
#include <string>
#include <vector>

#include "common/platform.h"
#include "optimizer/cmdline.h"

int main(int argc, char** argv) {
  GrowHeapInLargeSteps();
  // A run holds each line of its files in a small block of its own and
  // allocates and frees millions of them (bench/optimizer_bench).
  TuneAllocatorForManyLines();
  std::vector<std::string> args = ProgramArguments(argc, argv);
  return RunProgram([&args] { return VelloranMain(args); });
}
