// The near-linear sequential replacement of korvane's default replace mode
// against its plain loop (search from the start of the text as changed so
// far, replace the key bytes of the first occurrence), on texts and search
// strings of a tiny alphabet so that occurrences overlap, straddle earlier
// replacements and exceed the automaton's anchor length.
#include <cstdint>
#include <string>
#include <vector>

#include "extractor/fast_replace.h"
#include "tests/fuzz/fuzz_input.h"

namespace {

// Maps bytes onto a small alphabet chosen by the input: mostly "ab".
std::string Small(std::string s, uint8_t alphabet) {
  static const char* kAlphabets[] = {"ab", "ab", "abc", "a", "ab\r\n", "aab"};
  const std::string al = kAlphabets[alphabet % 6];
  for (char& c : s) c = al[static_cast<unsigned char>(c) % al.size()];
  return s;
}

// A string of n bytes, repeating a short pattern from the input.
std::string Repeated(FuzzInput& in, uint8_t alphabet) {
  const std::string unit = Small(in.Str(4), alphabet);
  const int n = in.Int(0, 90);
  std::string s;
  if (unit.empty()) return s;
  while (static_cast<int>(s.size()) < n) s += unit;
  s.resize(static_cast<size_t>(n));
  return s;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzInput in(data, size);
  const uint8_t alphabet = in.Byte();
  std::vector<TReplaceItem> items(static_cast<size_t>(in.Int(0, 40)));
  for (TReplaceItem& it : items) {
    const uint8_t kind = in.Byte();
    it.search = (kind & 1) ? Repeated(in, alphabet) : Small(in.Str(12), alphabet);
    it.keyLen = it.search.empty() ? 0 : static_cast<size_t>(in.Int(0, static_cast<int>(it.search.size())));
    if (kind & 2) it.keyLen = it.search.size();
    it.replacement = (kind & 4) ? Repeated(in, alphabet) : Small(in.Str(12), alphabet);
  }
  std::string text = in.Rest(4096);
  text = Small(text, alphabet);
  // Long texts of a repeated unit now and then.
  if ((alphabet & 0x80) && text.size() > 8) {
    const std::string unit = text.substr(0, 1 + text[0] % 7);
    std::string big;
    while (big.size() < 3000) big += unit;
    text = big + text;
  }

  std::string plain = text, fast = text;
  const std::vector<bool> plainFound = ReplaceSequentialLiteral(plain, items);
  const std::vector<bool> fastFound = ReplaceSequentialFast(fast, items);
  FUZZ_CHECK(plainFound == fastFound, text);
  FUZZ_CHECK(plain == fast, text);
  return 0;
}
