// The drop shadow: where the stored picture lands and how the result grows.
#include "RenderTestUtils.h"

#include "resources/StringTable.h"

#include <gtest/gtest.h>

using namespace rendertest;

namespace {

// A white image of the given size with the named shadow picture stretched
// (nearest neighbour, opaque) into rect: what the shadow step should leave.
void ExpectedShadow(TBitmap32& expected, int w, int h, const char* resource, const TRect& rect)
{
    expected.SetSize(w, h);
    expected.Clear(clWhite32);
    TBitmap32 shadow;
    ASSERT_TRUE(LoadBitmapResource(QString::fromLatin1(resource), shadow));
    expected.DrawScaled(rect, shadow.BoundsRect(), shadow);
}

// Runs the shadow step on a freshly prepared w x h result.
void ShadowStep(TBitmap32& dest, int w, int h, TBoxOrientation o, TBoxStyle style, bool defaultSize,
                int frontWidth, int sideWidth)
{
    PrepareBoxImage(dest, w, h);
    AddShadow(dest, o, style, defaultSize, true, frontWidth, sideWidth);
}

} // namespace

TEST(DropShadow, ResourceNamesComeFromTheStringTableByOrientation)
{
    EXPECT_EQ(ShadowResourceName(boLeft), QStringLiteral("SHADOW"));
    EXPECT_EQ(ShadowResourceName(boRight), QStringLiteral("SHADOW_R"));
    EXPECT_EQ(ShadowResourceName(boLeft), QString::fromLatin1(LoadStrRaw(StrId::ShadowResourceLeft)));
}

TEST(DropShadow, TwoSidedBoxLeftShadowFillsTheLowerLeft)
{
    TBitmap32 dest, expected;
    ShadowStep(dest, 240, 300, boLeft, bxTwoSidedBox, false, 200, 40);
    ASSERT_EQ(dest.Width(), 300);
    ASSERT_EQ(dest.Height(), 300);
    // x 0..106, y 240..298, the bottom row white.
    ExpectedShadow(expected, 300, 300, "SHADOW", MakeRect(0, 240, 107, 299));
    EXPECT_TRUE(SamePixels(dest, expected));
    for (int x = 0; x < 300; ++x) EXPECT_EQ(dest.PixelAt(x, 299), clWhite32);
    // The darkest corner sits under the box, the outer end is white.
    EXPECT_LE(RedComponent(dest.PixelAt(106, 298)), 190);
    EXPECT_EQ(dest.PixelAt(107, 298), clWhite32);
    EXPECT_EQ(dest.PixelAt(0, 240), clWhite32);
    // The shadow replaces the cleared border ring: everything is opaque now.
    EXPECT_EQ(AlphaComponent(dest.PixelAt(0, 0)), 255);
}

TEST(DropShadow, TwoSidedBoxRightShadowIsTheMirror)
{
    TBitmap32 dest, expected;
    ShadowStep(dest, 240, 300, boRight, bxTwoSidedBox, false, 200, 40);
    ASSERT_EQ(dest.Width(), 300);
    ExpectedShadow(expected, 300, 300, "SHADOW_R", MakeRect(193, 240, 300, 299));
    EXPECT_TRUE(SamePixels(dest, expected));
    EXPECT_LE(RedComponent(dest.PixelAt(193, 298)), 190);
    EXPECT_EQ(dest.PixelAt(192, 298), clWhite32);
}

TEST(DropShadow, HeightFollowsTheDefaultSizeOptionExceptForTheBook)
{
    TBitmap32 dest, expected;
    // Default size: 80 + 19 rows; the three-sided box anchors on the side too.
    ShadowStep(dest, 250, 300, boLeft, bxThreeSideBox, true, 233, 17);
    ExpectedShadow(expected, 310, 300, "SHADOW", MakeRect(0, 200, 84, 299));
    EXPECT_TRUE(SamePixels(dest, expected));

    // The book: always 86 x 99 at the lower left.
    for (bool defaultSize : {false, true}) {
        ShadowStep(dest, 255, 322, boLeft, bxBookCover, defaultSize, 200, 40);
        ExpectedShadow(expected, 315, 322, "SHADOW", MakeRect(0, 222, 86, 321));
        EXPECT_TRUE(SamePixels(dest, expected)) << "default size " << defaultSize;
    }
}

TEST(DropShadow, OffLeavesTheResultAlone)
{
    TBitmap32 dest;
    PrepareBoxImage(dest, 240, 300);
    AddShadow(dest, boLeft, bxTwoSidedBox, false, false, 200, 40);
    EXPECT_EQ(dest.Width(), 240);
    EXPECT_EQ(dest.PixelAt(0, 0), 0x00FFFFFFu);
}

TEST(DropShadow, ShowsBesideTheComposedBox)
{
    TBitmap32 r, expected;
    ComposeUniform(r, bxTwoSidedBox, boLeft, false, true);
    ExpectedShadow(expected, 300, 300, "SHADOW", MakeRect(0, 240, 107, 299));
    // Left of the box the shadow is untouched by the faces.
    for (int y = 0; y < 300; ++y)
        for (int x = 0; x < 58; ++x)
            ASSERT_EQ(r.PixelAt(x, y), expected.PixelAt(x, y)) << x << "," << y;
    // Under the box the faces cover it.
    EXPECT_TRUE(IsBluish(r.PixelAt(80, 285)));
}

TEST(DropShadow, SmallResultsClipTheShadow)
{
    // The rectangle reaches above the image and past its edges.
    for (TBoxOrientation o : {boLeft, boRight})
        for (int h : {1, 2, 30}) {
            TBitmap32 dest;
            ShadowStep(dest, 3, h, o, bxTwoSidedBox, true, 2, 1);
            EXPECT_EQ(dest.Width(), 63);
            EXPECT_EQ(dest.Height(), h);
        }
    TBitmap32 empty, shadow;
    ASSERT_TRUE(LoadBitmapResource(QStringLiteral("SHADOW"), shadow));
    EXPECT_NO_THROW(DrawShadow(shadow, empty, 40, boLeft, 40));
    TBitmap32 dest;
    PrepareBoxImage(dest, 50, 50);
    EXPECT_NO_THROW(DrawShadow(shadow, dest, 500, boRight, 40)); // starts right of the image
    EXPECT_EQ(dest.PixelAt(25, 45), clWhite32);
    EXPECT_EQ(dest.PixelAt(49, 48), 0x00FFFFFFu);
}
