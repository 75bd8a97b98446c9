// The AVX2 copy of the lane form. It follows the AVX-512 form step for step;
// where AVX2 lacks an instruction (unsigned compares, masks, population
// counts of 64-bit lanes) the same value is computed from the ones it has.
// The functions carry their own target attribute, so the file builds for
// every processor and the program chooses the form when it runs.
#include "optimizer/lcs_bound_avx2.h"

#include <algorithm>
#include <cstring>

#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#define KV_AVX2_LANES 1
#define KV_AVX2_TARGET "avx2"
#endif

#if defined(KV_AVX2_LANES)
namespace {

// One word of v' = (v + (v & pm) + carry) | (v & ~pm) in four lanes. carry
// is 0 or 1 per lane. With u = v & pm inside v, the sum v + u carries out of
// bit 63 where (u | (v & ~sum)) has bit 63 set; adding the carry in then
// carries out only where the sum wraps to 0.
template <bool kCarryIn, bool kCarryOut>
__attribute__((target(KV_AVX2_TARGET), always_inline)) inline __m256i LcsWordStep(__m256i v, __m256i pm,
                                                                                __m256i& carry) {
  const __m256i u = _mm256_and_si256(v, pm);
  const __m256i sum = _mm256_add_epi64(v, u);
  __m256i sum2 = sum;
  if (kCarryIn) sum2 = _mm256_add_epi64(sum, carry);
  if (kCarryOut) {
    __m256i out = _mm256_srli_epi64(_mm256_or_si256(u, _mm256_andnot_si256(sum, v)), 63);
    if (kCarryIn) out = _mm256_or_si256(out, _mm256_and_si256(_mm256_cmpeq_epi64(sum2, _mm256_setzero_si256()), carry));
    carry = out;
  }
  return _mm256_or_si256(sum2, _mm256_andnot_si256(pm, v));
}

// Set bits per 64-bit lane, from the counts of the two half bytes.
__attribute__((target(KV_AVX2_TARGET), always_inline)) inline __m256i Popcount64(__m256i x) {
  const __m256i table = _mm256_setr_epi8(0, 1, 1, 2, 1, 2, 2, 3, 1, 2, 2, 3, 2, 3, 3, 4,  //
                                         0, 1, 1, 2, 1, 2, 2, 3, 1, 2, 2, 3, 2, 3, 3, 4);
  const __m256i low = _mm256_set1_epi8(0x0f);
  const __m256i counts = _mm256_add_epi8(_mm256_shuffle_epi8(table, _mm256_and_si256(x, low)),
                                         _mm256_shuffle_epi8(table, _mm256_and_si256(_mm256_srli_epi16(x, 4), low)));
  return _mm256_sad_epu8(counts, _mm256_setzero_si256());
}

// The four lanes' bits of a compare, as the low four bits.
__attribute__((target(KV_AVX2_TARGET), always_inline)) inline uint32_t LaneBits(__m256i compare) {
  return static_cast<uint32_t>(_mm256_movemask_pd(_mm256_castsi256_pd(compare)));
}

// Per lane, the masks of the first rows bits of each word (rows below 0
// give none, 64 or more a whole word).
template <int kWords>
__attribute__((target(KV_AVX2_TARGET), always_inline)) inline void FirstBits(__m256i rows, __m256i* mask) {
  const __m256i one = _mm256_set1_epi64x(1);
  const __m256i zero = _mm256_setzero_si256();
  for (int w = 0; w < kWords; ++w) {
    __m256i r = _mm256_sub_epi64(rows, _mm256_set1_epi64x(64 * w));
    r = _mm256_andnot_si256(_mm256_cmpgt_epi64(zero, r), r);
    // A shift by 64 or more gives 0, so a whole word is 0 - 1: all ones.
    mask[w] = _mm256_sub_epi64(_mm256_sllv_epi64(one, r), one);
  }
}

template <int kWords>
__attribute__((target(KV_AVX2_TARGET), always_inline)) inline __m256i ZerosUnder(const __m256i* v,
                                                                               const __m256i* mask) {
  __m256i acc = Popcount64(_mm256_andnot_si256(v[0], mask[0]));
  for (int w = 1; w < kWords; ++w) acc = _mm256_add_epi64(acc, Popcount64(_mm256_andnot_si256(v[w], mask[w])));
  return acc;
}

// One text's state in the lane form: per half of the eight lanes and per
// word, the bit-parallel vector; the lanes settled, and those settled below.
template <int kWords>
struct TLaneText {
  __m256i v[2][kWords];
  const unsigned char* t;
  const long long* need;
  uint32_t settled, below;
};

// Settles, per lane of each text, those whose bound L(i0, j) + (n - j),
// i0 = m - n + j, is below the need after done columns (at done = n, the
// common subsequence itself). While i0 <= 0 the bound is n - j, no less
// than m. Returns how many of the texts have every lane settled.
template <int kWords, int kTexts>
__attribute__((target(KV_AVX2_TARGET), always_inline)) inline int Check(const __m256i* m, int n, int done,
                                                                      TLaneText<kWords>* x) {
  for (int h = 0; h < 2; ++h) {
    const __m256i i0 = _mm256_add_epi64(m[h], _mm256_set1_epi64x(done - n));
    __m256i first[kWords];
    FirstBits<kWords>(i0, first);
    for (int k = 0; k < kTexts; ++k) {
      const __m256i bound = _mm256_add_epi64(ZerosUnder<kWords>(x[k].v[h], first), _mm256_set1_epi64x(n - done));
      const __m256i needs = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(x[k].need + 4 * h));
      const uint32_t open = ~(x[k].settled >> (4 * h)) & 0xF;
      const uint32_t out = (open & LaneBits(_mm256_cmpgt_epi64(needs, bound))) << (4 * h);
      x[k].below |= out;
      x[k].settled |= out;
    }
  }
  int all = 0;
  for (int k = 0; k < kTexts; ++k) all += x[k].settled == 0xFF;
  return all;
}

