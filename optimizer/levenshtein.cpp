// Similarity search. The distance engine is the bit-parallel algorithm of
// Myers in the block form (64 rows of the distance table per machine word),
// restricted to the diagonal band that a distance within the limit can use,
// and abandoned as soon as no cell of the current column can still lead to a
// distance within the limit. Its results equal those of the plain two-row
// table for every pair of lines.
//
// A search over a prepared list visits candidates so that the limit tightens
// early (an equal line, the neighbours in sorted orders, then lengths ever
// farther from the searched one) and rules most of them out by bounds that
// cost far less than a distance: the length difference, the byte-histogram
// difference, and max(len) minus the longest common subsequence, computed
// bit-parallel for eight lines at once where the processor allows.
#include "optimizer/levenshtein.h"

#include <algorithm>
#include <atomic>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <mutex>
#include <numeric>
#include <thread>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#endif

namespace {

constexpr int kDefaultCut = 65536;
// Longest pattern, in words, of the vector form of the batch bound.
constexpr int kMaxBatchWords = 16;
bool VectorBatchAvailable();
// Number of leading characters that take part in a distance. Set by
// InitLevenshteinBuffer; until then the default length applies.
int g_cut = kDefaultCut;

std::string_view CutLine(std::string_view s, int cut) {
  return s.size() > static_cast<size_t>(cut) ? s.substr(0, static_cast<size_t>(cut)) : s;
}

long long FloorDiv(long long a, long long b) {
  long long q = a / b;
  if ((a % b != 0) && ((a < 0) != (b < 0))) --q;
  return q;
}

long long CeilDiv(long long a, long long b) { return -FloorDiv(-a, b); }

// Order of the reversed strings.
bool ReversedLess(std::string_view a, std::string_view b) {
  return std::lexicographical_compare(a.rbegin(), a.rend(), b.rbegin(), b.rend());
}

// Neighbours searched on each side of a line in the two orders.
constexpr int kSeedNeighbours = 3;

}  // namespace

void InitLevenshteinBuffer(int maxLen) {
  // The buffer of 2 * (L + 1) cells lets lines of up to L characters take
  // part whole; a length below zero leaves no room for any character.
  int len = maxLen == 0 ? kDefaultCut : maxLen;
  g_cut = len < 0 ? 0 : len;
}

int LevenshteinCutLength() { return g_cut; }

int Min3(int a, int b, int c) { return std::min(a, std::min(b, c)); }

long long SimilarAllowance(long long len, int percent) {
  return FloorDiv((100LL - percent) * len, 100);
}

// ---------------------------------------------------------------------------
// Kernel

#if defined(__x86_64__) && defined(__GNUC__)
using TVec512 = __m512i;
#else
struct TVec512 {
  uint64_t q[8];
};
#endif

// The pattern's masks for the vector form of the batch bound.
struct TBatchTables {
  alignas(64) uint8_t codeOf[256] = {};  // byte -> code, 0 for bytes absent from the pattern
  int codeGroups = 0;  // groups of 16 codes in use (1-4), 0 when the byte table serves
  std::vector<uint64_t> byCodeStore;
  const TVec512* byCode = nullptr;  // per word 8 registers: the masks of codes 0-63
  std::vector<uint64_t> byByteStore;
  const uint64_t* byByte = nullptr;  // per word the masks of bytes 0-255
};

TLevenshteinKernel::TLevenshteinKernel() = default;
TLevenshteinKernel::~TLevenshteinKernel() = default;

