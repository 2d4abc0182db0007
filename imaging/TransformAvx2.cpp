// AVX2 row functions: eight pixels at a time, the same float operations in the
// same order as the plain ones (this file is built without contraction into
// fused multiply-adds), and the same 8-bit blend.
#include "imaging/TransformKernels.h"

#include <immintrin.h>

#include <cstring>

namespace transform_kernels {
namespace {

void MapRowAvx2(const TFloatMatrix& R, int j, int x0, int n, float scale, std::int32_t* X,
                std::int32_t* Y)
{
    const float fj = float(j);
    const __m256 r00 = _mm256_set1_ps(R[0][0]), r01 = _mm256_set1_ps(R[0][1]),
                 r02 = _mm256_set1_ps(R[0][2]);
    const __m256 bx = _mm256_set1_ps(fj * R[1][0]), by = _mm256_set1_ps(fj * R[1][1]),
                 bz = _mm256_set1_ps(fj * R[1][2]);
    const __m256 r20 = _mm256_set1_ps(R[2][0]), r21 = _mm256_set1_ps(R[2][1]),
                 r22 = _mm256_set1_ps(R[2][2]);
    const __m256 sc = _mm256_set1_ps(scale);
    __m256i i = _mm256_add_epi32(_mm256_set1_epi32(x0), _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7));
    const __m256i eight = _mm256_set1_epi32(8);
    int k = 0;
    for (; k + 8 <= n; k += 8, i = _mm256_add_epi32(i, eight)) {
        const __m256 fi = _mm256_cvtepi32_ps(i);
        const __m256 z = _mm256_add_ps(_mm256_add_ps(_mm256_mul_ps(fi, r02), bz), r22);
        // A zero z divides to infinity or NaN, which converts to
        // NoSourcePosition just as the plain path's explicit test gives.
        const __m256 x =
            _mm256_div_ps(_mm256_add_ps(_mm256_add_ps(_mm256_mul_ps(fi, r00), bx), r20), z);
        const __m256 y =
            _mm256_div_ps(_mm256_add_ps(_mm256_add_ps(_mm256_mul_ps(fi, r01), by), r21), z);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(X + k),
                            _mm256_cvtps_epi32(_mm256_mul_ps(sc, x)));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(Y + k),
                            _mm256_cvtps_epi32(_mm256_mul_ps(sc, y)));
    }
    MapRowPlain(R, j, x0 + k, n - k, scale, X + k, Y + k);
}

// (w*x + (256 - w)*y + 128) >> 8 on 16-bit channels, written as
// 256*y + w*(x - y) + 128: the true value fits 16 bits unsigned, so the
// wrapping 16-bit arithmetic gives it exactly.
inline __m256i Lerp(__m256i x, __m256i y, __m256i w)
{
    const __m256i t =
        _mm256_add_epi16(_mm256_slli_epi16(y, 8), _mm256_mullo_epi16(w, _mm256_sub_epi16(x, y)));
    return _mm256_srli_epi16(_mm256_add_epi16(t, _mm256_set1_epi16(128)), 8);
}

// Four pixels: topPairs holds (p00, p10) of each as 64-bit elements, likewise
// bottomPairs for the next source row; wx, wy hold the weights of pixels
// 0, 1 | 2, 3 in all four 16-bit channels. Result in 16-bit channels, pixels
// 0, 1 | 2, 3.
inline __m256i BilinearQuad(__m256i topPairs, __m256i bottomPairs, __m256i wx, __m256i wy)
{
    const __m256i zero = _mm256_setzero_si256();
    const __m256i t = _mm256_shuffle_epi32(topPairs, _MM_SHUFFLE(3, 1, 2, 0));
    const __m256i b = _mm256_shuffle_epi32(bottomPairs, _MM_SHUFFLE(3, 1, 2, 0));
    const __m256i top = Lerp(_mm256_unpacklo_epi8(t, zero), _mm256_unpackhi_epi8(t, zero), wx);
    const __m256i bottom = Lerp(_mm256_unpacklo_epi8(b, zero), _mm256_unpackhi_epi8(b, zero), wx);
    return Lerp(top, bottom, wy);
}

