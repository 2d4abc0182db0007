#include "ViewFixture.h"

#include "imaging/RubberbandLayer.h"

#include <QScrollBar>
#include <gtest/gtest.h>

#include <limits>

TEST(ImgViewTest, StartsWithTheDefaultStagesAndSettings)
{
    TImgView32 view;
    ASSERT_EQ(view.PaintStages().Count(), 5);
    const unsigned kinds[5] = {stageClearBackground, stageControlFrame, stageDrawBitmap,
                               stageBitmapFrame, stageDrawLayers};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(view.PaintStages()[i].Stage, kinds[i]);
        EXPECT_EQ(view.PaintStages()[i].RunTime, i % 2 == 0);
    }
    EXPECT_EQ(view.PaintStages()[4].Parameter, optVisible);
    EXPECT_TRUE(view.Centered());
    EXPECT_EQ(view.Scale(), 1.0f);
    EXPECT_EQ(view.Tag, 0);
    view.SetScale(0.0f);
    EXPECT_EQ(view.Scale(), 0.001f);
    view.SetScale(2.0f);
    view.SetScale(std::numeric_limits<float>::quiet_NaN());
    EXPECT_EQ(view.Scale(), 0.001f);
}

TEST(ImgViewTest, CentresASmallBitmapAndPaintsTheBandsAroundIt)
{
    ViewFixture f(300, 200);
    TImgView32& view = *f.view;
    view.SetColor(QColor(10, 20, 30));
    FillPattern(view.Bitmap(), 50, 40, 7);
    view.SetScale(2.0f);
    // 100 x 80 in a 300 x 200 viewport.
    EXPECT_EQ(view.GetBitmapRect(), (TRect{100, 60, 200, 140}));
    EXPECT_EQ(view.ViewToBitmap(99, 60), (TViewPoint{0, 0}));
    EXPECT_EQ(view.ViewToBitmap(97, 57), (TViewPoint{-1, -1}));
    view.RepaintBuffer();
    const TBitmap32& buf = view.Buffer();
    EXPECT_EQ(buf.PixelAt(5, 5), 0xFF0A141Eu);
    EXPECT_EQ(buf.PixelAt(250, 100), 0xFF0A141Eu);
    EXPECT_EQ(buf.PixelAt(100, 60), view.Bitmap().PixelAt(0, 0));
    EXPECT_EQ(buf.PixelAt(199, 139), view.Bitmap().PixelAt(49, 39));
    // What reaches the window is the buffer.
    const QImage shown = view.grab(view.ViewportWidgetRect()).toImage();
    EXPECT_EQ(shown.pixel(101, 61) | 0xFF000000u, view.Bitmap().PixelAt(0, 0) | 0xFF000000u);
    EXPECT_EQ(shown.pixel(5, 5), 0xFF0A141Eu);
}

TEST(ImgViewTest, ZoomingKeepsTheMiddleOfWhatIsSeen)
{
    ViewFixture f(300, 200);
    TImgView32& view = *f.view;
    view.Bitmap().SetSize(1000, 1000);
    // A new bitmap is centred on its middle pixel.
    EXPECT_DOUBLE_EQ(view.HorzPosition(), 350);
    EXPECT_DOUBLE_EQ(view.VertPosition(), 400);
    // Scrolling with the bar as the user does.
    view.HorzScrollBar()->setValue(100); // middle seen: x = 250
    EXPECT_EQ(view.GetBitmapRect().Left, -100);
    view.SetScale(2.0f);
    EXPECT_DOUBLE_EQ(view.HorzPosition(), 2000 * 0.25 - 150);
    EXPECT_EQ(view.ViewToBitmap(150, 100).X, 250);
    EXPECT_EQ(view.HorzScrollBar()->maximum(), 2000 - 300);

    view.SetCentered(false);
    view.Bitmap().SetSize(500, 500);
    EXPECT_DOUBLE_EQ(view.HorzPosition(), 0);
    EXPECT_EQ(view.GetBitmapRect().Left, 0);
}

