// The 32-bit colour word and the pixel-mixing functions.
//
// TColor32 holds alpha in bits 24-31, then red, green and blue (in memory:
// blue, green, red, alpha). Every mixing function works on the four bytes
// independently; no result carries into a neighbouring channel.
//
// The mixing functions are reached through function pointers that are filled
// once at start-up from the processor's features. Every implementation gives
// exactly the results of the plain C++ one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

using TColor32 = std::uint32_t;
using PColor32 = TColor32*;
using TArrayOfColor32 = std::vector<TColor32>;

constexpr TColor32 clWhite32 = 0xFFFFFFFFu;
constexpr TColor32 clBlack32 = 0xFF000000u;
constexpr TColor32 clLightGray32 = 0xFFBFBFBFu;
constexpr TColor32 clTransparent32 = 0x00000000u;

constexpr TColor32 Color32(std::uint8_t r, std::uint8_t g, std::uint8_t b, std::uint8_t a = 255)
{
    return (TColor32(a) << 24) | (TColor32(r) << 16) | (TColor32(g) << 8) | TColor32(b);
}
constexpr std::uint8_t AlphaComponent(TColor32 c) { return std::uint8_t(c >> 24); }
constexpr std::uint8_t RedComponent(TColor32 c) { return std::uint8_t(c >> 16); }
constexpr std::uint8_t GreenComponent(TColor32 c) { return std::uint8_t(c >> 8); }
constexpr std::uint8_t BlueComponent(TColor32 c) { return std::uint8_t(c); }

// A platform colour 0x00BBGGRR becomes an opaque colour word.
constexpr TColor32 Color32FromPlatform(std::uint32_t bgr)
{
    return 0xFF000000u | ((bgr & 0xFFu) << 16) | (bgr & 0xFF00u) | ((bgr >> 16) & 0xFFu);
}

// --- pixel mixing -----------------------------------------------------------

using TCombineColorsFn = TColor32 (*)(TColor32 x, TColor32 y, std::uint32_t w);
using TCombineIntoFn = void (*)(TColor32 x, TColor32& y, std::uint32_t w);
using TBlendOverFn = TColor32 (*)(TColor32 f, TColor32 b);
using TBlendOverIntoFn = void (*)(TColor32 f, TColor32& b);
using TBlendOverMasterFn = void (*)(TColor32 f, TColor32& b, std::uint32_t m);
using TBlendRowOverFn = void (*)(const TColor32* src, TColor32* dst, int count);
using TBlendRowOverMasterFn = void (*)(const TColor32* src, TColor32* dst, int count, std::uint32_t m);

// One complete implementation of the mixing functions.
struct TColorFunctionSet {
    const char* Name;
    TCombineColorsFn CombineColors;
    TCombineIntoFn CombineInto;
    TBlendOverFn BlendOver;
    TBlendOverIntoFn BlendOverInto;
    TBlendOverMasterFn BlendOverMaster;
    TBlendRowOverFn BlendRowOver;
    TBlendRowOverMasterFn BlendRowOverMaster;
};

// The plain C++ set, always available.
const TColorFunctionSet& PlainColorFunctions();
// The vectorised sets; null when the processor lacks the instructions.
const TColorFunctionSet* Sse2ColorFunctions();
const TColorFunctionSet* Avx2ColorFunctions();
// The set the pointers below were filled from.
const TColorFunctionSet& ActiveColorFunctions();
// Refills the pointers from a set (tests and benchmarks compare sets with it).
void UseColorFunctions(const TColorFunctionSet& set);

// Processor features, read once.
bool CpuHasSse2();
bool CpuHasAvx2();

// The pointers the program calls. They start at the plain versions, so they
// are valid even before start-up selection has run.
// (W*X + (256-W)*Y + 128) >> 8 per channel, W in 0..255.
extern TCombineColorsFn CombineColors;
// W = 0: Y unchanged; W = 255: Y := X; else Y := CombineColors(X, Y, W).
extern TCombineIntoFn CombineInto;
// a = alpha of F: (a*F + (256-a)*B + 128) >> 8 per channel.
extern TBlendOverFn BlendOver;
// a = 0: unchanged; a = 255: B := F; else B := BlendOver(F, B).
extern TBlendOverIntoFn BlendOverInto;
// w = ((M + 1) * a) >> 8; w = 0 or a = 0: unchanged; else mixes with weight w.
extern TBlendOverMasterFn BlendOverMaster;
// BlendOverInto over a row.
extern TBlendRowOverFn BlendRowOver;
// Per pixel w = ((a + 1) * M) >> 8, then mixes as BlendOverMaster.
extern TBlendRowOverMasterFn BlendRowOverMaster;

// Sets count colour words to value (vectorised stores; compilers leave a
// plain fill of 32-bit words scalar).
void FillLongword(TColor32* dst, std::size_t count, TColor32 value);

// Functions that do not pay to vectorise.
TColor32 ShiftBrightness(TColor32 c, int n);
TColor32 MaxChannels(TColor32 x, TColor32 y);
TColor32 MinChannels(TColor32 x, TColor32 y);
int GreyLevel(TColor32 c);
TColor32 WithAlpha(TColor32 c, int a);

// Plain building blocks, inline so that inner loops of other modules can use
// them without an indirect call. They give the same results as the table.
namespace plain {
inline TColor32 CombineColors(TColor32 x, TColor32 y, std::uint32_t w)
{
    const std::uint32_t iw = 256 - w;
    const std::uint32_t rb = ((x & 0x00FF00FFu) * w + (y & 0x00FF00FFu) * iw + 0x00800080u) >> 8;
    const std::uint32_t ag = (((x >> 8) & 0x00FF00FFu) * w + ((y >> 8) & 0x00FF00FFu) * iw + 0x00800080u);
    return (rb & 0x00FF00FFu) | (ag & 0xFF00FF00u);
}
} // namespace plain
