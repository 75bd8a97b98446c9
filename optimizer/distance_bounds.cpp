// Lower bounds of the edit distance.
#include "optimizer/distance_bounds.h"

#include <algorithm>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "optimizer/lcs_bound_avx512.h"

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

TLcsBound::TLcsBound() = default;
TLcsBound::~TLcsBound() = default;

void TLcsBound::SetPattern(const TPatternMasks& masks) {
  masks_ = &masks;
  if (scratch_.size() < static_cast<size_t>(masks.words)) scratch_.resize(masks.words);
  batchReady_ = VectorBatchAvailable() && masks.words >= 1 && masks.words <= kMaxBatchWords;
  if (batchReady_) {
    if (!batch_) batch_ = std::make_unique<TBatchTables>();
    BuildBatchTables(masks, *batch_);
  }
}

bool TLcsBound::Below(std::string_view text, int need) {
  if (need <= 0) return false;
  const int m = static_cast<int>(masks_->pattern.size());
  const int n = static_cast<int>(text.size());
  if (std::min(m, n) < need) return true;
  return LcsBelowDispatch(masks_->peq.data(), masks_->words, m, reinterpret_cast<const unsigned char*>(text.data()),
                          n, need, scratch_.data());
}

uint32_t TLcsBound::BelowBatch(const std::string_view* texts, int count, const int* need) {
  if (batchReady_ && count > 0) return LcsBelowBatchVector(*batch_, *masks_, texts, count, need);
  uint32_t below = 0;
  for (int l = 0; l < count; ++l) {
    if (Below(texts[l], need[l])) below |= uint32_t{1} << l;
  }
  return below;
}
