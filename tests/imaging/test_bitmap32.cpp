// The raster image: sizing, notifications, the draws in every mode, scaling,
// platform bitmaps, text, anti-aliased lines and the border-alpha helper.
#include "imaging/Bitmap32.h"

#include <QImage>
#include <gtest/gtest.h>

#include <climits>
#include <cmath>

namespace {

void FillPattern(TBitmap32& b)
{
    for (int y = 0; y < b.Height(); ++y)
        for (int x = 0; x < b.Width(); ++x) b.SetPixelAt(x, y, Color32(std::uint8_t(x * 10), std::uint8_t(y * 10), 7, 255));
}

int CountChanged(const TBitmap32& b, TColor32 background)
{
    int n = 0;
    for (int y = 0; y < b.Height(); ++y)
        for (int x = 0; x < b.Width(); ++x) n += b.PixelAt(x, y) != background;
    return n;
}

} // namespace

TEST(Bitmap32, SizingKeepsOrClearsPixelsAndNotifies)
{
    TBitmap32 b;
    EXPECT_TRUE(b.IsEmpty());
    int changes = 0, resizes = 0, handles = 0;
    b.OnChange = [&](TBitmap32*) { ++changes; };
    b.OnResize = [&](TBitmap32*) { ++resizes; };
    b.OnHandleChanged = [&](TBitmap32*) { ++handles; };

    b.SetSize(3, 2);
    EXPECT_EQ(b.Width(), 3);
    EXPECT_EQ(b.PixelAt(2, 1), 0x00000000u);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(resizes, 1);
    EXPECT_EQ(handles, 1);

    b.Clear(0xFF123456u);
    b.SetSize(3, 2); // same size: nothing happens, pixels kept
    EXPECT_EQ(b.PixelAt(1, 1), 0xFF123456u);
    EXPECT_EQ(resizes, 1);

    b.SetSize(2, 3);
    EXPECT_EQ(b.PixelAt(1, 1), 0x00000000u);
    b.SetSize(5, 0); // below 1 counts as 0
    EXPECT_TRUE(b.IsEmpty());
    EXPECT_EQ(b.Width(), 0);
    EXPECT_EQ(b.Height(), 0);

    b.SetSize(2, 2);
    b.Clear();
    EXPECT_EQ(b.PixelAt(0, 0), clBlack32);
}

TEST(Bitmap32, UpdatesBatchNotifications)
{
    TBitmap32 b;
    b.SetSize(4, 4);
    int changes = 0;
    b.OnChange = [&](TBitmap32*) { ++changes; };
    b.BeginUpdate();
    b.Clear(clWhite32);
    b.FillArea(0, 0, 2, 2, clBlack32);
    EXPECT_EQ(changes, 0);
    b.EndUpdate();
    EXPECT_EQ(changes, 1);
    b.EndUpdate(); // unbalanced: harmless
    EXPECT_EQ(b.UpdateCount(), 0);
}

TEST(Bitmap32, ImpossibleSizesRaiseAndLeaveTheImageEmpty)
{
    TBitmap32 b;
    b.SetSize(10, 10);
    for (auto [w, h] : {std::pair{INT_MAX, INT_MAX}, std::pair{100000, 100000}, std::pair{INT_MAX, 2}}) {
        try {
            b.SetSize(w, h);
            FAIL() << "no error for " << w << "x" << h;
        } catch (const EBitmapError& e) {
            // The text names the size that could not be had.
            EXPECT_NE(std::string(e.what()).find(std::to_string(w) + " \u00d7 " + std::to_string(h)), std::string::npos)
                << e.what();
        }
        EXPECT_TRUE(b.IsEmpty());
        EXPECT_EQ(b.Width(), 0);
        EXPECT_EQ(b.Bits(), nullptr);
        b.SetSize(10, 10); // still usable
        EXPECT_FALSE(b.IsEmpty());
    }
}

