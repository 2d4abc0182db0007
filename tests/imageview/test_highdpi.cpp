// Runs with a device pixel ratio of 2: the view works in device pixels.
#include "ViewFixture.h"

#include <gtest/gtest.h>

TEST(HighDpiViewTest, BufferAndMouseUseDevicePixels)
{
    TImgView32 view;
    TScrollBarSettings bars;
    bars.Size = 16;
    view.SetScrollBars(bars);
    view.resize(150 + 16, 100 + 16);
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    ASSERT_EQ(view.DevicePixelRatio(), 2.0);
    EXPECT_EQ(view.GetViewportRect(), (TRect{0, 0, 300, 200}));

    FillPattern(view.Bitmap(), 300, 200, 21);
    TBitmapLayer* layer = view.Layers().Add<TBitmapLayer>();
    layer->SetBounds(TRealRect{100, 50, 140, 70});
    layer->SetScaledToView(true);
    TCustomLayer* hit = nullptr;
    view.OnMouseDown = [&](TCustomImage32*, TMouseButton, TShiftState, int x, int y, TCustomLayer* l) {
        EXPECT_EQ(x, 102);
        EXPECT_EQ(y, 52);
        hit = l;
    };
    QTest::mousePress(&view, Qt::LeftButton, {}, QPoint(51, 26));
    QTest::mouseRelease(&view, Qt::LeftButton, {}, QPoint(51, 26));
    EXPECT_EQ(hit, layer);

    // One bitmap pixel per device pixel on the window: nothing is stretched.
    const QImage shown = view.grab(view.ViewportWidgetRect()).toImage();
    ASSERT_EQ(shown.width(), 300);
    for (int y : {0, 1, 99, 198})
        for (int x : {0, 1, 57, 299})
            ASSERT_EQ(shown.pixel(x, y) | 0xFF000000u, view.Bitmap().PixelAt(x, y) | 0xFF000000u) << x << "," << y;
}
