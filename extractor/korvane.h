// The whole run of korvane after the command line was read into args
// (args[0] is argument 1). Returns the exit status of an end the program
// decides itself; unhandled errors propagate to the caller.
#pragma once
#include <string>
#include <vector>

int RunKorvane(const std::vector<std::string>& args);
