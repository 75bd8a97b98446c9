// One-shot pattern searches: each call compiles the pattern with the
// options multi-line, dot-matches-all and ungreedy, runs one search and
// releases it. A pattern that does not compile raises EPerlRegExError.
#pragma once
#include <cstddef>
#include <string>
#include <string_view>

struct TRegexHit {
  bool found = false;
  size_t begin = 0;   // 0-based start of the match when found
  std::string error;  // PCRE2's text when an error ended the search (then not found)
};

// The first non-empty match in text at or after the 0-based offset start.
TRegexHit RegexSearch(std::string_view pattern, std::string_view text, size_t start = 0);
