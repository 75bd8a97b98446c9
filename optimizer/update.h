// Core of the update mode (-u), over plain vectors of comparison keys so
// that it can be checked against the literal scan.
#pragma once
#include <string>
#include <string_view>
#include <vector>

#include "optimizer/params.h"

// For every old English key, in order, the index of the new line it claims:
// the earliest new line with an equal key (byte for byte) that no earlier old
// key has claimed; -1 when there is none. Same result as scanning the new
// lines from the first for every old key and skipping claimed ones, in time
// linear in the number of lines (a queue of free indexes per key).
std::vector<int> ClaimNewLines(const std::vector<std::string_view>& newKeys,
                               const std::vector<std::string_view>& oldKeys);

// Comparison keys (NormalizeLine) of a list of lines. When no option changes
// a key, the keys are views of the lines themselves and nothing is copied;
// otherwise they view the normalised copies held in owned.
std::vector<std::string_view> LineKeys(const std::vector<std::string>& lines, const TParam& p,
                                       std::vector<std::string>& owned);

// The update of the new lines: every English line that claims a new line
// puts its Russian line there. Returns, per English line, the index of the
// new line it updated or -1 (a miss). en and ru must have equal sizes; the
// Russian lines move into place.
std::vector<int> UpdateLines(std::vector<std::string>& newLines, const std::vector<std::string>& en,
                             std::vector<std::string> ru, const TParam& p);
