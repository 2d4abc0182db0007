// SSE2 row functions: four pixels at a time, the same float operations in the
// same order as the plain ones, and the same 8-bit blend.
#include "imaging/TransformKernels.h"

#include <emmintrin.h>

namespace transform_kernels {
namespace {

void MapRowSse2(const TFloatMatrix& R, int j, int x0, int n, float scale, std::int32_t* X,
                std::int32_t* Y)
{
    const float fj = float(j);
    const __m128 r00 = _mm_set1_ps(R[0][0]), r01 = _mm_set1_ps(R[0][1]), r02 = _mm_set1_ps(R[0][2]);
    const __m128 bx = _mm_set1_ps(fj * R[1][0]), by = _mm_set1_ps(fj * R[1][1]),
                 bz = _mm_set1_ps(fj * R[1][2]);
    const __m128 r20 = _mm_set1_ps(R[2][0]), r21 = _mm_set1_ps(R[2][1]), r22 = _mm_set1_ps(R[2][2]);
    const __m128 sc = _mm_set1_ps(scale);
    __m128i i = _mm_add_epi32(_mm_set1_epi32(x0), _mm_setr_epi32(0, 1, 2, 3));
    const __m128i four = _mm_set1_epi32(4);
    int k = 0;
    for (; k + 4 <= n; k += 4, i = _mm_add_epi32(i, four)) {
        const __m128 fi = _mm_cvtepi32_ps(i);
        const __m128 z = _mm_add_ps(_mm_add_ps(_mm_mul_ps(fi, r02), bz), r22);
        // A zero z divides to infinity or NaN, which converts to
        // NoSourcePosition just as the plain path's explicit test gives.
        const __m128 x = _mm_div_ps(_mm_add_ps(_mm_add_ps(_mm_mul_ps(fi, r00), bx), r20), z);
        const __m128 y = _mm_div_ps(_mm_add_ps(_mm_add_ps(_mm_mul_ps(fi, r01), by), r21), z);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(X + k), _mm_cvtps_epi32(_mm_mul_ps(sc, x)));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(Y + k), _mm_cvtps_epi32(_mm_mul_ps(sc, y)));
    }
    MapRowPlain(R, j, x0 + k, n - k, scale, X + k, Y + k);
}

// (w*x + (256 - w)*y + 128) >> 8 on 16-bit channels, written as
// 256*y + w*(x - y) + 128: the true value fits 16 bits unsigned, so the
// wrapping 16-bit arithmetic gives it exactly.
inline __m128i Lerp(__m128i x, __m128i y, __m128i w)
{
    const __m128i t = _mm_add_epi16(_mm_slli_epi16(y, 8), _mm_mullo_epi16(w, _mm_sub_epi16(x, y)));
    return _mm_srli_epi16(_mm_add_epi16(t, _mm_set1_epi16(128)), 8);
}

// Two pixels: pairs holds (p00, p10) of both as 64-bit halves for the top
// row, likewise for the bottom row; wx, wy hold each pixel's weight in all
// four 16-bit channels.
inline __m128i BilinearPair(__m128i topPairs, __m128i bottomPairs, __m128i wx, __m128i wy)
{
    const __m128i zero = _mm_setzero_si128();
    const __m128i t = _mm_shuffle_epi32(topPairs, _MM_SHUFFLE(3, 1, 2, 0));
    const __m128i b = _mm_shuffle_epi32(bottomPairs, _MM_SHUFFLE(3, 1, 2, 0));
    const __m128i top = Lerp(_mm_unpacklo_epi8(t, zero), _mm_unpackhi_epi8(t, zero), wx);
    const __m128i bottom = Lerp(_mm_unpacklo_epi8(b, zero), _mm_unpackhi_epi8(b, zero), wx);
    return Lerp(top, bottom, wy);
}

void SampleRowSse2(const TSampleSource& s, const std::int32_t* X, const std::int32_t* Y, int n,
                   TColor32* colour, std::uint8_t* draw)
{
    const __m128i sl = _mm_set1_epi32(s.SL), srm1 = _mm_set1_epi32(s.SR - 1);
    const __m128i st = _mm_set1_epi32(s.ST), sbm1 = _mm_set1_epi32(s.SB - 1);
    const __m128i m255 = _mm_set1_epi32(255);
    const std::size_t w = std::size_t(s.Width);
    int k = 0;
    for (; k + 4 <= n; k += 4) {
        const __m128i vx = _mm_loadu_si128(reinterpret_cast<const __m128i*>(X + k));
        const __m128i vy = _mm_loadu_si128(reinterpret_cast<const __m128i*>(Y + k));
        const __m128i cx = _mm_srai_epi32(vx, 8), cy = _mm_srai_epi32(vy, 8);
        const __m128i fast =
            _mm_and_si128(_mm_and_si128(_mm_cmpgt_epi32(cx, sl), _mm_cmplt_epi32(cx, srm1)),
                          _mm_and_si128(_mm_cmpgt_epi32(cy, st), _mm_cmplt_epi32(cy, sbm1)));
        if (_mm_movemask_ps(_mm_castsi128_ps(fast)) != 15) {
            SampleRowPlain(s, X + k, Y + k, 4, colour + k, draw + k);
            continue;
        }
        __m128i top[4], bottom[4];
        for (int q = 0; q < 4; ++q) {
            const TColor32* p = s.Bits + std::size_t(Y[k + q] >> 8) * w + (X[k + q] >> 8);
            top[q] = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p));
            bottom[q] = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p + w));
        }
        __m128i wx = _mm_sub_epi32(m255, _mm_and_si128(vx, m255));
        __m128i wy = _mm_sub_epi32(m255, _mm_and_si128(vy, m255));
        wx = _mm_or_si128(wx, _mm_slli_epi32(wx, 16));
        wy = _mm_or_si128(wy, _mm_slli_epi32(wy, 16));
        const __m128i c01 = BilinearPair(_mm_unpacklo_epi64(top[0], top[1]),
                                         _mm_unpacklo_epi64(bottom[0], bottom[1]),
                                         _mm_unpacklo_epi32(wx, wx), _mm_unpacklo_epi32(wy, wy));
        const __m128i c23 = BilinearPair(_mm_unpacklo_epi64(top[2], top[3]),
                                         _mm_unpacklo_epi64(bottom[2], bottom[3]),
                                         _mm_unpackhi_epi32(wx, wx), _mm_unpackhi_epi32(wy, wy));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(colour + k), _mm_packus_epi16(c01, c23));
        draw[k] = draw[k + 1] = draw[k + 2] = draw[k + 3] = 1;
    }
    SampleRowPlain(s, X + k, Y + k, n - k, colour + k, draw + k);
}

} // namespace

const TKernelSet* Sse2Kernels()
{
    static const TKernelSet set{TTransformPath::Sse2, MapRowSse2, SampleRowSse2};
    return CpuHasSse2() ? &set : nullptr;
}

} // namespace transform_kernels