TEST(Bitmap32, DrawAtClipsAndHonoursDrawModes)
{
    TBitmap32 src, dst;
    src.SetSize(4, 4);
    FillPattern(src);
    dst.SetSize(5, 5);
    dst.Clear(clWhite32);

    dst.DrawAt(-2, 3, src); // only src columns 2..3, row 0..1 land
    EXPECT_EQ(dst.PixelAt(0, 3), src.PixelAt(2, 0));
    EXPECT_EQ(dst.PixelAt(1, 4), src.PixelAt(3, 1));
    EXPECT_EQ(dst.PixelAt(2, 3), clWhite32);
    EXPECT_EQ(CountChanged(dst, clWhite32), 4);

    // Blend with master alpha 0 draws nothing.
    src.Clear(0x80000000u);
    src.DrawMode = dmBlend;
    src.MasterAlpha = 0;
    dst.Clear(clWhite32);
    dst.DrawAt(0, 0, src);
    EXPECT_EQ(CountChanged(dst, clWhite32), 0);
    src.MasterAlpha = 255;
    dst.DrawAt(0, 0, src);
    EXPECT_EQ(dst.PixelAt(0, 0), BlendOver(0x80000000u, clWhite32));
    src.MasterAlpha = 100;
    dst.Clear(clWhite32);
    dst.DrawAt(0, 0, src);
    TColor32 expect = clWhite32;
    BlendRowOverMaster(src.ScanLine(0), &expect, 1, 100);
    EXPECT_EQ(dst.PixelAt(3, 3), expect);

    // Custom without a handler is opaque; with one it decides.
    src.DrawMode = dmCustom;
    dst.Clear(clWhite32);
    dst.DrawAt(0, 0, src);
    EXPECT_EQ(dst.PixelAt(1, 1), 0x80000000u);
    src.OnPixelCombine = [](TColor32 f, TColor32& b, TColor32 m) { b = (f ^ 0x00FFFFFFu) + m; };
    dst.DrawAt(0, 0, src);
    EXPECT_EQ(dst.PixelAt(1, 1), 0x80FFFFFFu + 100);
}

TEST(Bitmap32, DrawScaledNearestAndLinear)
{
    TBitmap32 src, dst;
    src.SetSize(2, 1);
    src.SetPixelAt(0, 0, 0xFF000000u);
    src.SetPixelAt(1, 0, 0xFFFFFFFFu);
    dst.SetSize(4, 1);

    dst.DrawScaled(MakeRect(0, 0, 4, 1), MakeRect(0, 0, 2, 1), src);
    EXPECT_EQ(dst.PixelAt(0, 0), 0xFF000000u);
    EXPECT_EQ(dst.PixelAt(1, 0), 0xFF000000u);
    EXPECT_EQ(dst.PixelAt(2, 0), 0xFFFFFFFFu);
    EXPECT_EQ(dst.PixelAt(3, 0), 0xFFFFFFFFu);

    // Linear: step (1 << 16) / 4, first-column weights 255, 191, 127, 63.
    src.StretchFilter = sfLinear;
    dst.DrawScaled(MakeRect(0, 0, 4, 1), MakeRect(0, 0, 2, 1), src);
    const std::uint32_t weights[] = {255, 191, 127, 63};
    for (int i = 0; i < 4; ++i) {
        const std::uint32_t c = ((256 - weights[i]) * 255 + 128) >> 8;
        EXPECT_EQ(dst.PixelAt(i, 0), 0xFF000000u | c << 16 | c << 8 | c) << i;
    }

    // A one-pixel source scales without reading past its edge.
    TBitmap32 one;
    one.SetSize(1, 1);
    one.SetPixelAt(0, 0, 0xFF336699u);
    one.StretchFilter = sfLinear;
    TBitmap32 big;
    big.SetSize(3, 3);
    big.DrawScaled(MakeRect(0, 0, 3, 3), MakeRect(0, 0, 1, 1), one);
    EXPECT_EQ(big.PixelAt(2, 2), CombineColors(0xFF336699u, 0xFF336699u, 255));
}