void TLevenshteinKernel::SetPattern(std::string_view pattern) {
  const int words = static_cast<int>((pattern.size() + 63) / 64);
  if (words != words_ || peq_.size() != static_cast<size_t>(256) * words) {
    words_ = words;
    peq_.assign(static_cast<size_t>(256) * words_, 0);
    vp_.assign(words_, 0);
    vn_.assign(words_, 0);
    score_.assign(words_, 0);
  } else {
    // Clear only the rows that the previous pattern set.
    for (unsigned char c : pattern_) {
      uint64_t* row = &peq_[static_cast<size_t>(c) * words_];
      std::fill(row, row + words_, 0);
    }
  }
  pattern_.assign(pattern.data(), pattern.size());
  for (size_t i = 0; i < pattern_.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(pattern_[i]);
    peq_[static_cast<size_t>(c) * words_ + i / 64] |= uint64_t{1} << (i % 64);
  }
  batchReady_ = VectorBatchAvailable() && words_ >= 1 && words_ <= kMaxBatchWords;
  if (batchReady_) {
    if (!batch_) batch_ = std::make_unique<TBatchTables>();
    TBatchTables& b = *batch_;
    // Codes 1.. for the distinct bytes of the pattern, 0 for all others.
    int codes = 1;
    std::memset(b.codeOf, 0, sizeof(b.codeOf));
    for (unsigned char c : pattern_) {
      if (b.codeOf[c] == 0 && codes < 256) b.codeOf[c] = static_cast<uint8_t>(codes++);
    }
    if (codes <= 64) {
      b.codeGroups = (codes + 15) / 16;
      b.byCodeStore.assign(static_cast<size_t>(words_) * 8 * 8 + 8, 0);
      // 64-byte aligned start inside the store.
      uint64_t* t = b.byCodeStore.data();
      while (reinterpret_cast<uintptr_t>(t) % 64 != 0) ++t;
      for (int c = 0; c < 256; ++c) {
        if (b.codeOf[c] == 0) continue;
        for (int w = 0; w < words_; ++w) t[static_cast<size_t>(w) * 64 + b.codeOf[c]] = peq_[static_cast<size_t>(c) * words_ + w];
      }
      b.byCode = reinterpret_cast<const TVec512*>(t);
    } else {
      b.codeGroups = 0;
      b.byByteStore.resize(static_cast<size_t>(256) * words_);
      for (int w = 0; w < words_; ++w) {
        for (int c = 0; c < 256; ++c) b.byByteStore[static_cast<size_t>(w) * 256 + c] = peq_[static_cast<size_t>(c) * words_ + w];
      }
      b.byByte = b.byByteStore.data();
    }
  }
}

int TLevenshteinKernel::Distance(std::string_view text) {
  int limit = static_cast<int>(std::max(pattern_.size(), text.size()));
  return Within(text, limit);
}

int TLevenshteinKernel::Within(std::string_view text, int limit) {
  if (limit < 0) return limit + 1;
  const long long m = static_cast<long long>(pattern_.size());
  const long long n = static_cast<long long>(text.size());
  if (std::llabs(m - n) > limit) return limit + 1;
  if (m == 0) return static_cast<int>(n);
  if (n == 0) return static_cast<int>(m);
  if (words_ == 1) return WithinSingle(text, limit);
  return WithinBlocks(text, limit);
}

