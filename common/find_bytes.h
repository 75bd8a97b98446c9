// The first occurrence of a byte string in a text. Sixteen places at a time
// are tested for the needle's first and last byte (SSE2), and only where both
// agree are the bytes between compared: this runs at the speed of memory for
// the short markup and lines it is asked for, where the C library's memmem
// takes a byte at a time for short needles. A text that makes most tested
// places agree (a run of one letter, say) is handed to memmem, which stays
// linear whatever the text; without memmem, a Boyer-Moore-Horspool search.
#pragma once
#include <algorithm>
#include <cstring>
#include <functional>
#include <string_view>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace find_bytes_detail {

// The linear search the fast loop hands over to.
inline size_t Linear(std::string_view hay, std::string_view needle) {
  if (needle.size() > hay.size()) return std::string_view::npos;
#if defined(__GLIBC__)
  const void* f = memmem(hay.data(), hay.size(), needle.data(), needle.size());
  return f == nullptr ? std::string_view::npos : static_cast<size_t>(static_cast<const char*>(f) - hay.data());
#else
  auto it = std::search(hay.begin(), hay.end(), std::boyer_moore_horspool_searcher(needle.begin(), needle.end()));
  return it == hay.end() ? std::string_view::npos : static_cast<size_t>(it - hay.begin());
#endif
}

}  // namespace find_bytes_detail

// Offset of the first occurrence of needle (non-empty) in hay, or npos.
inline size_t FindFirstBytes(std::string_view hay, std::string_view needle) {
  const size_t m = needle.size(), n = hay.size();
  if (m > n) return std::string_view::npos;
  if (m == 1) {
    const void* f = std::memchr(hay.data(), static_cast<unsigned char>(needle[0]), n);
    return f == nullptr ? std::string_view::npos : static_cast<size_t>(static_cast<const char*>(f) - hay.data());
  }
  // The rest of the search, from place i on, by the linear search.
  auto linearFrom = [&](size_t i) {
    const size_t f = find_bytes_detail::Linear(hay.substr(i), needle);
    return f == std::string_view::npos ? f : i + f;
  };
  size_t i = 0;
#if defined(__SSE2__)
  const char* d = hay.data();
  const __m128i first = _mm_set1_epi8(needle[0]);
  const __m128i last = _mm_set1_epi8(needle[m - 1]);
  const size_t starts = n - m + 1;  // places where an occurrence may start
  size_t misses = 0;
  for (; i + 16 <= starts; i += 16) {
    const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + i));
    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + i + m - 1));
    unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(_mm_and_si128(_mm_cmpeq_epi8(a, first), _mm_cmpeq_epi8(b, last))));
    while (mask != 0) {
      const size_t at = i + static_cast<size_t>(__builtin_ctz(mask));
      if (std::memcmp(d + at + 1, needle.data() + 1, m - 2) == 0) return at;
      mask &= mask - 1;
      // More than one false place in sixteen bytes on average: the text
      // is too like the needle for this filter.
      if (++misses > 64 + i / 16) return linearFrom(i);
    }
  }
#endif
  return linearFrom(i);
}

// Offset in hay of the first occurrence of needle (non-empty) that starts at
// or after from, or npos.
inline size_t FindBytesFrom(std::string_view hay, std::string_view needle, size_t from) {
  if (from > hay.size()) return std::string_view::npos;
  const size_t f = FindFirstBytes(hay.substr(from), needle);
  return f == std::string_view::npos ? f : from + f;
}
