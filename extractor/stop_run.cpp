#include "extractor/stop_run.h"

namespace {

std::string Joined(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) {
    if (!text.empty()) text += '\n';
    text += line;
  }
  return text;
}

}  // namespace

EStopRun::EStopRun(std::vector<std::string> lines) : EError(Joined(lines)), lines_(std::move(lines)) {}
