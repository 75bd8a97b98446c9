// A reporter for tests: keeps every line and question in order and answers
// the questions from a list (no when the list runs out).
#pragma once
#include <deque>
#include <string>

#include "extractor/reporter.h"

class TRecordingReporter : public TReporter {
 public:
  explicit TRecordingReporter(std::deque<bool> answers = {}) : answers_(std::move(answers)) {}
  void Line(const std::string& message) override { out += message + "\n"; }
  bool Ask(const std::string& question) override {
    out += question + " ?\n";
    if (answers_.empty()) return false;
    const bool yes = answers_.front();
    answers_.pop_front();
    return yes;
  }
  void Pause() override { out += "<pause>\n"; }

  // Lines end with a line feed; a question ends with " ?", a pause is "<pause>".
  std::string out;

 private:
  std::deque<bool> answers_;
};
