// Edit distance. Its results equal those of the plain two-row table for
// every pair of lines.
#include "optimizer/edit_distance.h"

#include <algorithm>
#include <climits>
#include <cstdlib>

#include "common/intmath.h"

int CutLengthFor(int maxLen) {
  const int len = maxLen == 0 ? kDefaultCutLength : maxLen;
  return len < 0 ? 0 : len;
}

std::string_view CutLine(std::string_view s, int cut) {
  return s.size() > static_cast<size_t>(cut) ? s.substr(0, static_cast<size_t>(cut)) : s;
}

int Min3(int a, int b, int c) { return std::min(a, std::min(b, c)); }

int LevenshteinDistance(const std::string& a, const std::string& b, int /*bound*/, int cut) {
  TLevenshteinKernel kernel;
  kernel.SetPattern(CutLine(a, cut));
  return kernel.Distance(CutLine(b, cut));
}

void TLevenshteinKernel::SetPattern(std::string_view pattern) {
  TPatternMasks& m = masks_;
  const int words = static_cast<int>((pattern.size() + 63) / 64);
  if (words != m.words || m.peq.size() != static_cast<size_t>(256) * words) {
    m.words = words;
    m.peq.assign(static_cast<size_t>(256) * words, 0);
    vp_.assign(words, 0);
    vn_.assign(words, 0);
    score_.assign(words, 0);
  } else {
    // Clear only the rows that the previous pattern set.
    for (unsigned char c : m.pattern) {
      uint64_t* row = &m.peq[static_cast<size_t>(c) * words];
      std::fill(row, row + words, 0);
    }
  }
  m.pattern.assign(pattern.data(), pattern.size());
  for (size_t i = 0; i < m.pattern.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(m.pattern[i]);
    m.peq[static_cast<size_t>(c) * words + i / 64] |= uint64_t{1} << (i % 64);
  }
}

int TLevenshteinKernel::Distance(std::string_view text) {
  int limit = static_cast<int>(std::max(masks_.pattern.size(), text.size()));
  return Within(text, limit);
}

namespace {

__extension__ typedef unsigned __int128 TWord128;

// The steps of Myers' algorithm for a pattern of one word: 64 bits, or 128
// for patterns of 65 to 128 bytes. Lines that reach the search's distance
// are mostly as far apart as the limit allows, so the block form's band and
// its bound seldom end such a distance early and cost more than they save.
template <class TWord>
int WithinOneWord(const TPatternMasks& masks, std::string_view text, int limit) {
  const int m = static_cast<int>(masks.pattern.size());
  const int n = static_cast<int>(text.size());
  const TWord mask = TWord{1} << (m - 1);
  TWord vp = ~TWord{0};
  TWord vn = 0;
  int score = m;  // D[m][j]
  const unsigned char* t = reinterpret_cast<const unsigned char*>(text.data());
  for (int j = 0; j < n; ++j) {
    TWord x;
    if constexpr (sizeof(TWord) == sizeof(uint64_t)) {
      x = masks.peq[t[j]];
    } else {
      const uint64_t* row = &masks.peq[static_cast<size_t>(t[j]) * 2];
      x = (TWord{row[1]} << 64) | row[0];
    }
    const TWord d0 = (((x & vp) + vp) ^ vp) | x | vn;
    TWord hp = vn | ~(d0 | vp);
    TWord hn = d0 & vp;
    score += (hp & mask) != 0;
    score -= (hn & mask) != 0;
    hp = (hp << 1) | 1;  // the top row grows by one per column
    hn <<= 1;
    vp = hn | ~(d0 | hp);
    vn = hp & d0;
    // The last row can fall by at most one per remaining column.
    if (score - (n - 1 - j) > limit) return limit + 1;
  }
  return score <= limit ? score : limit + 1;
}

}  // namespace

