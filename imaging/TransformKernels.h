// Inner loops of TransformBitmap, shared by the plain build and the
// vectorised builds (TransformSse2.cpp, TransformAvx2.cpp).
//
// The per-pixel functions here are the reference: a vectorised kernel does the
// very same float operations in the same order (IEEE multiply, add and divide
// are exact per lane, and contraction into fused multiply-adds is off), so it
// gives the same positions and colours bit for bit.
#pragma once

#include "imaging/Color32.h"
#include "imaging/Transformation.h"

#include <cmath>
#include <cstddef>
#include <cstdint>

namespace transform_kernels {

// Rounds half to even under the default rounding mode. Values outside the
// 32-bit range and NaN give NoSourcePosition, as the processor's own
// float-to-integer conversion does, so every path agrees on them.
inline std::int32_t RoundPosition(float v)
{
    if (!(v >= -2147483648.0f && v < 2147483648.0f)) return NoSourcePosition;
    return std::int32_t(std::nearbyint(v));
}

// Rounds half to even, saturating at the 32-bit range (NaN gives 0); for
// bounds and clip rectangles.
inline std::int32_t RoundSaturated(float v)
{
    if (std::isnan(v)) return 0;
    if (v >= 2147483648.0f) return INT32_MAX;
    if (v < -2147483648.0f) return INT32_MIN;
    return std::int32_t(std::nearbyint(v));
}

// Destination pixel (fi, fj) back into the source through the reverse matrix
// R, scaled by `scale` (256: 1/256 pixel, 1: whole pixels) before rounding.
inline void MapProjectivePixel(const TFloatMatrix& R, float fi, float fj, float scale,
                               std::int32_t& X, std::int32_t& Y)
{
    const float z = (fi * R[0][2] + fj * R[1][2]) + R[2][2];
    if (z == 0.0f) {
        X = Y = NoSourcePosition;
        return;
    }
    const float x = ((fi * R[0][0] + fj * R[1][0]) + R[2][0]) / z;
    const float y = ((fi * R[0][1] + fj * R[1][1]) + R[2][1]) / z;
    X = RoundPosition(scale * x);
    Y = RoundPosition(scale * y);
}

// Affine position from a 12-bit fixed-point sum (coefficients times pixel plus
// offset and rounding term), shifted by 12 (whole pixels) or 4 (1/256 pixel).
// The sum is taken in 64 bits and the result saturates, so absurd scales give
// positions that are skipped instead of wrapping around into the picture.
inline std::int32_t AffinePosition(std::int64_t sum, int shift)
{
    const std::int64_t v = sum >> shift;
    if (v < INT32_MIN) return INT32_MIN;
    if (v > INT32_MAX) return INT32_MAX;
    return std::int32_t(v);
}

// One row of positions: pixels x0 .. x0 + n - 1 of destination row j.
using TMapRowFn = void (*)(const TFloatMatrix& R, int j, int x0, int n, float scale,
                           std::int32_t* X, std::int32_t* Y);

// The source as the samplers see it: its pixels and the inclusive clip
// SL..SR, ST..SB (never empty, always inside the image).
struct TSampleSource {
    const TColor32* Bits = nullptr;
    int Width = 0, Height = 0;
    int SL = 0, ST = 0, SR = 0, SB = 0;
    TColor32 Outer = 0;

    TColor32 PixelAtSafe(int x, int y) const
    {
        if (x < 0 || y < 0 || x >= Width || y >= Height) return Outer;
        return Bits[std::size_t(y) * Width + x];
    }
};

// Bilinear sample at (X, Y) in 1/256 pixel. False when the position is too
// far outside the clip to be drawn. Inside the clip (with a margin of one
// pixel, so that all four neighbours exist) the pixels are read directly;
// along the edges they are read with the outer colour beyond the image.
inline bool SampleBilinear(const TSampleSource& s, std::int32_t X, std::int32_t Y, TColor32& c)
{
    const int cx = X >> 8, cy = Y >> 8;
    const std::uint32_t wx = 255 - std::uint32_t(X & 255);
    const std::uint32_t wy = 255 - std::uint32_t(Y & 255);
    TColor32 p00, p10, p01, p11;
    if (cx > s.SL && cx < s.SR - 1 && cy > s.ST && cy < s.SB - 1) {
        const TColor32* p = s.Bits + std::size_t(cy) * s.Width + cx;
        p00 = p[0];
        p10 = p[1];
        p01 = p[s.Width];
        p11 = p[s.Width + 1];
    } else if (cx < s.SL - 1 || cy < s.ST - 1 || cx >= s.SR || cy >= s.SB) {
        return false;
    } else {
        p00 = s.PixelAtSafe(cx, cy);
        p10 = s.PixelAtSafe(cx + 1, cy);
        p01 = s.PixelAtSafe(cx, cy + 1);
        p11 = s.PixelAtSafe(cx + 1, cy + 1);
    }
    c = plain::CombineColors(plain::CombineColors(p00, p10, wx),
                             plain::CombineColors(p01, p11, wx), wy);
    return true;
}

// n bilinear samples; draw[k] is 1 where colour[k] is to be written.
// colour[k] is stored only where draw[k] is 1, so opaque drawing passes the
// destination row itself as the colour buffer.
using TSampleRowFn = void (*)(const TSampleSource& s, const std::int32_t* X, const std::int32_t* Y,
                              int n, TColor32* colour, std::uint8_t* draw);

// One implementation of the row functions.
struct TKernelSet {
    TTransformPath Path;
    TMapRowFn MapRow;
    TSampleRowFn SampleRow;
};

const TKernelSet& PlainKernels();
// The set TransformBitmap uses at present (UseTransformPath switches it), for
// drawers that walk their own rows with the same inner loops.
const TKernelSet& ActiveKernelSet();
// Null when the processor lacks the instructions.
const TKernelSet* Sse2Kernels();
const TKernelSet* Avx2Kernels();

// Scalar pieces the vectorised kernels use for row tails and edge pixels.
void MapRowPlain(const TFloatMatrix& R, int j, int x0, int n, float scale,
                 std::int32_t* X, std::int32_t* Y);
void SampleRowPlain(const TSampleSource& s, const std::int32_t* X, const std::int32_t* Y,
                    int n, TColor32* colour, std::uint8_t* draw);

} // namespace transform_kernels
