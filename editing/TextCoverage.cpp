#include "editing/TextCoverage.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

void ReduceRowPlain(const TColor32* src, std::ptrdiff_t stride, int blocks, int level, TColor32 rgb,
                    TColor32* out, std::uint16_t*)
{
    const int n = 1 << level;
    for (int b = 0; b < blocks; ++b) {
        std::uint32_t s = 0;
        for (int r = 0; r < n; ++r) {
            const TColor32* p = src + r * stride + std::ptrdiff_t(b) * n;
            for (int c = 0; c < n; ++c) s += p[c] & 0xFFu;
        }
        out[b] = ((s >> level >> level) << 24) + rgb;
    }
}

#if defined(__SSE2__)
// Column sums of eight pixels at a time in 16-bit lanes (at most 16 * 255),
// then the block sums from the column sums.
void ReduceRowSse2(const TColor32* src, std::ptrdiff_t stride, int blocks, int level, TColor32 rgb,
                   TColor32* out, std::uint16_t* colSums)
{
    const int n = 1 << level;
    const int cols = blocks * n;
    const __m128i blue = _mm_set1_epi32(0xFF);
    int x = 0;
    for (; x + 8 <= cols; x += 8) {
        __m128i acc = _mm_setzero_si128();
        for (int r = 0; r < n; ++r) {
            const TColor32* p = src + r * stride + x;
            const __m128i a = _mm_and_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)), blue);
            const __m128i b = _mm_and_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 4)), blue);
            acc = _mm_add_epi16(acc, _mm_packs_epi32(a, b));
        }
        _mm_storeu_si128(reinterpret_cast<__m128i*>(colSums + x), acc);
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

const TCoverageReducer kPlain{"plain", ReduceRowPlain};
#if defined(__SSE2__)
const TCoverageReducer kSse2{"sse2", ReduceRowSse2};
#endif
#if defined(__x86_64__) || defined(__i386__)
const TCoverageReducer kAvx2{"avx2", coveragesimd::ReduceRowAvx2};
#endif

const TCoverageReducer* Best()
{
    if (const TCoverageReducer* r = Avx2CoverageReducer()) return r;
    if (const TCoverageReducer* r = Sse2CoverageReducer()) return r;
    return &kPlain;
}

// Chosen once at start-up.
const TCoverageReducer* gActive = Best();

} // namespace

const TCoverageReducer& PlainCoverageReducer() { return kPlain; }

const TCoverageReducer* Sse2CoverageReducer()
{
#if defined(__SSE2__)
    if (CpuHasSse2()) return &kSse2;
#endif
    return nullptr;
}

const TCoverageReducer* Avx2CoverageReducer()
{
#if defined(__x86_64__) || defined(__i386__)
    if (CpuHasAvx2()) return &kAvx2;
#endif
    return nullptr;
}

const TCoverageReducer& ActiveCoverageReducer()
{
    // A caller running before this file's start-up code still gets the best one.
    if (!gActive) gActive = Best();
    return *gActive;
}

void UseCoverageReducer(const TCoverageReducer& reducer) { gActive = &reducer; }
