#include "content/ChunkText.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace kelmsgs {

namespace {

char16_t Clean(unsigned char b) {
  const bool kept = b >= 32 || b == '\t' || b == '\n' || b == '\f' || b == '\r';
  return static_cast<char16_t>(kept ? b : ' ');
}

#if defined(__SSE2__)
// Sixteen bytes widened to sixteen 16-bit units at out.
void StoreWidened(char16_t* out, __m128i v) {
  const __m128i zero = _mm_setzero_si128();
  _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm_unpacklo_epi8(v, zero));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 8), _mm_unpackhi_epi8(v, zero));
}

__m128i Load(const unsigned char* bytes) {
  return _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes));
}
#endif

}  // namespace

std::size_t LeadingBlankBytes(const unsigned char* bytes, std::size_t n) noexcept {
  std::size_t start = 0;
  while (start < n && bytes[start] <= 32) ++start;
  return start;
}

void CleanInto(char16_t* out, const unsigned char* bytes, std::size_t n) noexcept {
  std::size_t i = 0;
#if defined(__SSE2__)
  // Sixteen bytes at a time: the control bytes to replace are those below 32 (compared
  // as signed after flipping the top bit) that are not tab, line feed, form feed or
  // carriage return.
  const __m128i flip = _mm_set1_epi8(static_cast<char>(0x80));
  const __m128i below = _mm_set1_epi8(static_cast<char>(32 ^ 0x80));
  const __m128i space = _mm_set1_epi8(' ');
  for (; i + 16 <= n; i += 16) {
    const __m128i v = Load(bytes + i);
    __m128i kept = _mm_or_si128(_mm_cmpeq_epi8(v, _mm_set1_epi8('\t')),
                                _mm_cmpeq_epi8(v, _mm_set1_epi8('\n')));
    kept = _mm_or_si128(kept, _mm_cmpeq_epi8(v, _mm_set1_epi8('\f')));
    kept = _mm_or_si128(kept, _mm_cmpeq_epi8(v, _mm_set1_epi8('\r')));
    const __m128i control = _mm_cmplt_epi8(_mm_xor_si128(v, flip), below);
    const __m128i replace = _mm_andnot_si128(kept, control);
    StoreWidened(out + i,
                 _mm_or_si128(_mm_andnot_si128(replace, v), _mm_and_si128(replace, space)));
  }
#endif
  for (; i < n; ++i) out[i] = Clean(bytes[i]);
}

void WidenInto16(char16_t* out, const unsigned char* bytes, std::size_t n) noexcept {
  std::size_t i = 0;
#if defined(__SSE2__)
  for (; i + 16 <= n; i += 16) StoreWidened(out + i, Load(bytes + i));
#endif
  for (; i < n; ++i) out[i] = bytes[i];
}

}  // namespace kelmsgs
