#include "ViewFixture.h"

#include "imaging/RubberbandLayer.h"

#include <gtest/gtest.h>

// A 400 x 300 face at scale 1 filling the viewport, with a target layer and
// a selection frame around it.
struct FrameFixture : ViewFixture {
    TBitmapLayer* target;
    TRubberbandLayer* frame;

    FrameFixture() : ViewFixture(400, 300)
    {
        view->Bitmap().SetSize(400, 300);
        target = view->Layers().Add<TBitmapLayer>();
        target->SetBounds(TRealRect{10, 10, 110, 60});
        target->SetScaledToView(true);
        frame = view->Layers().Add<TRubberbandLayer>();
        frame->SetTarget(target);
    }
    void Drag(int x1, int y1, int x2, int y2, Qt::KeyboardModifiers m = {})
    {
        Press(Qt::LeftButton, x1, y1, m);
        Move(x2, y2, m);
        Release(Qt::LeftButton, x2, y2, m);
    }
    TRealRect Bounds() const { return target->Bounds(); }
};

TEST(RubberbandTest, HitZonesOfA100By50Frame)
{
    FrameFixture f;
    TRubberbandLayer& r = *f.frame;
    for (int dx = -4; dx <= 4; ++dx)
        for (int dy = -4; dy <= 4; ++dy) EXPECT_EQ(r.DragStateAt(109 + dx, 59 + dy), dragBottomRight);
    EXPECT_EQ(r.DragStateAt(114, 59), dragNone);
    EXPECT_EQ(r.DragStateAt(60, 59), dragBottom);
    EXPECT_EQ(r.DragStateAt(60, 30), dragMove);
    EXPECT_EQ(r.DragStateAt(10, 10), dragTopLeft);
    EXPECT_EQ(r.DragStateAt(109, 10), dragTopRight);
    EXPECT_EQ(r.DragStateAt(10, 59), dragBottomLeft);
    EXPECT_EQ(r.DragStateAt(109, 34), dragRight);
    EXPECT_EQ(r.DragStateAt(10, 34), dragLeft);
    EXPECT_EQ(r.DragStateAt(59, 10), dragTop);
    EXPECT_EQ(r.DragStateAt(30, 20), dragMove);
    EXPECT_EQ(r.DragStateAt(200, 200), dragNone);
    // Without corner and side handles only the inside is left.
    r.HandleSet = rhCenter;
    EXPECT_EQ(r.DragStateAt(109, 59), dragNone);
    EXPECT_EQ(r.DragStateAt(108, 58), dragMove);
}

TEST(RubberbandTest, DraggingTheCornerAndMovingThroughTheView)
{
    FrameFixture f;
    f.Drag(109, 59, 150, 100);
    EXPECT_EQ(f.Bounds().Right, 150.0f);
    EXPECT_EQ(f.Bounds().Bottom, 100.0f);
    EXPECT_EQ(f.Bounds().Left, 10.0f);
    EXPECT_EQ(f.frame->Bounds().Right, 150.0f);
    EXPECT_FALSE(f.frame->IsDragging());
    // A move keeps the grab offset and the size.
    f.Drag(60, 30, 70, 45);
    EXPECT_EQ(f.Bounds().Left, 20.0f);
    EXPECT_EQ(f.Bounds().Top, 25.0f);
    EXPECT_EQ(f.Bounds().Right, 160.0f);
    EXPECT_EQ(f.Bounds().Bottom, 115.0f);
}

TEST(RubberbandTest, EdgeDraggedPastTheOppositeOneStopsAtTheMinimum)
{
    FrameFixture f;
    f.Drag(10, 34, 300, 34);
    EXPECT_EQ(f.Bounds().Left, 100.0f);
    EXPECT_EQ(f.Bounds().Right, 110.0f);
    FrameFixture g;
    g.Drag(60, 59, 60, 0); // the bottom edge above the top one
    EXPECT_EQ(g.Bounds().Top, 10.0f);
    EXPECT_EQ(g.Bounds().Bottom, 20.0f);
    EXPECT_EQ(g.Bounds().Left, 10.0f);
}

TEST(RubberbandTest, MaximumSizeCountsOnlyAboveTheMinimum)
{
    FrameFixture f;
    f.Drag(109, 34, 390, 34); // MaxWidth 0: any width
    EXPECT_EQ(f.Bounds().Right, 390.0f);
    f.frame->MaxWidth = 50;
    f.Drag(389, 34, 395, 34);
    EXPECT_EQ(f.Bounds().Right, 60.0f);
    f.frame->MaxWidth = 5; // not above the minimum: ignored
    f.Drag(59, 34, 300, 34);
    EXPECT_EQ(f.Bounds().Right, 300.0f);
}

