#include "common/collation.h"
#include "common/utf16.h"

#include <unicode/ucol.h>
#include <unicode/uloc.h>
#include <unicode/ustring.h>

#include <mutex>
#include <vector>

#include "common/strutil.h"

namespace {

struct Collators {
  UCollator* tertiary = nullptr;
  UCollator* secondary = nullptr;
};

const Collators& GetCollators() {
  static Collators c = [] {
    Collators r;
    UErrorCode st = U_ZERO_ERROR;
    // NULL takes ICU's default locale, which ICU reads from LC_ALL,
    // LC_MESSAGES or LANG.
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

bool IsAscii(std::string_view s) {
  for (unsigned char c : s)
    if (c >= 0x80) return false;
  return true;
}

// Full case folding of the decoded text; returns validity.
bool Fold(std::string_view s, std::u16string& out) {
  if (IsAscii(s)) {
    out.resize(s.size());
    for (size_t i = 0; i < s.size(); ++i) {
      char c = s[i];
      out[i] = static_cast<char16_t>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    }
    return true;
  }
  std::u16string dec;
  bool valid = DecodeToUtf16(s, dec);
  out.resize(dec.size() * 3 + 8);
  UErrorCode st = U_ZERO_ERROR;
  int32_t n = u_strFoldCase(reinterpret_cast<UChar*>(out.data()), static_cast<int32_t>(out.size()),
                            reinterpret_cast<const UChar*>(dec.data()), static_cast<int32_t>(dec.size()),
                            U_FOLD_CASE_DEFAULT, &st);
  if (st == U_BUFFER_OVERFLOW_ERROR) {
    out.resize(static_cast<size_t>(n));
    st = U_ZERO_ERROR;
    n = u_strFoldCase(reinterpret_cast<UChar*>(out.data()), n, reinterpret_cast<const UChar*>(dec.data()),
                      static_cast<int32_t>(dec.size()), U_FOLD_CASE_DEFAULT, &st);
  }
  if (U_FAILURE(st)) {
    out = dec;
  } else {
    out.resize(static_cast<size_t>(n));
  }
  return valid;
}

int Sign(int v) { return v < 0 ? -1 : (v > 0 ? 1 : 0); }

int Coll(const UCollator* c, const std::u16string& a, const std::u16string& b) {
  UCollationResult r = ucol_strcoll(c, reinterpret_cast<const UChar*>(a.data()), static_cast<int32_t>(a.size()),
                                    reinterpret_cast<const UChar*>(b.data()), static_cast<int32_t>(b.size()));
  return r == UCOL_LESS ? -1 : (r == UCOL_GREATER ? 1 : 0);
}

std::string IcuKey(const UCollator* c, const std::u16string& s) {
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

}  // namespace

int CompareLines(std::string_view a, std::string_view b, bool caseSensitive) {
  const Collators& c = GetCollators();
  if (caseSensitive) {
    if (a == b) return 0;
    std::u16string ua, ub;
    DecodeToUtf16(a, ua);
    DecodeToUtf16(b, ub);
    int r = Coll(c.tertiary, ua, ub);
    if (r != 0) return r;
    return Sign(a.compare(b));
  }
  std::u16string fa, fb;
  bool va = Fold(a, fa), vb = Fold(b, fb);
  if (fa == fb) return va == vb ? 0 : (va ? 1 : -1);
  int r = Coll(c.secondary, fa, fb);
  if (r != 0) return r;
  return fa < fb ? -1 : 1;
}

std::string CollationSortKey(std::string_view s, bool caseSensitive) {
  const Collators& c = GetCollators();
  if (caseSensitive) {
    std::u16string u;
    DecodeToUtf16(s, u);
    std::string key = IcuKey(c.tertiary, u);
    key.append(s);
    return key;
  }
  std::u16string f;
  bool valid = Fold(s, f);
  std::string key = IcuKey(c.secondary, f);
  // Tie-break: folded units in order (each as 01 hi lo, so a shorter text
  // sorts first), a 00 end mark, then validity.
  key.reserve(key.size() + f.size() * 3 + 2);
  for (char16_t u : f) {
    key.push_back('\x01');
    key.push_back(static_cast<char>(u >> 8));
    key.push_back(static_cast<char>(u & 0xFF));
  }
  key.push_back('\0');
  key.push_back(valid ? '\x01' : '\0');
  return key;
}

void AppendCaselessOrderKey(std::string_view s, std::string& out) {
  static thread_local std::u16string f;
  Fold(s, f);
  const UCollator* c = GetCollators().secondary;
  const size_t at = out.size();
  size_t room = f.size() * 4 + 16;
  for (;;) {
    out.resize(at + room);
    int32_t n = ucol_getSortKey(c, reinterpret_cast<const UChar*>(f.data()), static_cast<int32_t>(f.size()),
                                reinterpret_cast<uint8_t*>(out.data() + at), static_cast<int32_t>(room));
    if (static_cast<size_t>(n) <= room) {
      out.resize(at + static_cast<size_t>(n));  // includes the terminating 0
      return;
    }
    room = static_cast<size_t>(n);
  }
}

std::string EqualityKey(std::string_view s, bool caseSensitive) {
  if (caseSensitive) return std::string(s);
  std::u16string f;
  bool valid = Fold(s, f);
  std::string key(1, valid ? '\x01' : '\0');
  key += EncodeUnitsUtf8(f);
  return key;
}