int TLevenshteinKernel::WithinSingle(std::string_view text, int limit) const {
  const int m = static_cast<int>(pattern_.size());
  const int n = static_cast<int>(text.size());
  const uint64_t mask = uint64_t{1} << (m - 1);
  uint64_t vp = ~uint64_t{0};
  uint64_t vn = 0;
  int score = m;  // D[m][j]
  const unsigned char* t = reinterpret_cast<const unsigned char*>(text.data());
  for (int j = 0; j < n; ++j) {
    const uint64_t x = peq_[t[j]];
    const uint64_t d0 = (((x & vp) + vp) ^ vp) | x | vn;
    uint64_t hp = vn | ~(d0 | vp);
    uint64_t hn = d0 & vp;
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

int TLevenshteinKernel::WithinBlocks(std::string_view text, int limit) {
  const long long m = static_cast<long long>(pattern_.size());
  const long long n = static_cast<long long>(text.size());
  const int words = words_;
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
    const uint64_t* row = &peq_[static_cast<size_t>(t[j - 1]) * words];
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

namespace {

// Zero bits among the first rows bits of the words v: the length of the
// longest common subsequence of the first rows pattern characters and the
// text read so far.
inline int PrefixZeros(const uint64_t* v, int rows) {
  int z = 0;
  for (int w = 0; rows > 0; ++w, rows -= 64) {
    const uint64_t bits = rows >= 64 ? ~uint64_t{0} : ((uint64_t{1} << rows) - 1);
    z += __builtin_popcountll(~v[w] & bits);
  }
  return z;
}

// The longest common subsequence by the bit-parallel method:
// V' = (V + (V & M)) | (V & ~M), the zero bits of V below row i giving
// L(i, j) for the pattern's first i characters and the text's first j.
// Every 8 columns: L(m, j) >= need settles "not below"; and since
// LCS <= L(i0, j) + (n - j) with i0 = m - n + j (no row gives more), a
// value below need settles "below".
template <int W>
inline bool LcsBelowWords(const uint64_t* peq, int words, int m, const unsigned char* t, int n, int need,
                          uint64_t* scratch) {
  const int nw = W > 0 ? W : words;
  uint64_t local[W > 0 ? W : 1];
  uint64_t* v = W > 0 ? local : scratch;
  for (int w = 0; w < nw; ++w) v[w] = ~uint64_t{0};
  for (int j = 0; j < n; ++j) {
    const uint64_t* row = peq + static_cast<size_t>(t[j]) * nw;
    uint64_t carry = 0;
    for (int w = 0; w < nw; ++w) {
      const uint64_t vw = v[w];
      const uint64_t u = vw & row[w];
      const uint64_t sum = vw + u;
      const uint64_t sum2 = sum + carry;
      carry = static_cast<uint64_t>(sum < vw) | static_cast<uint64_t>(sum2 < sum);
      v[w] = sum2 | (vw - u);
    }
    if ((j & 7) == 7) {
      const int done = j + 1;
      if (PrefixZeros(v, m) >= need) return false;
      const int i0 = m - n + done;
      if (i0 > 0 && PrefixZeros(v, i0) + (n - done) < need) return true;
    }
  }
  return PrefixZeros(v, m) < need;
}

#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__) && defined(__ELF__)
// A copy for processors with popcnt and the newer instructions, chosen when
// the program starts (an ELF feature: ifunc).
__attribute__((target_clones("default", "arch=x86-64-v3")))
#endif
bool LcsBelowDispatch(const uint64_t* peq, int words, int m, const unsigned char* t, int n, int need,
                      uint64_t* scratch) {
  switch (words) {
    case 1: return LcsBelowWords<1>(peq, words, m, t, n, need, scratch);
    case 2: return LcsBelowWords<2>(peq, words, m, t, n, need, scratch);
    case 3: return LcsBelowWords<3>(peq, words, m, t, n, need, scratch);
    case 4: return LcsBelowWords<4>(peq, words, m, t, n, need, scratch);
    case 5: return LcsBelowWords<5>(peq, words, m, t, n, need, scratch);
    case 6: return LcsBelowWords<6>(peq, words, m, t, n, need, scratch);
    case 7: return LcsBelowWords<7>(peq, words, m, t, n, need, scratch);
    case 8: return LcsBelowWords<8>(peq, words, m, t, n, need, scratch);
    default: return LcsBelowWords<0>(peq, words, m, t, n, need, scratch);
  }
}

}  // namespace

namespace {

#if defined(__x86_64__) && defined(__GNUC__)
#define KV_VECTOR_BATCH 1

// Common-subsequence lengths of the first rows pattern characters, per lane.
#define KV_AVX512_TARGET "avx512f,avx512bw,avx512vbmi,avx512vpopcntdq"
__attribute__((target(KV_AVX512_TARGET), always_inline)) inline __m512i LaneZeros(const __m512i* v, int rows) {
  __m512i acc = _mm512_setzero_si512();
  const __m512i ones = _mm512_set1_epi64(-1);
  for (int w = 0; rows > 0; ++w, rows -= 64) {
    __m512i x = _mm512_andnot_si512(v[w], ones);
    if (rows < 64) x = _mm512_and_si512(x, _mm512_set1_epi64(static_cast<long long>((uint64_t{1} << rows) - 1)));
    acc = _mm512_add_epi64(acc, _mm512_popcnt_epi64(x));
  }
  return acc;
}

// LcsBelowWords for eight texts of one length n, one per 64-bit lane; the
// rules for settling a lane early are the same. The pattern masks of a
// text byte come either from the 256-entry table by a gather, or, when the
// pattern has fewer than 64 distinct bytes, by translating the bytes to
// small codes (0 for bytes absent from the pattern) and selecting from the
// code tables held in registers. (GCC 12 reports the undefined start values
// inside its own intrinsics as maybe uninitialized.)
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif
template <bool kCodes>
__attribute__((target(KV_AVX512_TARGET))) uint32_t LcsBelowBatch512(const TBatchTables& tables, int words, int m,
                                                                   const std::string_view* texts, int count,
                                                                   const int* need) {
  const int n = static_cast<int>(texts[0].size());
  __m512i v[kMaxBatchWords];
  for (int w = 0; w < words; ++w) v[w] = _mm512_set1_epi64(-1);
  alignas(64) long long offset[8];
  alignas(64) long long needs[8];
  const uintptr_t base = reinterpret_cast<uintptr_t>(texts[0].data());
  for (int l = 0; l < 8; ++l) {
    const std::string_view& tx = texts[l < count ? l : 0];
    offset[l] = static_cast<long long>(reinterpret_cast<uintptr_t>(tx.data()) - base);
    needs[l] = l < count ? need[l] : 0;  // lanes without a text settle at once
  }
  const __m512i offsets = _mm512_load_si512(offset);
  const __m512i needV = _mm512_load_si512(needs);
  const __m512i byteMask = _mm512_set1_epi64(0xFF);
  const __m512i zero = _mm512_setzero_si512();
  const __m512i one = _mm512_set1_epi64(1);
  const __m512i bit4 = _mm512_set1_epi64(16);
  const __m512i bit5 = _mm512_set1_epi64(32);
  const __mmask8 active = static_cast<__mmask8>((1u << count) - 1);
  // Byte to code, in four quarters of 64 bytes.
  __m512i codeMap[4];
  if (kCodes) {
    for (int q = 0; q < 4; ++q) codeMap[q] = _mm512_load_si512(tables.codeOf + 64 * q);
  }
  const int groups = tables.codeGroups;
  __mmask8 settled = 0, below = 0;
  // Eight bytes of each text from column j0 on; the next load is started
  // before the current bytes are worked through.
  auto load = [&](int j0) __attribute__((target(KV_AVX512_TARGET))) {
    const int span = std::min(8, n - j0);
    if (span == 8) {
      return _mm512_i64gather_epi64(_mm512_add_epi64(offsets, _mm512_set1_epi64(j0)),
                                    reinterpret_cast<const void*>(base), 1);
    }
    alignas(64) uint64_t tail[8] = {};
    for (int l = 0; l < 8; ++l) std::memcpy(&tail[l], texts[l < count ? l : 0].data() + j0, span);
    return _mm512_load_si512(tail);
  };
  __m512i nextChunk = load(0);
  for (int j0 = 0; j0 < n; j0 += 8) {
    const int span = std::min(8, n - j0);
    __m512i chunk = nextChunk;
    if (j0 + 8 < n) nextChunk = load(j0 + 8);
    if (kCodes) {
      // Bytes 0-127 and 128-255 from two pairs of quarters, chosen by bit 7.
      const __m512i low = _mm512_permutex2var_epi8(codeMap[0], chunk, codeMap[1]);
      const __m512i high = _mm512_permutex2var_epi8(codeMap[2], chunk, codeMap[3]);
      chunk = _mm512_mask_blend_epi8(_mm512_movepi8_mask(chunk), low, high);
    }
    for (int b = 0; b < span; ++b) {
      const __m512i c = _mm512_and_si512(chunk, byteMask);
      chunk = _mm512_srli_epi64(chunk, 8);
      __mmask8 carry = 0;
      __mmask8 sel4 = 0, sel5 = 0;
      if (kCodes) {
        sel4 = _mm512_test_epi64_mask(c, bit4);
        sel5 = _mm512_test_epi64_mask(c, bit5);
      }
      for (int w = 0; w < words; ++w) {
        __m512i pm;
        if (kCodes) {
          // Each group of 16 codes is two registers; bits 4 and 5 of the
          // code choose the group.
          const __m512i* t = tables.byCode + static_cast<size_t>(w) * 8;
          pm = _mm512_permutex2var_epi64(t[0], c, t[1]);
          if (groups > 1) pm = _mm512_mask_blend_epi64(sel4, pm, _mm512_permutex2var_epi64(t[2], c, t[3]));
          if (groups > 2) {
            __m512i upper = _mm512_permutex2var_epi64(t[4], c, t[5]);
            if (groups > 3) upper = _mm512_mask_blend_epi64(sel4, upper, _mm512_permutex2var_epi64(t[6], c, t[7]));
            pm = _mm512_mask_blend_epi64(sel5, pm, upper);
          }
        } else {
          pm = _mm512_i64gather_epi64(c, tables.byByte + static_cast<size_t>(w) * 256, 8);
        }
        const __m512i vw = v[w];
        const __m512i u = _mm512_and_si512(vw, pm);
        const __m512i sum = _mm512_add_epi64(vw, u);
        const __mmask8 c1 = _mm512_cmplt_epu64_mask(sum, vw);
        const __m512i sum2 = _mm512_mask_add_epi64(sum, carry, sum, one);
        const __mmask8 c2 = _mm512_mask_cmpeq_epi64_mask(carry, sum2, zero);
        carry = static_cast<__mmask8>(c1 | c2);
        v[w] = _mm512_or_si512(sum2, _mm512_andnot_si512(pm, vw));
      }
    }
    const int done = j0 + span;
    const __mmask8 open = static_cast<__mmask8>(active & ~settled);
    const __mmask8 pass = _mm512_mask_cmpge_epi64_mask(open, LaneZeros(v, m), needV);
    settled = static_cast<__mmask8>(settled | pass);
    const int i0 = m - n + done;
    if (i0 > 0) {
      const __m512i bound = _mm512_add_epi64(LaneZeros(v, i0), _mm512_set1_epi64(n - done));
      const __mmask8 out = _mm512_mask_cmplt_epi64_mask(static_cast<__mmask8>(active & ~settled), bound, needV);
      below = static_cast<__mmask8>(below | out);
      settled = static_cast<__mmask8>(settled | out);
    }
    if ((settled & active) == active) break;
  }
  const __mmask8 open = static_cast<__mmask8>(active & ~settled);
  below = static_cast<__mmask8>(below | _mm512_mask_cmplt_epi64_mask(open, LaneZeros(v, m), needV));
  return below;
}
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif
#endif

bool VectorBatchAvailable() {
#if defined(KV_VECTOR_BATCH)
  static const bool available = __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
                                __builtin_cpu_supports("avx512vbmi") &&
                                __builtin_cpu_supports("avx512vpopcntdq");
  return available;
#else
  return false;
#endif
}

}  // namespace

uint32_t TLevenshteinKernel::LcsBelowBatch(const std::string_view* texts, int count, const int* need) {
  uint32_t below = 0;
#if defined(KV_VECTOR_BATCH)
  if (batchReady_ && count > 0) {
    const TBatchTables& tables = *batch_;
    const int m = static_cast<int>(pattern_.size());
    return tables.codeGroups > 0 ? LcsBelowBatch512<true>(tables, words_, m, texts, count, need)
                                 : LcsBelowBatch512<false>(tables, words_, m, texts, count, need);
  }
#endif
  for (int l = 0; l < count; ++l) {
    if (LcsBelow(texts[l], need[l])) below |= uint32_t{1} << l;
  }
  return below;
}

bool TLevenshteinKernel::LcsBelow(std::string_view text, int need) {
  if (need <= 0) return false;
  const int m = static_cast<int>(pattern_.size());
  const int n = static_cast<int>(text.size());
  if (std::min(m, n) < need) return true;
  return LcsBelowDispatch(peq_.data(), words_, m, reinterpret_cast<const unsigned char*>(text.data()), n, need,
                          vp_.data());
}

// ---------------------------------------------------------------------------
// Histograms

THistogram32 MakeHistogram(std::string_view s) {
  uint32_t counts[32] = {};
  for (unsigned char c : s) ++counts[c & 31];
  THistogram32 h{};
  for (int i = 0; i < 32; ++i) h[i] = static_cast<uint8_t>(std::min<uint32_t>(counts[i], 255));
  return h;
}

int HistogramBound(const THistogram32& a, const THistogram32& b) {
#if defined(__SSE2__)
  const __m128i a0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(a.data()));
  const __m128i a1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(a.data() + 16));
  const __m128i b0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b.data()));
  const __m128i b1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b.data() + 16));
  const __m128i zero = _mm_setzero_si128();
  const __m128i p = _mm_add_epi64(_mm_sad_epu8(_mm_subs_epu8(a0, b0), zero),
                                  _mm_sad_epu8(_mm_subs_epu8(a1, b1), zero));
  const __m128i q = _mm_add_epi64(_mm_sad_epu8(_mm_subs_epu8(b0, a0), zero),
                                  _mm_sad_epu8(_mm_subs_epu8(b1, a1), zero));
  const int pos = _mm_cvtsi128_si32(p) + _mm_cvtsi128_si32(_mm_unpackhi_epi64(p, p));
  const int neg = _mm_cvtsi128_si32(q) + _mm_cvtsi128_si32(_mm_unpackhi_epi64(q, q));
  return std::max(pos, neg);
