// Natural order: runs of decimal digits compare by value.
#pragma once
#include <string_view>

int CompareNatural(std::string_view a, std::string_view b, bool caseSensitive);
inline int CompareNaturalText(std::string_view a, std::string_view b) {
  return CompareNatural(a, b, false);
}
inline int CompareNaturalStr(std::string_view a, std::string_view b) {
  return CompareNatural(a, b, true);
}
