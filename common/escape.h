// Escape forms of the line text, shared by both programs.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

// Replace-all that, when honour is on, leaves an occurrence preceded by a
// backslash in place and removes that one backslash instead.
void ReplaceEscaped(std::string& text, std::string_view find, std::string_view replacement,
                    bool honourBackslash);

// The escape forms of EscapeText and UnescapeText: how CR and LF are
// written. Every form but HexOnly then writes TAB as "\t" and every other
// byte 0..31 as "\x" and two upper-case hex digits. The numbers are those
// that stored settings use; any other number behaves like Hex.
enum class TEscapeForm : uint8_t {
  Hex = 0,              // CR and LF by the hex rule ("\x0D", "\x0A")
  OldBreaks = 1,        // CR "\d", LF "\a"
  BackslashBreaks = 2,  // CR "\r", LF "\n"; a break or notation after a backslash stays as it is and loses that backslash
  HexOnly = 3,          // every byte 0..31 by the hex rule, TAB too
  TagBreaks = 4,        // CR "<CR>", LF "<LF>"
  EntityBreaks = 5,     // CR "&#13", LF "&#10;"
};

// The notations of CR, LF and the pair CR LF in a form; all empty for the
// forms that write breaks by the hex rule.
struct TBreakEscapes {
  std::string_view cr, lf, crlf;
};
TBreakEscapes BreakEscapes(TEscapeForm form);

std::string EscapeText(const std::string& text, TEscapeForm form, bool borderSpaces);
std::string UnescapeText(const std::string& text, TEscapeForm form, bool borderSpaces);