TEST(Bitmap32, DrawScaledClipsTheDestination)
{
    TBitmap32 src, whole, clipped;
    src.SetSize(10, 10);
    FillPattern(src);
    whole.SetSize(40, 40);
    whole.DrawScaled(MakeRect(0, 0, 20, 20), MakeRect(0, 0, 10, 10), src);
    clipped.SetSize(40, 40);
    clipped.DrawScaled(MakeRect(-3, -5, 17, 15), MakeRect(0, 0, 10, 10), src);
    // Clipping starts the source at (clipped * span * 65535) / destination span.
    for (int y = 0; y < 15; ++y)
        for (int x = 0; x < 17; ++x) {
            const int sx = int(((3LL * 10 * 65535) / 20 + x * ((10LL << 16) / 20)) >> 16);
            const int sy = int(((5LL * 10 * 65535) / 20 + y * ((10LL << 16) / 20)) >> 16);
            ASSERT_EQ(clipped.PixelAt(x, y), src.PixelAt(sx, sy)) << x << "," << y;
        }
    EXPECT_EQ(clipped.PixelAt(17, 0), 0u);
    EXPECT_EQ(clipped.PixelAt(0, 15), 0u);

    // Linear sampling spans one source pixel less: a 11-pixel ramp over 20
    // destination pixels, the first 5 of them clipped away.
    TBitmap32 ramp, row;
    ramp.SetSize(11, 1);
    for (int x = 0; x < 11; ++x) ramp.SetPixelAt(x, 0, Color32(std::uint8_t(x * 20), 0, 0));
    ramp.StretchFilter = sfLinear;
    row.SetSize(10, 1);
    row.DrawScaled(MakeRect(-5, 0, 15, 1), MakeRect(0, 0, 11, 1), ramp);
    for (int i = 0; i < 10; ++i) {
        const std::int64_t p = (5LL * 10 * 65535) / 20 + i * ((10LL << 16) / 20);
        const int c = int(p >> 16);
        const std::uint32_t w = 255 - std::uint32_t((p >> 8) & 255);
        EXPECT_EQ(row.PixelAt(i, 0), CombineColors(ramp.PixelAt(c, 0), ramp.PixelAt(c + 1, 0), w)) << i;
    }
}

TEST(Bitmap32, DrawScaledRejectsASourceOutsideTheImage)
{
    TBitmap32 src, dst;
    src.SetSize(4, 4);
    dst.SetSize(8, 8);
    try {
        dst.DrawScaled(MakeRect(0, 0, 8, 8), MakeRect(0, 0, 5, 4), src);
        FAIL();
    } catch (const ETransformError& e) {
        EXPECT_STREQ(e.what(), "Source rectangle is invalid");
    }
    dst.Clear(clWhite32);
    dst.DrawScaled(MakeRect(0, 0, 8, 8), MakeRect(2, 2, 2, 4), src); // empty: nothing
    EXPECT_EQ(CountChanged(dst, clWhite32), 0);
}

TEST(Bitmap32, PlatformBitmapsRoundTrip)
{
    QImage rgb(3, 2, QImage::Format_RGB888);
    rgb.fill(QColor(10, 20, 30));
    TBitmap32 b;
    b.CopyFrom(rgb);
    ASSERT_EQ(b.Width(), 3);
    EXPECT_EQ(b.PixelAt(2, 1), 0xFF0A141Eu); // no alpha channel: alpha 255

    b.SetPixelAt(0, 0, 0x12345678u);
    QImage out;
    b.CopyTo(out);
    EXPECT_EQ(out.format(), QImage::Format_ARGB32);
    EXPECT_EQ(out.pixel(0, 0), 0x12345678u); // alpha kept
    TBitmap32 back;
    back.CopyFrom(out);
    EXPECT_EQ(back.PixelAt(0, 0), 0x12345678u);

    back.CopyFrom(QImage());
    EXPECT_TRUE(back.IsEmpty());

    TBitmap32 copy;
    b.DrawMode = dmBlend;
    b.MasterAlpha = 77;
    b.OuterColor = 0x11111111u;
    b.StretchFilter = sfLinear;
    copy.CopyFrom(b);
    EXPECT_EQ(copy.PixelAt(0, 0), 0x12345678u);
    EXPECT_EQ(copy.DrawMode, dmBlend);
    EXPECT_EQ(copy.MasterAlpha, 77u);
    EXPECT_EQ(copy.OuterColor, 0x11111111u);
    EXPECT_EQ(copy.StretchFilter, sfLinear);
    EXPECT_EQ(copy.PixelAtSafe(-1, 0), 0x11111111u);
}

