#include "CodecTestSupport.h"

#include "codecs/BmpReader.h"
#include "codecs/BmpWriter.h"

#include <gtest/gtest.h>

#include <functional>

using namespace codectest;

namespace {

void Put16(TByteVector& v, std::size_t at, std::uint32_t x)
{
    v[at] = std::uint8_t(x);
    v[at + 1] = std::uint8_t(x >> 8);
}
void Put32(TByteVector& v, std::size_t at, std::uint32_t x)
{
    Put16(v, at, x);
    Put16(v, at + 2, x >> 16);
}

// Builds a bitmap file the way other programs write them.
struct TBmpBuilder {
    int InfoSize = 40;
    int Width = 0, Height = 0;
    int Bpp = 24;
    std::uint32_t Compression = 0;
    bool TopDown = false;
    std::vector<TColor32> Palette;
    std::uint32_t Masks[4] = {0, 0, 0, 0};
    // Pixel data as stored (rows already padded, bottom-up unless TopDown).
    TByteVector Data;

    TByteVector Build() const
    {
        const bool core = InfoSize == 12;
        const std::size_t entry = core ? 3 : 4;
        const bool masksAfterHeader = InfoSize == 40 && Compression == 3;
        const std::size_t paletteAt = 14 + std::size_t(InfoSize) + (masksAfterHeader ? 12 : 0);
        const std::size_t dataAt = paletteAt + Palette.size() * entry;
        TByteVector f(dataAt + Data.size());
        f[0] = 'B';
        f[1] = 'M';
        Put32(f, 2, std::uint32_t(f.size()));
        Put32(f, 10, std::uint32_t(dataAt));
        Put32(f, 14, std::uint32_t(InfoSize));
        if (core) {
            Put16(f, 18, std::uint32_t(Width));
            Put16(f, 20, std::uint32_t(Height));
            Put16(f, 22, 1);
            Put16(f, 24, std::uint32_t(Bpp));
        } else {
            Put32(f, 18, std::uint32_t(Width));
            Put32(f, 22, std::uint32_t(TopDown ? -Height : Height));
            Put16(f, 26, 1);
            Put16(f, 28, std::uint32_t(Bpp));
            Put32(f, 30, Compression);
            Put32(f, 46, std::uint32_t(Palette.size()));
            if (Compression == 3)
                for (int i = 0; i < (InfoSize >= 56 ? 4 : 3); ++i) Put32(f, 54 + 4 * std::size_t(i), Masks[i]);
        }
        for (std::size_t i = 0; i < Palette.size(); ++i) {
            f[paletteAt + i * entry] = BlueComponent(Palette[i]);
            f[paletteAt + i * entry + 1] = GreenComponent(Palette[i]);
            f[paletteAt + i * entry + 2] = RedComponent(Palette[i]);
        }
        std::copy(Data.begin(), Data.end(), f.begin() + std::ptrdiff_t(dataAt));
        return f;
    }
};

// Packs rows of `bytesPerRow(y)` into 4-byte aligned rows, bottom-up unless topDown.
TByteVector PackRows(int height, bool topDown, const std::function<TByteVector(int y)>& row)
{
    TByteVector out;
    for (int i = 0; i < height; ++i) {
        TByteVector r = row(topDown ? i : height - 1 - i);
        while (r.size() % 4) r.push_back(0);
        out.insert(out.end(), r.begin(), r.end());
    }
    return out;
}

TByteSpan Span(const TByteVector& v) { return {v.data(), v.size()}; }

TPixelBuffer Decode(const TByteVector& file)
{
    TPixelBuffer out;
    EXPECT_TRUE(DecodeBmp(Span(file), out));
    return out;
}

std::uint8_t Scale(std::uint32_t v, int bits) { return std::uint8_t((v * 255 + ((1u << bits) - 1) / 2) / ((1u << bits) - 1)); }

} // namespace

