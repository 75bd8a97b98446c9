// Cores of the split (-sd) and ordered recover (-rd) modes over plain
// vectors of lines; lines are compared byte for byte.
#pragma once
#include <string>
#include <string_view>
#include <vector>

// Splits lines into those that occur once (left in lines, in order) and
// every copy of every line that occurs more than once (returned, in order).
// Empty lines vanish from both.
std::vector<std::string> SplitDoubles(std::vector<std::string>& lines);
std::vector<std::string_view> SplitDoubles(std::vector<std::string_view>& lines);

// For every English line, in order, the index of the source line it
// replaces: the first source line at or after the search start that equals
// it; the start then moves just past that line. -1 for a miss (the start
// stays). Lines at or after the start are never replaced yet, so the
// original source lines are compared.
std::vector<int> MatchInOrder(const std::vector<std::string>& source,
                              const std::vector<std::string>& english);
std::vector<int> MatchInOrder(const std::vector<std::string_view>& source,
                              const std::vector<std::string_view>& english);

// The "_double.txt" companion of a file: its extension (from the last "."
// of the file name) replaced by "_double.txt", or "_double.txt" appended.
std::string DoubleFileName(const std::string& path);
