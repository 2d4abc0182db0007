// Plain implementations of the colour functions, the start-up choice between
// the plain and vectorised sets, and the functions that are not vectorised.
#include "imaging/Color32.h"
#include "imaging/ColorSimd.h"

#include <algorithm>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

TColor32 PlainCombineColors(TColor32 x, TColor32 y, std::uint32_t w)
{
    return plain::CombineColors(x, y, w);
}

void PlainCombineInto(TColor32 x, TColor32& y, std::uint32_t w)
{
    if (w == 0) return;
    if (w >= 255) {
        y = x;
        return;
    }
    y = plain::CombineColors(x, y, w);
}

TColor32 PlainBlendOver(TColor32 f, TColor32 b)
{
    return plain::CombineColors(f, b, f >> 24);
}

void PlainBlendOverInto(TColor32 f, TColor32& b)
{
    const std::uint32_t a = f >> 24;
    if (a == 0) return;
    if (a == 255) {
        b = f;
        return;
    }
    b = plain::CombineColors(f, b, a);
}

void PlainBlendOverMaster(TColor32 f, TColor32& b, std::uint32_t m)
{
    const std::uint32_t a = f >> 24;
    if (a == 0) return;
    const std::uint32_t w = ((m + 1) * a) >> 8;
    if (w == 0) return;
    b = plain::CombineColors(f, b, w);
}

void PlainBlendRowOver(const TColor32* src, TColor32* dst, int count)
{
    for (int i = 0; i < count; ++i) PlainBlendOverInto(src[i], dst[i]);
}

void PlainBlendRowOverMaster(const TColor32* src, TColor32* dst, int count, std::uint32_t m)
{
    // The row version weights by (a + 1) * M, unlike BlendOverMaster's (M + 1) * a.
    if (m > 255) m = 255;
    for (int i = 0; i < count; ++i) {
        const TColor32 f = src[i];
        const std::uint32_t a = f >> 24;
        if (a == 0) continue;
        const std::uint32_t w = ((a + 1) * m) >> 8;
        if (w == 0) continue;
        dst[i] = plain::CombineColors(f, dst[i], w);
    }
}

const TColorFunctionSet kPlainSet = {
    "plain",
    PlainCombineColors,
    PlainCombineInto,
    PlainBlendOver,
    PlainBlendOverInto,
    PlainBlendOverMaster,
    PlainBlendRowOver,
    PlainBlendRowOverMaster,
};

const TColorFunctionSet* gActive = &kPlainSet;

struct CpuFeatures {
    bool sse2 = false;
    bool avx2 = false;
    CpuFeatures()
    {
#if defined(__x86_64__) || defined(__i386__)
        __builtin_cpu_init();
        sse2 = __builtin_cpu_supports("sse2");
        avx2 = __builtin_cpu_supports("avx2");
#endif
    }
};

const CpuFeatures& Features()
{
    static const CpuFeatures features;
    return features;
}

// Picks the best set once, when the program starts.
const bool gSelected = [] {
    if (const TColorFunctionSet* s = Avx2ColorFunctions())
        UseColorFunctions(*s);
    else if (const TColorFunctionSet* s2 = Sse2ColorFunctions())
        UseColorFunctions(*s2);
    return true;
}();

} // namespace

TCombineColorsFn CombineColors = PlainCombineColors;
TCombineIntoFn CombineInto = PlainCombineInto;
TBlendOverFn BlendOver = PlainBlendOver;
TBlendOverIntoFn BlendOverInto = PlainBlendOverInto;
TBlendOverMasterFn BlendOverMaster = PlainBlendOverMaster;
TBlendRowOverFn BlendRowOver = PlainBlendRowOver;
TBlendRowOverMasterFn BlendRowOverMaster = PlainBlendRowOverMaster;

bool CpuHasSse2() { return Features().sse2; }
bool CpuHasAvx2() { return Features().avx2; }

const TColorFunctionSet& PlainColorFunctions() { return kPlainSet; }

const TColorFunctionSet* Sse2ColorFunctions()
{
#if defined(__x86_64__) || defined(__i386__)
    if (CpuHasSse2()) return &colorsimd::Sse2Set();
#endif
    return nullptr;
}

const TColorFunctionSet* Avx2ColorFunctions()
{
#if defined(__x86_64__) || defined(__i386__)
    if (CpuHasAvx2()) return &colorsimd::Avx2Set();
#endif
    return nullptr;
}

const TColorFunctionSet& ActiveColorFunctions()
{
    (void)gSelected;
    return *gActive;
}

void UseColorFunctions(const TColorFunctionSet& set)
{
    gActive = &set;
    CombineColors = set.CombineColors;
    CombineInto = set.CombineInto;
    BlendOver = set.BlendOver;
    BlendOverInto = set.BlendOverInto;
    BlendOverMaster = set.BlendOverMaster;
    BlendRowOver = set.BlendRowOver;
    BlendRowOverMaster = set.BlendRowOverMaster;
}

TColor32 ShiftBrightness(TColor32 c, int n)
{
    auto shift = [n](std::uint32_t v) { return std::uint32_t(std::clamp(int(v) + n, 0, 255)); };
    return (c & 0xFF000000u) | (shift((c >> 16) & 0xFF) << 16) | (shift((c >> 8) & 0xFF) << 8) |
           shift(c & 0xFF);
}

TColor32 MaxChannels(TColor32 x, TColor32 y)
{
    TColor32 r = 0;
    for (int s = 0; s < 32; s += 8) r |= std::max((x >> s) & 0xFFu, (y >> s) & 0xFFu) << s;
    return r;
}

TColor32 MinChannels(TColor32 x, TColor32 y)
{
    TColor32 r = 0;
    for (int s = 0; s < 32; s += 8) r |= std::min((x >> s) & 0xFFu, (y >> s) & 0xFFu) << s;
    return r;
}

int GreyLevel(TColor32 c)
{
    return int((61 * ((c >> 16) & 0xFF) + 174 * ((c >> 8) & 0xFF) + 21 * (c & 0xFF)) >> 8);
}

TColor32 WithAlpha(TColor32 c, int a)
{
    return (c & 0x00FFFFFFu) | (TColor32(std::clamp(a, 0, 255)) << 24);
}

void FillLongword(TColor32* dst, std::size_t count, TColor32 value)
{
#if defined(__SSE2__)
    // Single stores up to a 16-byte boundary, then four words at a time.
    while (count > 0 && (reinterpret_cast<std::uintptr_t>(dst) & 15) != 0) {
        *dst++ = value;
        --count;
    }
    const __m128i v = _mm_set1_epi32(int(value));
    for (; count >= 4; count -= 4, dst += 4) _mm_store_si128(reinterpret_cast<__m128i*>(dst), v);
#endif
    while (count-- > 0) *dst++ = value;
}