TEST(BmpWriter, WritesUncompressed32BitBottomUpAndReadsBackExactly)
{
    const TPixelBuffer image = RandomPixels(13, 7);
    const TByteVector file = EncodeBmp32(ViewOf(image), TBmpFourthByte::Alpha);
    ASSERT_EQ(file.size(), 54u + 13 * 7 * 4);
    EXPECT_EQ(file[0], 'B');
    EXPECT_EQ(file[28], 32); // bits per pixel
    EXPECT_EQ(file[30], 0);  // uncompressed
    EXPECT_EQ(file[22], 7);  // positive height: bottom-up
    // The first stored row is the bottom one, blue first.
    EXPECT_EQ(file[54], BlueComponent(image.Row(6)[0]));
    EXPECT_EQ(file[57], AlphaComponent(image.Row(6)[0]));

    const TPixelBuffer back = Decode(file);
    EXPECT_EQ(back.Width, 13);
    EXPECT_EQ(back.Height, 7);
    EXPECT_EQ(back.Pixels, image.Pixels); // alpha included
    EXPECT_TRUE(EncodeBmp32(TPixelView{}).empty());

    // By default every fourth byte is 255 and the colours are untouched.
    const TPixelBuffer opaque = Decode(EncodeBmp32(ViewOf(image)));
    ASSERT_EQ(opaque.Pixels.size(), image.Pixels.size());
    for (std::size_t i = 0; i < image.Pixels.size(); ++i) ASSERT_EQ(opaque.Pixels[i], WithAlpha(image.Pixels[i], 255)) << i;
}