#else
  int pos = 0, neg = 0;
  for (int i = 0; i < 32; ++i) {
    int d = int(a[i]) - int(b[i]);
    if (d > 0) pos += d; else neg -= d;
  }
  return std::max(pos, neg);
#endif
}

// ---------------------------------------------------------------------------
// Plain entry points

namespace {
thread_local TLevenshteinKernel t_kernel;
}

int LevenshteinDistance(const std::string& a, const std::string& b, int /*bound*/) {
  TLevenshteinKernel& k = t_kernel;
  k.SetPattern(CutLine(a, g_cut));
  return k.Distance(CutLine(b, g_cut));
}

int FindSimilarLine(const std::string& s, const TStringList& list, int minLen, uint8_t percent,
                    bool useLengthWindow, bool skipIdentical) {
  const long long len = static_cast<long long>(s.size());
  if (len < minLen) return -1;
  const long long allowed = SimilarAllowance(len, percent);
  if (allowed < 0) return -1;  // no distance is negative
  const long long lo = len - allowed, hi = len + allowed;
  TLevenshteinKernel& kernel = t_kernel;
  const std::string_view cs = CutLine(s, g_cut);
  kernel.SetPattern(cs);
  int best = -1;
  long long limit = allowed;
  const std::vector<std::string>& lines = list.Lines();
  for (size_t i = 0; i < lines.size(); ++i) {
    const std::string& line = lines[i];
    const long long n = static_cast<long long>(line.size());
    if (n == 0 || n < minLen) continue;
    if (useLengthWindow && (n < lo || n > hi)) continue;
    const std::string_view cl = CutLine(line, g_cut);
    const int lim = static_cast<int>(std::min<long long>(limit, INT_MAX - 1));
    const int d = kernel.Within(cl, lim);
    if (d <= lim) {
      if (skipIdentical && line == s) continue;
      best = static_cast<int>(i);
      limit = d;
    }
  }
  return best;
}

