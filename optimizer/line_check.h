// Check of translated lines (-check): what a translation must keep of its
// English line so that the game still reads it. A translation is compared
// with its English line for
//   escape       the escapes that korvane's export writes: \r \n \d \a \t,
//                \x with two hex digits, and a doubled backslash before one
//                of those letters (a literal backslash sequence);
//   format       printf-style specifiers such as %s, %5.2f, %1$d, %lld;
//   tag          XML/HTML-like tags such as <b>, </color>, <br/>;
//   placeholder  {...} and [...] without nested brackets;
//   blanks       the leading and the trailing run of blanks (space, TAB and
//                their escapes \x20, \x09, \t).
// Escapes, specifiers, tags and placeholders are compared as multisets: a
// translation may reorder them, but not lose or add one. The border runs
// are compared as they stand and are left out of the escape count.
#pragma once
#include <string>
#include <string_view>
#include <vector>

#include "optimizer/params.h"

struct TLineFinding {
  int Line = 0;        // 1-based line of the English and Russian files
  std::string Kind;    // "escape", "format", "tag", "placeholder", "blanks"
  std::string Detail;  // e.g. lost "\n", added "%s" (2 times)
};

// The findings of one translated line, in the order of the kinds above.
// A translation equal to its English line has none.
std::vector<TLineFinding> CheckLine(std::string_view en, std::string_view ru, int line);
// The findings of line-parallel files (en and ru of equal length).
std::vector<TLineFinding> CheckLines(const std::vector<std::string>& en, const std::vector<std::string>& ru);

// "line N: kind: detail"
std::string FormatFinding(const TLineFinding& f);
// Prints every finding (with the prefix "Warning: " when asWarnings) and the
// summary line "Check: F findings in L lines".
void PrintFindings(const std::vector<TLineFinding>& findings, bool asWarnings);

// Mode -check EN RU: prints the findings and the summary. Returns the exit
// status: 1 when anything was found or an input is missing or the files
// differ in length, 0 otherwise.
int RunCheck(const TParam& p);
