// The whole run of korvane after the command line was read into args
// (args[0] is argument 1). Returns the exit status of an end the program
// decides itself; unhandled errors propagate to the caller.
#pragma once
#include <string>
#include <vector>

#include "extractor/reporter.h"

// The reporter of a real run: lines on standard output, questions and
// pauses answered on standard input.
class TConsoleReporter final : public TReporter {
 public:
  void Line(const std::string& message) override;
  bool Ask(const std::string& question) override;
  void Pause() override;
};

int RunKorvane(const std::vector<std::string>& args);
