#include "imaging/Bitmap32Scaled.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#if defined(__SSE2__)
#include "imaging/ColorMixSse2.h"
#include <emmintrin.h>
#endif

namespace scaled_draw {
namespace {

#if defined(__SSE2__)
Path gPath = Path::Sse2;
#else
Path gPath = Path::Plain;
#endif

// --- plain ------------------------------------------------------------------

void LinearRowPlain(const Sampling& s, const TColor32* s0, const TColor32* s1, std::uint32_t wy,
                    TColor32* d, int w)
{
    for (int i = 0; i < w; ++i) {
        const std::size_t k = std::size_t(i);
        const TColor32 left = plain::CombineColors(s0[s.col0[k]], s1[s.col0[k]], wy);
        const TColor32 right = plain::CombineColors(s0[s.col1[k]], s1[s.col1[k]], wy);
        d[i] = plain::CombineColors(left, right, s.wx[k]);
    }
}

#if defined(__SSE2__)
// --- SSE2 -------------------------------------------------------------------

// Pixels row[cols[k] - base] for k = 0..3.
inline __m128i Gather4(const TColor32* row, const int* cols, int base = 0)
{
    return _mm_set_epi32(int(row[cols[3] - base]), int(row[cols[2] - base]), int(row[cols[1] - base]),
                         int(row[cols[0] - base]));
}

// Weights of four columns, each spread over its pixel's four channels.
struct WeightLanes {
    std::vector<std::uint16_t> lanes; // 4 per column
    explicit WeightLanes(const std::vector<std::uint16_t>& wx) : lanes(wx.size() * 4)
    {
        for (std::size_t i = 0; i < wx.size(); ++i) std::fill_n(&lanes[i * 4], 4, wx[i]);
    }
    __m128i Lo(int i) const { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(&lanes[std::size_t(i) * 4])); }
    __m128i Hi(int i) const { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(&lanes[std::size_t(i) * 4 + 8])); }
};

// Per source column k of a row of vertically combined pixels v, with
// X = v[k] and Y = v[k + 1] (the last column pairs with itself), the
// horizontal mix w * X + (256 - w) * Y + 128 is rewritten as B + w * D with
// D = X - Y and B = 256 * Y + 128, four 16-bit channels each. The sum lies in
// 0..65408, so 16-bit lanes give it exactly even though w * D wraps.
struct ColumnTerms {
    std::vector<TColor32> v;
    std::vector<std::uint64_t> d, b;

    // v must hold n pixels; fills d and b for them.
    void Build(int n)
    {
        v.resize(std::size_t(n) + 3);
        v[std::size_t(n)] = v[std::size_t(n) - 1];
        d.resize(std::size_t(n) + 2);
        b.resize(std::size_t(n) + 2);
        const __m128i zero = _mm_setzero_si128();
        const __m128i c128 = _mm_set1_epi16(128);
        for (int k = 0; k < n; k += 2) {
            const __m128i x = _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(&v[std::size_t(k)])), zero);
            const __m128i y = _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(&v[std::size_t(k) + 1])), zero);
            _mm_storeu_si128(reinterpret_cast<__m128i*>(&d[std::size_t(k)]), _mm_sub_epi16(x, y));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(&b[std::size_t(k)]), _mm_add_epi16(_mm_slli_epi16(y, 8), c128));
        }
    }
    // Terms of the columns k0 and k1 side by side.
    static __m128i Pair(const std::vector<std::uint64_t>& t, int k0, int k1)
    {
        return _mm_unpacklo_epi64(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(&t[std::size_t(k0)])),
                                  _mm_loadl_epi64(reinterpret_cast<const __m128i*>(&t[std::size_t(k1)])));
    }
};

// Vertical pairs first (columns col0.front() .. col1.back() of the two rows),
// then the horizontal pairs: one multiply per channel and destination pixel.
// Used when the destination is at least half as wide as the columns it reads.
void LinearRowTwoPass(const Sampling& s, const WeightLanes& wl, const TColor32* s0, const TColor32* s1,
                      std::uint32_t wy, TColor32* d, int w, ColumnTerms& terms)
{
    const int first = s.col0.front(), last = s.col1.back();
    const int n = last - first + 1;
    std::vector<TColor32>& v = terms.v;
    v.resize(std::size_t(n) + 3);
    const __m128i wyv = _mm_set1_epi16(short(wy));
    int c = 0;
    for (; c + 4 <= n; c += 4) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s0 + first + c));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s1 + first + c));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(v.data() + c), MixPixels4(a, b, wyv, wyv));
    }
    for (; c < n; ++c) v[std::size_t(c)] = plain::CombineColors(s0[first + c], s1[first + c], wy);
    terms.Build(n);

    // Each destination pixel's pair starts at its first column (the second
    // is the next one, or the same one at the last column).
    int i = 0;
    for (; i + 4 <= w; i += 4) {
        const int* c0 = &s.col0[std::size_t(i)];
        const int k0 = c0[0] - first, k1 = c0[1] - first, k2 = c0[2] - first, k3 = c0[3] - first;
        __m128i lo = _mm_mullo_epi16(ColumnTerms::Pair(terms.d, k0, k1), wl.Lo(i));
        __m128i hi = _mm_mullo_epi16(ColumnTerms::Pair(terms.d, k2, k3), wl.Hi(i));
        lo = _mm_srli_epi16(_mm_add_epi16(lo, ColumnTerms::Pair(terms.b, k0, k1)), 8);
        hi = _mm_srli_epi16(_mm_add_epi16(hi, ColumnTerms::Pair(terms.b, k2, k3)), 8);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(d + i), _mm_packus_epi16(lo, hi));
    }
    for (; i < w; ++i) {
        const std::size_t k = std::size_t(i);
        d[i] = plain::CombineColors(v[std::size_t(s.col0[k] - first)], v[std::size_t(s.col1[k] - first)], s.wx[k]);
    }
}

