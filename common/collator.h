// The user locale's collation of UTF-16 text, the part of line comparison
// that the system provides (ICU on POSIX systems, CompareStringEx and
// LCMapStringEx on Windows). Case-sensitive is the tertiary strength,
// case-ignoring the secondary one.
#pragma once
#include <string>
#include <string_view>

// -1, 0 or 1.
int CollateUnits(std::u16string_view a, std::u16string_view b, bool caseSensitive);
// Sort key whose byte order is CollateUnits' order. It ends with one 0 byte
// and holds no other, so bytes appended to it only order equal keys.
std::string CollationKeyUnits(std::u16string_view s, bool caseSensitive);
// CollationKeyUnits(s, caseSensitive) appended to out.
void AppendCollationKeyUnits(std::u16string_view s, bool caseSensitive, std::string& out);