TEST(Bitmap32, TextIsMeasuredAndPaintedIntoThePixels)
{
    TBitmap32 b;
    b.SetSize(200, 60);
    b.Clear(clWhite32);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(20);
    b.SetFont(font, Qt::black);
    const auto extent = b.TextExtent(QStringLiteral("Greyfinch"));
    EXPECT_GT(extent.cx, 40);
    EXPECT_GT(extent.cy, 15);
    EXPECT_GT(b.TextExtent(QStringLiteral("Greyfinch Greyfinch")).cx, extent.cx);
    b.PaintText(10, 10, QStringLiteral("Greyfinch"));
    int dark = 0, outside = 0;
    for (int y = 0; y < 60; ++y)
        for (int x = 0; x < 200; ++x) {
            const bool inked = GreyLevel(b.PixelAt(x, y)) < 128;
            dark += inked;
            if (inked && (x < 9 || x > 10 + extent.cx || y < 9 || y > 10 + extent.cy)) ++outside;
        }
    EXPECT_GT(dark, 50);
    EXPECT_EQ(outside, 0);
}

TEST(Bitmap32, SmoothLines)
{
    EXPECT_EQ(GammaTable[0], 0);
    EXPECT_EQ(GammaTable[255], 255);
    EXPECT_EQ(GammaTable[128], std::uint8_t(std::nearbyint(255 * std::pow(128 / 255.0, 0.7))));

    TBitmap32 b;
    b.SetSize(20, 10);
    b.Clear(clWhite32);
    b.DrawSmoothLine(5, 5, 5, 5, clBlack32, false); // zero length draws nothing
    EXPECT_EQ(CountChanged(b, clWhite32), 0);
    b.DrawSmoothLine(5, 5, 5, 5, clBlack32, true); // unless the last point is included
    EXPECT_GT(CountChanged(b, clWhite32), 0);

    b.Clear(clWhite32);
    b.DrawSmoothLine(2, 4, 15, 4, clBlack32, false);
    // A horizontal line darkens its row from x = 2 to 14 and nothing far away.
    for (int x = 3; x <= 13; ++x) EXPECT_LT(GreyLevel(b.PixelAt(x, 4)), 40) << x;
    EXPECT_EQ(b.PixelAt(18, 4), clWhite32);
    EXPECT_EQ(b.PixelAt(8, 7), clWhite32);

    // Lines far outside, through the image or huge never touch memory outside it.
    b.Clear(clWhite32);
    b.DrawSmoothLine(-100, -100, -50, -60, clBlack32, true);
    EXPECT_EQ(CountChanged(b, clWhite32), 0);
    b.DrawSmoothLine(-1e9, 5, 1e9, 5, clBlack32, false);
    b.DrawSmoothLine(0, 0, 19.9, 9.9, clBlack32, true);
    b.DrawSmoothLine(19, -3, 19, 30, clBlack32, false);
    EXPECT_GT(CountChanged(b, clWhite32), 20);
}

TEST(Bitmap32, SmoothLineEndsWithAFadedDotShortOfTheEndPoint)
{
    // Whole dots at x 2, 3 and 4 (weight 253 each); the half pixel left over
    // is a dot of alpha 127 midway between the last dot (x 4) and the end
    // (x 5.5), so it falls on pixels 4 and 5 and never reaches pixel 6.
    TBitmap32 b;
    b.SetSize(10, 8);
    b.Clear(clWhite32);
    b.DrawSmoothLine(2, 4, 5.5, 4, clBlack32, false);
    const TColor32 row[] = {clWhite32,   clWhite32,   0xFF030303u, 0xFF030303u, 0xE8020202u,
                            0xCC989898u, clWhite32,   clWhite32,   clWhite32,   clWhite32};
    for (int x = 0; x < 10; ++x) EXPECT_EQ(b.PixelAt(x, 4), row[x]) << "x " << x;
    for (int x = 0; x < 10; ++x) EXPECT_EQ(b.PixelAt(x, 5), clWhite32) << "x " << x;

    // The end point itself carries no sub-pixel offset: here the midway dot
    // lands at fx 130 of pixel 4, where an offset end would push it to 131.
    b.Clear(clWhite32);
    b.DrawSmoothLine(2, 4, 5 + 1295 / 65536.0, 4, clBlack32, false);
    EXPECT_EQ(b.PixelAt(3, 4), 0xFF030303u);
    EXPECT_EQ(b.PixelAt(4, 4), 0xFC030303u);
    EXPECT_EQ(b.PixelAt(5, 4), 0xFCFCFCFCu);
    EXPECT_EQ(b.PixelAt(6, 4), clWhite32);

    // Shorter than a pixel: the only dot sits midway between start and end.
    b.Clear(clWhite32);
    b.DrawSmoothLine(2, 4, 2.5, 4, clBlack32, false);
    EXPECT_EQ(b.PixelAt(1, 4), clWhite32);
    EXPECT_LT(GreyLevel(b.PixelAt(2, 4)), GreyLevel(b.PixelAt(3, 4)));
    EXPECT_NE(b.PixelAt(3, 4), clWhite32);
}

