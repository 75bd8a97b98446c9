// The fast Levenshtein distance (bit-parallel kernel, bounded and batched
// forms) and the similarity search (single, prepared index, threaded
// batch) against the plain two-row table and the literal search loop,
// with cut lengths small enough that the cut of long lines is exercised.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "common/stringlist.h"
#include "optimizer/similar_lines.h"
#include "tests/fuzz/fuzz_input.h"

namespace {

// The two-row table over a buffer of 2 * (cut + 1) cells: lines that do not
// fit are cut to half - 1 = cut characters.
int PlainDistance(std::string a, std::string b, int bound, int cut) {
  const long long cells = 2LL * (cut + 1);
  if (cells < 2LL * (bound + 1)) {
    const long long half = cells / 2;
    if (static_cast<long long>(a.size()) > half - 1) a.resize(static_cast<size_t>(half - 1));
    if (static_cast<long long>(b.size()) > half - 1) b.resize(static_cast<size_t>(half - 1));
  }
  if (a.empty()) return static_cast<int>(b.size());
  if (b.empty()) return static_cast<int>(a.size());
  std::vector<int> prev(b.size() + 1), cur(b.size() + 1);
  for (size_t j = 0; j <= b.size(); ++j) prev[j] = static_cast<int>(j);
  for (size_t i = 1; i <= a.size(); ++i) {
    cur[0] = static_cast<int>(i);
    for (size_t j = 1; j <= b.size(); ++j) {
      const int cost = a[i - 1] == b[j - 1] ? 0 : 1;
      cur[j] = std::min({prev[j] + 1, cur[j - 1] + 1, prev[j - 1] + cost});
    }
    std::swap(prev, cur);
  }
  return prev[b.size()];
}

int PlainFind(const std::string& s, const std::vector<std::string>& list, int minLen, uint8_t percent,
              bool window, bool skipIdentical, int cut) {
  const int L = static_cast<int>(s.size());
  if (L < minLen) return -1;
  const int allowed = static_cast<int>(std::floor((100.0 - percent) * L / 100.0));
  const int lo = L - allowed, hi = L + allowed;
  int best = -1, limit = allowed;
  for (size_t i = 0; i < list.size(); ++i) {
    const std::string& line = list[i];
    const int n = static_cast<int>(line.size());
    if (line.empty() || n < minLen) continue;
    if (window && (n < lo || n > hi)) continue;
    const int d = PlainDistance(s, line, std::max(L, n), cut);
    if (d <= limit) {
      if (skipIdentical && line == s) continue;
      best = static_cast<int>(i);
      limit = d;
    }
  }
  return best;
}

// Lines of a small alphabet, with a share of long repeated lines.
std::string Line(FuzzInput& in, int maxLen) {
  static const char kAlphabet[] = "abcab ";
  const uint8_t kind = in.Byte();
  std::string s = in.Str(static_cast<size_t>(maxLen));
  if ((kind & 3) != 0)
    for (char& c : s) c = kAlphabet[static_cast<unsigned char>(c) % 6];
  if ((kind & 0x1C) == 0x1C && !s.empty()) {  // now and then a line of more than 64 bytes
    const std::string unit = s;
    while (s.size() < 150) s += unit;
  }
  return s;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzInput in(data, size);
  static const int kCuts[] = {0, 3, 8, 40, 64, 65, 100, 130};
  const int cutChoice = kCuts[in.Byte() % 8];
  const int cut = CutLengthFor(cutChoice);
  FUZZ_CHECK(cut == (cutChoice == 0 ? 65536 : cutChoice), "");

  // Distances of pairs.
  const std::string a = Line(in, 80), b = Line(in, 80);
  const int bound = static_cast<int>(std::max(a.size(), b.size()));
  const int plain = PlainDistance(a, b, bound, cut);
  FUZZ_CHECK(LevenshteinDistance(a, b, bound, cut) == plain, a + "|" + b);
  FUZZ_CHECK(LevenshteinDistance(b, a, bound, cut) == plain, a + "|" + b);
  TLevenshteinKernel kernel;
  kernel.SetPattern(a);
  const int full = PlainDistance(a, b, bound, 1 << 20);  // no cut
  FUZZ_CHECK(kernel.Distance(b) == full, a + "|" + b);
  const int limit = in.Int(-1, 40);
  const int within = kernel.Within(b, limit);
  if (limit < 0) {
    FUZZ_CHECK(within == 0, a + "|" + b);
  } else {
    FUZZ_CHECK(within == (full <= limit ? full : limit + 1), a + "|" + b);
  }

  // Searches over a list.
  std::vector<std::string> list(static_cast<size_t>(in.Int(0, 14)));
  for (auto& l : list) l = Line(in, 40);
  if (!list.empty() && in.Bool()) list.push_back(list[0]);  // repeated lines
  TStringList tl;
  tl.Assign(list);
  TSimilarIndex index(list, cut);
  std::vector<std::string> queries(static_cast<size_t>(in.Int(1, 4)));
  for (auto& q : queries) q = in.Bool() && !list.empty() ? list[static_cast<size_t>(in.Int(0, static_cast<int>(list.size()) - 1))] + Line(in, 3) : Line(in, 40);
  const int minLen = in.Int(0, 12);
  const uint8_t percent = static_cast<uint8_t>(in.Int(0, 130));
  const bool window = in.Bool(), skip = in.Bool();
  std::vector<int> expect;
  for (const auto& q : queries) {
    const int e = PlainFind(q, list, minLen, percent, window, skip, cut);
    expect.push_back(e);
    FUZZ_CHECK(FindSimilarLine(q, tl, minLen, percent, window, skip, cut) == e, q + "|" + FuzzJoin(list));
    TSimilarScratch scratch;
    FUZZ_CHECK(index.Find(q, minLen, percent, window, skip, scratch) == e, q + "|" + FuzzJoin(list));
  }
  FUZZ_CHECK(FindSimilarLines(queries, list, minLen, percent, window, skip, 2, cut) == expect, FuzzJoin(queries));
  return 0;
}
