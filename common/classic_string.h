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

std::string IntToStr(long long v);