// Four source pixels per destination pixel, for strong reductions where most
// source columns are skipped.
void LinearRowDirect(const Sampling& s, const WeightLanes& wl, const TColor32* s0, const TColor32* s1,
                     std::uint32_t wy, TColor32* d, int w)
{
    const __m128i wyv = _mm_set1_epi16(short(wy));
    int i = 0;
    for (; i + 4 <= w; i += 4) {
        const int* c0 = &s.col0[std::size_t(i)];
        const int* c1 = &s.col1[std::size_t(i)];
        const __m128i l = MixPixels4(Gather4(s0, c0), Gather4(s1, c0), wyv, wyv);
        const __m128i r = MixPixels4(Gather4(s0, c1), Gather4(s1, c1), wyv, wyv);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(d + i), MixPixels4(l, r, wl.Lo(i), wl.Hi(i)));
    }
    for (; i < w; ++i) {
        const std::size_t k = std::size_t(i);
        const TColor32 left = plain::CombineColors(s0[s.col0[k]], s1[s.col0[k]], wy);
        const TColor32 right = plain::CombineColors(s0[s.col1[k]], s1[s.col1[k]], wy);
        d[i] = plain::CombineColors(left, right, s.wx[k]);
    }
}
#endif

} // namespace

void DrawOpaque(TBitmap32& dest, const TRect& clip, const TBitmap32& source, const Sampling& s, bool linear)
{
    const int w = clip.Width();
#if defined(__SSE2__)
    const bool simd = gPath == Path::Sse2 && linear;
    const WeightLanes wl(simd ? s.wx : std::vector<std::uint16_t>());
    const bool twoPass = s.col1.back() - s.col0.front() + 1 <= 2 * w;
    ColumnTerms terms;
#endif
    for (int j = 0; j < clip.Height(); ++j) {
        const std::int64_t p = s.startY + j * s.stepY;
        const int r0 = std::min(s.top + int(p >> 16), s.lastRow);
        TColor32* d = dest.ScanLine(clip.Top + j) + clip.Left;
        const TColor32* s0 = source.ScanLine(r0);
        if (!linear) {
            for (int i = 0; i < w; ++i) d[i] = s0[s.col0[std::size_t(i)]];
            continue;
        }
        // On the last source row the second row is the first one again.
        const TColor32* s1 = source.ScanLine(std::min(r0 + 1, s.lastRow));
        const std::uint32_t wy = 255 - std::uint32_t((p >> 8) & 255);
#if defined(__SSE2__)
        if (simd) {
            if (twoPass)
                LinearRowTwoPass(s, wl, s0, s1, wy, d, w, terms);
            else
                LinearRowDirect(s, wl, s0, s1, wy, d, w);
            continue;
        }
#endif
        LinearRowPlain(s, s0, s1, wy, d, w);
    }
}

Sampling MakeSampling(const TRect& destRect, const TRect& clip, const TRect& src, bool linear)
{
    Sampling s;
    const std::int64_t spanX = linear ? src.Width() - 1 : src.Width();
    const std::int64_t spanY = linear ? src.Height() - 1 : src.Height();
    const std::int64_t stepX = (spanX << 16) / destRect.Width();
    s.stepY = (spanY << 16) / destRect.Height();
    const std::int64_t startX = std::int64_t(clip.Left - destRect.Left) * spanX * 65535 / destRect.Width();
    s.startY = std::int64_t(clip.Top - destRect.Top) * spanY * 65535 / destRect.Height();
    s.top = src.Top;
    s.lastRow = src.Bottom - 1;
    const int lastCol = src.Right - 1;
    const int w = clip.Width();
    s.col0.resize(std::size_t(w));
    s.col1.resize(std::size_t(w));
    s.wx.resize(std::size_t(w));
    for (int i = 0; i < w; ++i) {
        const std::int64_t p = startX + i * stepX;
        const int c = std::min(src.Left + int(p >> 16), lastCol);
        s.col0[std::size_t(i)] = c;
        s.col1[std::size_t(i)] = std::min(c + 1, lastCol);
        s.wx[std::size_t(i)] = std::uint16_t(255 - ((p >> 8) & 255));
    }
    return s;
}

void UsePath(Path path)
{
#if defined(__SSE2__)
    gPath = path;
#else
    (void)path;
#endif
}

Path ActivePath()
{
    return gPath;
}

} // namespace scaled_draw
