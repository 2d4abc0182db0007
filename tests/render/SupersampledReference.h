// A slow, plain reference for drawing a picture onto a four-corner shape:
// each output pixel is the mean of 16 x 16 bilinear samples of the picture
// at points spread over the pixel. The benchmark of the free view and its
// tests measure the drawers against it.
#pragma once

#include "imaging/Bitmap32.h"
#include "render/FreeViewRaster.h"

#include <algorithm>
#include <cmath>
#include <functional>

namespace reference {

// Channel (shift 0, 8 or 16) of the bilinear sample at (u, v) in picture
// coordinates with the pixel edges at whole numbers.
inline double Bilinear(const TBitmap32& picture, double u, double v, int shift)
{
    const int w = picture.Width(), h = picture.Height();
    const double x = std::clamp(u - 0.5, 0.0, w - 1.0), y = std::clamp(v - 0.5, 0.0, h - 1.0);
    const int x0 = std::min(int(x), std::max(w - 2, 0)), y0 = std::min(int(y), std::max(h - 2, 0));
    const int x1 = std::min(x0 + 1, w - 1), y1 = std::min(y0 + 1, h - 1);
    const double fx = x - x0, fy = y - y0;
    auto c = [&](int px, int py) { return double((picture.PixelAt(px, py) >> shift) & 255); };
    return (c(x0, y0) * (1 - fx) + c(x1, y0) * fx) * (1 - fy) + (c(x0, y1) * (1 - fx) + c(x1, y1) * fx) * fy;
}

// Mean absolute difference per colour channel between `pixel(x, y)` and the
// reference, over the output pixels (of width x height) lying two pixels or
// more inside the shape whose corners are where the picture's corners land.
inline double MeanError(const TBitmap32& picture, const freeview::TPoint2 (&corners)[4],
                        const std::function<TColor32(int, int)>& pixel, int width, int height)
{
    const freeview::THomography toUnit = freeview::THomography::SquareToQuad(corners).Inverse();
    double sum = 0;
    long count = 0;
    for (int j = 0; j < height; ++j)
        for (int i = 0; i < width; ++i) {
            bool inside = true;
            for (int d = 0; d < 4 && inside; ++d) {
                const freeview::TPoint2 p = toUnit.Map(i + 0.5 + (d & 1 ? 2 : -2), j + 0.5 + (d & 2 ? 2 : -2));
                inside = p.X > 0 && p.X < 1 && p.Y > 0 && p.Y < 1;
            }
            if (!inside) continue;
            double r[3] = {0, 0, 0};
            for (int b = 0; b < 16; ++b)
                for (int a = 0; a < 16; ++a) {
                    const freeview::TPoint2 p = toUnit.Map(i + (a + 0.5) / 16, j + (b + 0.5) / 16);
                    for (int c = 0; c < 3; ++c)
                        r[c] += Bilinear(picture, p.X * picture.Width(), p.Y * picture.Height(), 8 * c);
                }
            const TColor32 got = pixel(i, j);
            for (int c = 0; c < 3; ++c) sum += std::fabs(double((got >> (8 * c)) & 255) - r[c] / 256);
            count += 3;
        }
    return count ? sum / double(count) : 0;
}

} // namespace reference
