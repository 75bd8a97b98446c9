#include "common/classic_string.h"

#include <algorithm>
#include <climits>
#include <cstring>

#include "common/casemap.h"
#include "common/utf16.h"

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
      size_t n = DecodeUtf8Char(s, i, cp);
      // Surrogate units encoded on their own have no case; keep their bytes.
      if (cp >= 0xD800 && cp <= 0xDFFF) {
        out.append(s.substr(i, n));
      } else {
        AppendUtf8(out, SimpleLowerCase(cp));
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
