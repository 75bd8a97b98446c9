// Mode -co: every line that no kept line equals is cleared.
#pragma once
#include <string>
#include <vector>

// Every line equal to no line of keepEN and keepRU (case-sensitive collation
// equality, that is equal bytes) becomes empty.
void ClearOtherLines(std::vector<std::string>& lines, const std::vector<std::string>& keepEN,
                     const std::vector<std::string>& keepRU);
