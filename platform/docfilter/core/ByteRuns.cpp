#include "ByteRuns.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace docfilter {

namespace {

bool Plain(unsigned char b) {
  return (b >= 0x20 && b < 0x7F) || b == '\t' || b == '\n' || b == '\r' || b == '\f';
}

#if defined(__SSE2__)
// The position of the first set bit of a 16-bit mask that is not zero.
std::size_t FirstSet(int mask) {
  return static_cast<std::size_t>(__builtin_ctz(static_cast<unsigned>(mask)));
}
#endif

}  // namespace

std::size_t AsciiRun(const char* p, std::size_t n) {
  std::size_t i = 0;
#if defined(__SSE2__)
  for (; i + 16 <= n; i += 16) {
    const int high = _mm_movemask_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i)));
    if (high) return i + FirstSet(high);
  }
#endif
  while (i < n && static_cast<unsigned char>(p[i]) < 0x80) ++i;
  return i;
}

std::size_t PlainAsciiRun(const char* p, std::size_t n) {
  std::size_t i = 0;
#if defined(__SSE2__)
  // Signed comparisons: bytes of 0x80 and above are negative, so "below 0x20" catches them.
  const __m128i space = _mm_set1_epi8(0x20);
  const __m128i del = _mm_set1_epi8(0x7F);
  for (; i + 16 <= n; i += 16) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
    __m128i kept = _mm_or_si128(_mm_cmpeq_epi8(v, _mm_set1_epi8('\t')),
                                _mm_cmpeq_epi8(v, _mm_set1_epi8('\n')));
    kept = _mm_or_si128(kept, _mm_cmpeq_epi8(v, _mm_set1_epi8('\r')));
    kept = _mm_or_si128(kept, _mm_cmpeq_epi8(v, _mm_set1_epi8('\f')));
    const __m128i low = _mm_andnot_si128(kept, _mm_cmplt_epi8(v, space));
    const int stop = _mm_movemask_epi8(_mm_or_si128(low, _mm_cmpeq_epi8(v, del)));
    if (stop) return i + FirstSet(stop);
  }
#endif
  while (i < n && Plain(static_cast<unsigned char>(p[i]))) ++i;
  return i;
}

}  // namespace docfilter
