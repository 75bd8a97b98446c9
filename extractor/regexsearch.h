// One-shot pattern searches: each call makes its own matcher with the
// options multi-line, dot-matches-all and ungreedy, runs one search and
// releases it. Offsets are 1-based; 0 means "not found".
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

// A search that PCRE2 ended with an error counts as not found; when
// searchError is given it receives PCRE2's error text (empty otherwise).

// Searches from the first byte of text. start is accepted for the callers'
// sake and ignored: every caller of this search wants the whole text.
bool RegexFind(std::string_view pattern, std::string_view text, int64_t& offset, int64_t start,
               std::string* searchError = nullptr);
// Searches from the 1-based position start (below 1 means 1).
bool RegexFindFrom(std::string_view pattern, std::string_view text, int64_t& offset, int64_t start,
                   std::string* searchError = nullptr);
// True when the pattern matches anywhere in text.
bool RegexTest(std::string_view pattern, std::string_view text, std::string* searchError = nullptr);
