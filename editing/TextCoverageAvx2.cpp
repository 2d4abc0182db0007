// AVX2 version of the coverage reduction: sixteen column sums at a time.
#include "editing/TextCoverage.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>

void coveragesimd::ReduceRowAvx2(const TColor32* src, std::ptrdiff_t stride, int blocks, int level,
                                 TColor32 rgb, TColor32* out, std::uint16_t* colSums)
{
    const int n = 1 << level;
    const int cols = blocks * n;
    const __m256i blue = _mm256_set1_epi32(0xFF);
    int x = 0;
    for (; x + 16 <= cols; x += 16) {
        __m256i acc = _mm256_setzero_si256();
        for (int r = 0; r < n; ++r) {
            const TColor32* p = src + r * stride + x;
            const __m256i a = _mm256_and_si256(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(p)), blue);
            const __m256i b = _mm256_and_si256(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + 8)), blue);
            acc = _mm256_add_epi16(acc, _mm256_packs_epi32(a, b));
        }
        // The pack works within 128-bit halves; put the columns back in order.
        acc = _mm256_permute4x64_epi64(acc, 0xD8);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(colSums + x), acc);
    }
    for (; x < cols; ++x) {
        std::uint32_t s = 0;
        for (int r = 0; r < n; ++r) s += src[r * stride + x] & 0xFFu;
        colSums[x] = std::uint16_t(s);
    }
    for (int b = 0; b < blocks; ++b) {
        std::uint32_t s = 0;
        const std::uint16_t* c = colSums + std::ptrdiff_t(b) * n;
        for (int i = 0; i < n; ++i) s += c[i];
        out[b] = ((s >> level >> level) << 24) + rgb;
    }
}
#endif
