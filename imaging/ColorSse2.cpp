// SSE2 versions of the row blends: four pixels at a time, same results as
// the plain versions.
//
// Both blends reduce to one formula per channel, (w*F + (256-w)*B + 128) >> 8:
// w = 0 leaves B and w = 256 gives F exactly, so no per-pixel branches are
// needed.
#include "imaging/ColorSimd.h"

#if defined(__x86_64__) || defined(__i386__)
#include "imaging/ColorMixSse2.h"

namespace {

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
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i), MixPixels4(f, b, w));
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
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i), MixPixels4(f, b, w));
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