TEST(ImgViewTest, AScrollRangeOverLayersReachesEveryHandle)
{
    // No image, a 250 x 300 layer about its origin in a 300 x 200 viewport,
    // selected: with its handles the layer is 258 x 308.
    ViewFixture f(300, 200);
    TImgView32& view = *f.view;
    auto* layer = view.Layers().Add<TBitmapLayer>();
    layer->SetScaledToView(true);
    layer->SetBounds(TRealRect{-125, -150, 125, 150});
    auto* frame = view.Layers().Add<TRubberbandLayer>();
    frame->SetTarget(layer);
    EXPECT_EQ(view.VertScrollBar()->maximum(), 0); // the image's range: nothing
    view.SetRangeCoversLayers(true);
    EXPECT_EQ(view.HorzScrollBar()->maximum(), 0);
    ASSERT_EQ(view.VertScrollBar()->maximum(), 308 - 200);
    const int m = frame->HandleSize + 1;
    auto frameRect = [&] { return RoundRect(frame->AdjustedBounds()); };
    view.ScrollTo(0, 0);
    EXPECT_EQ(frameRect().Top - m, 0);
    EXPECT_GE(frameRect().Left - m, 0);
    view.ScrollTo(0, 108);
    EXPECT_EQ(frameRect().Bottom + m, 200);
    EXPECT_LE(frameRect().Right + m, 300);

    // Dragging the bottom handle further down: the range follows when the
    // drag ends, and the layer stays where it was left on the screen.
    const int x = (frameRect().Left + frameRect().Right) / 2, y = frameRect().Bottom - 1;
    f.Press(Qt::LeftButton, x, y);
    f.Move(x, y + 35);
    EXPECT_EQ(view.VertScrollBar()->maximum(), 108);
    const int top = frameRect().Top;
    f.Release(Qt::LeftButton, x, y + 35);
    EXPECT_EQ(layer->Bounds().Bottom, 184); // where the pointer let go
    EXPECT_EQ(view.VertScrollBar()->maximum(), 142);
    EXPECT_EQ(frameRect().Top, top);
    view.ScrollTo(0, 142);
    EXPECT_EQ(frameRect().Bottom + m, 200);

    // A layer moved from code widens the range at once, the view standing still.
    const int imageTop = view.GetBitmapRect().Top;
    frame->SetBounds(TRealRect{-125, -250, 125, 184});
    EXPECT_EQ(view.VertScrollBar()->maximum(), 142 + 100);
    EXPECT_EQ(view.GetBitmapRect().Top, imageTop);
}

TEST(ImgViewTest, CustomStageRunsWithItsIndexAndLayersPaintInOrder)
{
    ViewFixture f(100, 100);
    TImgView32& view = *f.view;
    view.PaintStages()[0].Stage = stageCustom;
    unsigned seenStage = 99;
    view.OnPaintStage = [&](TCustomImage32* sender, TBitmap32* buffer, unsigned stage) {
        EXPECT_EQ(sender, &view);
        seenStage = stage;
        buffer->Clear(0xFF123456u);
    };
    auto* low = view.Layers().Add<TBitmapLayer>();
    low->Bitmap().SetSize(10, 10);
    low->Bitmap().Clear(0xFF0000FFu);
    low->SetBounds(TRealRect{0, 0, 10, 10});
    auto* high = view.Layers().Add<TBitmapLayer>();
    high->Bitmap().SetSize(10, 10);
    high->Bitmap().Clear(0xFFFF0000u);
    high->SetBounds(TRealRect{5, 5, 15, 15});
    int painted = 0;
    high->OnPaint = [&](TCustomLayer*, TBitmap32*) { ++painted; };
    view.RepaintBuffer();
    EXPECT_EQ(seenStage, 0u);
    EXPECT_EQ(view.Buffer().PixelAt(50, 50), 0xFF123456u);
    EXPECT_EQ(view.Buffer().PixelAt(2, 2), 0xFF0000FFu);
    EXPECT_EQ(view.Buffer().PixelAt(7, 7), 0xFFFF0000u);
    EXPECT_EQ(painted, 1);
    high->SetVisible(false);
    view.RepaintBuffer();
    EXPECT_EQ(view.Buffer().PixelAt(7, 7), 0xFF0000FFu);
    EXPECT_EQ(painted, 1);
}

