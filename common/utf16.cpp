#include "common/utf16.h"

#include "common/classic_string.h"

size_t DecodeUtf8Char(std::string_view s, size_t i, uint32_t& cp) {
  unsigned char c = static_cast<unsigned char>(s[i]);
  if (c < 0x80) {
    cp = c;
    return 1;
  }
  size_t n;
  uint32_t min;
  if ((c & 0xE0) == 0xC0) {
    n = 2;
    cp = c & 0x1F;
    min = 0x80;
  } else if ((c & 0xF0) == 0xE0) {
    n = 3;
    cp = c & 0x0F;
    min = 0x800;
  } else if ((c & 0xF8) == 0xF0) {
    n = 4;
    cp = c & 0x07;
    min = 0x10000;
  } else {
    return 0;
  }
  if (i + n > s.size()) return 0;
  for (size_t k = 1; k < n; ++k) {
    unsigned char d = static_cast<unsigned char>(s[i + k]);
    if ((d & 0xC0) != 0x80) return 0;
    cp = (cp << 6) | (d & 0x3F);
  }
  if (cp < min || cp > 0x10FFFF) return 0;
  return n;
}

bool IsValidUtf8(std::string_view s) {
  size_t i = 0;
  // Fast path over ASCII.
  while (i < s.size()) {
    if (static_cast<unsigned char>(s[i]) < 0x80) {
      ++i;
      continue;
    }
    uint32_t cp;
    size_t n = DecodeUtf8Char(s, i, cp);
    if (n == 0) return false;
    i += n;
  }
  return true;
}

bool DecodeToUtf16(std::string_view s, std::u16string& out) {
  out.clear();
  out.reserve(s.size());
  bool valid = IsValidUtf8(s);
  if (!valid) {
    for (unsigned char c : s) out.push_back(static_cast<char16_t>(c));
    return false;
  }
  size_t i = 0;
  while (i < s.size()) {
    uint32_t cp;
    size_t n = DecodeUtf8Char(s, i, cp);
    AppendUtf16(out, cp);
    i += n;
  }
  return true;
}

void AppendUtf16(std::u16string& out, uint32_t c) {
  if (c >= 0x10000) {
    c -= 0x10000;
    out.push_back(static_cast<char16_t>(0xD800 + (c >> 10)));
    out.push_back(static_cast<char16_t>(0xDC00 + (c & 0x3FF)));
  } else {
    out.push_back(static_cast<char16_t>(c));
  }
}

void AppendUtf8(std::string& out, uint32_t c) {
  if (c < 0x80) {
    out.push_back(static_cast<char>(c));
  } else if (c < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (c >> 6)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else if (c < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (c >> 12)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (c >> 18)));
    out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  }
}

std::string EncodeUnitsUtf8(std::u16string_view units, bool joinPairs) {
  std::string out;
  out.reserve(units.size());
  for (size_t i = 0; i < units.size(); ++i) {
    uint32_t c = units[i];
    if (joinPairs && c >= 0xD800 && c < 0xDC00 && i + 1 < units.size() && units[i + 1] >= 0xDC00 &&
        units[i + 1] < 0xE000) {
      c = 0x10000 + ((c - 0xD800) << 10) + (units[i + 1] - 0xDC00);
      ++i;
    }
    AppendUtf8(out, c);
  }
  return out;
}

std::u16string UnitsFromBytes(std::string_view b, bool bigEndian) {
  std::u16string units(b.size() / 2, u'\0');
  for (size_t i = 0; i < units.size(); ++i) {
    unsigned char x = static_cast<unsigned char>(b[2 * i]);
    unsigned char y = static_cast<unsigned char>(b[2 * i + 1]);
    units[i] = static_cast<char16_t>(bigEndian ? (x << 8) | y : (y << 8) | x);
  }
  return units;
}

std::string BytesFromUnits(std::u16string_view units, bool bigEndian) {
  std::string out(units.size() * 2, '\0');
  for (size_t i = 0; i < units.size(); ++i) {
    char hi = static_cast<char>(units[i] >> 8), lo = static_cast<char>(units[i] & 0xFF);
    out[2 * i] = bigEndian ? hi : lo;
    out[2 * i + 1] = bigEndian ? lo : hi;
  }
  return out;
}

void SwapWideBytes(std::u16string& units) {
  for (char16_t& u : units) u = static_cast<char16_t>((u >> 8) | (u << 8));
}

std::string WideToUtf8(std::u16string units, bool bigEndian) {
  if (bigEndian) SwapWideBytes(units);
  std::u16string_view v(units);
  if (!v.empty() && v[0] == 0xFEFF) v.remove_prefix(1);
  return EncodeUnitsUtf8(v);
}

std::u16string Utf8ToWide(std::string_view bytes, bool bigEndian) {
  if (bytes.size() > 2 && StartsWith(bytes, "\xEF\xBB\xBF")) bytes.remove_prefix(3);
  std::u16string units;
  if (bytes.empty()) return units;
  DecodeToUtf16(bytes, units);
  if (bigEndian) SwapWideBytes(units);
  return units;
}
