#include "imaging/Layers.h"
#include "imaging/RangeBar.h"
#include "imaging/RubberbandLayer.h"
#include "imaging/ViewMapping.h"

#include <gtest/gtest.h>

TEST(MulDivTest, RoundsHalvesAwayFromZero)
{
    EXPECT_EQ(MulDiv(3, 1, 2), 2);
    EXPECT_EQ(MulDiv(-3, 1, 2), -2);
    EXPECT_EQ(MulDiv(3, -1, 2), -2);
    EXPECT_EQ(MulDiv(-3, -1, -2), -2);
    EXPECT_EQ(MulDiv(5, 1, 3), 2);  // 1.67
    EXPECT_EQ(MulDiv(4, 1, 3), 1);  // 1.33
    EXPECT_EQ(MulDiv(-4, 1, 3), -1);
    // 100 view pixels for 3 image pixels: 2184533.33 in 16.16.
    EXPECT_EQ(MulDiv(100, 65536, 3), 2184533);
    // The product exceeds 32 bits but the quotient fits.
    EXPECT_EQ(MulDiv(2000000, 65536, 4000000), 32768);
}

TEST(MulDivTest, ZeroDivisorAndOverflowGiveMinusOne)
{
    EXPECT_EQ(MulDiv(7, 65536, 0), -1);
    EXPECT_EQ(MulDiv(2000000000, 4, 1), -1);
}

TEST(MappingTest, EmptyBitmapMapsAsIdentity)
{
    const TMappingRecord m = ComputeMapping(0, 0, TRect{5, 6, 7, 8});
    EXPECT_EQ(m.ZoomX, 65536);
    EXPECT_EQ(m.InvZoomY, 65536);
    EXPECT_EQ(m.OffsetX, 0);
    EXPECT_EQ(ViewToBitmap(m, 12, -3), (TViewPoint{12, -3}));
}

TEST(MappingTest, ScaledRectangleAndTruncationTowardZero)
{
    // A 50 x 40 bitmap shown twice as large at (100, 50).
    const TMappingRecord m = ComputeMapping(50, 40, TRect{100, 50, 200, 130});
    EXPECT_EQ(m.ZoomX, 131072);
    EXPECT_EQ(m.InvZoomX, 32768);
    EXPECT_EQ(m.OffsetY, 50);
    EXPECT_EQ(ViewToBitmap(m, 99, 50), (TViewPoint{0, 0}));   // -0.5 -> 0
    EXPECT_EQ(ViewToBitmap(m, 97, 47), (TViewPoint{-1, -1})); // -1.5 -> -1
    EXPECT_EQ(ViewToBitmap(m, 199, 129), (TViewPoint{49, 39}));
    // At a tiny scale the product needs more than 32 bits.
    const TMappingRecord tiny = ComputeMapping(2000, 2000, TRect{0, 0, 2, 2});
    EXPECT_EQ(ViewToBitmap(tiny, 1, 1), (TViewPoint{1000, 1000}));
}

TEST(RangeBarTest, CentringKeepsTheMiddleWhenTheRangeChanges)
{
    TRangeBarModel bar;
    bar.SetParams(1000, 300);
    EXPECT_DOUBLE_EQ(bar.Position(), 350); // first range: centred (x = 0.5)
    bar.SetPosition(100);                  // middle seen: 250 of 1000
    bar.SetParams(2000, 300);
    EXPECT_DOUBLE_EQ(bar.Position(), 2000 * 0.25 - 150);
    bar.SetParams(200, 300); // smaller than the window: back to 0
    EXPECT_DOUBLE_EQ(bar.Position(), 0);
    bar.SetPosition(-20);
    EXPECT_DOUBLE_EQ(bar.Position(), 0);

    TRangeBarModel plain;
    plain.Centering = false;
    plain.SetParams(1000, 300);
    EXPECT_DOUBLE_EQ(plain.Position(), 0);
    plain.SetPosition(5000);
    EXPECT_DOUBLE_EQ(plain.Position(), 700);
}

// A host that records what the collection asks of it.
struct RecordingHost : TLayerHost {
    int changes = 0;
    TCursor cursor = 99;
    TMappingRecord mapping;
    void LayersChanged() override { ++changes; }
    const TMappingRecord& LayerMapping() override { return mapping; }
    void SetScreenCursor(TCursor c) override { cursor = c; }
};

