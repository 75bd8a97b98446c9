// Line comparison under the collation of the user's default locale (ICU,
// locale from LC_ALL / LC_MESSAGES / LANG). A line is decoded as UTF-8 when
// valid, else byte per character.
//  - case-sensitive: tertiary strength, ties ordered by bytes; equal means
//    equal bytes;
//  - case-ignoring: secondary strength over the case-folded text, ties by the
//    folded bytes and then by UTF-8 validity; equal means the same folding
//    and the same validity.
#pragma once
#include <string>
#include <string_view>

int CompareLines(std::string_view a, std::string_view b, bool caseSensitive);
// Byte key whose plain byte order equals CompareLines' order.
std::string CollationSortKey(std::string_view s, bool caseSensitive);
// Appends the collation's own key of the case-folded line (no tie-break,
// ends with a 0 byte, so no key is a prefix of another). Where two such keys
// differ their byte order is CompareLines(a, b, false)'s order; where they are
// equal, CompareLines decides. Shorter than CollationSortKey(s, false).
void AppendCaselessOrderKey(std::string_view s, std::string& out);
// Key whose byte equality equals CompareLines(...) == 0: the bytes themselves
// (case-sensitive) or validity flag + full case folding (case-ignoring).
std::string EqualityKey(std::string_view s, bool caseSensitive);
