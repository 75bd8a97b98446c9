// String helpers and escape forms shared by both programs.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

#include "common/platform.h"  // ForceDir, ForceFileDir, FileExistsCI

// Replace-all that, when honour is on, leaves an occurrence preceded by a
// backslash in place and removes that one backslash instead.
void ReplaceEscaped(std::string& text, std::string_view find, std::string_view replacement,
                    bool honourBackslash);
// EscapeType: 0 hex, 1 \d \a, 2 \r \n (backslash-aware), 3 hex only,
// 4 <CR> <LF>, 5 &#13 &#10; ; other values behave like 0.
std::string EscapeText(const std::string& text, uint8_t escapeType, bool borderSpaces);
std::string UnescapeText(const std::string& text, uint8_t escapeType, bool borderSpaces);

void SwapWideBytes(std::u16string& units);
// Drops a leading U+FEFF; each unit encoded on its own.
std::string WideToUtf8(std::u16string units, bool bigEndian = false);
// Drops a leading EF BB BF when the text is longer than two bytes. Text that
// is not valid UTF-8 is taken byte per character.
std::u16string Utf8ToWide(std::string_view bytes, bool bigEndian = false);
