// korvane: extracts the strings of a game data file with a script of
// pattern pairs into a text file, and puts edited lines back.
#include <string>
#include <vector>

#include "common/platform.h"
#include "extractor/korvane.h"

int main(int argc, char** argv) {
  GrowHeapInLargeSteps();
  std::vector<std::string> args = ProgramArguments(argc, argv);
  return RunProgram([&] { return RunKorvane(args); });
}
