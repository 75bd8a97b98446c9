// Collation by the system's locale services for the user's default locale.
#include <windows.h>

#include "common/collator.h"

namespace {
DWORD Flags(bool caseSensitive) { return caseSensitive ? 0 : NORM_IGNORECASE; }

const wchar_t* Units(std::u16string_view s) { return reinterpret_cast<const wchar_t*>(s.data()); }
}  // namespace

int CollateUnits(std::u16string_view a, std::u16string_view b, bool caseSensitive) {
  if (a.empty() || b.empty()) return a.empty() == b.empty() ? 0 : (a.empty() ? -1 : 1);
  int r = ::CompareStringEx(LOCALE_NAME_USER_DEFAULT, Flags(caseSensitive), Units(a), static_cast<int>(a.size()),
                            Units(b), static_cast<int>(b.size()), nullptr, nullptr, 0);
  if (r == 0) return a < b ? -1 : (a == b ? 0 : 1);  // the system refused: order by units
  return r == CSTR_LESS_THAN ? -1 : (r == CSTR_GREATER_THAN ? 1 : 0);
}

std::string CollationKeyUnits(std::u16string_view s, bool caseSensitive) {
  // The system's keys end with one 0 byte; an empty text gets just that.
  if (s.empty()) return std::string(1, '\0');
  DWORD flags = LCMAP_SORTKEY | Flags(caseSensitive);
  int n = ::LCMapStringEx(LOCALE_NAME_USER_DEFAULT, flags, Units(s), static_cast<int>(s.size()), nullptr, 0,
                          nullptr, nullptr, 0);
  std::string key(static_cast<size_t>(n > 0 ? n : 0), '\0');
  if (n > 0)
    n = ::LCMapStringEx(LOCALE_NAME_USER_DEFAULT, flags, Units(s), static_cast<int>(s.size()),
                        reinterpret_cast<wchar_t*>(key.data()), n, nullptr, nullptr, 0);
  if (n <= 0) {
    // The system refused: the units themselves, high byte first, kept free
    // of 0 bytes so that the key still ends with its only 0.
    key.clear();
    for (char16_t u : s) {
      key.push_back(static_cast<char>(1 + (u >> 9)));
      key.push_back(static_cast<char>(1 + ((u >> 2) & 0x7F)));
      key.push_back(static_cast<char>(1 + (u & 0x3)));
    }
    key.push_back('\0');
    return key;
  }
  key.resize(static_cast<size_t>(n));
  return key;
}

void AppendCollationKeyUnits(std::u16string_view s, bool caseSensitive, std::string& out) {
  out += CollationKeyUnits(s, caseSensitive);
}
