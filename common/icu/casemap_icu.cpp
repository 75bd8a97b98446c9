// Case mappings from ICU.
#include "common/casemap.h"

#include <unicode/uchar.h>
#include <unicode/ustring.h>

uint32_t SimpleLowerCase(uint32_t cp) { return static_cast<uint32_t>(u_tolower(static_cast<UChar32>(cp))); }

void FullCaseFold(std::u16string_view in, std::u16string& out) {
  out.resize(in.size() * 3 + 8);
  UErrorCode st = U_ZERO_ERROR;
  int32_t n = u_strFoldCase(reinterpret_cast<UChar*>(out.data()), static_cast<int32_t>(out.size()),
                            reinterpret_cast<const UChar*>(in.data()), static_cast<int32_t>(in.size()),
                            U_FOLD_CASE_DEFAULT, &st);
  if (st == U_BUFFER_OVERFLOW_ERROR) {
    out.resize(static_cast<size_t>(n));
    st = U_ZERO_ERROR;
    n = u_strFoldCase(reinterpret_cast<UChar*>(out.data()), n, reinterpret_cast<const UChar*>(in.data()),
                      static_cast<int32_t>(in.size()), U_FOLD_CASE_DEFAULT, &st);
  }
  if (U_FAILURE(st)) {
    out.assign(in);
  } else {
    out.resize(static_cast<size_t>(n));
  }
}
