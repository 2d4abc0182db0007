#include "imaging/Bitmap32Scaled.h"

#include <gtest/gtest.h>

#include <string>

namespace {

void Noise(TBitmap32& b, int w, int h, std::uint32_t seed)
{
    b.SetSize(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            seed = seed * 1664525u + 1013904223u;
            b.SetPixelAt(x, y, seed ^ (seed >> 13));
        }
}

// Draws source onto rect of a 61 x 47 destination through the generic
// per-pixel loop (an opaque draw is routed there as a custom copy) and with
// every path of the scaled draw; all must agree pixel for pixel.
void ExpectSameAsDrawScaled(const TBitmap32& source, const TRect& rect, const std::string& what)
{
    TBitmap32 reference;
    reference.CopyFrom(source);
    reference.OnPixelCombine = source.OnPixelCombine;
    if (reference.DrawMode == dmOpaque) {
        reference.DrawMode = dmCustom;
        reference.OnPixelCombine = [](TColor32 f, TColor32& b, TColor32) { b = f; };
    }
    TBitmap32 expected;
    Noise(expected, 61, 47, 3);
    expected.DrawScaled(rect, reference.BoundsRect(), reference);
    for (auto path : {scaled_draw::Path::Plain, scaled_draw::Path::Sse2}) {
        scaled_draw::UsePath(path);
        TBitmap32 actual;
        Noise(actual, 61, 47, 3);
        actual.DrawScaled(rect, source.BoundsRect(), source);
        for (int y = 0; y < 47; ++y)
            for (int x = 0; x < 61; ++x)
                ASSERT_EQ(actual.PixelAt(x, y), expected.PixelAt(x, y))
                    << what << " path " << int(path) << " at " << x << "," << y;
    }
    scaled_draw::UsePath(scaled_draw::Path::Sse2);
}

} // namespace

TEST(DrawScaledPathsTest, MatchesDrawScaledForEveryScaleClipAndFilter)
{
    // Enlargements, reductions (strong ones take the direct path), odd sizes,
    // rectangles clipped on every side and lying wholly outside.
    const TRect rects[] = {
        {0, 0, 61, 47},     {-13, -7, 80, 90},  {5, 3, 17, 11},   {-200, -150, 400, 300},
        {40, 30, 140, 130}, {-5, 10, 3, 12},    {2, 2, 4, 3},     {70, 10, 90, 20},
        {1, 1, 60, 2},      {-30, -30, 31, 17},
    };
    const int sizes[][2] = {{7, 5}, {33, 29}, {250, 120}, {1, 9}, {2, 2}};
    for (TStretchFilter filter : {sfNearest, sfLinear}) {
        for (auto& size : sizes) {
            TBitmap32 source;
            Noise(source, size[0], size[1], 11u + unsigned(size[0]));
            source.StretchFilter = filter;
            for (const TRect& r : rects) {
                const std::string what = "filter " + std::to_string(filter) + " source " +
                                         std::to_string(size[0]) + "x" + std::to_string(size[1]) + " rect " +
                                         std::to_string(r.Left) + "," + std::to_string(r.Top) + "," +
                                         std::to_string(r.Right) + "," + std::to_string(r.Bottom);
                ExpectSameAsDrawScaled(source, r, what);
            }
        }
    }
}

TEST(DrawScaledPathsTest, BlendAndCustomModesKeepTheirOwnDraw)
{
    TBitmap32 source;
    Noise(source, 9, 9, 5);
    source.StretchFilter = sfLinear;
    source.DrawMode = dmBlend;
    ExpectSameAsDrawScaled(source, TRect{-3, 2, 40, 30}, "blend");
    source.DrawMode = dmCustom;
    source.OnPixelCombine = [](TColor32 f, TColor32& b, TColor32) { b ^= f; };
    ExpectSameAsDrawScaled(source, TRect{-3, 2, 40, 30}, "custom");
}
