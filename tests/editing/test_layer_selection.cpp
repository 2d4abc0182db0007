// The wizard page's per-view selection, through real views and mouse input.
#include "editing/LayerSelection.h"

#include "imageview/ViewFixture.h"
#include "render/LayerUtils.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

// A front view (tag 2, as on the page) of 300 x 200 with a face of the same
// size, so bitmap and view pixels coincide, and a top view (tag 0).
struct SelectionFixture : ::testing::Test {
    ViewFixture front{300, 200};
    ViewFixture top{300, 200};
    int step = 1;
    TLayerSelection sel{{nullptr, front.view.get(), nullptr, top.view.get(), nullptr}, [this] { return step; }};

    void SetUp() override
    {
        front.view->Tag = 2;
        for (TImgView32* v : {front.view.get(), top.view.get()}) {
            v->Bitmap().SetSize(300, 200);
            v->Bitmap().Clear(clWhite32);
        }
    }
    TBitmapLayer* AddLayer(TImgView32* view, int w, int h)
    {
        TBitmap32 b;
        FillPattern(b, w, h, 7);
        return sel.AddImageLayer(view, b);
    }
    // Places the selected layer of view i through its frame, as a drag does.
    void PlaceSelected(int i, const TRealRect& r) { sel.HandleLayer(i)->SetBounds(r); }
};

TRect BoundsOf(TPositionedLayer* l) { return RoundRect(l->Bounds()); }

} // namespace

// The handler alone: the cases the drag tests below do not reach.
TEST(SymmetricResizing, OnlyCtrlResizesAboutTheCentre)
{
    const TRealRect start{0, 0, 100, 100};
    TRealRect n{0, 0, 120, 100};
    TLayerSelection::SymmetricResizing(nullptr, start, n, dragRight, ssCtrl | ssLeft);
    EXPECT_TRUE(SameBounds(n, TRealRect{-20, 0, 120, 100}));

    // A side drag with Ctrl brings the other dimension back to its start size.
    n = TRealRect{0, 10, 100, 80};
    TLayerSelection::SymmetricResizing(nullptr, start, n, dragBottom, ssCtrl);
    EXPECT_TRUE(SameBounds(n, TRealRect{0, 20, 100, 80}));

    // Moves and drags without Ctrl are left alone.
    for (auto [state, shift] : {std::pair{dragMove, TShiftState(ssCtrl)}, std::pair{dragRight, TShiftState(ssShift)}}) {
        n = TRealRect{5, 5, 130, 90};
        TLayerSelection::SymmetricResizing(nullptr, start, n, state, shift);
        EXPECT_TRUE(SameBounds(n, TRealRect{5, 5, 130, 90}));
    }
}

TEST_F(SelectionFixture, CtrlDragOfTheFrameIsSymmetricDownToFourPixels)
{
    // A 100 x 100 layer centred in the view: (100, 50)-(200, 150).
    TBitmapLayer* layer = AddLayer(front.view.get(), 100, 100);
    ASSERT_EQ(BoundsOf(layer), (TRect{100, 50, 200, 150}));

    // Right handle (x 199, middle row 99) dragged 20 to the right with Ctrl.
    front.Press(Qt::LeftButton, 199, 99, Qt::ControlModifier);
    front.Move(219, 99, Qt::ControlModifier);
    front.Release(Qt::LeftButton, 219, 99, Qt::ControlModifier);
    EXPECT_EQ(BoundsOf(layer), (TRect{81, 50, 219, 150}));

    // Bottom-right handle dragged onto the top-left corner: 4 x 4 about the
    // centre, smaller than the frame's own 10 x 10 minimum.
    PlaceSelected(1, TRealRect{100, 50, 200, 150});
    front.Press(Qt::LeftButton, 199, 149, Qt::ControlModifier);
    front.Move(100, 50, Qt::ControlModifier);
    front.Release(Qt::LeftButton, 100, 50, Qt::ControlModifier);
    EXPECT_EQ(BoundsOf(layer), (TRect{148, 98, 152, 102}));

    // Without Ctrl the left edge stays.
    PlaceSelected(1, TRealRect{100, 50, 200, 150});
    front.Press(Qt::LeftButton, 199, 99);
    front.Move(219, 99);
    front.Release(Qt::LeftButton, 219, 99);
    EXPECT_EQ(BoundsOf(layer), (TRect{100, 50, 219, 150}));
}

