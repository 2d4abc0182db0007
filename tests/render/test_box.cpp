// The box compositions, checked on the pixels of real renders with
// colour-coded faces: red front, blue side, green top.
#include "RenderTestUtils.h"

#include "platform/MemoryBudget.h"

#include <QFont>
#include <QGuiApplication>
#include <gtest/gtest.h>

using namespace rendertest;

namespace {

struct TSize {
    int W, H;
};

TSize Rendered(TBoxStyle style, TBoxOrientation o, bool defaultSize, bool shadow,
               const TFaceSizes& sizes = {})
{
    TBitmap32 r;
    ComposeUniform(r, style, o, defaultSize, shadow, sizes);
    return {r.Width(), r.Height()};
}

// The darkest pixel (by R + G + B) of column x within rows y1..y2.
TColor32 DarkestInColumn(const TBitmap32& image, int x, int y1, int y2)
{
    TColor32 best = image.PixelAt(x, y1);
    auto sum = [](TColor32 c) { return RedComponent(c) + GreenComponent(c) + BlueComponent(c); };
    for (int y = y1; y <= y2; ++y)
        if (sum(image.PixelAt(x, y)) < sum(best)) best = image.PixelAt(x, y);
    return best;
}

} // namespace

TEST(BoxComposition, ResultSizeForEveryStyleAndOption)
{
    // 200 x 300 front, 40 x 300 side; default size 250 x 300; sizes without shadow.
    const struct {
        TBoxStyle Style;
        bool DefaultSize;
        TSize Expected;
    } cases[] = {
        {bxTwoSidedBox, false, {240, 300}}, {bxTwoSidedBox, true, {250, 300}},
        {bxThreeSideBox, false, {240, 339}}, {bxThreeSideBox, true, {250, 300}},
        {bxBookCover, false, {255, 322}},   {bxBookCover, true, {255, 300}},
    };
    for (const auto& c : cases)
        for (TBoxOrientation o : {boLeft, boRight})
            for (bool shadow : {false, true}) {
                SCOPED_TRACE(testing::Message() << "style " << c.Style << " default " << c.DefaultSize
                                                << " orientation " << o << " shadow " << shadow);
                const TSize s = Rendered(c.Style, o, c.DefaultSize, shadow);
                EXPECT_EQ(s.W, c.Expected.W + (shadow ? 60 : 0));
                EXPECT_EQ(s.H, c.Expected.H);
            }
    // The book is 255 wide whatever the cover's width.
    TFaceSizes narrow;
    narrow.FrontW = 90;
    narrow.FrontH = 120;
    const TSize book = Rendered(bxBookCover, boLeft, false, false, narrow);
    EXPECT_EQ(book.W, 255);
    EXPECT_EQ(book.H, 142);
}

TEST(BoxComposition, TwoSidedBoxLeftLandsOnItsCorners)
{
    TBitmap32 r;
    ComposeUniform(r, bxTwoSidedBox, boLeft, false, false);
    ASSERT_EQ(r.Width(), 240);

    // The side runs from x 0 to the shared edge, where the front takes over at x 39.
    for (int x = 0; x <= 38; ++x) EXPECT_TRUE(IsBluish(r.PixelAt(x, 150))) << "x " << x;
    for (int x = 39; x <= 239; ++x) EXPECT_TRUE(IsReddish(r.PixelAt(x, 150))) << "x " << x;
    // The shared edge is full height on both sides of it.
    const TRun sideNear = ColumnRun(r, 37, IsBluish);
    const TRun frontNear = ColumnRun(r, 40, IsReddish);
    EXPECT_LE(sideNear.First, 2);
    EXPECT_GE(sideNear.Last, 297);
    EXPECT_LE(frontNear.First, 2);
    EXPECT_GE(frontNear.Last, 297);

    // Far edges: the front's from y 21 to 281, the side's from y 20 to 280.
    const TRun frontFar = ColumnRun(r, 238, IsReddish);
    EXPECT_NEAR(frontFar.First, 21, 1);
    EXPECT_NEAR(frontFar.Last, 281, 1);
    const TRun sideFar = ColumnRun(r, 0, IsBluish);
    EXPECT_NEAR(sideFar.First, 20, 1);
    EXPECT_NEAR(sideFar.Last, 280, 1);
    // Nothing above or below the far edges.
    EXPECT_TRUE(IsWhiteRgb(r.PixelAt(238, 15)));
    EXPECT_TRUE(IsWhiteRgb(r.PixelAt(238, 286)));
    EXPECT_TRUE(IsWhiteRgb(r.PixelAt(0, 15)));
    EXPECT_TRUE(IsWhiteRgb(r.PixelAt(0, 285)));
}

