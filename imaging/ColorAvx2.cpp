// AVX2 versions of the row blends: eight pixels at a time, same results as
// the plain versions.
//
// Both blends reduce to one formula per channel, (w*F + (256-w)*B + 128) >> 8:
// w = 0 leaves B and w = 256 gives F exactly, so no per-pixel branches are
// needed.
#include "imaging/ColorSimd.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>

namespace {

inline __m256i MixPixels(__m256i f, __m256i b, __m256i w32)
{
    const __m256i zero = _mm256_setzero_si256();
    const __m256i k256 = _mm256_set1_epi16(256);
    const __m256i k128 = _mm256_set1_epi16(128);
    // Spread each pixel's weight over its four 16-bit channels.
    const __m256i w16 = _mm256_or_si256(w32, _mm256_slli_epi32(w32, 16));
    const __m256i wlo = _mm256_unpacklo_epi32(w16, w16);
    const __m256i whi = _mm256_unpackhi_epi32(w16, w16);
    const __m256i flo = _mm256_unpacklo_epi8(f, zero), fhi = _mm256_unpackhi_epi8(f, zero);
    const __m256i blo = _mm256_unpacklo_epi8(b, zero), bhi = _mm256_unpackhi_epi8(b, zero);
    __m256i lo = _mm256_add_epi16(_mm256_mullo_epi16(flo, wlo), _mm256_mullo_epi16(blo, _mm256_sub_epi16(k256, wlo)));
    __m256i hi = _mm256_add_epi16(_mm256_mullo_epi16(fhi, whi), _mm256_mullo_epi16(bhi, _mm256_sub_epi16(k256, whi)));
    lo = _mm256_srli_epi16(_mm256_add_epi16(lo, k128), 8);
    hi = _mm256_srli_epi16(_mm256_add_epi16(hi, k128), 8);
    return _mm256_packus_epi16(lo, hi);
}

void Avx2BlendRowOver(const TColor32* src, TColor32* dst, int count)
{
    const TColorFunctionSet& plainSet = PlainColorFunctions();
    int i = 0;
    const __m256i one = _mm256_set1_epi32(1);
    for (; i + 8 <= count; i += 8) {
        const __m256i f = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(src + i));
        const __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(dst + i));
        const __m256i a = _mm256_srli_epi32(f, 24);
        // a = 255 becomes 256 so that an opaque source is copied exactly.
        const __m256i w = _mm256_add_epi32(a, _mm256_srli_epi32(_mm256_add_epi32(a, one), 8));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst + i), MixPixels(f, b, w));
    }
    if (i < count) plainSet.BlendRowOver(src + i, dst + i, count - i);
}

void Avx2BlendRowOverMaster(const TColor32* src, TColor32* dst, int count, std::uint32_t m)
{
    const TColorFunctionSet& plainSet = PlainColorFunctions();
    int i = 0;
    const __m256i one = _mm256_set1_epi32(1);
    const __m256i mv = _mm256_set1_epi32(int(m > 255 ? 255 : m));
    for (; i + 8 <= count; i += 8) {
        const __m256i f = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(src + i));
        const __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(dst + i));
        const __m256i a1 = _mm256_add_epi32(_mm256_srli_epi32(f, 24), one);
        // (a + 1) * M fits in 16 bits, so a 16-bit multiply of each lane's low half is exact.
        const __m256i w = _mm256_srli_epi32(_mm256_mullo_epi16(a1, mv), 8);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst + i), MixPixels(f, b, w));
    }
    if (i < count) plainSet.BlendRowOverMaster(src + i, dst + i, count - i, m);
}

} // namespace

const TColorFunctionSet& colorsimd::Avx2Set()
{
    static const TColorFunctionSet set = [] {
        TColorFunctionSet s = PlainColorFunctions();
        s.Name = "avx2";
        s.BlendRowOver = Avx2BlendRowOver;
        s.BlendRowOverMaster = Avx2BlendRowOverMaster;
        return s;
    }();
    return set;
}
#endif
