#include "common/collation.h"
#include "common/utf16.h"

#include "common/casemap.h"
#include "common/collator.h"
#include "common/classic_string.h"

namespace {

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
  FullCaseFold(dec, out);
  return valid;
}

int Sign(int v) { return v < 0 ? -1 : (v > 0 ? 1 : 0); }

}  // namespace

int CompareLines(std::string_view a, std::string_view b, bool caseSensitive) {
  if (caseSensitive) {
    if (a == b) return 0;
    std::u16string ua, ub;
    DecodeToUtf16(a, ua);
    DecodeToUtf16(b, ub);
    int r = CollateUnits(ua, ub, true);
    if (r != 0) return r;
    return Sign(a.compare(b));
  }
  std::u16string fa, fb;
  bool va = Fold(a, fa), vb = Fold(b, fb);
  if (fa == fb) return va == vb ? 0 : (va ? 1 : -1);
  int r = CollateUnits(fa, fb, false);
  if (r != 0) return r;
  return fa < fb ? -1 : 1;
}

std::string CollationSortKey(std::string_view s, bool caseSensitive) {
  if (caseSensitive) {
    std::u16string u;
    DecodeToUtf16(s, u);
    std::string key = CollationKeyUnits(u, true);
    key.append(s);
    return key;
  }
  std::u16string f;
  bool valid = Fold(s, f);
  std::string key = CollationKeyUnits(f, false);
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
  AppendCollationKeyUnits(f, false, out);
}

std::string EqualityKey(std::string_view s, bool caseSensitive) {
  if (caseSensitive) return std::string(s);
  // ASCII folds to its bytes lowercased, which encode as themselves.
  if (IsAscii(s)) return '\x01' + LowerAscii(s);
  std::u16string f;
  bool valid = Fold(s, f);
  std::string key(1, valid ? '\x01' : '\0');
  key += EncodeUnitsUtf8(f);
  return key;
}
