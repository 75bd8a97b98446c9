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

std::string CollationKeyUnits(std::u16string_view s, bool caseSensitive) {
  const UCollator* c = For(caseSensitive);
  std::string key(s.size() * 4 + 16, '\0');
  int32_t n = ucol_getSortKey(c, reinterpret_cast<const UChar*>(s.data()), static_cast<int32_t>(s.size()),
                              reinterpret_cast<uint8_t*>(key.data()), static_cast<int32_t>(key.size()));
  if (n > static_cast<int32_t>(key.size())) {
    key.resize(static_cast<size_t>(n));
    n = ucol_getSortKey(c, reinterpret_cast<const UChar*>(s.data()), static_cast<int32_t>(s.size()),
                        reinterpret_cast<uint8_t*>(key.data()), static_cast<int32_t>(key.size()));
  }
  key.resize(static_cast<size_t>(n));  // includes the terminating 0
  return key;
}
