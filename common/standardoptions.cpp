#include "common/standardoptions.h"

#include "common/platform.h"

#ifndef KV_VERSION
#error "KV_VERSION is set by the build from the project version"
#endif

const std::vector<std::string>& StandardOptionWords() {
  static const std::vector<std::string> words = {"--help", "-h", "--version"};
  return words;
}

std::string VersionLine(const std::string& program) { return program + " " + KV_VERSION; }

bool AnswerStandardOption(const std::vector<std::string>& args, const std::string& program,
                          const std::vector<std::string>& usage) {
  if (args.empty()) return false;
  const std::string& first = args[0];
  if (first == "--help" || first == "-h") {
    for (const std::string& line : usage) ConsoleLine(line);
    return true;
  }
  if (first == "--version") {
    ConsoleLine(VersionLine(program));
    return true;
  }
  return false;
}