TEST(BmpReader, ReadsEveryDepthAndHeaderKind)
{
    const int w = 9, h = 5;
    const TPixelBuffer colours = RandomPixels(w, h, 3);
    auto px = [&](int x, int y) { return colours.Row(y)[x]; };

    for (bool topDown : {false, true}) {
        SCOPED_TRACE(topDown ? "top-down" : "bottom-up");
        // Palette depths: index = (x + y) mod n, palette of n random colours.
        for (int bpp : {1, 4, 8}) {
            const int n = bpp == 8 ? 100 : 1 << bpp;
            TBmpBuilder b;
            b.Width = w;
            b.Height = h;
            b.Bpp = bpp;
            b.TopDown = topDown;
            for (int i = 0; i < n; ++i) b.Palette.push_back(WithAlpha(colours.Pixels[std::size_t(i) % colours.Pixels.size()], 255));
            b.Data = PackRows(h, topDown, [&](int y) {
                TByteVector r(std::size_t((w * bpp + 7) / 8));
                for (int x = 0; x < w; ++x) {
                    const unsigned idx = unsigned((x + y) % n);
                    const int bit = x * bpp;
                    r[std::size_t(bit / 8)] |= std::uint8_t(idx << (8 - bpp - bit % 8));
                }
                return r;
            });
            const TPixelBuffer got = Decode(b.Build());
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x) ASSERT_EQ(got.Row(y)[x], b.Palette[std::size_t((x + y) % n)]) << bpp;
        }

        TBmpBuilder b24;
        b24.Width = w;
        b24.Height = h;
        b24.TopDown = topDown;
        b24.Data = PackRows(h, topDown, [&](int y) {
            TByteVector r;
            for (int x = 0; x < w; ++x) r.insert(r.end(), {BlueComponent(px(x, y)), GreenComponent(px(x, y)), RedComponent(px(x, y))});
            return r;
        });
        TPixelBuffer got = Decode(b24.Build());
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) ASSERT_EQ(got.Row(y)[x], WithAlpha(px(x, y), 255));

        // 16 bits: plain 5-5-5 and 5-6-5 bit fields.
        for (bool rgb565 : {false, true}) {
            TBmpBuilder b;
            b.Width = w;
            b.Height = h;
            b.Bpp = 16;
            b.TopDown = topDown;
            if (rgb565) {
                b.Compression = 3;
                b.Masks[0] = 0xF800;
                b.Masks[1] = 0x07E0;
                b.Masks[2] = 0x001F;
            }
            auto word = [&](int x, int y) { return std::uint32_t((x * 7 + y * 13) * 97 % 65536); };
            b.Data = PackRows(h, topDown, [&](int y) {
                TByteVector r;
                for (int x = 0; x < w; ++x) r.insert(r.end(), {std::uint8_t(word(x, y)), std::uint8_t(word(x, y) >> 8)});
                return r;
            });
            got = Decode(b.Build());
            for (int y = 0; y < h; ++y) {
                for (int x = 0; x < w; ++x) {
                    const std::uint32_t v = word(x, y);
                    const TColor32 expected = rgb565 ? Color32(Scale(v >> 11, 5), Scale((v >> 5) & 63, 6), Scale(v & 31, 5))
                                                     : Color32(Scale((v >> 10) & 31, 5), Scale((v >> 5) & 31, 5), Scale(v & 31, 5));
                    ASSERT_EQ(got.Row(y)[x], expected) << (rgb565 ? "565 " : "555 ") << x << "," << y;
                }
            }
        }
    }

    // 32 bits in a V5 header with the channels in an unusual order and an alpha mask.
    TBmpBuilder v5;
    v5.InfoSize = 124;
    v5.Width = w;
    v5.Height = h;
    v5.Bpp = 32;
    v5.Compression = 3;
    v5.Masks[0] = 0x000000FF; // red in the lowest byte
    v5.Masks[1] = 0x0000FF00;
    v5.Masks[2] = 0x00FF0000;
    v5.Masks[3] = 0xFF000000;
    v5.Data = PackRows(h, false, [&](int y) {
        TByteVector r;
        for (int x = 0; x < w; ++x)
            r.insert(r.end(), {RedComponent(px(x, y)), GreenComponent(px(x, y)), BlueComponent(px(x, y)), AlphaComponent(px(x, y))});
        return r;
    });
    EXPECT_EQ(Decode(v5.Build()).Pixels, colours.Pixels);

    // 16 bits with an alpha mask (1-5-5-5): the file stays opaque.
    TBmpBuilder a16;
    a16.InfoSize = 124;
    a16.Width = 2;
    a16.Height = 1;
    a16.Bpp = 16;
    a16.Compression = 3;
    a16.Masks[0] = 0x7C00;
    a16.Masks[1] = 0x03E0;
    a16.Masks[2] = 0x001F;
    a16.Masks[3] = 0x8000;
    a16.Data = {0x1F, 0x00, 0x00, 0xFC}; // blue, alpha bit clear; red, alpha bit set
    EXPECT_EQ(Decode(a16.Build()).Pixels, (std::vector<TColor32>{Color32(0, 0, 255), Color32(255, 0, 0)}));

    // A V4 header with plain 32-bit data keeps the fourth byte as alpha.
    TBmpBuilder v4;
    v4.InfoSize = 108;
    v4.Width = w;
    v4.Height = h;
    v4.Bpp = 32;
    v4.Data = EncodeBmp32(ViewOf(colours), TBmpFourthByte::Alpha);
    v4.Data.erase(v4.Data.begin(), v4.Data.begin() + 54);
    EXPECT_EQ(Decode(v4.Build()).Pixels, colours.Pixels);

    // The old core header: 16-bit sizes and three-byte palette entries.
    TBmpBuilder core;
    core.InfoSize = 12;
    core.Width = 3;
    core.Height = 2;
    core.Bpp = 8;
    core.Palette = {clBlack32, Color32(1, 2, 3), Color32(200, 100, 50)};
    core.Palette.resize(256, clBlack32);
    core.Data = {2, 1, 0, 0, /* bottom row */ 0, 1, 2, 0};
    const TPixelBuffer c = Decode(core.Build());
    EXPECT_EQ(c.Pixels, (std::vector<TColor32>{clBlack32, Color32(1, 2, 3), Color32(200, 100, 50),
                                               Color32(200, 100, 50), Color32(1, 2, 3), clBlack32}));
}

