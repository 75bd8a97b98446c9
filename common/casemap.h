// Unicode case mappings of the whole code range, independent of any locale:
// ICU serves them on POSIX systems, tables generated from Unicode's data
// files on Windows.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

// Simple lower-case mapping of one code point (itself when it has none).
uint32_t SimpleLowerCase(uint32_t cp);
// Full case folding (the C and F mappings of CaseFolding.txt) of UTF-16 text;
// a surrogate pair folds as its code point, a lone surrogate is kept.
void FullCaseFold(std::u16string_view in, std::u16string& out);