TEST(LayerCollectionTest, DefaultsAndAdjustedBounds)
{
    RecordingHost host;
    host.mapping = ComputeMapping(100, 100, TRect{10, 20, 310, 220}); // x3, x2
    TLayerCollection layers(&host);
    auto* base = layers.Add<TCustomLayer>();
    auto* bitmap = layers.Add<TBitmapLayer>();
    auto* frame = layers.Add<TRubberbandLayer>();
    EXPECT_EQ(base->Options(), 0x80000000u);
    EXPECT_EQ(bitmap->Options(), 0xA0000000u);
    EXPECT_EQ(frame->Options(), 0xA0000000u);
    EXPECT_EQ(frame->Index(), 2);
    EXPECT_EQ(frame->Bounds().Right, 64.0f);

    bitmap->SetBounds(TRealRect{1, 2, 11, 12});
    EXPECT_EQ(bitmap->AdjustedBounds().Left, 1.0f); // not scaled: view pixels
    bitmap->SetScaledToView(true);
    const TRealRect a = bitmap->AdjustedBounds();
    EXPECT_EQ(a.Left, 13.0f);
    EXPECT_EQ(a.Top, 24.0f);
    EXPECT_EQ(a.Right, 43.0f);
    EXPECT_EQ(a.Bottom, 44.0f);
    EXPECT_TRUE(bitmap->ContainsPoint(13, 24));
    EXPECT_FALSE(bitmap->ContainsPoint(43, 30));
}

TEST(LayerCollectionTest, TopmostAtHonoursMaskAndHitTest)
{
    TLayerCollection layers;
    auto* low = layers.Add<TPositionedLayer>();
    auto* high = layers.Add<TPositionedLayer>();
    auto* plainLayer = layers.Add<TCustomLayer>(); // no mouse events
    EXPECT_EQ(layers.TopmostAt(5, 5, optMouseEvents), high);
    EXPECT_EQ(layers.TopmostAt(5, 5, optVisible), plainLayer);
    high->OnHitTest = [](TCustomLayer*, int x, int, bool& passed) { passed = x > 30; };
    EXPECT_EQ(layers.TopmostAt(5, 5, optMouseEvents), low);
    EXPECT_EQ(layers.TopmostAt(40, 5, optMouseEvents), high);
    EXPECT_EQ(layers.TopmostAt(100, 5, optMouseEvents), nullptr);
}

TEST(LayerCollectionTest, MoveToIndexClampsAndRepaintsOnlyVisibleMoves)
{
    RecordingHost host;
    TLayerCollection layers(&host);
    auto* a = layers.Add<TPositionedLayer>();
    auto* b = layers.Add<TPositionedLayer>();
    auto* c = layers.Add<TPositionedLayer>();
    host.changes = 0;
    a->MoveToIndex(99);
    EXPECT_EQ(layers.Items(2), a);
    EXPECT_EQ(layers.Items(0), b);
    EXPECT_EQ(host.changes, 1);
    a->MoveToIndex(2); // already there
    EXPECT_EQ(host.changes, 1);
    c->MoveToIndex(-5);
    EXPECT_EQ(c->Index(), 0);
    c->SetVisible(false);
    host.changes = 0;
    c->MoveToIndex(1);
    EXPECT_EQ(c->Index(), 1);
    EXPECT_EQ(host.changes, 0);
}

TEST(LayerCollectionTest, NoUpdateLayersDoNotRepaintAndClearIsOneUpdate)
{
    RecordingHost host;
    TLayerCollection layers(&host);
    auto* quiet = layers.Add<TPositionedLayer>();
    quiet->SetOptions(0xB0000000u);
    host.changes = 0;
    quiet->SetBounds(TRealRect{1, 1, 5, 5});
    EXPECT_EQ(host.changes, 0);
    auto* loud = layers.Add<TBitmapLayer>();
    host.changes = 0;
    loud->Bitmap().SetSize(4, 4); // a change of the bitmap is a change of the layer
    EXPECT_GT(host.changes, 0);
    layers.Add<TBitmapLayer>();
    host.changes = 0;
    layers.Clear();
    EXPECT_EQ(layers.Count(), 0);
    EXPECT_EQ(host.changes, 1);
}

