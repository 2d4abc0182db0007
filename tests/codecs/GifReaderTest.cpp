#include "CodecTestSupport.h"

#include "codecs/GifReader.h"
#include "codecs/GifWriter.h"

#include <gtest/gtest.h>

using namespace codectest;

namespace {

TByteSpan Span(const TByteVector& v) { return {v.data(), v.size()}; }

} // namespace

TEST(GifReader, OurOwnFilesDecodeToTheCubeColours)
{
    const TPixelBuffer photo = PhotoLike(64, 48);
    const TByteVector file = WriteGif(ViewOf(photo));
    TPixelBuffer decoded;
    ASSERT_TRUE(DecodeGif(Span(file), {}, decoded));
    ASSERT_EQ(decoded.Width, 64);
    ASSERT_EQ(decoded.Height, 48);
    for (std::size_t i = 0; i < decoded.Pixels.size(); ++i)
        ASSERT_EQ(decoded.Pixels[i], CubeColorOf(CubeIndexOf(photo.Pixels[i])));
}

TEST(GifReader, UndrawnAndTransparentPixelsKeepTheTargetAndBecomeOpaque)
{
    // A 6x5 screen; the first image covers x 1..4, y 1..3 with index 0 as
    // transparent; a second image would paint everything green.
    const TByteVector file = MakeGif(6, 5, {{1, 1, 4, 3, false, 0, 0}, {0, 0, 6, 5, false, -1, 2}});
    TPixelBuffer target;
    target.Width = 6;
    target.Height = 5;
    target.Pixels.assign(30, Color32(10, 20, 30, 40));

    TPixelBuffer decoded;
    ASSERT_TRUE(DecodeGif(Span(file), ViewOf(target), decoded));
    const TColor32 kept = Color32(10, 20, 30, 255);
    for (int y = 0; y < 5; ++y) {
        for (int x = 0; x < 6; ++x) {
            TColor32 expected = kept;
            if (y >= 1 && y <= 3 && x == 1) expected = Color32(255, 0, 0); // index 1
            if (y >= 1 && y <= 3 && x == 2) expected = (y - 1) % 2 ? Color32(0, 0, 255) : Color32(0, 255, 0);
            EXPECT_EQ(decoded.Row(y)[x], expected) << x << "," << y;
        }
    }

    // A target of another size gives black where nothing is drawn.
    TPixelBuffer other;
    other.Width = 2;
    other.Height = 2;
    other.Pixels.assign(4, clWhite32);
    ASSERT_TRUE(DecodeGif(Span(file), ViewOf(other), decoded));
    EXPECT_EQ(decoded.Row(0)[0], clBlack32);
    EXPECT_EQ(decoded.Row(2)[4], clBlack32); // transparent inside the image
}

TEST(GifReader, WithAlphaUndrawnAndTransparentPixelsAreSeeThrough)
{
    // As above: index 0 transparent inside the image, a border it leaves undrawn.
    const TByteVector file = MakeGif(6, 5, {{1, 1, 4, 3, false, 0, 0}, {0, 0, 6, 5, false, -1, 2}});
    TPixelBuffer decoded;
    ASSERT_TRUE(DecodeGifWithAlpha(Span(file), decoded));
    ASSERT_EQ(decoded.Width, 6);
    ASSERT_EQ(decoded.Height, 5);
    for (int y = 0; y < 5; ++y) {
        for (int x = 0; x < 6; ++x) {
            TColor32 expected = clTransparent32;
            if (y >= 1 && y <= 3 && x == 1) expected = Color32(255, 0, 0);
            if (y >= 1 && y <= 3 && x == 2) expected = (y - 1) % 2 ? Color32(0, 0, 255) : Color32(0, 255, 0);
            EXPECT_EQ(decoded.Row(y)[x], expected) << x << "," << y;
        }
    }
}

TEST(GifReader, InterlacedRowsLandInPlace)
{
    const int h = 11;
    // Rows are written in interlaced order: 0, 8, 4, 2, 6, 10, 1, 3, 5, 7, 9.
    const int order[h] = {0, 8, 4, 2, 6, 10, 1, 3, 5, 7, 9};
    const TByteVector file = MakeGif(3, h, {{0, 0, 3, h, true, -1, 0}});
    TPixelBuffer decoded;
    ASSERT_TRUE(DecodeGif(Span(file), {}, decoded));
    for (int i = 0; i < h; ++i) {
        // The i-th row in the file carries 2 + (i & 1) in column 1.
        const TColor32 expected = (i & 1) ? Color32(0, 0, 255) : Color32(0, 255, 0);
        EXPECT_EQ(decoded.Row(order[i])[1], expected) << "file row " << i;
    }
}

TEST(GifReader, DamagedTruncatedAndOversizedFilesAreRefused)
{
    const TPixelBuffer photo = PhotoLike(40, 30);
    const TByteVector file = WriteGif(ViewOf(photo));
    TPixelBuffer decoded;
    decoded.Width = 1;
    decoded.Height = 1;
    decoded.Pixels = {0x12345678};
    for (std::size_t n = 0; n + 1 < file.size(); n += (n < 40 ? 1 : 7)) {
        TByteVector cut(file.begin(), file.begin() + std::ptrdiff_t(n));
        EXPECT_FALSE(DecodeGif(Span(cut), {}, decoded)) << "length " << n;
    }
    EXPECT_FALSE(DecodeGif(TByteSpan{}, {}, decoded)); // empty input: no data pointer at all
    EXPECT_EQ(decoded.Pixels, std::vector<TColor32>{0x12345678}); // untouched

    // No image before the trailer.
    const TByteVector empty = MakeGif(4, 4, {});
    EXPECT_FALSE(DecodeGif(Span(empty), {}, decoded));

    // A screen wider than 30000 pixels, and one of more than 400 million pixels.
    TByteVector wide = MakeGif(4, 4, {{0, 0, 4, 4}});
    wide[6] = 0x31; // 30001
    wide[7] = 0x75;
    EXPECT_FALSE(DecodeGif(Span(wide), {}, decoded));
    TByteVector huge = MakeGif(4, 4, {{0, 0, 4, 4}});
    huge[6] = huge[8] = 0x21; // 20001 x 20001
    huge[7] = huge[9] = 0x4E;
    EXPECT_FALSE(DecodeGif(Span(huge), {}, decoded));
    // A first image taller than the limit on a small screen: its rows are
    // decoded even where the screen clips them, so it is refused too.
    EXPECT_FALSE(DecodeGif(Span(MakeGif(4, 4, {{0, 0, 4, 30001}})), {}, decoded));
    EXPECT_FALSE(DecodeGif(Span(MakeGif(4, 4, {{0, 0, 4, 40}})), {}, decoded, TImageLimits{30, 100000}));
    EXPECT_TRUE(DecodeGif(Span(MakeGif(4, 4, {{0, 0, 4, 20}})), {}, decoded, TImageLimits{30, 100000}));
    // A small limit is honoured too (the fuzz targets rely on it).
    EXPECT_FALSE(DecodeGif(Span(file), {}, decoded, TImageLimits{30, 100000}));
}
