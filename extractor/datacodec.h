// Whole-file decoding and encoding of the data file for "-utf16".
// Behind FF FE or FE FF the UTF-16 units become UTF-8 one unit at a time
// (a surrogate unit gets its own three bytes); behind EF BB BF the mark is
// recorded and removed; anything else is taken as it is. Nothing is split
// into lines, so line breaks and NUL characters survive, and an unchanged
// text encodes back to the very same bytes.
#pragma once
#include <string>
#include <string_view>

enum class TDataMark { None, Utf8, Utf16LE, Utf16BE };

struct TDataEncoding {
  TDataMark mark = TDataMark::None;
  bool hasOddByte = false;  // UTF-16 file of odd length: its last byte, kept aside
  char oddByte = 0;
};

std::string DecodeDataFile(std::string_view bytes, TDataEncoding& enc);
// False when the text cannot be written in the encoding (not UTF-8 where
// UTF-16 is to be written); out is then unspecified.
bool EncodeDataFile(std::string_view text, const TDataEncoding& enc, std::string& out);