TEST(BoxComposition, ShadowMovesTheBoxAwayFromTheShadowSide)
{
    TBitmap32 left, right;
    ComposeUniform(left, bxTwoSidedBox, boLeft, false, true);
    ASSERT_EQ(left.Width(), 300);
    // The box starts at x 60; above the shadow the strip left of it is white.
    for (int x = 0; x <= 58; ++x) EXPECT_TRUE(IsWhiteRgb(left.PixelAt(x, 150))) << "x " << x;
    for (int x = 60; x <= 98; ++x) EXPECT_TRUE(IsBluish(left.PixelAt(x, 150))) << "x " << x;
    for (int x = 99; x <= 298; ++x) EXPECT_TRUE(IsReddish(left.PixelAt(x, 150))) << "x " << x;

    ComposeUniform(right, bxTwoSidedBox, boRight, false, true);
    ASSERT_EQ(right.Width(), 300);
    // The box ends at x 240.
    for (int x = 1; x <= 197; ++x) EXPECT_TRUE(IsReddish(right.PixelAt(x, 150))) << "x " << x;
    for (int x = 200; x <= 238; ++x) EXPECT_TRUE(IsBluish(right.PixelAt(x, 150))) << "x " << x;
    for (int x = 241; x <= 299; ++x) EXPECT_TRUE(IsWhiteRgb(right.PixelAt(x, 150))) << "x " << x;
    // Far edges: the side's from y 22 to 280, the front's from 19 to 281.
    const TRun sideFar = ColumnRun(right, 238, IsBluish);
    EXPECT_NEAR(sideFar.First, 22, 2);
    EXPECT_NEAR(sideFar.Last, 280, 1);
    const TRun frontFar = ColumnRun(right, 1, IsReddish);
    EXPECT_NEAR(frontFar.First, 19, 1);
    EXPECT_NEAR(frontFar.Last, 281, 1);
}

TEST(BoxComposition, ThreeSideBoxAndBookPlaceTheirFaces)
{
    TBitmap32 r;
    ComposeUniform(r, bxThreeSideBox, boLeft, false, false);
    EXPECT_TRUE(IsBluish(r.PixelAt(20, 150)));
    EXPECT_TRUE(IsReddish(r.PixelAt(140, 150)));
    EXPECT_EQ(Rgb(r.PixelAt(120, 18)), Rgb(kGreen)); // the lid, not darkened
    EXPECT_TRUE(IsWhiteRgb(r.PixelAt(230, 5)));       // right of the lid's far corner

    // With the shadow everything moves right by 45.
    ComposeUniform(r, bxThreeSideBox, boLeft, false, true);
    EXPECT_TRUE(IsWhiteRgb(r.PixelAt(40, 150)));
    EXPECT_TRUE(IsBluish(r.PixelAt(65, 150)));
    EXPECT_TRUE(IsReddish(r.PixelAt(185, 150)));
    EXPECT_EQ(Rgb(r.PixelAt(165, 18)), Rgb(kGreen));

    // Book: spine from x 2 to 31, cover beyond; 60 further right with the shadow.
    ComposeUniform(r, bxBookCover, boLeft, false, false);
    EXPECT_TRUE(IsWhiteRgb(r.PixelAt(0, 150)));
    EXPECT_TRUE(IsBluish(r.PixelAt(15, 150)));
    EXPECT_TRUE(IsReddish(r.PixelAt(140, 150)));
    ComposeUniform(r, bxBookCover, boLeft, false, true);
    EXPECT_TRUE(IsWhiteRgb(r.PixelAt(55, 150)));
    EXPECT_TRUE(IsBluish(r.PixelAt(75, 150)));
    EXPECT_TRUE(IsReddish(r.PixelAt(200, 150)));
}