TEST(RubberbandTest, ResizingEventMayChangeTheProposedBounds)
{
    FrameFixture f;
    TDragState seenState = dragNone;
    TShiftState seenShift = 0;
    f.frame->OnResizing = [&](TRubberbandLayer*, const TRealRect& start, TRealRect& n, TDragState s,
                              TShiftState shift) {
        seenState = s;
        seenShift = shift;
        // Symmetric about the start centre.
        const float cx = (start.Left + start.Right) / 2;
        n.Left = cx - (n.Right - cx);
    };
    f.Drag(109, 34, 130, 34, Qt::ControlModifier);
    EXPECT_EQ(seenState, dragRight);
    EXPECT_TRUE(seenShift & ssCtrl);
    EXPECT_EQ(f.Bounds().Left, -10.0f);
    EXPECT_EQ(f.Bounds().Right, 130.0f);
}

TEST(RubberbandTest, DragAtAScaleConvertsViewPixelsToImagePixels)
{
    FrameFixture f;
    f.view->SetScale(2.0f);
    f.view->ScrollTo(0, 0);
    // Shown at (20, 20, 220, 120); its right edge is at x 219.
    f.Drag(219, 69, 259, 69);
    EXPECT_FLOAT_EQ(f.Bounds().Right, 129.5f);
    EXPECT_EQ(f.Bounds().Left, 10.0f);
}

TEST(RubberbandTest, CursorShowsTheZoneUnderThePointer)
{
    FrameFixture f;
    f.frame->SetCursor(crSizeAll);
    f.Move(109, 59);
    EXPECT_EQ(f.view->cursor().shape(), Qt::SizeFDiagCursor);
    f.Move(109, 10);
    EXPECT_EQ(f.view->cursor().shape(), Qt::SizeBDiagCursor);
    f.Move(60, 10);
    EXPECT_EQ(f.view->cursor().shape(), Qt::SizeVerCursor);
    f.Move(60, 30);
    EXPECT_EQ(f.view->cursor().shape(), Qt::SizeAllCursor);
}

TEST(RubberbandTest, PaintsADottedFrameAndHandlesWithoutBlending)
{
    TBitmap32 buf;
    buf.SetSize(40, 30);
    buf.Clear(0xFF808080u);
    TLayerCollection layers;
    auto* r = layers.Add<TRubberbandLayer>();
    r->SetBounds(TRealRect{10, 10, 20, 15});
    r->HandleSet = rhFrame;
    r->Paint(buf);
    const TColor32 W = 0xFFFFFFFFu, B = 0xFF000000u;
    // Clockwise from the top-left, two white then two black, per pixel.
    EXPECT_EQ(buf.PixelAt(10, 10), W);
    EXPECT_EQ(buf.PixelAt(12, 10), B);
    EXPECT_EQ(buf.PixelAt(19, 10), W);
    EXPECT_EQ(buf.PixelAt(19, 11), B);
    EXPECT_EQ(buf.PixelAt(19, 14), W);
    EXPECT_EQ(buf.PixelAt(18, 14), B);
    EXPECT_EQ(buf.PixelAt(10, 14), B);
    EXPECT_EQ(buf.PixelAt(10, 11), W);
    EXPECT_EQ(buf.PixelAt(15, 12), 0xFF808080u);
    EXPECT_EQ(buf.PixelAt(20, 10), 0xFF808080u);

    buf.Clear(0xFF808080u);
    r->HandleSet = rhCorners;
    r->Paint(buf);
    // The bottom-right handle is centred on (20, 15), one pixel outside the frame.
    EXPECT_EQ(buf.PixelAt(17, 12), 0x00000000u);
    EXPECT_EQ(buf.PixelAt(22, 17), 0x00000000u);
    EXPECT_EQ(buf.PixelAt(18, 13), 0x00FFFFFFu);
    EXPECT_EQ(buf.PixelAt(21, 16), 0x00FFFFFFu);
    EXPECT_EQ(buf.PixelAt(23, 15), 0xFF808080u);
    EXPECT_EQ(buf.PixelAt(15, 12), 0xFF808080u);
    // A handle at the buffer's corner is clipped.
    r->SetBounds(TRealRect{0, 0, 40, 30});
    r->Paint(buf);
    EXPECT_EQ(buf.PixelAt(0, 0), 0x00FFFFFFu);
    EXPECT_EQ(buf.PixelAt(2, 2), 0x00000000u);
    // An absurd handle size covers the buffer without visiting rows outside it.
    r->HandleSize = 1000000000;
    r->Paint(buf);
    EXPECT_EQ(buf.PixelAt(39, 29), 0x00FFFFFFu);
}

TEST(RubberbandTest, MoveKeepsThePointerPositionAsASingle)
{
    FrameFixture f;
    f.target->SetBounds(TRealRect{3.37f, 10, 60.78f, 60});
    f.frame->SetTarget(f.target);
    // Grabbed 19.63 from the left edge; the moved edges are exact singles
    // of the single pointer position, not of a wider intermediate.
    f.Drag(23, 35, 138, 35);
    EXPECT_EQ(f.Bounds().Left, 118.369995f);
    EXPECT_EQ(f.Bounds().Right, 175.779999f);
}