TEST_F(SelectionFixture, RememberedFrameGoesOnTopAFoundOneStaysWhereItIs)
{
    TImgView32* v = front.view.get();
    TBitmapLayer* a = AddLayer(v, 40, 40);
    TRubberbandLayer* frame = sel.HandleLayer(1);
    ASSERT_TRUE(frame);
    TBitmapLayer* b = AddLayer(v, 40, 40);
    // The remembered frame moved above the new layer and follows it.
    EXPECT_EQ(sel.HandleLayer(1), frame);
    EXPECT_EQ(frame->Index(), v->Layers().Count() - 1);
    EXPECT_EQ(frame->Target(), b);
    EXPECT_EQ(frame->Options(), 0xB0000000u);
    EXPECT_EQ(sel.SelectedImageLayer(), b);

    // Deleting as the layer commands do: hide, forget the frame, destroy.
    sel.SetSelection(nullptr, 1);
    EXPECT_EQ(frame->Options(), 0x10000000u);
    EXPECT_EQ(frame->Target(), nullptr);
    sel.SetHandleLayer(1, nullptr);
    delete b;
    delete a;
    ASSERT_EQ(v->Layers().Count(), 1);

    // The next layer is selected with the hidden frame found in the view,
    // which keeps its place below the new layer.
    TBitmapLayer* c = AddLayer(v, 40, 40);
    EXPECT_EQ(sel.HandleLayer(1), frame);
    EXPECT_EQ(frame->Target(), c);
    EXPECT_LT(frame->Index(), c->Index());
    EXPECT_EQ(frame->MinWidth, 10.0f);
    EXPECT_EQ(frame->Cursor(), crSizeAll);

    sel.ClearFace(1);
    EXPECT_EQ(v->Layers().Count(), 0);
    EXPECT_EQ(sel.HandleLayer(1), nullptr);
    EXPECT_EQ(sel.SelectedLayer(1), nullptr);
}

TEST_F(SelectionFixture, ClicksAndRightPressesSelectByTheViewsRules)
{
    TImgView32* v = front.view.get();
    TBitmapLayer* a = AddLayer(v, 40, 40);
    PlaceSelected(1, TRealRect{10, 10, 50, 50});
    TBitmapLayer* b = AddLayer(v, 40, 40);
    PlaceSelected(1, TRealRect{200, 100, 240, 140});
    ASSERT_EQ(sel.SelectedLayer(1), b);

    // A left press on the unselected layer selects it.
    front.Press(Qt::LeftButton, 20, 20);
    front.Release(Qt::LeftButton, 20, 20);
    EXPECT_EQ(sel.SelectedLayer(1), a);
    // A press on bare face changes nothing.
    front.Press(Qt::LeftButton, 150, 180);
    front.Release(Qt::LeftButton, 150, 180);
    EXPECT_EQ(sel.SelectedLayer(1), a);

    // Right press on a layer of the front view: selects it, layer menu.
    EXPECT_TRUE(sel.RightPressWantsLayerMenu(v, QPoint(210, 110)));
    EXPECT_EQ(sel.SelectedLayer(1), b);
    // On the frame: keeps the selection, layer menu. On bare face: the page's menu.
    EXPECT_TRUE(sel.RightPressWantsLayerMenu(v, QPoint(239, 139)));
    EXPECT_EQ(sel.SelectedLayer(1), b);
    EXPECT_FALSE(sel.RightPressWantsLayerMenu(v, QPoint(150, 180)));

    // The top view (tag 0) never offers the layer menu and selects nothing.
    step = 3;
    AddLayer(top.view.get(), 40, 40);
    PlaceSelected(3, TRealRect{10, 10, 50, 50});
    TBitmapLayer* u = AddLayer(top.view.get(), 40, 40);
    EXPECT_FALSE(sel.RightPressWantsLayerMenu(top.view.get(), QPoint(20, 20)));
    EXPECT_EQ(sel.SelectedLayer(3), u);
}

TEST_F(SelectionFixture, HiddenSelectionIsLeftOutOfTheFlattenedFace)
{
    TImgView32* v = front.view.get();
    TBitmap32 plain, flat;
    FlattenView(v, plain);
    TBitmapLayer* layer = AddLayer(v, 40, 40);
    layer->Bitmap().Clear(clWhite32);
    sel.HideSelection(1);
    FlattenView(v, flat);
    sel.RestoreSelection(1);
    // A white layer on a white face: anything else is the frame.
    EXPECT_EQ(0, std::memcmp(flat.Bits(), plain.Bits(), std::size_t(300) * 200 * 4));
    EXPECT_EQ(sel.HandleLayer(1)->Options(), 0xB0000000u);
    EXPECT_EQ(sel.SelectedLayer(1), layer);
}