TEST(BoxComposition, BookShowsThePageBlockAboveTheCover)
{
    TBitmap32 r;
    ComposeUniform(r, bxBookCover, boLeft, false, false);
    // Between the spine's and the cover's top edges and the back board the
    // page block is visible: neither white nor a face colour.
    int pagePixels = 0;
    for (int y = 2; y < 39; ++y)
        for (int x = 2; x < 257 && x < r.Width(); ++x) {
            const TColor32 c = r.PixelAt(x, y);
            if (!IsWhiteRgb(c) && !IsReddish(c) && !IsBluish(c)) ++pagePixels;
        }
    EXPECT_GT(pagePixels, 500);
}

TEST(BoxComposition, WhiteBottomEdgeIsDrawnLightGrey)
{
    // Middle column of the front (cover) for each style, lower half of the picture.
    for (TBoxStyle style : {bxTwoSidedBox, bxThreeSideBox, bxBookCover}) {
        SCOPED_TRACE(testing::Message() << "style " << style);
        const int cornerX = style == bxTwoSidedBox ? 2 : 1;
        const int cornerY = style == bxTwoSidedBox ? 298 : 299;
        auto render = [&](TColor32 face, TColor32 corner) {
            TBitmap32 f, s, t, r;
            MakeFace(f, 200, 300, face);
            f.SetPixelAt(cornerX, cornerY, corner);
            MakeFace(s, 40, 300, clWhite32);
            MakeFace(t, 240, 50, clWhite32);
            ComposeBox(r, f, s, t, style, boLeft, false, 250, 300, false);
            return DarkestInColumn(r, 140, 200, r.Height() - 1);
        };
        // Opaque white corner: a light grey line.
        const TColor32 grey = render(clWhite32, clWhite32);
        EXPECT_EQ(RedComponent(grey), GreenComponent(grey));
        EXPECT_EQ(RedComponent(grey), BlueComponent(grey));
        EXPECT_LT(RedComponent(grey), 0xF0);
        EXPECT_GE(RedComponent(grey), 0xBF);
        // White that is not quite opaque is used as it is: the line vanishes.
        EXPECT_TRUE(IsWhiteRgb(render(0xFEFFFFFFu, 0xFEFFFFFFu)));
        // Any other colour is used as it is.
        const TColor32 blue = render(clWhite32, kBlue);
        EXPECT_LT(RedComponent(blue) + 40, BlueComponent(blue));
    }
}

TEST(BoxComposition, OrientationDoesNotChangeThreeSideBoxOrBook)
{
    for (TBoxStyle style : {bxThreeSideBox, bxBookCover})
        for (bool shadow : {false, true})
            for (bool defaultSize : {false, true}) {
                TBitmap32 left, right;
                ComposeUniform(left, style, boLeft, defaultSize, shadow);
                ComposeUniform(right, style, boRight, defaultSize, shadow);
                EXPECT_TRUE(SamePixels(left, right))
                    << "style " << style << " shadow " << shadow << " default " << defaultSize;
            }
}

TEST(BoxComposition, SideIsDarkenedAndFacesKeepTheirColour)
{
    TBitmap32 r;
    const TColor32 side = Color32(100, 150, 200);
    const TColor32 front = Color32(5, 10, 250);
    ComposeUniform(r, bxTwoSidedBox, boLeft, false, false, {}, front, side);
    EXPECT_EQ(r.PixelAt(20, 150), Color32(88, 138, 188));
    EXPECT_EQ(r.PixelAt(140, 150), front);
    // Darkening clamps at 0.
    ComposeUniform(r, bxTwoSidedBox, boLeft, false, false, {}, front, Color32(5, 10, 250));
    EXPECT_EQ(r.PixelAt(20, 150), Color32(0, 0, 238));
}

TEST(BoxComposition, PreviewDrawsAFlatLidInTheFrontsCornerColourDarkened)
{
    const TColor32 front = Color32(100, 150, 200);
    TBitmap32 f, s, t, r;
    MakeFace(f, 120, 200, front);
    MakeFace(s, 30, 200, kBlue);
    ComposePreview(r, f, s, t, bxThreeSideBox, 250, 300);
    ASSERT_EQ(r.Width(), 250); // the preview has no +39
    ASSERT_EQ(r.Height(), 300);
    EXPECT_EQ(r.PixelAt(120, 18), Color32(88, 138, 188));
    EXPECT_EQ(r.PixelAt(150, 150), front);
    // The given top is used when there is one (and darkened in the preview).
    MakeFace(f, 120, 200, front);
    MakeFace(s, 30, 200, kBlue);
    MakeFace(t, 100, 30, Color32(20, 200, 40));
    ComposePreview(r, f, s, t, bxThreeSideBox, 250, 300);
    EXPECT_EQ(r.PixelAt(120, 18), Color32(8, 188, 28));
}

