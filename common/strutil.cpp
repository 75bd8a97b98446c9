#include "common/strutil.h"

#include <algorithm>
#include <climits>
#include <cstring>

#include "common/casemap.h"

size_t Pos(std::string_view sub, std::string_view s, size_t from) {
  if (sub.empty() || from < 1 || from > s.size()) return 0;
  size_t p = s.find(sub, from - 1);
  return p == std::string_view::npos ? 0 : p + 1;
}

size_t LastPos(std::string_view sub, std::string_view s) {
  if (sub.empty() || sub.size() > s.size()) return 0;
  size_t p = s.rfind(sub);
  return p == std::string_view::npos ? 0 : p + 1;
}

std::string Copy(std::string_view s, long long start, long long count) {
  if (count <= 0) return std::string();
  if (start < 1) start = 1;
  if (start > static_cast<long long>(s.size())) return std::string();
  size_t from = static_cast<size_t>(start - 1);
  size_t n = std::min(static_cast<size_t>(count), s.size() - from);
  return std::string(s.substr(from, n));
}

void Delete(std::string& s, long long start, long long count) {
  if (count <= 0 || start < 1 || start > static_cast<long long>(s.size())) return;
  size_t from = static_cast<size_t>(start - 1);
  size_t n = std::min(static_cast<size_t>(count), s.size() - from);
  s.erase(from, n);
}

void Insert(std::string_view src, std::string& s, long long pos) {
  if (src.empty()) return;
  if (pos < 1) pos = 1;
  if (pos > static_cast<long long>(s.size()) + 1) pos = static_cast<long long>(s.size()) + 1;
  s.insert(static_cast<size_t>(pos - 1), src);
}

std::string ReplaceAll(std::string_view s, std::string_view find, std::string_view rep) {
  if (find.empty()) return std::string(s);
  std::string out;
  size_t start = 0;
  size_t p = s.find(find);
  if (p == std::string_view::npos) return std::string(s);
  out.reserve(s.size());
  while (p != std::string_view::npos) {
    out.append(s.data() + start, p - start);
    out.append(rep);
    start = p + find.size();
    p = s.find(find, start);
  }
  out.append(s.data() + start, s.size() - start);
  return out;
}

void ReplaceAllInPlace(std::string& s, std::string_view find, std::string_view rep) {
  if (find.empty() || s.find(find) == std::string::npos) return;
  s = ReplaceAll(s, find, rep);
}

std::string DeleteAll(std::string_view s, std::string_view find) { return ReplaceAll(s, find, ""); }

bool StartsWith(std::string_view s, std::string_view prefix) {
  return s.size() >= prefix.size() && s.compare(0, prefix.size(), prefix) == 0;
}

bool EndsWith(std::string_view s, std::string_view suffix) {
  return s.size() >= suffix.size() && s.compare(s.size() - suffix.size(), suffix.size(), suffix) == 0;
}

std::string LowerAscii(std::string_view s) {
  std::string out(s);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return out;
}

// Decodes one UTF-8 sequence at s[i]; returns its length (0 when invalid).
// Accepts the 3-byte forms of surrogate units.
static size_t DecodeOne(std::string_view s, size_t i, uint32_t& cp) {
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
    size_t n = DecodeOne(s, i, cp);
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
    size_t n = DecodeOne(s, i, cp);
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(cp));
    }
    i += n;
  }
  return true;
}

std::string EncodeUnitsUtf8(std::u16string_view units) {
  std::string out;
  out.reserve(units.size());
  for (char16_t u : units) {
    uint32_t c = u;
    if (c < 0x80) {
      out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (c >> 6)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xE0 | (c >> 12)));
      out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
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

static void AppendCodePointUtf8(std::string& out, uint32_t c) {
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

std::string AnsiLowerCase(std::string_view s) {
  bool ascii = true;
  for (unsigned char c : s)
    if (c >= 0x80) {
      ascii = false;
      break;
    }
  if (ascii) return LowerAscii(s);
  std::string out;
  out.reserve(s.size());
  if (IsValidUtf8(s)) {
    size_t i = 0;
    while (i < s.size()) {
      uint32_t cp;
      size_t n = DecodeOne(s, i, cp);
      // Surrogate units encoded on their own have no case; keep their bytes.
      if (cp >= 0xD800 && cp <= 0xDFFF) {
        out.append(s.substr(i, n));
      } else {
        AppendCodePointUtf8(out, SimpleLowerCase(cp));
      }
      i += n;
    }
  } else {
    // Byte per character: Latin-1 letters keep to one byte.
    for (unsigned char c : s) {
      uint32_t l = SimpleLowerCase(c);
      out.push_back(static_cast<char>(l <= 0xFF ? l : c));
    }
  }
  return out;
}

// Shared integer reader. Returns true when the whole text is a valid integer;
// value holds what was read up to the first bad character.
static bool ReadInt(std::string_view s, int32_t& value) {
  size_t i = 0;
  value = 0;
  while (i < s.size() && s[i] == ' ') ++i;
  bool neg = false;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
    neg = s[i] == '-';
    ++i;
  }
  bool hex = false;
  if (i < s.size() && (s[i] == '$' || s[i] == 'x' || s[i] == 'X')) {
    hex = true;
    ++i;
  } else if (i + 1 < s.size() && s[i] == '0' && (s[i + 1] == 'x' || s[i + 1] == 'X')) {
    hex = true;
    i += 2;
  }
  long long v = 0;
  size_t digits = 0;
  bool ok = true;
  for (; i < s.size(); ++i) {
    int d;
    char c = s[i];
    if (c >= '0' && c <= '9') {
      d = c - '0';
    } else if (hex && c >= 'a' && c <= 'f') {
      d = c - 'a' + 10;
    } else if (hex && c >= 'A' && c <= 'F') {
      d = c - 'A' + 10;
    } else {
      ok = false;
      break;
    }
    long long nv = v * (hex ? 16 : 10) + d;
    // Decimal values must fit a signed 32-bit integer; hexadecimal ones may
    // use all 32 bits.
    long long lim = hex ? 0xFFFFFFFFLL : (neg ? 2147483648LL : 2147483647LL);
    if (nv > lim) {
      ok = false;
      break;
    }
    v = nv;
    ++digits;
  }
  if (digits == 0) ok = false;
  long long r = neg ? -v : v;
  value = static_cast<int32_t>(static_cast<uint32_t>(static_cast<unsigned long long>(r)));
  return ok;
}

bool StrToIntStrict(std::string_view s, int32_t& value) {
  int32_t v;
  bool ok = ReadInt(s, v);
  if (ok) value = v;
  return ok;
}

bool StrToIntPartial(std::string_view s, int32_t& value) { return ReadInt(s, value); }

std::string IntToStr(long long v) { return std::to_string(v); }
