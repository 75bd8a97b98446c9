// Sequential search-and-replace of translated lines in a data text (the
// default replacement mode of korvane), in two forms that give the same bytes:
// the plain loop, kept as the reference, and a near-linear one for game files
// of tens of megabytes and 10^5 lines.
#pragma once
#include <string>
#include <string_view>
#include <vector>

#include "common/byte_parts.h"

struct TReplaceItem {
  std::string search;       // key followed by the right part
  size_t keyLen;            // the first keyLen bytes of an occurrence are the key (keyLen <= search.size())
  std::string replacement;  // replaces the key bytes
};
// The same item over bytes kept elsewhere: the replacement keeps the bytes
// of 10^5 lines in a few blocks rather than two heap strings each.
struct TReplaceView {
  std::string_view search;
  size_t keyLen;
  std::string_view replacement;
};
std::vector<TReplaceView> ViewsOf(const std::vector<TReplaceItem>& items);
// For each item in order: find the first occurrence (leftmost, searching from the start) of `search` in the current text; an empty search is never found. If found at p, the keyLen bytes at p are replaced by `replacement` (the text grows or shrinks; the rest moves). Returns one found flag per item.
std::vector<bool> ReplaceSequentialLiteral(std::string& text, const std::vector<TReplaceItem>& items);
// Same result, byte for byte, in near-linear time, given as the parts of the
// new text (views of `text` and of the replacements, which must outlive them).
std::vector<bool> ReplaceSequentialFast(std::string_view text, const std::vector<TReplaceView>& items,
                                        TByteParts& out);
// The same with the text changed in place.
std::vector<bool> ReplaceSequentialFast(std::string& text, const std::vector<TReplaceItem>& items);

// The in-place form of an engine that gives the parts of the new text.
using TPartsEngine = std::vector<bool> (*)(std::string_view, const std::vector<TReplaceView>&, TByteParts&);
template <TPartsEngine engine>
std::vector<bool> ReplaceInPlace(std::string& text, const std::vector<TReplaceItem>& items) {
  TByteParts parts;
  std::vector<bool> found = engine(std::string_view(text), ViewsOf(items), parts);
  text = JoinParts(parts);
  return found;
}