TEST(LayerCollectionTest, CaptureFollowsTheLeftButton)
{
    RecordingHost host;
    TLayerCollection layers(&host);
    auto* a = layers.Add<TPositionedLayer>();
    int downs = 0;
    a->OnLayerMouseDown = [&](TCustomLayer*, TMouseButton, TShiftState, int, int) { ++downs; };
    // A right press on an uncaptured layer reaches the view only.
    EXPECT_EQ(layers.MouseDown(mbRight, ssRight, 5, 5), a);
    EXPECT_EQ(downs, 0);
    EXPECT_EQ(layers.CapturedLayer(), nullptr);
    layers.MouseUp(mbRight, 0, 5, 5);
    // A left press captures; the right button then reaches it too.
    layers.MouseDown(mbLeft, ssLeft, 5, 5);
    EXPECT_EQ(layers.CapturedLayer(), a);
    layers.MouseDown(mbRight, ssLeft | ssRight, 200, 200);
    EXPECT_EQ(downs, 2);
    EXPECT_EQ(a->HeldButtons(), ButtonBit(mbLeft) | ButtonBit(mbRight));
    layers.MouseUp(mbLeft, ssRight, 200, 200);
    EXPECT_EQ(layers.CapturedLayer(), a); // the right button is still held
    layers.MouseUp(mbRight, 0, 200, 200);
    EXPECT_EQ(layers.CapturedLayer(), nullptr);
    EXPECT_EQ(host.cursor, crDefault);
    // A layer that refuses capture gets no press of its own.
    a->SetOptions(a->Options() | optNoCapture);
    EXPECT_EQ(layers.MouseDown(mbLeft, ssLeft, 5, 5), a);
    EXPECT_EQ(layers.CapturedLayer(), nullptr);
    EXPECT_EQ(downs, 2);
}

TEST(LayerCollectionTest, DestroyingACapturedLayerReleasesTheCapture)
{
    TLayerCollection layers;
    auto* a = layers.Add<TPositionedLayer>();
    layers.MouseDown(mbLeft, ssLeft, 5, 5);
    ASSERT_EQ(layers.CapturedLayer(), a);
    layers.Delete(0);
    EXPECT_EQ(layers.CapturedLayer(), nullptr);
    EXPECT_EQ(layers.MouseUp(mbLeft, 0, 5, 5), nullptr);
}

TEST(RubberbandTargetTest, FollowsItsTargetAndForgetsItWhenDestroyed)
{
    TLayerCollection layers;
    auto* image = layers.Add<TBitmapLayer>();
    image->SetBounds(TRealRect{5, 6, 50, 60});
    image->SetScaledToView(true);
    auto* frame = layers.Add<TRubberbandLayer>();
    frame->SetTarget(image);
    EXPECT_EQ(frame->Bounds().Right, 50.0f);
    EXPECT_TRUE(frame->ScaledToView());
    EXPECT_EQ(frame->Options(), 0xB0000000u);
    frame->SetBounds(TRealRect{1, 2, 3, 4});
    EXPECT_EQ(image->Bounds().Bottom, 4.0f);
    // The target goes without being detached first: the frame is told.
    delete image;
    EXPECT_EQ(frame->Target(), nullptr);
    EXPECT_EQ(frame->Options(), 0xA0000000u);
    frame->SetBounds(TRealRect{0, 0, 10, 10}); // must not touch the dead layer

    // And a frame that goes first leaves its target intact.
    auto* other = layers.Add<TBitmapLayer>();
    frame->SetTarget(other);
    delete frame;
    other->SetBounds(TRealRect{0, 0, 1, 1});
    EXPECT_EQ(layers.Count(), 1);
}

TEST(LayerCollectionTest, ALayerDeletedByItsOwnHandlerIsNotReported)
{
    TLayerCollection layers;
    auto* a = layers.Add<TPositionedLayer>();
    a->OnLayerMouseDown = [](TCustomLayer* self, TMouseButton, TShiftState, int, int) { delete self; };
    EXPECT_EQ(layers.MouseDown(mbLeft, ssLeft, 5, 5), nullptr);
    EXPECT_EQ(layers.Count(), 0);
    EXPECT_EQ(layers.CapturedLayer(), nullptr);
}
