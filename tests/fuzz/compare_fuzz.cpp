// The natural comparison against its rule written as a cursor loop, its
// antisymmetry and transitivity and its equality key; and the line
// comparison of the line lists (locale collation): antisymmetry,
// transitivity, and agreement of its sort key and equality key with it.
#include <cstdint>
#include <string>

#include "common/collation.h"
#include "common/comparestring.h"
#include "common/stringlistcsv.h"
#include "common/strutil.h"
#include "tests/fuzz/fuzz_input.h"

namespace {

int RefNatural(const std::string& a0, const std::string& b0, bool caseSensitive) {
  if (a0.empty()) return b0.empty() ? 0 : -1;
  if (b0.empty()) return 1;
  const std::string a = caseSensitive ? a0 : AnsiLowerCase(a0);
  const std::string b = caseSensitive ? b0 : AnsiLowerCase(b0);
  auto at = [](const std::string& s, size_t i) -> int {
    return i < s.size() ? static_cast<unsigned char>(s[i]) : 0;  // the end reads as NUL
  };
  auto digit = [](int c) { return c >= '0' && c <= '9'; };
  size_t p = 0, q = 0;
  for (;;) {
    const int x = at(a, p), y = at(b, q);
    if (x == 0) return y == 0 ? 0 : -1;
    if (y == 0) return 1;
    if (digit(x) && !digit(y)) return -1;
    if (digit(y) && !digit(x)) return 1;
    if (!digit(x)) {
      if (x != y) return x < y ? -1 : 1;
      ++p;
      ++q;
      continue;
    }
    uint64_t n = 0, m = 0;
    size_t dn = 0, dm = 0;
    while (digit(at(a, p))) n = n * 10 + static_cast<uint64_t>(at(a, p++) - '0'), ++dn;
    while (digit(at(b, q))) m = m * 10 + static_cast<uint64_t>(at(b, q++) - '0'), ++dm;
    const int64_t sn = static_cast<int64_t>(n), sm = static_cast<int64_t>(m);
    if (sn != sm) return sn < sm ? -1 : 1;
    if (sn == 0 && dn != dm) return dn < dm ? -1 : 1;
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
