// The natural comparison against its rule written over token lists, its
// antisymmetry and transitivity and its equality key; and the line
// comparison of the line lists (locale collation): antisymmetry,
// transitivity, and agreement of its sort key and equality key with it.
#include <cstdint>
#include <string>
#include <vector>

#include "common/collation.h"
#include "common/comparestring.h"
#include "common/stringlistcsv.h"
#include "common/classic_string.h"
#include "tests/fuzz/fuzz_input.h"

namespace {

// The rule of the natural order on token lists: the text up to its first
// NUL byte cut into digit runs (compared by value, then a zero value with
// fewer digits first) and single other bytes; a digit run sorts before any
// other byte, and a list that ends first sorts first.
struct TToken {
  bool digits = false;
  int64_t value = 0;  // digit runs: the value, wrapping as 64-bit arithmetic does
  size_t width = 0;   // digit runs: the number of digits
  unsigned char byte = 0;
};

std::vector<TToken> Tokens(const std::string& s) {
  std::vector<TToken> out;
  const std::string text = s.substr(0, s.find('\0'));
  for (size_t i = 0; i < text.size();) {
    TToken t;
    if (text[i] >= '0' && text[i] <= '9') {
      t.digits = true;
      uint64_t v = 0;
      for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i, ++t.width) v = v * 10 + (text[i] - '0');
      t.value = static_cast<int64_t>(v);
    } else {
      t.byte = static_cast<unsigned char>(text[i++]);
    }
    out.push_back(t);
  }
  return out;
}

int RefNatural(const std::string& a0, const std::string& b0, bool caseSensitive) {
  if (a0.empty()) return b0.empty() ? 0 : -1;
  if (b0.empty()) return 1;
  const std::vector<TToken> a = Tokens(caseSensitive ? a0 : AnsiLowerCase(a0));
  const std::vector<TToken> b = Tokens(caseSensitive ? b0 : AnsiLowerCase(b0));
  for (size_t i = 0;; ++i) {
    if (i == a.size() || i == b.size()) return (i == a.size()) == (i == b.size()) ? 0 : (i == a.size() ? -1 : 1);
    const TToken& x = a[i];
    const TToken& y = b[i];
    if (x.digits != y.digits) return x.digits ? -1 : 1;
    if (!x.digits) {
      if (x.byte != y.byte) return x.byte < y.byte ? -1 : 1;
    } else if (x.value != y.value) {
      return x.value < y.value ? -1 : 1;
    } else if (x.value == 0 && x.width != y.width) {
      return x.width < y.width ? -1 : 1;
    }
  }
}

int Sign(int v) { return (v > 0) - (v < 0); }

// Digit runs of more than 18 digits wrap; their order is not relied on.
bool ShortRuns(const std::string& s) {
  size_t run = 0;
  for (char c : s) {
    run = (c >= '0' && c <= '9') ? run + 1 : 0;
    if (run > 18) return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzInput in(data, size);
  const std::string a = in.Str(64), b = in.Str(64), c = in.Str(64);
  const std::string all = a + "|" + b + "|" + c;

  for (bool cs : {true, false}) {
    const int ab = CompareNatural(a, b, cs), ba = CompareNatural(b, a, cs);
    FUZZ_CHECK(ab >= -1 && ab <= 1, all);
    FUZZ_CHECK(ab == RefNatural(a, b, cs), all);
    FUZZ_CHECK(ab == -ba, all);
    FUZZ_CHECK(CompareNatural(a, a, cs) == 0, all);
    if (ShortRuns(a) && ShortRuns(b) && ShortRuns(c)) {
      const int bc = CompareNatural(b, c, cs), ac = CompareNatural(a, c, cs);
      if (ab <= 0 && bc <= 0) FUZZ_CHECK(ac <= 0, all);
      if (ab == 0 && bc == 0) FUZZ_CHECK(ac == 0, all);
    }
  }
  FUZZ_CHECK(CompareNaturalStr(a, b) == CompareNatural(a, b, true), all);
  FUZZ_CHECK(CompareNaturalText(a, b) == CompareNatural(a, b, false), all);
  FUZZ_CHECK((NaturalEqualityKey(a) == NaturalEqualityKey(b)) == (CompareNaturalStr(a, b) == 0), all);

  for (bool cs : {true, false}) {
    const int ab = Sign(CompareLines(a, b, cs));
    FUZZ_CHECK(ab == -Sign(CompareLines(b, a, cs)), all);
    FUZZ_CHECK(CompareLines(a, a, cs) == 0, all);
    if (cs) FUZZ_CHECK((ab == 0) == (a == b), all);  // case-sensitive equality is equal bytes
    const int keys = Sign(CollationSortKey(a, cs).compare(CollationSortKey(b, cs)));
    FUZZ_CHECK(keys == ab, all);
    FUZZ_CHECK((EqualityKey(a, cs) == EqualityKey(b, cs)) == (ab == 0), all);
    const int bc = Sign(CompareLines(b, c, cs)), ac = Sign(CompareLines(a, c, cs));
    if (ab <= 0 && bc <= 0) FUZZ_CHECK(ac <= 0, all);
  }
  return 0;
}