// The pixel at each of four indices with its right-hand neighbour, as 64-bit
// elements. Plain loads: on the processors we met they beat the gathers.
inline __m256i LoadPairs(const TColor32* bits, const std::int32_t* at)
{
    auto pair = [&](int q) { return _mm_loadl_epi64(reinterpret_cast<const __m128i*>(bits + at[q])); };
    const __m128i low = _mm_unpacklo_epi64(pair(0), pair(1));
    const __m128i high = _mm_unpacklo_epi64(pair(2), pair(3));
    return _mm256_inserti128_si256(_mm256_castsi128_si256(low), high, 1);
}

void SampleRowAvx2(const TSampleSource& s, const std::int32_t* X, const std::int32_t* Y, int n,
                   TColor32* colour, std::uint8_t* draw)
{
    const __m256i sl = _mm256_set1_epi32(s.SL), srm1 = _mm256_set1_epi32(s.SR - 1);
    const __m256i st = _mm256_set1_epi32(s.ST), sbm1 = _mm256_set1_epi32(s.SB - 1);
    const __m256i m255 = _mm256_set1_epi32(255);
    const __m256i width = _mm256_set1_epi32(s.Width);
    const __m256i first = _mm256_setr_epi32(0, 0, 1, 1, 2, 2, 3, 3);
    const __m256i second = _mm256_setr_epi32(4, 4, 5, 5, 6, 6, 7, 7);
    const TColor32* below = s.Bits + s.Width;
    int k = 0;
    for (; k + 8 <= n; k += 8) {
        const __m256i vx = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(X + k));
        const __m256i vy = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(Y + k));
        const __m256i cx = _mm256_srai_epi32(vx, 8), cy = _mm256_srai_epi32(vy, 8);
        const __m256i fast = _mm256_and_si256(
            _mm256_and_si256(_mm256_cmpgt_epi32(cx, sl), _mm256_cmpgt_epi32(srm1, cx)),
            _mm256_and_si256(_mm256_cmpgt_epi32(cy, st), _mm256_cmpgt_epi32(sbm1, cy)));
        if (_mm256_movemask_ps(_mm256_castsi256_ps(fast)) != 0xFF) {
            SampleRowPlain(s, X + k, Y + k, 8, colour + k, draw + k);
            continue;
        }
        // Inside the clip the pixel index is below width * height.
        static_assert(TBitmap32::MaxPixels <= INT32_MAX);
        const __m256i index = _mm256_add_epi32(_mm256_mullo_epi32(cy, width), cx);
        __m256i wx = _mm256_sub_epi32(m255, _mm256_and_si256(vx, m255));
        __m256i wy = _mm256_sub_epi32(m255, _mm256_and_si256(vy, m255));
        wx = _mm256_or_si256(wx, _mm256_slli_epi32(wx, 16));
        wy = _mm256_or_si256(wy, _mm256_slli_epi32(wy, 16));
        alignas(32) std::int32_t at[8];
        _mm256_store_si256(reinterpret_cast<__m256i*>(at), index);
        const __m256i c03 = BilinearQuad(LoadPairs(s.Bits, at), LoadPairs(below, at),
                                         _mm256_permutevar8x32_epi32(wx, first),
                                         _mm256_permutevar8x32_epi32(wy, first));
        const __m256i c47 = BilinearQuad(LoadPairs(s.Bits, at + 4), LoadPairs(below, at + 4),
                                         _mm256_permutevar8x32_epi32(wx, second),
                                         _mm256_permutevar8x32_epi32(wy, second));
        // packus gives pixels 0 1 4 5 | 2 3 6 7; put them in order.
        const __m256i c = _mm256_permute4x64_epi64(_mm256_packus_epi16(c03, c47),
                                                   _MM_SHUFFLE(3, 1, 2, 0));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(colour + k), c);
        const std::uint64_t all = 0x0101010101010101u;
        std::memcpy(draw + k, &all, 8);
    }
    SampleRowPlain(s, X + k, Y + k, n - k, colour + k, draw + k);
}

} // namespace

const TKernelSet* Avx2Kernels()
{
    static const TKernelSet set{TTransformPath::Avx2, MapRowAvx2, SampleRowAvx2};
    return CpuHasAvx2() ? &set : nullptr;
}

} // namespace transform_kernels
