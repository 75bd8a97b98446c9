// The options that both programs answer the same way before they read their
// own command line: "--help" and "-h" print the usage text, "--version" the
// program name and version. Each counts only as the first argument.
#pragma once
#include <string>
#include <vector>

// The words of the standard options, for the option reference.
const std::vector<std::string>& StandardOptionWords();

// "korvane 1.0.0": the program name and the project version.
std::string VersionLine(const std::string& program);

// When the first argument is a standard option, prints its answer and
// returns true: the run then ends with kExitDone, without waiting for Enter.
bool AnswerStandardOption(const std::vector<std::string>& args, const std::string& program,
                          const std::vector<std::string>& usage);