// ---------------------------------------------------------------------------
// Prepared list

struct TSimilarIndex::TSearch {
  const std::string* s = nullptr;
  std::string_view cs;
  THistogram32 qh{};
  int best = -1;
  int k = 0;
  bool skipIdentical = false;
  TLevenshteinKernel* kernel = nullptr;
};

TSimilarIndex::TSimilarIndex(const std::vector<std::string>& lines) : cut_(g_cut) {
  exact_.reserve(lines.size());
  for (size_t i = 0; i < lines.size(); ++i) {
    if (lines[i].empty()) continue;
    exact_[std::string_view(lines[i])] = static_cast<int>(i);  // the last index wins
  }
  int maxLen = 0;
  for (const auto& [text, index] : exact_) {
    TGroup g;
    g.text = text;
    g.maxIndex = index;
    g.length = static_cast<int>(std::min<size_t>(text.size(), INT_MAX));
    g.hist = MakeHistogram(CutLine(text, cut_));
    if (text.size() > static_cast<size_t>(cut_)) {
      longGroups_.push_back(g);
    } else {
      maxLen = std::max(maxLen, g.length);
      groups_.push_back(g);
    }
  }
  // By length; of one length the higher indexes first, so that a lower
  // index must be strictly closer and more of them are ruled out at once.
  std::sort(groups_.begin(), groups_.end(), [](const TGroup& a, const TGroup& b) {
    return a.length != b.length ? a.length < b.length : a.maxIndex > b.maxIndex;
  });
  // The lines of one length side by side, in the order of groups_, so that
  // the scan of a length reads memory in order.
  size_t total = 0;
  for (const TGroup& g : groups_) total += g.text.size();
  arena_.resize(total);
  size_t at = 0;
  for (TGroup& g : groups_) {
    std::memcpy(arena_.data() + at, g.text.data(), g.text.size());
    g.text = std::string_view(arena_.data() + at, g.text.size());
    at += g.text.size();
  }
  byPrefix_.resize(groups_.size());
  std::iota(byPrefix_.begin(), byPrefix_.end(), 0);
  bySuffix_ = byPrefix_;
  std::sort(byPrefix_.begin(), byPrefix_.end(),
            [this](int a, int b) { return groups_[a].text < groups_[b].text; });
  std::sort(bySuffix_.begin(), bySuffix_.end(), [this](int a, int b) {
    return ReversedLess(groups_[a].text, groups_[b].text);
  });
  lengthStart_.assign(static_cast<size_t>(maxLen) + 2, 0);
  size_t gi = 0;
  for (int len = 0; len <= maxLen + 1; ++len) {
    while (gi < groups_.size() && groups_[gi].length < len) ++gi;
    lengthStart_[len] = static_cast<int>(gi);
  }
}

