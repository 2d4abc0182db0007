// The two versions of a picture the save-durability test and its saving
// process both make, so either side can tell them apart.
#pragma once

#include "imaging/Bitmap32.h"

#include <cstdint>

namespace codectest {

// 480 x 360, large enough that each save takes a few milliseconds; version
// 0 and 1 differ in every pixel.
inline void MakeSavedPicture(TBitmap32& image, int version)
{
    constexpr int kWidth = 480, kHeight = 360;
    image.SetSize(kWidth, kHeight);
    std::uint32_t noise = 0x9E3779B9u * std::uint32_t(version + 1);
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            noise = noise * 1664525u + 1013904223u;
            const std::uint32_t r = (x * 255 / kWidth) ^ (version ? 0xFF : 0);
            const std::uint32_t g = y * 255 / kHeight;
            const std::uint32_t b = (noise >> 24) & 0x3F;
            image.SetPixelAt(x, y, 0xFF000000u | (r << 16) | (g << 8) | b);
        }
}

} // namespace codectest