// Mouse input through the widget: two overlapping image layers.
struct RoutingFixture : ViewFixture {
    TBitmapLayer* low;
    TBitmapLayer* high;
    std::vector<std::string> log;
    TCustomLayer* viewLayer = nullptr;

    RoutingFixture() : ViewFixture(300, 200)
    {
        view->Bitmap().SetSize(300, 200);
        low = AddLayer("low", TRealRect{10, 10, 110, 110});
        high = AddLayer("high", TRealRect{60, 60, 160, 160});
        view->OnMouseDown = [this](TCustomImage32*, TMouseButton, TShiftState, int, int, TCustomLayer* l) {
            viewLayer = l;
        };
    }
    TBitmapLayer* AddLayer(const std::string& name, const TRealRect& r)
    {
        auto* l = view->Layers().Add<TBitmapLayer>();
        l->SetBounds(r);
        l->SetScaledToView(true);
        l->OnLayerMouseDown = [this, name](TCustomLayer*, TMouseButton b, TShiftState, int x, int y) {
            log.push_back(name + " down " + std::to_string(b) + " " + std::to_string(x) + "," + std::to_string(y));
        };
        l->OnLayerMouseMove = [this, name](TCustomLayer*, TShiftState, int x, int y) {
            log.push_back(name + " move " + std::to_string(x) + "," + std::to_string(y));
        };
        return l;
    }
};

TEST(ImgViewMouseTest, ALeftPressCapturesTheTopmostLayer)
{
    RoutingFixture f;
    f.Press(Qt::LeftButton, 80, 80);
    EXPECT_EQ(f.view->Layers().CapturedLayer(), f.high);
    EXPECT_EQ(f.viewLayer, f.high);
    // While captured, moves go to it even over the other layer.
    f.Move(20, 20);
    f.Release(Qt::LeftButton, 20, 20);
    EXPECT_EQ(f.view->Layers().CapturedLayer(), nullptr);
    ASSERT_GE(f.log.size(), 2u);
    EXPECT_EQ(f.log[0], "high down 0 80,80");
    EXPECT_EQ(f.log[1], "high move 20,20");
    // Without a held button the pointer reaches the layer under it.
    f.log.clear();
    f.Move(20, 20);
    ASSERT_EQ(f.log.size(), 1u);
    EXPECT_EQ(f.log[0], "low move 20,20");
}

TEST(ImgViewMouseTest, ARightPressReachesOnlyTheView)
{
    RoutingFixture f;
    f.Press(Qt::RightButton, 20, 20);
    EXPECT_EQ(f.viewLayer, f.low);
    EXPECT_TRUE(f.log.empty());
    f.Release(Qt::RightButton, 20, 20);
    // A press on bare face area hits nothing.
    f.Press(Qt::LeftButton, 250, 20);
    EXPECT_EQ(f.viewLayer, nullptr);
    EXPECT_EQ(f.view->Layers().CapturedLayer(), nullptr);
    f.Release(Qt::LeftButton, 250, 20);
}

TEST(ImgViewMouseTest, LayersFollowTheViewWhenScrolledAndZoomed)
{
    RoutingFixture f;
    f.view->SetScale(2.0f);
    f.view->ScrollTo(0, 0);
    // low covers image 10..110, now view 20..220.
    f.Press(Qt::LeftButton, 30, 30);
    EXPECT_EQ(f.viewLayer, f.low);
    f.Release(Qt::LeftButton, 30, 30);
    f.view->ScrollTo(100, 100);
    f.Press(Qt::LeftButton, 30, 30); // image (65, 65): both layers, high on top
    EXPECT_EQ(f.viewLayer, f.high);
    f.Release(Qt::LeftButton, 30, 30);
}

