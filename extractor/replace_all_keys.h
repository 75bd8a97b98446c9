// The replacement mode "-d": for each line in order, when its key followed by
// its right part occurs anywhere in the data text as changed so far, every
// occurrence of the key (left to right, non-overlapping) becomes the
// translation. Two forms that give the same bytes: the plain loop, kept as the
// reference, and a near-linear one built on the tracked text.
#pragma once
#include <string>
#include <vector>

#include "extractor/fast_replace.h"

// items[i].search is the key followed by the right part, its first keyLen
// bytes the key. Returns one found flag per item (an empty search is never
// found).
std::vector<bool> ReplaceAllKeysLiteral(std::string& text, const std::vector<TReplaceItem>& items);
// The near-linear form gives the parts of the new text (views of `text` and
// of the replacements, which must outlive them), or changes it in place.
std::vector<bool> ReplaceAllKeysFast(std::string_view text, const std::vector<TReplaceView>& items,
                                     TByteParts& out);
std::vector<bool> ReplaceAllKeysFast(std::string& text, const std::vector<TReplaceItem>& items);
