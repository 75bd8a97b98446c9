#include "extractor/datacodec.h"

#include <cstdint>

namespace {

void PutUnitUtf8(uint16_t u, std::string& out) {
  if (u < 0x80) {
    out.push_back(static_cast<char>(u));
  } else if (u < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (u >> 6)));
    out.push_back(static_cast<char>(0x80 | (u & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xE0 | (u >> 12)));
    out.push_back(static_cast<char>(0x80 | ((u >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (u & 0x3F)));
  }
}

void PutUnitBytes(uint16_t u, bool bigEndian, std::string& out) {
  char lo = static_cast<char>(u & 0xFF), hi = static_cast<char>(u >> 8);
  if (bigEndian) {
    out.push_back(hi);
    out.push_back(lo);
  } else {
    out.push_back(lo);
    out.push_back(hi);
  }
}

bool IsCont(unsigned char c) { return (c & 0xC0) == 0x80; }

// UTF-8 to UTF-16 units: three-byte forms of surrogate units decode to
// those units (the form the decoding produces); four-byte sequences become
// surrogate pairs. Overlong forms and stray bytes are refused.
bool DecodeUtf8Units(std::string_view s, bool bigEndian, std::string& out) {
  const size_t n = s.size();
  size_t i = 0;
  while (i < n) {
    const unsigned char c = static_cast<unsigned char>(s[i]);
    if (c < 0x80) {
      PutUnitBytes(c, bigEndian, out);
      i += 1;
    } else if (c >= 0xC2 && c <= 0xDF) {
      if (i + 1 >= n || !IsCont(static_cast<unsigned char>(s[i + 1]))) return false;
      PutUnitBytes(static_cast<uint16_t>(((c & 0x1F) << 6) | (s[i + 1] & 0x3F)), bigEndian, out);
      i += 2;
    } else if (c >= 0xE0 && c <= 0xEF) {
      if (i + 2 >= n) return false;
      const unsigned char c1 = static_cast<unsigned char>(s[i + 1]);
      const unsigned char c2 = static_cast<unsigned char>(s[i + 2]);
      if (!IsCont(c1) || !IsCont(c2) || (c == 0xE0 && c1 < 0xA0)) return false;
      PutUnitBytes(static_cast<uint16_t>(((c & 0x0F) << 12) | ((c1 & 0x3F) << 6) | (c2 & 0x3F)),
                   bigEndian, out);
      i += 3;
    } else if (c >= 0xF0 && c <= 0xF4) {
      if (i + 3 >= n) return false;
      const unsigned char c1 = static_cast<unsigned char>(s[i + 1]);
      const unsigned char c2 = static_cast<unsigned char>(s[i + 2]);
      const unsigned char c3 = static_cast<unsigned char>(s[i + 3]);
      if (!IsCont(c1) || !IsCont(c2) || !IsCont(c3)) return false;
      if ((c == 0xF0 && c1 < 0x90) || (c == 0xF4 && c1 > 0x8F)) return false;
      uint32_t cp = (static_cast<uint32_t>(c & 0x07) << 18) | ((c1 & 0x3Fu) << 12) |
                    ((c2 & 0x3Fu) << 6) | (c3 & 0x3Fu);
      cp -= 0x10000;
      PutUnitBytes(static_cast<uint16_t>(0xD800 | (cp >> 10)), bigEndian, out);
      PutUnitBytes(static_cast<uint16_t>(0xDC00 | (cp & 0x3FF)), bigEndian, out);
      i += 4;
    } else {
      return false;
    }
  }
  return true;
}

}  // namespace

std::string DecodeDataFile(std::string_view bytes, TDataEncoding& enc) {
  enc = TDataEncoding{};
  const auto b = [&](size_t i) { return static_cast<unsigned char>(bytes[i]); };
  if (bytes.size() >= 2 && ((b(0) == 0xFF && b(1) == 0xFE) || (b(0) == 0xFE && b(1) == 0xFF))) {
    const bool big = b(0) == 0xFE;
    enc.mark = big ? TDataMark::Utf16BE : TDataMark::Utf16LE;
    std::string_view body = bytes.substr(2);
    if (body.size() % 2 != 0) {
      enc.hasOddByte = true;
      enc.oddByte = body.back();
      body.remove_suffix(1);
    }
    std::string out;
    out.reserve(body.size() * 3 / 2);
    for (size_t i = 0; i + 1 < body.size(); i += 2) {
      const uint16_t lo = static_cast<unsigned char>(body[i]);
      const uint16_t hi = static_cast<unsigned char>(body[i + 1]);
      PutUnitUtf8(big ? static_cast<uint16_t>((lo << 8) | hi) : static_cast<uint16_t>((hi << 8) | lo),
                  out);
    }
    return out;
  }
  if (bytes.size() >= 3 && b(0) == 0xEF && b(1) == 0xBB && b(2) == 0xBF) {
    enc.mark = TDataMark::Utf8;
    return std::string(bytes.substr(3));
  }
  return std::string(bytes);
}

bool EncodeDataFile(std::string_view text, const TDataEncoding& enc, std::string& out) {
  out.clear();
  switch (enc.mark) {
    case TDataMark::None:
      out.assign(text);
      return true;
    case TDataMark::Utf8:
      out.reserve(text.size() + 3);
      out = "\xEF\xBB\xBF";
      out.append(text);
      return true;
    case TDataMark::Utf16LE:
    case TDataMark::Utf16BE: {
      const bool big = enc.mark == TDataMark::Utf16BE;
      out.reserve(text.size() * 2 + 3);
      out = big ? "\xFE\xFF" : "\xFF\xFE";
      if (!DecodeUtf8Units(text, big, out)) return false;
      if (enc.hasOddByte) out.push_back(enc.oddByte);
      return true;
    }
  }
  return false;
}
