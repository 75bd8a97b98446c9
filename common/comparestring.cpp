// Natural order: runs of decimal digits compare by their numeric value,
// every other byte by its unsigned value.
#include "common/comparestring.h"

#include <cstdint>
#include <string>

#include "common/classic_string.h"

namespace {

bool IsDigit(unsigned char c) { return c >= '0' && c <= '9'; }

// The compared part of a text: everything before its first NUL byte.
std::string_view UpToNul(std::string_view s) {
  size_t nul = s.find('\0');
  return nul == std::string_view::npos ? s : s.substr(0, nul);
}

// Reads the run of digits at s[pos]: its value (wrapping on overflow) and
// its length; pos moves past the run.
void ReadNumber(std::string_view s, size_t& pos, int64_t& value, size_t& digits) {
  uint64_t n = 0;
  size_t start = pos;
  while (pos < s.size() && IsDigit(static_cast<unsigned char>(s[pos]))) {
    n = n * 10u + static_cast<uint64_t>(s[pos] - '0');
    ++pos;
  }
  value = static_cast<int64_t>(n);
  digits = pos - start;
}

int CompareTexts(std::string_view a, std::string_view b) {
  a = UpToNul(a);
  b = UpToNul(b);
  size_t p = 0, q = 0;
  for (;;) {
    if (p >= a.size()) return q >= b.size() ? 0 : -1;
    if (q >= b.size()) return 1;
    unsigned char ca = static_cast<unsigned char>(a[p]);
    unsigned char cb = static_cast<unsigned char>(b[q]);
    bool da = IsDigit(ca), db = IsDigit(cb);
    if (da && !db) return -1;
    if (db && !da) return 1;
    if (!da) {
      if (ca != cb) return ca < cb ? -1 : 1;
      ++p;
      ++q;
      continue;
    }
    int64_t na = 0, nb = 0;
    size_t la = 0, lb = 0;
    ReadNumber(a, p, na, la);
    ReadNumber(b, q, nb, lb);
    if (na != nb) return na < nb ? -1 : 1;
    if (na == 0 && la != lb) return la < lb ? -1 : 1;
  }
}

}  // namespace

int CompareNatural(std::string_view a, std::string_view b, bool caseSensitive) {
  if (a.empty()) return b.empty() ? 0 : -1;
  if (b.empty()) return 1;
  if (caseSensitive) return CompareTexts(a, b);
  std::string la = AnsiLowerCase(a);
  std::string lb = AnsiLowerCase(b);
  return CompareTexts(la, lb);
}