TEST(BmpReader, RunLengthDataWithRunsAbsoluteRunsDeltasAndLineEnds)
{
    const TColor32 red = Color32(255, 0, 0), green = Color32(0, 255, 0), blue = Color32(0, 0, 255);
    TBmpBuilder rle8;
    rle8.Width = 6;
    rle8.Height = 3;
    rle8.Bpp = 8;
    rle8.Compression = 1;
    rle8.Palette = {blue, red, green};
    rle8.Data = {
        3, 1, 0, 3, 2, 1, 2, 0, // bottom row: 3 red, then absolute green red green (padded)
        0, 0,                   // end of line
        0, 2, 2, 1,             // delta: two right, one up (skips the middle row)
        2, 2,                   // 2 green at x 2..3 of the top row
        0, 1,                   // end of bitmap
    };
    TPixelBuffer got = Decode(rle8.Build());
    const TColor32 k = clBlack32; // skipped pixels
    EXPECT_EQ(got.Pixels, (std::vector<TColor32>{k, k, green, green, k, k,   // top
                                                 k, k, k, k, k, k,           // middle
                                                 red, red, red, green, red, green}));

    TBmpBuilder rle4 = rle8;
    rle4.Bpp = 4;
    rle4.Compression = 2;
    rle4.Width = 5;
    rle4.Height = 1;
    rle4.Data = {4, 0x12, 0, 3, 0x20, 0x10, 0, 1}; // 1 2 1 2, then absolute 2 0 1 (clipped at width 5)
    got = Decode(rle4.Build());
    EXPECT_EQ(got.Pixels, (std::vector<TColor32>{red, green, red, green, green}));

    // Without the end-of-bitmap mark the data counts as truncated.
    TBmpBuilder cut = rle8;
    cut.Data.resize(cut.Data.size() - 2);
    TPixelBuffer out;
    EXPECT_FALSE(DecodeBmp(Span(cut.Build()), out));
}

TEST(BmpReader, HostileAndDamagedFilesAreRefused)
{
    const TPixelBuffer image = RandomPixels(10, 6);
    const TByteVector good = EncodeBmp32(ViewOf(image));
    TPixelBuffer out;
    out.Width = out.Height = 1;
    out.Pixels = {42};
    for (std::size_t n = 0; n < good.size(); ++n) {
        TByteVector cut(good.begin(), good.begin() + std::ptrdiff_t(n));
        ASSERT_FALSE(DecodeBmp(Span(cut), out)) << "length " << n;
    }
    EXPECT_EQ(out.Pixels, std::vector<TColor32>{42});

    auto patched = [&](std::size_t at, std::uint32_t value, int bytes = 4) {
        TByteVector f = good;
        if (bytes == 4) Put32(f, at, value);
        else Put16(f, at, value);
        return f;
    };
    EXPECT_FALSE(DecodeBmp(Span(patched(18, 30001)), out));                  // wider than 30000
    EXPECT_FALSE(DecodeBmp(Span(patched(22, std::uint32_t(-30001))), out)); // top-down, too high
    TByteVector huge = patched(18, 20001);
    Put32(huge, 22, 20001);
    EXPECT_FALSE(DecodeBmp(Span(huge), out)); // 400 040 001 pixels
    EXPECT_FALSE(DecodeBmp(Span(patched(22, 0x80000000u)), out)); // INT_MIN height
    EXPECT_FALSE(DecodeBmp(Span(patched(18, 0)), out));
    EXPECT_FALSE(DecodeBmp(Span(patched(10, 100000)), out)); // pixel data beyond the end
    EXPECT_FALSE(DecodeBmp(Span(patched(14, 64)), out));     // unknown header size
    EXPECT_FALSE(DecodeBmp(Span(patched(28, 2, 2)), out));   // 2 bits per pixel
    EXPECT_FALSE(DecodeBmp(Span(patched(30, 4)), out));      // embedded JPEG
    EXPECT_FALSE(DecodeBmp(Span(patched(30, 1)), out));      // RLE8 with 32 bits

    TBmpBuilder gaps;
    gaps.Width = gaps.Height = 1;
    gaps.Bpp = 16;
    gaps.Compression = 3;
    gaps.Masks[0] = 0xF00F; // not contiguous
    gaps.Masks[1] = 0x00F0;
    gaps.Masks[2] = 0x0F00;
    gaps.Data = {0, 0, 0, 0};
    EXPECT_FALSE(DecodeBmp(Span(gaps.Build()), out));

    TBmpBuilder rleTopDown;
    rleTopDown.Width = rleTopDown.Height = 1;
    rleTopDown.Bpp = 8;
    rleTopDown.Compression = 1;
    rleTopDown.TopDown = true;
    rleTopDown.Palette = {clWhite32};
    rleTopDown.Data = {1, 0, 0, 1};
    EXPECT_FALSE(DecodeBmp(Span(rleTopDown.Build()), out));
    EXPECT_EQ(out.Pixels, std::vector<TColor32>{42});
}
