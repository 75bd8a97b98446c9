// Case mappings from tables generated out of Unicode's data files
// (scripts/gen-casetables.sh), for systems without ICU.
#include <algorithm>
#include <cstdint>
#include <iterator>

#include "common/casemap.h"
#include "common/utf16.h"

namespace {
#include "common/windows/casetables.inc"
}  // namespace

uint32_t SimpleLowerCase(uint32_t cp) {
  if (cp < 0x80) return cp >= 'A' && cp <= 'Z' ? cp - 'A' + 'a' : cp;
  auto it = std::lower_bound(std::begin(kLowerPairs), std::end(kLowerPairs), cp,
                             [](const LowerPair& p, uint32_t v) { return p.from < v; });
  return it != std::end(kLowerPairs) && it->from == cp ? it->to : cp;
}

void FullCaseFold(std::u16string_view in, std::u16string& out) {
  out.clear();
  out.reserve(in.size());
  for (size_t i = 0; i < in.size(); ++i) {
    uint32_t cp = in[i];
    size_t n = 1;
    if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < in.size() && in[i + 1] >= 0xDC00 && in[i + 1] <= 0xDFFF) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (in[i + 1] - 0xDC00);
      n = 2;
    }
    if (cp < 0x80) {
      out.push_back(static_cast<char16_t>(cp >= 'A' && cp <= 'Z' ? cp - 'A' + 'a' : cp));
      continue;
    }
    auto it = std::lower_bound(std::begin(kFoldEntries), std::end(kFoldEntries), cp,
                               [](const FoldEntry& e, uint32_t v) { return e.from < v; });
    if (it != std::end(kFoldEntries) && it->from == cp) {
      for (uint32_t t : it->to)
        if (t != 0) AppendUtf16(out, t);
    } else {
      out.append(in.substr(i, n));
    }
    i += n - 1;
  }
}
