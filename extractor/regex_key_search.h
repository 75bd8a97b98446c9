// The replacement mode "-rep_reg" (without "-b"): for each line in order, the
// first match of the quoted key followed by the line's right pattern is
// searched from the start of the data text as changed so far. When there is
// one, the key's length of bytes there is replaced by the translation, or,
// with "-d", every occurrence of the key (left to right, non-overlapping).
// Two forms that give the same bytes and console lines: the plain loop, kept
// as the reference, and a near-linear one built on the tracked text.
#pragma once
#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "common/byte_parts.h"

struct TRegexKeyItem {
  std::string key;            // raw key bytes, searched as a literal
  std::string rightPattern;   // the right pattern of the line's entry
  std::string replacement;    // replaces the key's length of bytes at the match
};

// Called once per line, in order, after the line is done: whether it was
// found, and the warning line of a search that PCRE2 ended with an error
// (empty when none).
using TRegexLineReport = std::function<void(size_t line, bool found, const std::string& warning)>;

// What a found line changes.
enum class TRegexKeyEdit {
  kFirstPlace,  // the key's length of bytes at the match
  kEveryKey,    // every occurrence of the key ("-d")
};

// Both raise the matcher's error for a pattern that does not compile, after
// reporting the lines before it; the text is then left as it was.
void ReplaceRegexKeysLiteral(std::string& text, const std::vector<TRegexKeyItem>& items,
                             const TRegexLineReport& report, TRegexKeyEdit edit = TRegexKeyEdit::kFirstPlace);
void ReplaceRegexKeysFast(std::string& text, const std::vector<TRegexKeyItem>& items,
                          const TRegexLineReport& report, TRegexKeyEdit edit = TRegexKeyEdit::kFirstPlace);
// The fast form giving the parts of the new text: views of `text` and of the
// replacements, which must outlive them.
void ReplaceRegexKeysFast(std::string_view text, const std::vector<TRegexKeyItem>& items,
                          const TRegexLineReport& report, TRegexKeyEdit edit, TByteParts& out);

// True when every match of (quoted key) + rightPattern, for any non-empty
// key, is the key followed by a match of rightPattern on its own, anchored
// right after it, and the search for the first match tries the start
// positions one after the other: no top-level alternation, no leading
// quantifier, no backtracking verbs, no \K, \G, recursion into the whole
// pattern or extended-mode comments. Errs on the side of false.
bool IsIndependentTail(std::string_view rightPattern);

// The literal bytes that every match of an independent-tail right pattern
// begins with (possibly none): plain and escaped characters up to the first
// syntax or quantified character, or the whole content of a leading
// look-ahead that holds nothing else.
std::string LiteralHead(std::string_view rightPattern);
