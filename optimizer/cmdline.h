// The command line of velloran: usage text, reading the arguments into
// TParam, the default files, the input checks and the choice of the mode.
#pragma once
#include <string>
#include <vector>

#include "optimizer/params.h"

// The usage text, one console line per entry.
const std::vector<std::string>& VelloranUsageLines();

// Every option word of velloran (modes and options), as the parser
// compares them.
const std::vector<std::string>& VelloranOptionWords();

// Reads the arguments (without the program name) into p. Messages to print
// are appended to messages in order. Returns false when the run must end at
// once ("-addoldenru" without its three files).
bool ParseArguments(const std::vector<std::string>& args, TParam& p,
                    std::vector<std::string>& messages);

// The source must exist; then the default English, Russian and output files
// are filled in and all four paths are expanded. Returns false (with the
// "Not find file: " message) when the source is missing.
bool ResolveFiles(TParam& p, std::vector<std::string>& messages);

// The existence checks of the modes -r, -rd and -u. Returns false with the
// messages to print when a file is missing.
bool CheckInputs(const TParam& p, std::vector<std::string>& messages);

// Runs the one mode that p.Mode names; returns the exit status.
int RunMode(const TParam& p);

// -topo, -frompo and -check name every file on the command line: they use
// no default folders and end with their own exit status.
bool NamesItsFiles(TMode mode);
int RunWithGivenFiles(const TParam& p);

// The whole program after the start: usage, parsing, files, checks, mode.
// Returns the exit status.
int VelloranMain(const std::vector<std::string>& args);
