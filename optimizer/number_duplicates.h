// Numbering of repeated lines (-add_numeration_double).
#pragma once
#include <string>
#include <vector>

#include "common/stringlist.h"
#include "optimizer/params.h"

// Every group of equal lines (byte for byte) with more than one member gets
// the endings "*1", "*2", ... in file order; single lines stay.
void NumberDuplicates(std::vector<std::string>& lines);
// The same on a line list when -add_numeration_double is on; otherwise nothing.
void NumberDuplicateLines(TStringList& list, const TParam& p);
