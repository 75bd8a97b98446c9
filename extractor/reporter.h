// What korvane's passes tell the user and ask of them: warnings, unmatched
// lines, progress lines and questions. The passes never print or read the
// console themselves; the program shows these on the console and tests
// record them.
#pragma once
#include <string>

class TReporter {
 public:
  virtual ~TReporter() = default;
  // One whole line of output.
  virtual void Line(const std::string& message) = 0;
  // A yes/no question; true for yes.
  virtual bool Ask(const std::string& question) = 0;
  // Waits until the user has read what was shown.
  virtual void Pause() = 0;
};
