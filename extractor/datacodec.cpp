#include "extractor/datacodec.h"

#include <cstdint>

#include "common/classic_string.h"
#include "common/utf16.h"

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
    // Every unit on its own, a second mark included.
    return EncodeUnitsUtf8(UnitsFromBytes(body, big));
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
      // Text that is not UTF-8 cannot be written back as UTF-16.
      std::u16string units;
      if (!DecodeToUtf16(text, units)) return false;
      out = big ? "\xFE\xFF" : "\xFF\xFE";
      out += BytesFromUnits(units, big);
      if (enc.hasOddByte) out.push_back(enc.oddByte);
      return true;
    }
  }
  return false;
}