// Steps kTexts texts from column j0 (a multiple of 16) on, 16 columns at a
// time, until one of them has every lane settled or the text ends; returns
// the columns done.
template <int kWords, int kTexts>
__attribute__((target(KV_AVX2_TARGET), always_inline)) inline int StepTexts(const TLaneTables& tables,
                                                                          const __m256i* m, int n, int j0,
                                                                          TLaneText<kWords>* x) {
  const __m256i* byCode = reinterpret_cast<const __m256i*>(tables.byCode);
  for (; j0 < n; j0 += 16) {
    const int done = std::min(n, j0 + 16);
    for (int j = j0; j < done; ++j) {
      // The texts' and the halves' steps are independent, so they overlap
      // in the processor.
      for (int k = 0; k < kTexts; ++k) {
        const __m256i* pm = byCode + static_cast<size_t>(tables.codeOf[x[k].t[j]]) * kWords * 2;
        for (int h = 0; h < 2; ++h) {
          __m256i carry = _mm256_setzero_si256();
          x[k].v[h][0] = LcsWordStep<false, (kWords > 1)>(x[k].v[h][0], _mm256_load_si256(pm + h), carry);
          for (int w = 1; w < kWords; ++w) {
            const __m256i word = _mm256_load_si256(pm + 2 * w + h);
            x[k].v[h][w] = w + 1 < kWords ? LcsWordStep<true, true>(x[k].v[h][w], word, carry)
                                          : LcsWordStep<true, false>(x[k].v[h][w], word, carry);
          }
        }
      }
    }
    if (Check<kWords, kTexts>(m, n, done, x) > 0) return done;
  }
  return n;
}

// The lane form's bound for kTexts (1 or 2) texts of one length, as in the
// AVX-512 copy: each lane register of eight is two halves of four here.
// Two texts go side by side until one has every lane settled; the other
// then goes on alone rather than carry the settled one's steps.
template <int kWords, int kTexts>
__attribute__((target(KV_AVX2_TARGET))) void LcsBelowLanes256(const TLaneTables& tables,
                                                              const std::string_view* texts,
                                                              const long long* const* need, uint32_t* active) {
  static_assert(kTexts == 1 || kTexts == 2);
  const int n = static_cast<int>(texts[0].size());
  TLaneText<kWords> x[kTexts];
  for (int k = 0; k < kTexts; ++k) {
    x[k].t = reinterpret_cast<const unsigned char*>(texts[k].data());
    x[k].need = need[k];
    for (int h = 0; h < 2; ++h) {
      for (int w = 0; w < kWords; ++w) x[k].v[h][w] = _mm256_set1_epi64x(-1);
    }
    x[k].settled = ~active[k] & 0xFF;
    x[k].below = 0;
  }
  __m256i m[2];
  for (int h = 0; h < 2; ++h) m[h] = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(tables.length + 4 * h));
  int done = StepTexts<kWords, kTexts>(tables, m, n, 0, x);
  if (kTexts == 2 && done < n) {
    TLaneText<kWords>& open = x[x[0].settled == 0xFF ? 1 : 0];
    if (open.settled != 0xFF) StepTexts<kWords, 1>(tables, m, n, done, &open);
  }
  // At the end every row counts.
  for (int k = 0; k < kTexts; ++k) {
    if (x[k].settled != 0xFF) Check<kWords, 1>(m, n, n, &x[k]);
    active[k] &= x[k].below;
  }
}

