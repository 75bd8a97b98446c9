// Classic string operations with 1-based positions. They never throw:
// a search for an empty string finds nothing (0), a slice out of range is
// empty or stops at the end, a delete or insert out of range changes nothing.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

// Position (1-based) of the first occurrence of sub in s at or after from, 0 if none.
size_t Pos(std::string_view sub, std::string_view s, size_t from = 1);
// Position of the last occurrence of sub in s, 0 if none.
size_t LastPos(std::string_view sub, std::string_view s);
// count bytes of s starting at 1-based start.
std::string Copy(std::string_view s, long long start, long long count);
// Deletes count bytes at 1-based start.
void Delete(std::string& s, long long start, long long count);
// Inserts src into s so that it begins at 1-based pos (pos may be length+1).
void Insert(std::string_view src, std::string& s, long long pos);

// Replace every occurrence of find, left to right, never rescanning
// inserted text. An empty find changes nothing.
std::string ReplaceAll(std::string_view s, std::string_view find, std::string_view rep);
void ReplaceAllInPlace(std::string& s, std::string_view find, std::string_view rep);
// Delete every occurrence of find.
std::string DeleteAll(std::string_view s, std::string_view find);

bool StartsWith(std::string_view s, std::string_view prefix);
bool EndsWith(std::string_view s, std::string_view suffix);
// A-Z to a-z only.
std::string LowerAscii(std::string_view s);
// Lower-casing of the 8-bit text: as UTF-8 when valid, else byte per
// character (Latin-1); case mapping of the whole Unicode range.
std::string AnsiLowerCase(std::string_view s);

// Strict integer (script coordinates): leading spaces, optional sign, decimal
// or hex after "$", "x", "X", "0x", "0X"; nothing may follow; empty fails.
bool StrToIntStrict(std::string_view s, int32_t& value);
// Same syntax; on failure value holds what the digits read before the first
// bad character gave (0 when none). Returns whether the whole text was valid.
bool StrToIntPartial(std::string_view s, int32_t& value);

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

std::string IntToStr(long long v);
