// UTF-8 and UTF-16: validity, decoding to units and encoding back, one unit
// at a time as the line files and the data file of "-utf16" need them.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

// UTF-8 validity: standard sequences of 1 to 4 bytes, also the 3-byte forms
// of surrogate units (as produced by unit-by-unit conversion of UTF-16).
bool IsValidUtf8(std::string_view s);
// Decodes to UTF-16 units: valid UTF-8 as such (4-byte sequences as surrogate
// pairs), otherwise every byte as one character (Latin-1). Returns validity.
bool DecodeToUtf16(std::string_view s, std::u16string& out);
// Encodes UTF-16 units one by one (a surrogate unit gets its own 3 bytes).
// With joinPairs a high surrogate followed by a low one becomes the one
// 4-byte sequence of its character; unpaired surrogates keep their 3 bytes.
std::string EncodeUnitsUtf8(std::u16string_view units, bool joinPairs = false);
// UTF-16 units from bytes in the given order (an odd last byte is ignored),
// and back.
std::u16string UnitsFromBytes(std::string_view bytes, bool bigEndian);
std::string BytesFromUnits(std::u16string_view units, bool bigEndian);
// Decodes one UTF-8 sequence at s[i] into cp; returns its length (0 when
// invalid). Accepts the 3-byte forms of surrogate units.
size_t DecodeUtf8Char(std::string_view s, size_t i, uint32_t& cp);
// Appends the UTF-8 form of the code point c.
void AppendUtf8(std::string& out, uint32_t c);
// Appends the UTF-16 form of the code point c: one unit, or a surrogate
// pair above U+FFFF.
void AppendUtf16(std::u16string& out, uint32_t c);

void SwapWideBytes(std::u16string& units);
// Drops a leading U+FEFF; each unit encoded on its own.
std::string WideToUtf8(std::u16string units, bool bigEndian = false);
// Drops a leading EF BB BF when the text is longer than two bytes. Text that
// is not valid UTF-8 is taken byte per character.
std::u16string Utf8ToWide(std::string_view bytes, bool bigEndian = false);
