// The line passes of the mode -o, each in near-linear time and with exactly
// the result of the pairwise loops they stand for.
#pragma once
#include <string>
#include <vector>

#include "common/stringlist.h"
#include "optimizer/params.h"

// -o without -sort: keeps the first line of every group of equal keys
// (NormalizeLine) in its place and removes every later one. With
// LimitSymbols > 0 a line of at most that many bytes never removes others,
// but is removed by an earlier kept longer line with its key.
void RemoveRepeatedKeys(std::vector<std::string>& lines, const TParam& p);

// -o -sort: the lines sorted by the case-ignoring collation, one line kept
// of every group that the collation finds equal (the first in file order).
void SortUnique(TStringList& list);

// -o -hbs and -r -hbs: EscapeText in the Hex form, border spaces on.
std::string EscapeBorderHex(const std::string& line);