// kTexts texts at a time, the rest one by one.
template <int kWords, int kTexts>
__attribute__((target(KV_AVX2_TARGET))) void LcsBelowLanesInGroups(const TLaneTables& tables,
                                                                   const std::string_view* texts, int count,
                                                                   const long long* const* need, uint32_t* active) {
  int x = 0;
  for (; x + kTexts <= count; x += kTexts) LcsBelowLanes256<kWords, kTexts>(tables, texts + x, need + x, active + x);
  for (; x < count; ++x) LcsBelowLanes256<kWords, 1>(tables, texts + x, need + x, active + x);
}

}  // namespace

bool Avx2LaneFormAvailable() {
  static const bool available = __builtin_cpu_supports("avx2");
  return available;
}

void LcsBelowLanesAvx2(const TLaneTables& tables, const std::string_view* texts, int count,
                       const long long* const* need, uint32_t* active) {
  // Two texts of one or two words keep their state in eight of the sixteen
  // registers; longer patterns take one text at a time.
  switch (tables.words) {
    case 1: LcsBelowLanesInGroups<1, 2>(tables, texts, count, need, active); break;
    case 2: LcsBelowLanesInGroups<2, 2>(tables, texts, count, need, active); break;
    case 3: LcsBelowLanesInGroups<3, 1>(tables, texts, count, need, active); break;
    default: LcsBelowLanesInGroups<4, 1>(tables, texts, count, need, active); break;
  }
}

__attribute__((target(KV_AVX2_TARGET))) uint32_t LaneFilterAvx2(const TLaneFilter& f, const THistogram32& hist,
                                                               long long len, long long maxIndex, uint32_t takes,
                                                               long long* limit, long long* need) {
  const __m256i zero = _mm256_setzero_si256();
  uint64_t classes[4];
  std::memcpy(classes, hist.data(), sizeof(classes));
  const __m256i lenV = _mm256_set1_epi64x(len);
  const __m256i indexV = _mm256_set1_epi64x(maxIndex);
  uint32_t ok = 0;
  for (int h = 0; h < 2; ++h) {
    auto load = [&](const void* p) __attribute__((target(KV_AVX2_TARGET))) {
      return _mm256_load_si256(reinterpret_cast<const __m256i*>(p));
    };
    __m256i pos = zero, neg = zero;
    for (int w = 0; w < 4; ++w) {
      const __m256i q = load(&f.hist[w][4 * h]);
      const __m256i c = _mm256_set1_epi64x(static_cast<long long>(classes[w]));
      pos = _mm256_add_epi64(pos, _mm256_sad_epu8(_mm256_subs_epu8(q, c), zero));
      neg = _mm256_add_epi64(neg, _mm256_sad_epu8(_mm256_subs_epu8(c, q), zero));
    }
    // A line not above the best index must be strictly closer: one less.
    const __m256i above = _mm256_cmpgt_epi64(indexV, load(&f.best[4 * h]));
    const __m256i t = _mm256_add_epi64(load(&f.limit[4 * h]), _mm256_andnot_si256(above, _mm256_set1_epi64x(-1)));
    const __m256i searched = load(&f.length[4 * h]);
    const __m256i d = _mm256_sub_epi64(lenV, searched);
    const __m256i diff = _mm256_blendv_epi8(d, _mm256_sub_epi64(zero, d), _mm256_cmpgt_epi64(zero, d));
    __m256i bad = _mm256_cmpgt_epi64(zero, t);
    bad = _mm256_or_si256(bad, _mm256_cmpgt_epi64(diff, t));
    bad = _mm256_or_si256(bad, _mm256_cmpgt_epi64(pos, t));
    bad = _mm256_or_si256(bad, _mm256_cmpgt_epi64(neg, t));
    ok |= (~LaneBits(bad) & 0xF) << (4 * h);
    const __m256i longer = _mm256_blendv_epi8(searched, lenV, _mm256_cmpgt_epi64(lenV, searched));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(limit + 4 * h), t);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(need + 4 * h), _mm256_sub_epi64(longer, t));
  }
  return ok & takes;
}

#else

bool Avx2LaneFormAvailable() { return false; }
void LcsBelowLanesAvx2(const TLaneTables&, const std::string_view*, int count, const long long* const*,
                       uint32_t* active) {
  for (int x = 0; x < count; ++x) active[x] = 0;
}
uint32_t LaneFilterAvx2(const TLaneFilter&, const THistogram32&, long long, long long, uint32_t, long long*,
                        long long*) {
  return 0;
}

#endif