TEST(ImgViewMouseTest, CursorsFollowLayersAndTheView)
{
    RoutingFixture f;
    f.high->SetCursor(crHandPoint);
    f.view->SetViewCursor(crCross);
    f.Move(120, 120);
    EXPECT_EQ(f.view->cursor().shape(), Qt::PointingHandCursor);
    f.Move(250, 180);
    EXPECT_EQ(f.view->cursor().shape(), Qt::CrossCursor);
    // Setting the cursor of the captured layer shows at once.
    f.Press(Qt::LeftButton, 120, 120);
    f.high->SetCursor(crSizeAll);
    EXPECT_EQ(f.view->cursor().shape(), Qt::SizeAllCursor);
    f.Release(Qt::LeftButton, 120, 120);
    EXPECT_EQ(f.view->cursor().shape(), Qt::ArrowCursor);
}

TEST(ImgViewTest, CornerSquareShowsTheGripOnlyWhereItCanResizeTheWindow)
{
    QWidget form;
    form.resize(400, 300);
    TImgView32* view = new TImgView32(&form);
    view->setGeometry(0, 0, 400, 300);
    form.show();
    EXPECT_TRUE(view->GripShown()); // sgAuto and the view fills the form
    view->setGeometry(10, 0, 390, 300);
    EXPECT_FALSE(view->GripShown());
    view->SetSizeGrip(sgAlways);
    EXPECT_TRUE(view->GripShown());
    view->SetSizeGrip(sgNone);
    view->setGeometry(0, 0, 400, 300);
    EXPECT_FALSE(view->GripShown());
}

TEST(ImgViewTest, ResizeKeepsACentredBitmapInTheMiddleAndFiresOnResize)
{
    ViewFixture f(300, 200);
    f.view->Bitmap().SetSize(100, 50);
    int resized = 0;
    f.view->OnResize = [&](TCustomImage32*) { ++resized; };
    f.view->resize(200 + 16, 100 + 16);
    EXPECT_GE(resized, 1);
    EXPECT_EQ(f.view->GetBitmapRect(), (TRect{50, 25, 150, 75}));
    // Layers keep their place on the image across the resize.
    EXPECT_EQ(f.view->ViewToBitmap(50, 25), (TViewPoint{0, 0}));
}

TEST(ImgViewTest, AHiddenViewMapsWithItsCurrentSize)
{
    TImgView32 view; // never shown: Qt holds its resize events back
    TScrollBarSettings bars;
    bars.Size = 16;
    view.SetScrollBars(bars);
    view.Bitmap().SetSize(100, 100);
    view.resize(316, 216);
    // The 100 x 100 bitmap is centred in the 300 x 200 viewport.
    EXPECT_EQ(view.ViewToBitmap(100, 50), (TViewPoint{0, 0}));
    EXPECT_EQ(view.GetBitmapRect(), (TRect{100, 50, 200, 150}));
}

TEST(Image32Test, PlainControlShowsTheBitmapAtItsOwnSizeTopLeft)
{
    TImage32 image;
    image.resize(120, 80);
    image.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&image));
    EXPECT_EQ(image.GetViewportRect(), (TRect{0, 0, 120, 80}));
    image.SetColor(Qt::white);
    image.Bitmap().SetSize(50, 30);
    image.Bitmap().Clear(0xFF102030u);
    image.SetScale(3.0f); // smNormal ignores the scale
    EXPECT_EQ(image.GetBitmapRect(), (TRect{0, 0, 50, 30}));
    image.RepaintBuffer();
    EXPECT_EQ(image.Buffer().PixelAt(49, 29), 0xFF102030u);
    EXPECT_EQ(image.Buffer().PixelAt(50, 29), 0xFFFFFFFFu);
    image.SetBitmapAlign(baCenter);
    EXPECT_EQ(image.GetBitmapRect(), (TRect{35, 25, 85, 55}));
}
