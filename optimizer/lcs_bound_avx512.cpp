// The AVX-512 forms of the common-subsequence bound, and the choice of the
// lane form's copy (AVX-512, AVX2 or none) that the lane form's entry points
// pass their calls to. The functions carry their own target attribute, so
// the file builds for every processor and the program chooses the form when
// it runs.
#include "optimizer/lcs_bound_avx512.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <type_traits>

#include "optimizer/lcs_bound_avx2.h"

#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#endif

namespace {

#if defined(__x86_64__) && defined(__GNUC__)
#define KV_VECTOR_BATCH 1

#define KV_AVX512_TARGET "avx512f,avx512bw,avx512vbmi,avx512vpopcntdq"

// One word of the bit-parallel step v' = (v + (v & pm) + carry) | (v & ~pm)
// in each lane; carry comes in from the word below and goes out to the one
// above (the last word's carry out is left unused, and so not computed).
__attribute__((target(KV_AVX512_TARGET), always_inline)) inline __m512i LcsWordStep(__m512i vw, __m512i pm,
                                                                                  __mmask8& carry) {
  const __m512i sum = _mm512_add_epi64(vw, _mm512_and_si512(vw, pm));
  const __mmask8 c1 = _mm512_cmplt_epu64_mask(sum, vw);
  const __m512i sum2 = _mm512_mask_add_epi64(sum, carry, sum, _mm512_set1_epi64(1));
  carry = static_cast<__mmask8>(c1 | _mm512_mask_cmpeq_epi64_mask(carry, sum2, _mm512_setzero_si512()));
  return _mm512_or_si512(sum2, _mm512_andnot_si512(pm, vw));
}

// Common-subsequence lengths of the first rows pattern characters, per lane.
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
template <bool kCodes, int kWords>
__attribute__((target(KV_AVX512_TARGET))) uint32_t LcsBelowBatch512(const TBatchTables& tables, int anyWords, int m,
                                                                   const std::string_view* texts, int count,
                                                                   const int* need) {
  // A fixed count of words keeps the state in registers.
  const int words = kWords > 0 ? kWords : anyWords;
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
          const __m512i* t = reinterpret_cast<const __m512i*>(tables.byCode) + static_cast<size_t>(w) * 8;
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
        v[w] = LcsWordStep(v[w], pm, carry);
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

// (GCC 12 reports the undefined start values inside its own intrinsics as
// uninitialized here too.)
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wuninitialized"
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif
// Per lane, the masks of the first rows[l] bits of each word (rows clamped
// to 0 ... 64 * kWords).
template <int kWords>
__attribute__((target(KV_AVX512_TARGET), always_inline)) inline void FirstBits(__m512i rows, __m512i* mask) {
  const __m512i c64 = _mm512_set1_epi64(64);
  const __m512i one = _mm512_set1_epi64(1);
  const __m512i zero = _mm512_setzero_si512();
  for (int w = 0; w < kWords; ++w) {
    const __m512i r = _mm512_min_epi64(_mm512_max_epi64(_mm512_sub_epi64(rows, _mm512_set1_epi64(64 * w)), zero), c64);
    // Shifting by 64 gives 0, so a whole word is 0 - 1: all ones.
    mask[w] = _mm512_sub_epi64(_mm512_sllv_epi64(one, r), one);
  }
}

template <int kWords>
__attribute__((target(KV_AVX512_TARGET), always_inline)) inline __m512i ZerosUnder(const __m512i* v,
                                                                                 const __m512i* mask) {
  __m512i acc = _mm512_setzero_si512();
  for (int w = 0; w < kWords; ++w) acc = _mm512_add_epi64(acc, _mm512_popcnt_epi64(_mm512_andnot_si512(v[w], mask[w])));
  return acc;
}

// LcsBelowWords for eight patterns against kTexts texts of one length, one
// pattern per 64-bit lane: a text's byte is the same for every lane, so each
// step loads the lanes' masks of its code as one register. Every 16 columns
// a lane whose bound L(i0, j) + (n - j) is below its need settles as below;
// the others are told at the end (a lane that reaches its need early rarely
// lets the whole text go unread, so it is not checked for on the way).
// active[x] becomes the lanes below for texts[x].
template <int kWords, int kTexts>
__attribute__((target(KV_AVX512_TARGET))) void LcsBelowLanes512(const TLaneTables& tables, const std::string_view* texts,
                                                                const long long* const* need, uint32_t* active) {
  const int n = static_cast<int>(texts[0].size());
  const unsigned char* t[kTexts];
  __m512i needV[kTexts];
  __m512i v[kTexts][kWords];
  __mmask8 settled[kTexts], below[kTexts];
  for (int x = 0; x < kTexts; ++x) {
    t[x] = reinterpret_cast<const unsigned char*>(texts[x].data());
    needV[x] = _mm512_loadu_si512(need[x]);
    for (int w = 0; w < kWords; ++w) v[x][w] = _mm512_set1_epi64(-1);
    settled[x] = static_cast<__mmask8>(~active[x]);
    below[x] = 0;
  }
  const __m512i* byCode = reinterpret_cast<const __m512i*>(tables.byCode);
  const __m512i m = _mm512_loadu_si512(tables.length);
  const __m512i zero = _mm512_setzero_si512();
  for (int j0 = 0; j0 < n; j0 += 16) {
    const int done = std::min(n, j0 + 16);
    for (int j = j0; j < done; ++j) {
      // The texts' steps are independent, so they overlap in the processor.
      for (int x = 0; x < kTexts; ++x) {
        const __m512i* pm = byCode + static_cast<size_t>(tables.codeOf[t[x][j]]) * kWords;
        __mmask8 carry = 0;
        for (int w = 0; w < kWords; ++w) v[x][w] = LcsWordStep(v[x][w], _mm512_load_si512(pm + w), carry);
      }
    }
    // No row gives more than L(i0, j) + (n - j), i0 = m - n + j.
    const __m512i i0 = _mm512_add_epi64(m, _mm512_set1_epi64(done - n));
    __m512i first[kWords];
    FirstBits<kWords>(i0, first);
    bool all = true;
    for (int x = 0; x < kTexts; ++x) {
      const __m512i bound = _mm512_add_epi64(ZerosUnder<kWords>(v[x], first), _mm512_set1_epi64(n - done));
      const __mmask8 open = static_cast<__mmask8>(~settled[x] & _mm512_cmpgt_epi64_mask(i0, zero));
      const __mmask8 out = _mm512_mask_cmplt_epi64_mask(open, bound, needV[x]);
      below[x] = static_cast<__mmask8>(below[x] | out);
      settled[x] = static_cast<__mmask8>(settled[x] | out);
      all = all && settled[x] == 0xFF;
    }
    if (all) break;
  }
  __m512i whole[kWords];
  FirstBits<kWords>(m, whole);
  for (int x = 0; x < kTexts; ++x) {
    below[x] = static_cast<__mmask8>(below[x] | _mm512_mask_cmplt_epi64_mask(static_cast<__mmask8>(~settled[x]),
                                                                           ZerosUnder<kWords>(v[x], whole), needV[x]));
    active[x] &= below[x];
  }
}
__attribute__((target(KV_AVX512_TARGET))) uint32_t LaneFilter512(const TLaneFilter& f, const THistogram32& hist,
                                                                long long len, long long maxIndex, uint32_t takes,
                                                                long long* limit, long long* need) {
  const __m512i zero = _mm512_setzero_si512();
  uint64_t classes[4];
  std::memcpy(classes, hist.data(), sizeof(classes));
  __m512i pos = zero, neg = zero;
  for (int w = 0; w < 4; ++w) {
    const __m512i q = _mm512_load_si512(f.hist[w]);
    const __m512i h = _mm512_set1_epi64(static_cast<long long>(classes[w]));
    pos = _mm512_add_epi64(pos, _mm512_sad_epu8(_mm512_subs_epu8(q, h), zero));
    neg = _mm512_add_epi64(neg, _mm512_sad_epu8(_mm512_subs_epu8(h, q), zero));
  }
  const __m512i k = _mm512_load_si512(f.limit);
  const __mmask8 above = _mm512_cmpgt_epi64_mask(_mm512_set1_epi64(maxIndex), _mm512_load_si512(f.best));
  const __m512i t = _mm512_mask_sub_epi64(k, static_cast<__mmask8>(~above), k, _mm512_set1_epi64(1));
  const __m512i lenV = _mm512_set1_epi64(len);
  const __m512i searched = _mm512_load_si512(f.length);
  const __m512i diff = _mm512_abs_epi64(_mm512_sub_epi64(lenV, searched));
  __mmask8 ok = static_cast<__mmask8>(takes);
  ok = _mm512_mask_cmpge_epi64_mask(ok, t, zero);
  ok = _mm512_mask_cmple_epi64_mask(ok, diff, t);
  ok = _mm512_mask_cmple_epi64_mask(ok, _mm512_max_epi64(pos, neg), t);
  _mm512_storeu_si512(limit, t);
  _mm512_storeu_si512(need, _mm512_sub_epi64(_mm512_max_epi64(lenV, searched), t));
  return ok;
}
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif
#endif

}  // namespace

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

namespace {

TLaneForm BestLaneForm() {
#if defined(__x86_64__) && defined(__GNUC__)
  // It may run before the constructor that sets up the processor's features.
  __builtin_cpu_init();
#endif
  if (VectorBatchAvailable()) return TLaneForm::kAvx512;
  if (Avx2LaneFormAvailable()) return TLaneForm::kAvx2;
  return TLaneForm::kNone;
}

// Chosen when the program starts, so that the lane form's entry points,
// called for every line a scan visits, read it without a first-use check.
std::atomic<TLaneForm> laneForm{BestLaneForm()};

}  // namespace

TLaneForm LaneFormInUse() { return laneForm.load(std::memory_order_relaxed); }

void UseLaneForm(TLaneForm form) {
  const TLaneForm best = BestLaneForm();
  if (form == TLaneForm::kAvx512 || (form == TLaneForm::kAvx2 && best == TLaneForm::kNone)) form = best;
  laneForm.store(form, std::memory_order_relaxed);
}

void BuildBatchTables(const TPatternMasks& masks, TBatchTables& b) {
  const int words = masks.words;
  // Codes 1.. for the distinct bytes of the pattern, 0 for all others.
  int codes = 1;
  std::memset(b.codeOf, 0, sizeof(b.codeOf));
  for (unsigned char c : masks.pattern) {
    if (b.codeOf[c] == 0 && codes < 256) b.codeOf[c] = static_cast<uint8_t>(codes++);
  }
  if (codes <= 64) {
    b.codeGroups = (codes + 15) / 16;
    b.byCodeStore.assign(static_cast<size_t>(words) * 8 * 8 + 8, 0);
    // 64-byte aligned start inside the store.
    uint64_t* t = b.byCodeStore.data();
    while (reinterpret_cast<uintptr_t>(t) % 64 != 0) ++t;
    for (int c = 0; c < 256; ++c) {
      if (b.codeOf[c] == 0) continue;
      for (int w = 0; w < words; ++w) {
        t[static_cast<size_t>(w) * 64 + b.codeOf[c]] = masks.peq[static_cast<size_t>(c) * words + w];
      }
    }
    b.byCode = t;
  } else {
    b.codeGroups = 0;
    b.byByteStore.resize(static_cast<size_t>(256) * words);
    for (int w = 0; w < words; ++w) {
      for (int c = 0; c < 256; ++c) {
        b.byByteStore[static_cast<size_t>(w) * 256 + c] = masks.peq[static_cast<size_t>(c) * words + w];
      }
    }
    b.byByte = b.byByteStore.data();
  }
}

uint32_t LcsBelowBatchVector(const TBatchTables& tables, const TPatternMasks& masks,
                             const std::string_view* texts, int count, const int* need) {
#if defined(KV_VECTOR_BATCH)
  const int m = static_cast<int>(masks.pattern.size());
  // Patterns of up to four words (256 bytes) have copies of their own; more
  // copies measured no faster.
  auto run = [&](auto codes) {
    constexpr bool kCodes = decltype(codes)::value;
    switch (masks.words) {
      case 1: return LcsBelowBatch512<kCodes, 1>(tables, 1, m, texts, count, need);
      case 2: return LcsBelowBatch512<kCodes, 2>(tables, 2, m, texts, count, need);
      case 3: return LcsBelowBatch512<kCodes, 3>(tables, 3, m, texts, count, need);
      case 4: return LcsBelowBatch512<kCodes, 4>(tables, 4, m, texts, count, need);
      default: return LcsBelowBatch512<kCodes, 0>(tables, masks.words, m, texts, count, need);
    }
  };
  return tables.codeGroups > 0 ? run(std::true_type{}) : run(std::false_type{});
#else
  (void)tables; (void)masks; (void)texts; (void)count; (void)need;
  return 0;
#endif
}

void BuildLaneTables(const std::string_view* patterns, int count, TLaneTables& tables) {
  // Codes 1.. for the bytes of the patterns, 0 for all others; when every
  // byte occurs, each byte is its own code.
  bool present[256] = {};
  int longest = 1;
  for (int l = 0; l < 8; ++l) {
    const std::string_view p = l < count ? patterns[l] : std::string_view();
    tables.length[l] = static_cast<long long>(p.size());
    longest = std::max(longest, static_cast<int>(p.size()));
    for (unsigned char c : p) present[c] = true;
  }
  int codes = 1;
  for (int c = 0; c < 256; ++c) codes += present[c];
  const bool every = codes > 256;
  if (every) codes = 256;
  int next = 1;
  for (int c = 0; c < 256; ++c) tables.codeOf[c] = static_cast<uint8_t>(every ? c : present[c] ? next++ : 0);
  const int words = std::min((longest + 63) / 64, kMaxLaneWords);
  tables.words = words;
  // Per code and word one register of eight lanes, 64-byte aligned.
  const size_t cells = static_cast<size_t>(codes) * words * 8;
  tables.store.assign(cells + 8, 0);
  uint64_t* t = tables.store.data();
  while (reinterpret_cast<uintptr_t>(t) % 64 != 0) ++t;
  for (int l = 0; l < count; ++l) {
    const std::string_view p = patterns[l];
    for (size_t i = 0; i < p.size() && i < static_cast<size_t>(words) * 64; ++i) {
      const size_t code = tables.codeOf[static_cast<unsigned char>(p[i])];
      t[(code * words + i / 64) * 8 + l] |= uint64_t{1} << (i % 64);
    }
  }
  tables.byCode = t;
}

uint32_t LcsBelowLanes(const TLaneTables& tables, std::string_view text, const long long* need, uint32_t active) {
  const long long* needs[1] = {need};
  if (LaneFormInUse() == TLaneForm::kAvx2) {
    LcsBelowLanesAvx2(tables, &text, 1, needs, &active);
    return active;
  }
#if defined(KV_VECTOR_BATCH)
  switch (tables.words) {
    case 1: LcsBelowLanes512<1, 1>(tables, &text, needs, &active); break;
    case 2: LcsBelowLanes512<2, 1>(tables, &text, needs, &active); break;
    case 3: LcsBelowLanes512<3, 1>(tables, &text, needs, &active); break;
    default: LcsBelowLanes512<4, 1>(tables, &text, needs, &active); break;
  }
  return active;
#else
  (void)tables; (void)text; (void)needs;
  return 0;
#endif
}

void LcsBelowLanesOfTexts(const TLaneTables& tables, const std::string_view* texts, int count,
                          const long long* const* need, uint32_t* active) {
  if (LaneFormInUse() == TLaneForm::kAvx2) {
    LcsBelowLanesAvx2(tables, texts, count, need, active);
    return;
  }
#if defined(KV_VECTOR_BATCH)
  if (count != kLaneTexts) {
    for (int x = 0; x < count; ++x) active[x] = LcsBelowLanes(tables, texts[x], need[x], active[x]);
    return;
  }
  switch (tables.words) {
    case 1: LcsBelowLanes512<1, kLaneTexts>(tables, texts, need, active); break;
    case 2: LcsBelowLanes512<2, kLaneTexts>(tables, texts, need, active); break;
    case 3: LcsBelowLanes512<3, kLaneTexts>(tables, texts, need, active); break;
    default: LcsBelowLanes512<4, kLaneTexts>(tables, texts, need, active); break;
  }
#else
  (void)tables; (void)texts; (void)need;
  for (int x = 0; x < count; ++x) active[x] = 0;
#endif
}

void TLaneFilter::SetLane(int l, const THistogram32& h, long long len, long long k, long long b) {
  for (int w = 0; w < 4; ++w) std::memcpy(&hist[w][l], h.data() + 8 * w, 8);
  length[l] = len;
  limit[l] = k;
  best[l] = b;
}

uint32_t LaneFilter(const TLaneFilter& filter, const THistogram32& hist, long long len, long long maxIndex,
                    uint32_t takes, long long* limit, long long* need) {
  if (LaneFormInUse() == TLaneForm::kAvx2) return LaneFilterAvx2(filter, hist, len, maxIndex, takes, limit, need);
#if defined(KV_VECTOR_BATCH)
  return LaneFilter512(filter, hist, len, maxIndex, takes, limit, need);
#else
  (void)filter; (void)hist; (void)len; (void)maxIndex; (void)takes; (void)limit; (void)need;
  return 0;
#endif
}
