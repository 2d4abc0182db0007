// The box on a transparent ground: drawn on white and on black, turned into
// alpha, and laid back on a background.
#include "RenderTestUtils.h"

#include "render/BoxMatte.h"

#include <gtest/gtest.h>

#include <cstdlib>

using namespace rendertest;

namespace {

// A face with gradients, white and black areas and a one-pixel grid, so that
// every kind of edge the mapping and the lines make is present.
void PatternFace(TBitmap32& face, int w, int h, int seed)
{
    face.SetSize(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            TColor32 c = Color32(std::uint8_t(x * 255 / w), std::uint8_t(y * 255 / h), std::uint8_t(seed * 80));
            if ((x + seed) % 17 == 0) c = clBlack32;
            if (y < h / 8 && x < w / 3) c = clWhite32;
            face.SetPixelAt(x, y, c);
        }
}

void Compose(TBitmap32& dest, TBoxStyle style, TBoxOrientation o, bool defaultSize, bool shadow, TBoxGround ground)
{
    TBitmap32 f, s, t;
    PatternFace(f, 180, 260, 0);
    PatternFace(s, 45, 260, 1);
    PatternFace(t, 200, 40, 2);
    ComposeBox(dest, f, s, t, style, o, defaultSize, 250, 300, shadow, ground);
}

int Channel(TColor32 c, int shift) { return int((c >> shift) & 0xFF); }

// The box on both grounds and the transparent picture they give.
void ComposeMatte(TBitmap32& onWhite, TBitmap32& onBlack, TBitmap32& matte, TBoxStyle style, TBoxOrientation o,
                  bool defaultSize, bool shadow)
{
    Compose(onWhite, style, o, defaultSize, shadow, bgWhite);
    Compose(onBlack, style, o, defaultSize, shadow, bgBlack);
    MatteFromGrounds(onWhite, onBlack, matte);
}

} // namespace

TEST(BoxMatte, OverWhiteGivesBackTheWhiteDrawingForEveryStyleAndOption)
{
    for (TBoxStyle style : {bxTwoSidedBox, bxThreeSideBox, bxBookCover})
        for (TBoxOrientation o : {boLeft, boRight})
            for (bool shadow : {false, true})
                for (bool defaultSize : {false, true}) {
                    SCOPED_TRACE(testing::Message() << "style " << style << " orientation " << o << " shadow "
                                                    << shadow << " default size " << defaultSize);
                    TBitmap32 onWhite, onBlack, matte, flat;
                    ComposeMatte(onWhite, onBlack, matte, style, o, defaultSize, shadow);
                    FlattenMatte(matte, clWhite32, flat);
                    ASSERT_EQ(flat.Width(), onWhite.Width());
                    int worst = 0, clear = 0, partial = 0;
                    for (int y = 0; y < flat.Height(); ++y)
                        for (int x = 0; x < flat.Width(); ++x) {
                            const TColor32 a = flat.PixelAt(x, y), b = onWhite.PixelAt(x, y);
                            ASSERT_EQ(a >> 24, 0xFFu);
                            for (int shift = 0; shift <= 16; shift += 8)
                                worst = std::max(worst, std::abs(Channel(a, shift) - Channel(b, shift)));
                            const unsigned alpha = matte.PixelAt(x, y) >> 24;
                            clear += alpha == 0;
                            partial += alpha > 0 && alpha < 255;
                        }
                    EXPECT_LE(worst, 1);
                    // Uncovered corners are clear, and the outlines are soft.
                    EXPECT_EQ(matte.PixelAt(0, 0) >> 24, 0u);
                    EXPECT_EQ(matte.PixelAt(matte.Width() - 1, 0) >> 24, 0u);
                    EXPECT_GT(clear, 0);
                    EXPECT_GT(partial, 0);
                }
}

TEST(BoxMatte, TheShadowBecomesBlackWithAlphaFromItsGrey)
{
    TBitmap32 onWhite, onBlack, matte;
    ComposeMatte(onWhite, onBlack, matte, bxTwoSidedBox, boLeft, true, true);
    // Below the box on the left, where only the shadow lies.
    int seen = 0;
    const int y = onWhite.Height() - 8;
    for (int x = 2; x < 60; ++x) {
        const int grey = Channel(onWhite.PixelAt(x, y), 0);
        if (grey == 255 || Channel(onBlack.PixelAt(x, y), 0) != 0) continue;
        EXPECT_EQ(matte.PixelAt(x, y), TColor32(255 - grey) << 24) << "x " << x;
        ++seen;
    }
    EXPECT_GT(seen, 10);
}

TEST(BoxMatte, BooksPageTopKeepsNoWhiteBox)
{
    TBitmap32 onWhite, onBlack, matte;
    ComposeMatte(onWhite, onBlack, matte, bxBookCover, boLeft, false, false);
    // Right of the cover's top edge, inside the page-top picture's rectangle.
    EXPECT_EQ(matte.PixelAt(250, 4) >> 24, 0u);
}

TEST(BoxMatte, BackgroundsParseResolveAndFlatten)
{
    TBoxBackground b;
    EXPECT_TRUE(ParseBoxBackground("Transparent", b));
    EXPECT_EQ(b.Kind, TBoxBackground::Transparent);
    EXPECT_TRUE(ParseBoxBackground("#1a2B3c", b));
    EXPECT_EQ(b, TBoxBackground::Of(0xFF1A2B3Cu));
    EXPECT_EQ(BoxBackgroundText(b), "#1a2b3c");
    for (const char* bad : {"", "#12345", "#1234567", "12345g", "#gg0000", "black"})
        EXPECT_FALSE(ParseBoxBackground(bad, b)) << bad;

    const TBoxBackground automatic;
    EXPECT_EQ(ResolveBoxBackground(automatic, true).Kind, TBoxBackground::Transparent);
    EXPECT_EQ(ResolveBoxBackground(automatic, false), TBoxBackground::Of(clWhite32));
    EXPECT_EQ(ResolveBoxBackground({TBoxBackground::Transparent}, false), TBoxBackground::Of(clWhite32));
    EXPECT_FALSE(NeedsBlackGround(TBoxBackground::Of(clWhite32)));
    EXPECT_TRUE(NeedsBlackGround(TBoxBackground::Of(0xFF000080u)));

    // Half-covered red over navy: each channel mixes by the alpha, rounded.
    TBitmap32 matte, flat;
    matte.SetSize(1, 1);
    matte.SetPixelAt(0, 0, 0x80FF0000u);
    FlattenMatte(matte, 0xFF000080u, flat);
    EXPECT_EQ(flat.PixelAt(0, 0), Color32((255 * 128 + 127) / 255, 0, (128 * 127 + 127) / 255));
}