TEST(BoxComposition, PreviewUsesTheDefaultSizeWithoutShadowOrExtraHeight)
{
    for (TBoxStyle style : {bxTwoSidedBox, bxThreeSideBox, bxBookCover}) {
        TBitmap32 f, s, t, r;
        MakeFace(f, 400, 500, kRed);
        MakeFace(s, 50, 500, kBlue);
        MakeFace(t, 400, 60, kGreen);
        ComposePreview(r, f, s, t, style, 180, 240);
        EXPECT_EQ(r.Width(), style == bxBookCover ? 255 : 180);
        EXPECT_EQ(r.Height(), 240);
        EXPECT_EQ(s.Width(), 17);
        EXPECT_EQ(f.Width(), 163);
    }
}

TEST(BoxComposition, TinyAndEmptyFacesDrawSafely)
{
    // Faces of 0 x 0, 1 x 1, 2 x 2 and 3 x 3 in every style and option; the
    // edge colours come from clamped positions and empty faces draw nothing.
    for (int size : {0, 1, 2, 3})
        for (TBoxStyle style : {bxTwoSidedBox, bxThreeSideBox, bxBookCover})
            for (TBoxOrientation o : {boLeft, boRight})
                for (bool defaultSize : {false, true})
                    for (bool shadow : {false, true}) {
                        TFaceSizes sizes{size, size, size, size, size, size};
                        TBitmap32 r;
                        EXPECT_NO_THROW(ComposeUniform(r, style, o, defaultSize, shadow, sizes));
                        if (defaultSize) {
                            EXPECT_EQ(r.Height(), 300);
                        }
                    }

    // An empty face leaves its part of the result white.
    TBitmap32 f, s, t, r;
    MakeFace(s, 40, 300, kBlue);
    ComposeBox(r, f, s, t, bxTwoSidedBox, boLeft, true, 250, 300, false);
    EXPECT_EQ(r.Width(), 250);
    EXPECT_TRUE(IsBluish(r.PixelAt(8, 150)));
    EXPECT_EQ(r.PixelAt(100, 150), clWhite32);

    // A default width of 17 or less leaves the front empty; nothing else breaks.
    for (TBoxStyle style : {bxTwoSidedBox, bxThreeSideBox, bxBookCover})
        for (int width : {-5, 0, 10, 17, 18}) {
            TBitmap32 pf, ps, pt, pr;
            MakeFace(pf, 50, 60, kRed);
            MakeFace(ps, 10, 60, kBlue);
            EXPECT_NO_THROW(ComposePreview(pr, pf, ps, pt, style, width, 300));
            EXPECT_EQ(pf.IsEmpty(), width <= 17);
        }
}

TEST(BoxComposition, AbsurdSizesRaiseAClearError)
{
    TBitmap32 f, s, t, r;
    MakeFace(f, 10, 10, kRed);
    MakeFace(s, 10, 10, kBlue);
    EXPECT_THROW(ComposeBox(r, f, s, t, bxTwoSidedBox, boLeft, true, INT_MAX, INT_MAX, true),
                 EMemoryBudgetError);
    EXPECT_THROW(ComposePreview(r, f, s, t, bxTwoSidedBox, INT_MIN, INT_MAX), EMemoryBudgetError);
    // A default size past the memory limit (2 GB at most) is refused before
    // anything is allocated, naming the size and the need.
    for (TBoxStyle style : {bxTwoSidedBox, bxThreeSideBox}) {
        try {
            ComposeBox(r, f, s, t, style, boLeft, true, 20000, 20000, false);
            ADD_FAILURE() << "no error";
        } catch (const EMemoryBudgetError& e) {
            EXPECT_TRUE(e.Message().startsWith(QStringLiteral("A picture of 20000 \u00d7 20000 pixels would need 6.0 GB")))
                << e.what();
        }
    }
    EXPECT_EQ(f.Width(), 10);
    EXPECT_TRUE(r.IsEmpty());
}

