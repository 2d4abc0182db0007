// A face with photo-like content for the benchmarks: smooth colour fields,
// a few hard edges and grain, the same every run (for the same seed).
#pragma once

#include "imaging/Bitmap32.h"

#include <cmath>
#include <cstdint>

inline void PaintPhotoLikeFace(TBitmap32& face, int width, int height, std::uint32_t seed = 12345)
{
    face.SetSize(width, height);
    for (int y = 0; y < height; ++y) {
        TColor32* row = face.ScanLine(y);
        for (int x = 0; x < width; ++x) {
            seed = seed * 1664525u + 1013904223u;
            const int grain = int(seed >> 28) - 8;
            const bool band = ((x / 150) + (y / 200)) % 5 == 0;
            auto channel = [&](float phase) {
                const float v = 128.0f + 90.0f * std::sin(x * 0.004f + y * 0.0025f + phase) + (band ? 30.0f : 0.0f) + grain;
                return std::uint8_t(std::fmin(255.0f, std::fmax(0.0f, v)));
            };
            row[x] = Color32(channel(0.0f), channel(2.1f), channel(4.2f));
        }
    }
}