bool TSimilarIndex::Prefilter(const TGroup& g, TSearch& st, int& t) const {
  if (st.skipIdentical && g.text == *st.s) return false;
  // A lower index must be strictly closer; a higher one may tie.
  t = g.maxIndex > st.best ? st.k : st.k - 1;
  if (t < 0) return false;
  const long long cutLen = std::min<long long>(static_cast<long long>(g.text.size()), cut_);
  if (std::llabs(cutLen - static_cast<long long>(st.cs.size())) > t) return false;
  return HistogramBound(st.qh, g.hist) <= t;
}

void TSimilarIndex::Measure(const TGroup& g, TSearch& st, int t) const {
  const int d = st.kernel->Within(CutLine(g.text, cut_), t);
  if (d <= t) {
    st.best = g.maxIndex;
    st.k = d;
  }
}

void TSimilarIndex::Consider(const TGroup& g, TSearch& st) const {
  int t = 0;
  if (!Prefilter(g, st, t)) return;
  // The distance is at least max(len) - LCS.
  const std::string_view cl = CutLine(g.text, cut_);
  if (st.kernel->LcsBelow(cl, static_cast<int>(std::max(cl.size(), st.cs.size())) - t)) return;
  Measure(g, st, t);
}

void TSimilarIndex::ConsiderRange(int from, int to, TSearch& st) const {
  if (!st.kernel->BatchReady()) {
    for (int gi = from; gi < to; ++gi) Consider(groups_[gi], st);
    return;
  }
  // Lines of one length: their common-subsequence bounds are computed
  // TLevenshteinKernel::kBatch at a time. The limit only tightens between
  // the bound and the distance, and a bound against a larger limit rules
  // out less, so every line it rules out is out under the current limit.
  constexpr int kBatch = TLevenshteinKernel::kBatch;
  int pending[kBatch];
  std::string_view texts[kBatch];
  int need[kBatch];
  int count = 0;
  auto flush = [&]() {
    const uint32_t below = st.kernel->LcsBelowBatch(texts, count, need);
    for (int l = 0; l < count; ++l) {
      if (below & (uint32_t{1} << l)) continue;
      const TGroup& g = groups_[pending[l]];
      int t = 0;
      if (Prefilter(g, st, t)) Measure(g, st, t);
    }
    count = 0;
  };
  for (int gi = from; gi < to; ++gi) {
    const TGroup& g = groups_[gi];
    int t = 0;
    if (!Prefilter(g, st, t)) continue;
    pending[count] = gi;
    texts[count] = g.text;  // no line of these lengths is longer than the cut
    need[count] = static_cast<int>(std::max(g.text.size(), st.cs.size())) - t;
    if (++count == kBatch) flush();
  }
  if (count > 0) flush();
}

