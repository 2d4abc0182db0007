// The scaled draw's sampling and its opaque fast path. TBitmap32::DrawScaled
// steps its source positions with MakeSampling and hands opaque draws to
// DrawOpaque, which gives the same pixels as the generic per-pixel loop.
#pragma once

#include "imaging/Bitmap32.h"

#include <cstdint>
#include <vector>

namespace scaled_draw {

// Source positions of the clipped destination columns and rows, stepped in
// 16.16 fixed point from the clipped start.
struct Sampling {
    std::vector<int> col0, col1;   // first and second source column per destination column
    std::vector<std::uint16_t> wx; // weight of the first column
    std::int64_t startY = 0, stepY = 0;
    int top = 0, lastRow = 0;
};

// Linear sampling steps over one pixel less than nearest, as it reads pairs.
Sampling MakeSampling(const TRect& destRect, const TRect& clip, const TRect& sourceRect, bool linear);

// Writes the clipped destination rows with the source's colours unchanged.
void DrawOpaque(TBitmap32& dest, const TRect& clip, const TBitmap32& source, const Sampling& s, bool linear);

// Which implementation DrawOpaque uses; tests compare them.
enum class Path { Plain, Sse2 };
void UsePath(Path path);
Path ActivePath();

} // namespace scaled_draw