TEST(BoxFaces, ResizeFaceStretchesLinearlyOrEmpties)
{
    TBitmap32 face;
    face.SetSize(2, 1);
    face.SetPixelAt(0, 0, kRed);
    face.SetPixelAt(1, 0, kBlue);
    face.StretchFilter = sfLinear;
    face.OuterColor = kGreen;
    face.MasterAlpha = 100;
    ResizeFace(face, 10, 4);
    ASSERT_EQ(face.Width(), 10);
    ASSERT_EQ(face.Height(), 4);
    EXPECT_EQ(face.StretchFilter, sfLinear);
    EXPECT_EQ(face.DrawMode, dmOpaque);
    EXPECT_EQ(face.MasterAlpha, 255u);
    EXPECT_EQ(face.OuterColor, clTransparent32);
    EXPECT_GE(RedComponent(face.PixelAt(0, 3)), 250);
    EXPECT_LE(BlueComponent(face.PixelAt(0, 3)), 5);
    EXPECT_GT(BlueComponent(face.PixelAt(9, 0)), RedComponent(face.PixelAt(9, 0)));
    // Intermediate columns are mixtures, not copies.
    EXPECT_NE(face.PixelAt(5, 0), kRed);
    EXPECT_NE(face.PixelAt(5, 0), kBlue);

    ResizeFace(face, 0, 5);
    EXPECT_TRUE(face.IsEmpty());
    ResizeFace(face, 30, 30); // nothing to stretch
    EXPECT_TRUE(face.IsEmpty());
}

TEST(BoxFaces, FaceDrawingNotifiesTheDestinationOnce)
{
    TBitmap32 dest, face;
    PrepareBoxImage(dest, 240, 300);
    MakeFace(face, 200, 300, kRed);
    face.StretchFilter = sfLinear;
    int changes = 0;
    dest.OnChange = [&](TBitmap32*) { ++changes; };
    DrawTwoSidedFace(face, dest, true, 19, 40, 0, 0);
    EXPECT_EQ(changes, 1);
    changes = 0;
    DrawThreeSideFace(face, dest, fkFront, 19, 39, 40, 0, 0);
    EXPECT_EQ(changes, 1);
    changes = 0;
    DrawBookFace(face, dest, fkFront, 0);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(dest.UpdateCount(), 0);
}

TEST(NoPreview, CentresTheTextOnWhite)
{
    TBitmap32 image;
    DrawNoPreview(image);
    ASSERT_EQ(image.Width(), 225);
    ASSERT_EQ(image.Height(), 125);
    EXPECT_EQ(image.PixelAt(0, 0), clWhite32);
    EXPECT_EQ(image.PixelAt(224, 124), clWhite32);

    auto inkBox = [](const TBitmap32& img) {
        TRect box{img.Width(), img.Height(), -1, -1};
        for (int y = 0; y < img.Height(); ++y)
            for (int x = 0; x < img.Width(); ++x)
                if (GreenComponent(img.PixelAt(x, y)) < 128) {
                    box.Left = std::min(box.Left, x);
                    box.Top = std::min(box.Top, y);
                    box.Right = std::max(box.Right, x);
                    box.Bottom = std::max(box.Bottom, y);
                }
        return box;
    };
    const TRect ink = inkBox(image);
    ASSERT_GE(ink.Right, ink.Left) << "no text drawn";
    EXPECT_GT(ink.Right - ink.Left, 40);
    EXPECT_NEAR((ink.Left + ink.Right) / 2, 112, 4);
    EXPECT_NEAR((ink.Top + ink.Bottom) / 2, 62, 8);

    // Measured with a much larger font the text is placed further up and left.
    QFont big = QGuiApplication::font();
    big.setPointSize(big.pointSize() * 3);
    TBitmap32 shifted;
    DrawNoPreview(shifted, big);
    const TRect inkShifted = inkBox(shifted);
    EXPECT_LT(inkShifted.Left, ink.Left - 20);
    EXPECT_LT(inkShifted.Top, ink.Top - 5);
}
