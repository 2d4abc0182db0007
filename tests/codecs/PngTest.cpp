#include "CodecTestSupport.h"

#include "codecs/PngReader.h"
#include "codecs/PngWriter.h"

#include <gtest/gtest.h>

#include <png.h>

using namespace codectest;

namespace {

// The colour words as the file's RGBA bytes.
std::vector<std::uint8_t> RgbaBytes(const TPixelBuffer& b)
{
    std::vector<std::uint8_t> bytes;
    for (TColor32 c : b.Pixels)
        bytes.insert(bytes.end(), {RedComponent(c), GreenComponent(c), BlueComponent(c), AlphaComponent(c)});
    return bytes;
}

TPixelBuffer Decoded(const TByteVector& file)
{
    TPixelBuffer out;
    EXPECT_TRUE(DecodePng(file, out));
    return out;
}

} // namespace

TEST(PngWriter, KeepsEveryColourAndAlphaExactlyAndWritesTheSameBytesEachTime)
{
    const TPixelBuffer picture = RandomPixels(37, 23); // random alpha too
    TByteVector file, again;
    ASSERT_TRUE(EncodePng(ViewOf(picture), file));
    ASSERT_TRUE(EncodePng(ViewOf(picture), again));
    EXPECT_EQ(file, again);
    // 8-bit RGBA, not interlaced.
    ASSERT_GT(file.size(), 33u);
    EXPECT_EQ(file[24], 8);
    EXPECT_EQ(file[25], PNG_COLOR_TYPE_RGB_ALPHA);
    EXPECT_EQ(file[28], PNG_INTERLACE_NONE);

    TPixelBuffer byLibpng;
    ASSERT_TRUE(DecodeWithLibpng(file, byLibpng));
    EXPECT_EQ(byLibpng.Pixels, picture.Pixels);
    EXPECT_EQ(Decoded(file).Pixels, picture.Pixels);

    TByteVector untouched = {1, 2};
    EXPECT_FALSE(EncodePng(TPixelView{}, untouched));
    EXPECT_EQ(untouched, (TByteVector{1, 2}));
}

TEST(PngReader, EveryColourTypeBecomesColourWordsWithItsAlpha)
{
    {
        SCOPED_TRACE("2-bit palette with transparency");
        TPngSpec spec{5, 3, PNG_COLOR_TYPE_PALETTE, 2};
        spec.Palette = {255, 0, 0, 0, 255, 0, 0, 0, 255, 10, 20, 30};
        spec.Transparency = {0, 128}; // the last two entries stay opaque
        for (int y = 0; y < 3; ++y) {
            std::uint8_t row[2] = {};
            for (int x = 0; x < 5; ++x) row[x / 4] |= std::uint8_t(((x + y) % 4) << (6 - 2 * (x % 4)));
            spec.Rows.insert(spec.Rows.end(), row, row + 2);
        }
        const TColor32 expected[4] = {Color32(255, 0, 0, 0), Color32(0, 255, 0, 128), Color32(0, 0, 255),
                                      Color32(10, 20, 30)};
        const TPixelBuffer out = Decoded(MakePng(spec));
        ASSERT_EQ(out.Width, 5);
        ASSERT_EQ(out.Height, 3);
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 5; ++x) EXPECT_EQ(out.Row(y)[x], expected[(x + y) % 4]) << x << "," << y;
    }
    {
        SCOPED_TRACE("grey with alpha");
        TPngSpec spec{4, 2, PNG_COLOR_TYPE_GRAY_ALPHA, 8};
        std::vector<TColor32> expected;
        for (int y = 0; y < 2; ++y)
            for (int x = 0; x < 4; ++x) {
                const std::uint8_t grey = std::uint8_t(x * 60 + y), alpha = std::uint8_t(y * 100 + x * 10 + 5);
                spec.Rows.insert(spec.Rows.end(), {grey, alpha});
                expected.push_back(Color32(grey, grey, grey, alpha));
            }
        EXPECT_EQ(Decoded(MakePng(spec)).Pixels, expected);
    }
    {
        SCOPED_TRACE("16-bit RGB: the high bytes, opaque");
        TPngSpec spec{3, 2, PNG_COLOR_TYPE_RGB, 16};
        std::vector<TColor32> expected;
        for (int i = 0; i < 6; ++i) {
            const std::uint8_t r = std::uint8_t(i * 40), g = std::uint8_t(255 - i * 30), b = std::uint8_t(i * 7 + 1);
            spec.Rows.insert(spec.Rows.end(), {r, 0xFF, g, 0x01, b, 0x80});
            expected.push_back(Color32(r, g, b));
        }
        EXPECT_EQ(Decoded(MakePng(spec)).Pixels, expected);
    }
    {
        SCOPED_TRACE("16-bit grey with a transparent grey");
        TPngSpec spec{3, 1, PNG_COLOR_TYPE_GRAY, 16};
        spec.TransparentColor = true;
        spec.TransparentGrey = 0x1234;
        spec.Rows = {0x12, 0x34, 0x12, 0x35, 0xAB, 0xCD};
        EXPECT_EQ(Decoded(MakePng(spec)).Pixels,
                  (std::vector<TColor32>{Color32(0x12, 0x12, 0x12, 0), Color32(0x12, 0x12, 0x12), Color32(0xAB, 0xAB, 0xAB)}));
    }
    {
        SCOPED_TRACE("interlaced RGBA");
        const TPixelBuffer picture = RandomPixels(13, 11, 5);
        TPngSpec spec{13, 11, PNG_COLOR_TYPE_RGB_ALPHA, 8, true};
        spec.Rows = RgbaBytes(picture);
        EXPECT_EQ(Decoded(MakePng(spec)).Pixels, picture.Pixels);
    }
}

TEST(PngReader, DamagedTruncatedAndOversizedFilesAreRefusedCleanly)
{
    TByteVector file;
    ASSERT_TRUE(EncodePng(ViewOf(RandomPixels(40, 30, 3)), file));
    const TPixelBuffer before = RandomPixels(2, 2, 8);
    auto refused = [&](const TByteVector& bytes, const TImageLimits& limits = {}) {
        TPixelBuffer out = before;
        const bool ok = DecodePng(bytes, out, limits);
        return !ok && out.Pixels == before.Pixels;
    };

    // Cut anywhere before the end chunk (12 bytes), the pixel data is short.
    for (std::size_t size = 0; size + 12 < file.size(); size += 5) {
        const TByteVector cut(file.begin(), file.begin() + std::ptrdiff_t(size));
        EXPECT_TRUE(refused(cut)) << size;
    }
    TByteVector damaged = file;
    damaged[file.size() / 2] ^= 0x5A; // inside the pixel data: its checksum no longer matches
    EXPECT_TRUE(refused(damaged));
    damaged = file;
    damaged[1] = 'J';
    EXPECT_TRUE(refused(damaged));

    // The header's size is checked against the limits before libpng starts.
    TByteVector wide = file;
    wide[17] = 0x01; // 65576 pixels wide
    EXPECT_TRUE(refused(wide));
    EXPECT_TRUE(refused(file, TImageLimits{39, 10000}));
    TPixelBuffer out;
    int asked = 0;
    TSpanSource source(file);
    EXPECT_FALSE(DecodePng(source, out, {}, [&](const TImageHeader& h) {
        ++asked;
        EXPECT_EQ(h.Width, 40);
        EXPECT_EQ(h.Height, 30);
        EXPECT_GT(h.WorkBytes, 0);
        return false;
    }));
    EXPECT_EQ(asked, 1);
    EXPECT_TRUE(out.IsEmpty());
}
