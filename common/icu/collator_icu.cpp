// Collation by ICU for its default locale, which ICU reads from LC_ALL,
// LC_MESSAGES or LANG.
#include "common/collator.h"

#include <unicode/ucol.h>
#include <unicode/uloc.h>

namespace {

struct Collators {
  UCollator* tertiary = nullptr;
  UCollator* secondary = nullptr;
};

const Collators& GetCollators() {
  static Collators c = [] {
    Collators r;
    UErrorCode st = U_ZERO_ERROR;
    r.tertiary = ucol_open(nullptr, &st);
    if (U_FAILURE(st) || !r.tertiary) {
      st = U_ZERO_ERROR;
      r.tertiary = ucol_open("", &st);
    }
    ucol_setStrength(r.tertiary, UCOL_TERTIARY);
    st = U_ZERO_ERROR;
    r.secondary = ucol_clone(r.tertiary, &st);
    ucol_setStrength(r.secondary, UCOL_SECONDARY);
    return r;
  }();
  return c;
}

const UCollator* For(bool caseSensitive) {
  const Collators& c = GetCollators();
  return caseSensitive ? c.tertiary : c.secondary;
}

}  // namespace

int CollateUnits(std::u16string_view a, std::u16string_view b, bool caseSensitive) {
  UCollationResult r =
      ucol_strcoll(For(caseSensitive), reinterpret_cast<const UChar*>(a.data()), static_cast<int32_t>(a.size()),
                   reinterpret_cast<const UChar*>(b.data()), static_cast<int32_t>(b.size()));
  return r == UCOL_LESS ? -1 : (r == UCOL_GREATER ? 1 : 0);
}

void AppendCollationKeyUnits(std::u16string_view s, bool caseSensitive, std::string& out) {
  const UCollator* c = For(caseSensitive);
  const size_t at = out.size();
  size_t room = s.size() * 4 + 16;
  for (;;) {
    out.resize(at + room);
    const int32_t n = ucol_getSortKey(c, reinterpret_cast<const UChar*>(s.data()), static_cast<int32_t>(s.size()),
                                      reinterpret_cast<uint8_t*>(out.data() + at), static_cast<int32_t>(room));
    if (static_cast<size_t>(n) <= room) {
      out.resize(at + static_cast<size_t>(n));  // includes the terminating 0
      return;
    }
    room = static_cast<size_t>(n);
  }
}

std::string CollationKeyUnits(std::u16string_view s, bool caseSensitive) {
  std::string key;
  AppendCollationKeyUnits(s, caseSensitive, key);
  return key;
}