TEST(Bitmap32, SmoothLinesFromFarAwayKeepTheirDirection)
{
    // The far end lies 2,000,000 widths out on a slope of one half: the part
    // inside the image is the line from (0, 0) towards (20, 10).
    TBitmap32 far, near;
    for (TBitmap32* b : {&far, &near}) {
        b->SetSize(20, 10);
        b->Clear(clWhite32);
    }
    far.DrawSmoothLine(0, 0, 4e7, 2e7, clBlack32, false);
    near.DrawSmoothLine(0, 0, 20, 10, clBlack32, true);
    EXPECT_LT(GreyLevel(far.PixelAt(10, 5)), 128);
    EXPECT_EQ(far.PixelAt(9, 9), clWhite32);
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 20; ++x) ASSERT_EQ(far.PixelAt(x, y), near.PixelAt(x, y)) << x << "," << y;
    // Coordinates that are not numbers draw nothing.
    far.Clear(clWhite32);
    far.DrawSmoothLine(std::nan(""), 0, 5, 5, clBlack32, true);
    far.DrawSmoothLine(-INFINITY, 2, INFINITY, 2, clBlack32, true);
    EXPECT_EQ(CountChanged(far, clWhite32), 0);
    far.DrawSmoothLine(-1e12, -1e12, 1e12, 1e12, clBlack32, false);
    EXPECT_LT(GreyLevel(far.PixelAt(5, 5)), 128);
    EXPECT_EQ(far.PixelAt(5, 0), clWhite32);
}

TEST(Bitmap32, ClearBorderAlphaTouchesTheOutlineOnly)
{
    TBitmap32 b;
    b.SetSize(5, 4);
    b.Clear(0xFF808080u);
    ClearBorderAlpha(b, b.BoundsRect());
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 5; ++x) {
            const bool ring = x == 0 || y == 0 || x == 4 || y == 3;
            EXPECT_EQ(b.PixelAt(x, y), ring ? 0x00808080u : 0xFF808080u) << x << "," << y;
        }
    TBitmap32 one;
    one.SetSize(1, 1);
    one.Clear(0xFFABCDEFu);
    ClearBorderAlpha(one, one.BoundsRect());
    EXPECT_EQ(one.PixelAt(0, 0), 0x00ABCDEFu);
}

TEST(Bitmap32, MissingResourceLoadsNothing)
{
    TBitmap32 b;
    EXPECT_FALSE(LoadBitmapResource(QStringLiteral("NO_SUCH_BITMAP"), b));
    EXPECT_TRUE(b.IsEmpty());
}

TEST(Bitmap32, SwapPixelsExchangesPicturesButKeepsProperties)
{
    TBitmap32 a, b;
    a.SetSize(2, 3);
    a.Clear(0xFF111111u);
    a.DrawMode = dmBlend;
    b.SetSize(5, 1);
    b.Clear(0xFF222222u);
    int resizesA = 0, changesB = 0;
    a.OnResize = [&](TBitmap32*) { ++resizesA; };
    b.OnChange = [&](TBitmap32*) { ++changesB; };
    a.SwapPixels(b);
    EXPECT_EQ(a.Width(), 5);
    EXPECT_EQ(a.PixelAt(4, 0), 0xFF222222u);
    EXPECT_EQ(b.Height(), 3);
    EXPECT_EQ(b.PixelAt(1, 2), 0xFF111111u);
    EXPECT_EQ(a.DrawMode, dmBlend);
    EXPECT_EQ(b.DrawMode, dmOpaque);
    EXPECT_EQ(resizesA, 1);
    EXPECT_EQ(changesB, 1);
    // The platform surface follows its pixels.
    ASSERT_NE(a.Surface(), nullptr);
    EXPECT_EQ(a.Surface()->width(), 5);
}