int TSimilarIndex::Find(const std::string& s, int minLen, uint8_t percent, bool useLengthWindow,
                        bool skipIdentical, TLevenshteinKernel& kernel) const {
  const long long len = static_cast<long long>(s.size());
  if (len < minLen) return -1;
  const long long allowed = SimilarAllowance(len, percent);
  if (allowed < 0) return -1;
  const long long lo = useLengthWindow ? len - allowed : LLONG_MIN;
  const long long hi = useLengthWindow ? len + allowed : LLONG_MAX;
  const long long minEff = std::max(minLen, 1);
  auto inRange = [&](long long n) { return n >= minEff && n >= lo && n <= hi; };

  TSearch st;
  st.s = &s;
  st.cs = CutLine(s, cut_);
  st.qh = MakeHistogram(st.cs);
  st.k = static_cast<int>(std::min<long long>(allowed, INT_MAX - 1));
  st.skipIdentical = skipIdentical;
  st.kernel = &kernel;
  kernel.SetPattern(st.cs);

  // An equal line is at distance 0: only lines at distance 0 with a higher
  // index can follow it.
  if (!skipIdentical) {
    auto it = exact_.find(std::string_view(s));
    if (it != exact_.end()) {
      st.best = it->second;
      st.k = 0;
    }
  }

  // The nearest lines in the two orders first.
  if (st.k > 0) {
    auto seed = [&](const std::vector<int>& order, auto less) {
      auto it = std::lower_bound(order.begin(), order.end(), std::string_view(s),
                                 [&](int gi, std::string_view v) { return less(groups_[gi].text, v); });
      const ptrdiff_t at = it - order.begin();
      const ptrdiff_t from = std::max<ptrdiff_t>(0, at - kSeedNeighbours);
      const ptrdiff_t to = std::min<ptrdiff_t>(static_cast<ptrdiff_t>(order.size()), at + kSeedNeighbours);
      for (ptrdiff_t i = from; i < to; ++i) {
        const TGroup& g = groups_[order[i]];
        if (inRange(g.length)) Consider(g, st);
      }
    };
    seed(byPrefix_, [](std::string_view a, std::string_view b) { return a < b; });
    seed(bySuffix_, ReversedLess);
  }

  if (len <= cut_) {
    // Lines of the searched length first, then ever farther lengths, as
    // long as the length difference alone does not exceed the limit.
    const long long maxLen = static_cast<long long>(lengthStart_.size()) - 2;
    for (long long dl = 0;; ++dl) {
      if (dl > st.k) break;
      const long long up = len + dl, down = len - dl;
      const bool upOk = up <= maxLen && up <= hi;
      const bool downOk = down >= minEff && down >= lo;
      if (!upOk && !downOk) break;
      if (upOk && inRange(up)) {
        ConsiderRange(lengthStart_[up], lengthStart_[up + 1], st);
      }
      if (dl > 0 && downOk && down <= maxLen && inRange(down)) {
        ConsiderRange(lengthStart_[down], lengthStart_[down + 1], st);
      }
    }
  } else {
    for (const TGroup& g : groups_) {
      if (inRange(g.length)) Consider(g, st);
    }
  }
  for (const TGroup& g : longGroups_) {
    if (inRange(g.length)) Consider(g, st);
  }
  return st.best;
}

