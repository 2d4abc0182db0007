// The SSE2 channel mix shared by the vectorised colour functions and the
// view's scaled draw: (w * X + (256 - w) * Y + 128) >> 8 per channel for
// four pixels. Weights run 0..256; 0 gives Y and 256 gives X exactly.
#pragma once

#if defined(__SSE2__)
#include <emmintrin.h>

// wLo holds the weights of pixels 0 and 1 (four 16-bit lanes each), wHi
// those of pixels 2 and 3.
inline __m128i MixPixels4(__m128i x, __m128i y, __m128i wLo, __m128i wHi)
{
    const __m128i zero = _mm_setzero_si128();
    const __m128i c256 = _mm_set1_epi16(256);
    const __m128i c128 = _mm_set1_epi16(128);
    const __m128i xl = _mm_unpacklo_epi8(x, zero), xh = _mm_unpackhi_epi8(x, zero);
    const __m128i yl = _mm_unpacklo_epi8(y, zero), yh = _mm_unpackhi_epi8(y, zero);
    // The sum stays below 65536, so 16-bit lanes hold it without carry.
    __m128i rl = _mm_add_epi16(_mm_mullo_epi16(xl, wLo), _mm_mullo_epi16(yl, _mm_sub_epi16(c256, wLo)));
    __m128i rh = _mm_add_epi16(_mm_mullo_epi16(xh, wHi), _mm_mullo_epi16(yh, _mm_sub_epi16(c256, wHi)));
    rl = _mm_srli_epi16(_mm_add_epi16(rl, c128), 8);
    rh = _mm_srli_epi16(_mm_add_epi16(rh, c128), 8);
    return _mm_packus_epi16(rl, rh);
}

// Mixes with one weight per pixel, given in the four 32-bit lanes of w32.
inline __m128i MixPixels4(__m128i x, __m128i y, __m128i w32)
{
    const __m128i w16 = _mm_or_si128(w32, _mm_slli_epi32(w32, 16));
    return MixPixels4(x, y, _mm_unpacklo_epi32(w16, w16), _mm_unpackhi_epi32(w16, w16));
}
#endif
