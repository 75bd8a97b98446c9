// The end of a run that korvane foresees: a wrong word on the command line,
// a missing file, an invalid script. The code that finds it raises EStopRun
// with the console lines that say why (none for a silent run); the program
// prints them and ends with the failed status.
#pragma once
#include <string>
#include <vector>

#include "common/errors.h"

class EStopRun : public EError {
 public:
  explicit EStopRun(std::vector<std::string> lines);
  const std::vector<std::string>& Lines() const { return lines_; }
  const char* ClassName() const override { return "EStopRun"; }

 private:
  std::vector<std::string> lines_;
};