std::vector<int> FindSimilarLines(const std::vector<std::string>& queries,
                                  const std::vector<std::string>& list, int minLen,
                                  uint8_t percent, bool useLengthWindow, bool skipIdentical,
                                  int threads) {
  std::vector<int> results(queries.size(), -1);
  if (queries.empty()) return results;
  // Equal searched lines give equal results: search each content once.
  std::vector<int> firstOf(queries.size());
  std::vector<int> distinct;
  {
    std::unordered_map<std::string_view, int> seen;
    seen.reserve(queries.size());
    for (size_t i = 0; i < queries.size(); ++i) {
      auto [it, inserted] = seen.try_emplace(std::string_view(queries[i]), static_cast<int>(i));
      firstOf[i] = it->second;
      if (inserted) distinct.push_back(static_cast<int>(i));
    }
  }
  const TSimilarIndex index(list);
  if (threads <= 0) {
    unsigned hc = std::thread::hardware_concurrency();
    threads = static_cast<int>(std::clamp<unsigned>(hc == 0 ? 1 : hc, 1, 16));
  }
  threads = std::min<int>(threads, static_cast<int>(distinct.size()));
  std::atomic<size_t> next{0};
  std::mutex failMutex;
  std::exception_ptr failure;
  auto work = [&]() {
    try {
      TLevenshteinKernel kernel;
      for (;;) {
        const size_t k = next.fetch_add(1, std::memory_order_relaxed);
        if (k >= distinct.size()) break;
        const int qi = distinct[k];
        results[qi] = index.Find(queries[qi], minLen, percent, useLengthWindow, skipIdentical, kernel);
      }
    } catch (...) {
      // Stop the other workers; the first failure is raised after the join.
      next.store(distinct.size());
      std::lock_guard<std::mutex> lock(failMutex);
      if (!failure) failure = std::current_exception();
    }
  };
  if (threads <= 1) {
    work();
  } else {
    std::vector<std::thread> pool;
    pool.reserve(threads - 1);
    for (int i = 1; i < threads; ++i) pool.emplace_back(work);
    work();
    for (auto& th : pool) th.join();
  }
  if (failure) std::rethrow_exception(failure);
  for (size_t i = 0; i < queries.size(); ++i) results[i] = results[firstOf[i]];
  return results;
}
