// SSE2 versions of the row blends: four pixels at a time, same results as
// the plain versions.
//
// Both blends reduce to one formula per channel, (w*F + (256-w)*B + 128) >> 8:
// w = 0 leaves B and w = 256 gives F exactly, so no per-pixel branches are
// needed.
#include "imaging/ColorSimd.h"

#if defined(__x86_64__) || defined(__i386__)
#include <emmintrin.h>

namespace {

inline __m128i MixPixels(__m128i f, __m128i b, __m128i w32)
{
    const __m128i zero = _mm_setzero_si128();
    const __m128i k256 = _mm_set1_epi16(256);
    const __m128i k128 = _mm_set1_epi16(128);
    // Spread each pixel's weight over its four 16-bit channels.
    const __m128i w16 = _mm_or_si128(w32, _mm_slli_epi32(w32, 16));
    const __m128i wlo = _mm_unpacklo_epi32(w16, w16);
    const __m128i whi = _mm_unpackhi_epi32(w16, w16);
    const __m128i flo = _mm_unpacklo_epi8(f, zero), fhi = _mm_unpackhi_epi8(f, zero);
    const __m128i blo = _mm_unpacklo_epi8(b, zero), bhi = _mm_unpackhi_epi8(b, zero);
    __m128i lo = _mm_add_epi16(_mm_mullo_epi16(flo, wlo), _mm_mullo_epi16(blo, _mm_sub_epi16(k256, wlo)));
    __m128i hi = _mm_add_epi16(_mm_mullo_epi16(fhi, whi), _mm_mullo_epi16(bhi, _mm_sub_epi16(k256, whi)));
    lo = _mm_srli_epi16(_mm_add_epi16(lo, k128), 8);
    hi = _mm_srli_epi16(_mm_add_epi16(hi, k128), 8);
    return _mm_packus_epi16(lo, hi);
}

void Sse2BlendRowOver(const TColor32* src, TColor32* dst, int count)
{
    const TColorFunctionSet& plainSet = PlainColorFunctions();
    int i = 0;
    const __m128i one = _mm_set1_epi32(1);
    for (; i + 4 <= count; i += 4) {
        const __m128i f = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(dst + i));
        const __m128i a = _mm_srli_epi32(f, 24);
        // a = 255 becomes 256 so that an opaque source is copied exactly.
        const __m128i w = _mm_add_epi32(a, _mm_srli_epi32(_mm_add_epi32(a, one), 8));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i), MixPixels(f, b, w));
    }
    if (i < count) plainSet.BlendRowOver(src + i, dst + i, count - i);
}

void Sse2BlendRowOverMaster(const TColor32* src, TColor32* dst, int count, std::uint32_t m)
{
    const TColorFunctionSet& plainSet = PlainColorFunctions();
    int i = 0;
    const __m128i one = _mm_set1_epi32(1);
    const __m128i mv = _mm_set1_epi32(int(m > 255 ? 255 : m));
    for (; i + 4 <= count; i += 4) {
        const __m128i f = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(dst + i));
        const __m128i a1 = _mm_add_epi32(_mm_srli_epi32(f, 24), one);
        // (a + 1) * M fits in 16 bits, so a 16-bit multiply of each lane's low half is exact.
        const __m128i w = _mm_srli_epi32(_mm_mullo_epi16(a1, mv), 8);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i), MixPixels(f, b, w));
    }
    if (i < count) plainSet.BlendRowOverMaster(src + i, dst + i, count - i, m);
}

} // namespace

const TColorFunctionSet& colorsimd::Sse2Set()
{
    static const TColorFunctionSet set = [] {
        TColorFunctionSet s = PlainColorFunctions();
        s.Name = "sse2";
        s.BlendRowOver = Sse2BlendRowOver;
        s.BlendRowOverMaster = Sse2BlendRowOverMaster;
        return s;
    }();
    return set;
}
#endif