int TLevenshteinKernel::Within(std::string_view text, int limit) {
  if (limit < 0) return limit + 1;
  const long long m = static_cast<long long>(masks_.pattern.size());
  const long long n = static_cast<long long>(text.size());
  if (std::llabs(m - n) > limit) return limit + 1;
  if (m == 0) return static_cast<int>(n);
  if (n == 0) return static_cast<int>(m);
  if (masks_.words == 1) return WithinOneWord<uint64_t>(masks_, text, limit);
  if (masks_.words == 2) return WithinOneWord<TWord128>(masks_, text, limit);
  return WithinBlocks(text, limit);
}

int TLevenshteinKernel::WithinBlocks(std::string_view text, int limit) {
  const long long m = static_cast<long long>(masks_.pattern.size());
  const long long n = static_cast<long long>(text.size());
  const int words = masks_.words;
  const int lastBit = static_cast<int>((m - 1) % 64);
  // A cell (i, j) lies on a path of cost at most limit only when
  // |j - i| + |(n - j) - (m - i)| <= limit: its diagonal t = j - i lies in
  // [tlo, thi].
  const long long delta = n - m;
  const long long tlo = CeilDiv(delta - limit, 2);
  const long long thi = FloorDiv(delta + limit, 2);
  auto blockOfRow = [](long long row) { return static_cast<int>((row - 1) / 64); };
  auto bottomRow = [m](int w) { return std::min<long long>(64LL * (w + 1), m); };

  // Column 0: D[i][0] = i.
  int last = blockOfRow(std::min(m, 1 - tlo));
  for (int w = 0; w <= last; ++w) {
    vp_[w] = ~uint64_t{0};
    vn_[w] = 0;
    score_[w] = static_cast<int>(bottomRow(w));
  }
  const unsigned char* t = reinterpret_cast<const unsigned char*>(text.data());
  for (long long j = 1; j <= n; ++j) {
    const int first = blockOfRow(std::max<long long>(1, j - thi));
    const int newLast = blockOfRow(std::min(m, j - tlo));
    // A block entering the band at the bottom starts from the cell above it
    // plus one per row: never below the true values, which is all the cells
    // outside the band need.
    while (last < newLast) {
      ++last;
      vp_[last] = ~uint64_t{0};
      vn_[last] = 0;
      score_[last] = score_[last - 1] + static_cast<int>(bottomRow(last) - 64LL * last);
    }
    const uint64_t* row = &masks_.peq[static_cast<size_t>(t[j - 1]) * words];
    // Above the first block the horizontal difference is taken as +1, as on
    // the top row; the cells there lie outside the band.
    uint64_t hpIn = 1, hnIn = 0;
    for (int w = first; w <= last; ++w) {
      const uint64_t x = row[w] | hnIn;
      const uint64_t vp = vp_[w];
      const uint64_t vn = vn_[w];
      const uint64_t d0 = (((x & vp) + vp) ^ vp) | x | vn;
      uint64_t hp = vn | ~(d0 | vp);
      uint64_t hn = d0 & vp;
      const int bit = (w == words - 1) ? lastBit : 63;
      const uint64_t hpOut = (hp >> bit) & 1;
      const uint64_t hnOut = (hn >> bit) & 1;
      hp = (hp << 1) | hpIn;
      hn = (hn << 1) | hnIn;
      vp_[w] = hn | ~(d0 | hp);
      vn_[w] = hp & d0;
      score_[w] += static_cast<int>(hpOut) - static_cast<int>(hnOut);
      hpIn = hpOut;
      hnIn = hnOut;
    }
    // Every path of cost at most limit crosses this column inside the
    // active blocks; a cell of block w is at least its bottom value minus
    // its distance to the bottom, and the rest of the path costs at least
    // its distance to the final diagonal.
    const long long target = m - (n - j);
    long long best = LLONG_MAX;
    for (int w = first; w <= last; ++w) {
      const long long top = 64LL * w + 1;
      const long long bot = bottomRow(w);
      long long lb = score_[w] - (bot - top);
      if (target < top) {
        lb += top - target;
      } else if (target > bot) {
        lb += target - bot;
      }
      best = std::min(best, lb);
    }
    if (best > limit) return limit + 1;
  }
  const int d = score_[words - 1];
  return d <= limit ? d : limit + 1;
}
