// The mapping between view pixels and bitmap pixels of an image view.
//
// Zooms are 16.16 fixed point so that converting a pointer position is
// integer arithmetic.
#pragma once

#include "Bitmap32.h"

#include <cstdint>

// a * b / c with a 64-bit intermediate, rounded to nearest with halves away
// from zero; -1 when c is 0 or the result does not fit 32 bits.
std::int32_t MulDiv(std::int32_t a, std::int32_t b, std::int32_t c);

struct TMappingRecord {
    std::int32_t ZoomX = 65536, ZoomY = 65536;
    std::int32_t OffsetX = 0, OffsetY = 0;
    std::int32_t InvZoomX = 65536, InvZoomY = 65536;
    // The bitmap rectangle (view pixels) the record was computed from.
    TRect BitmapRect;
};

// The record for a bitmap of width x height shown on rect; the identity for
// an empty bitmap.
TMappingRecord ComputeMapping(int width, int height, const TRect& rect);

struct TViewPoint {
    int X = 0, Y = 0;
    friend constexpr bool operator==(const TViewPoint&, const TViewPoint&) = default;
};

// View pixel to bitmap pixel, each coordinate divided with truncation toward zero.
TViewPoint ViewToBitmap(const TMappingRecord& m, int x, int y);
