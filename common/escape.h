// Escape forms of the line text, shared by both programs.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>


// Replace-all that, when honour is on, leaves an occurrence preceded by a
// backslash in place and removes that one backslash instead.
void ReplaceEscaped(std::string& text, std::string_view find, std::string_view replacement,
                    bool honourBackslash);
// EscapeType: 0 hex, 1 \d \a, 2 \r \n (backslash-aware), 3 hex only,
// 4 <CR> <LF>, 5 &#13 &#10; ; other values behave like 0.
std::string EscapeText(const std::string& text, uint8_t escapeType, bool borderSpaces);
std::string UnescapeText(const std::string& text, uint8_t escapeType, bool borderSpaces);
