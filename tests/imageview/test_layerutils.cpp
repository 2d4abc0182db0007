#include "render/LayerUtils.h"

#include "../imageview/ViewFixture.h"

#include <gtest/gtest.h>

TEST(LayerUtilsTest, NewLayerIsCentredOnTheVisiblePartOfAScrolledFace)
{
    ViewFixture f(300, 200);
    TImgView32& view = *f.view;
    view.Bitmap().SetSize(1000, 1000);
    view.ScrollTo(0, 0);
    TBitmap32 source;
    source.SetSize(40, 20);
    source.Clear(0xFF112233u);
    TBitmapLayer* layer = AddBitmapLayerFrom(&view, source);
    ASSERT_NE(layer, nullptr);
    EXPECT_EQ(layer->Bounds().Left, 130.0f);
    EXPECT_EQ(layer->Bounds().Top, 90.0f);
    EXPECT_EQ(layer->Bounds().Right, 170.0f);
    EXPECT_EQ(layer->Bounds().Bottom, 110.0f);
    EXPECT_TRUE(layer->ScaledToView());
    EXPECT_EQ(layer->Bitmap().StretchFilter, sfLinear);
    EXPECT_EQ(layer->Bitmap().PixelAt(39, 19), 0xFF112233u);
    EXPECT_EQ(view.Layers().Items(view.Layers().Count() - 1), layer);

    // Zoomed in and scrolled by the user: still one image pixel per layer pixel.
    view.SetScale(4.0f);
    view.ScrollTo(2000, 400); // image x 500..575, y 100..150 visible
    TBitmapLayer* second = AddBitmapLayerFrom(&view, source);
    EXPECT_EQ(second->Bounds().Left, 537.0f - 20);
    EXPECT_EQ(second->Bounds().Top, 125.0f - 10);
    EXPECT_EQ(second->Bounds().Right - second->Bounds().Left, 40.0f);
}

TEST(LayerUtilsTest, TextLayerCarriesItsBackgroundAndDrawMode)
{
    ViewFixture f(100, 100);
    f.view->Bitmap().SetSize(100, 100);
    TBitmapTextLayer* t = AddTextLayer(f.view.get(), 30, 12, true, 0xFF000000u);
    EXPECT_EQ(t->Tag, 1);
    EXPECT_EQ(t->Background, 0xFF000000u);
    EXPECT_EQ(t->Bitmap().DrawMode, dmCustom);
    EXPECT_EQ(t->Bitmap().StretchFilter, sfLinear);
    EXPECT_EQ(t->Bitmap().PixelAt(29, 11), 0xFF000000u);
    EXPECT_EQ(t->Bounds().Left, 35.0f);
    TBitmapTextLayer* opaque = AddTextLayer(f.view.get(), 4, 4, false, 0xFFFFFFFFu);
    EXPECT_EQ(opaque->Bitmap().DrawMode, dmOpaque);
}

TEST(LayerUtilsTest, CheckerboardCells)
{
    TBitmap32 b;
    b.SetSize(20, 20);
    DrawCheckerboard(b, true);
    EXPECT_EQ(b.PixelAt(0, 0), 0xFFB0B0B0u);
    EXPECT_EQ(b.PixelAt(7, 7), 0xFFB0B0B0u);
    EXPECT_EQ(b.PixelAt(8, 0), 0xFFFFFFFFu);
    EXPECT_EQ(b.PixelAt(0, 8), 0xFFFFFFFFu);
    EXPECT_EQ(b.PixelAt(8, 8), 0xFFB0B0B0u);
    EXPECT_EQ(b.PixelAt(19, 3), 0xFFB0B0B0u);
    TBitmap32 empty;
    DrawCheckerboard(empty, true);
    EXPECT_TRUE(empty.IsEmpty());
}

// A face view painting the checkerboard in its first stage, as the page sets them up.
struct FaceFixture : ViewFixture {
    FaceFixture() : ViewFixture(200, 150)
    {
        view->PaintStages()[0].Stage = stageCustom;
        view->OnPaintStage = [](TCustomImage32*, TBitmap32* b, unsigned) { DrawCheckerboard(*b, true); };
    }
};

TEST(LayerUtilsTest, FlatteningAnOpaqueFaceWithoutLayersGivesTheFace)
{
    FaceFixture f;
    TBitmap32& face = f.view->Bitmap();
    FillPattern(face, 37, 23, 99);
    f.view->SetScale(3.3f);
    f.view->ScrollTo(10, 5);
    const TViewPoint before = f.view->ViewToBitmap(60, 70);
    TBitmap32 flat;
    FlattenView(f.view.get(), flat);
    ASSERT_EQ(flat.Width(), 37);
    ASSERT_EQ(flat.Height(), 23);
    for (int y = 0; y < 23; ++y)
        for (int x = 0; x < 37; ++x) ASSERT_EQ(flat.PixelAt(x, y), face.PixelAt(x, y)) << x << "," << y;
    // The view's own mapping comes back afterwards.
    EXPECT_EQ(f.view->ViewToBitmap(60, 70), before);
}

TEST(LayerUtilsTest, FlatteningDrawsVisibleLayersAtImagePixelsButNotAHiddenFrame)
{
    FaceFixture f;
    f.view->Bitmap().SetSize(50, 40);
    f.view->Bitmap().Clear(0xFF00FF00u);
    f.view->SetScale(2.0f);
    TBitmap32 src;
    src.SetSize(10, 10);
    src.Clear(0xFFFF0000u);
    TBitmapLayer* layer = AddBitmapLayerFrom(f.view.get(), src);
    layer->SetBounds(TRealRect{5, 5, 15, 15});
    TRubberbandLayer* frame = f.view->Layers().Add<TRubberbandLayer>();
    frame->SetTarget(layer);
    frame->SetOptions(0x10000000u);
    EXPECT_EQ(FindRubberbandLayer(f.view.get()), frame);
    TBitmap32 flat;
    FlattenView(f.view.get(), flat);
    EXPECT_EQ(flat.PixelAt(5, 5), 0xFFFF0000u);
    EXPECT_EQ(flat.PixelAt(14, 14), 0xFFFF0000u);
    EXPECT_EQ(flat.PixelAt(15, 15), 0xFF00FF00u);
    EXPECT_EQ(flat.PixelAt(4, 5), 0xFF00FF00u); // no frame or handle pixels
    EXPECT_EQ(flat.PixelAt(4, 4), 0xFF00FF00u);
    // A face in blend mode lets the checkerboard through where it is clear.
    f.view->Bitmap().Clear(0x00000000u);
    f.view->Bitmap().DrawMode = dmBlend;
    FlattenView(f.view.get(), flat);
    EXPECT_EQ(flat.PixelAt(0, 0), 0xFFB0B0B0u);
    EXPECT_EQ(flat.PixelAt(8, 0), 0xFFFFFFFFu);
}

TEST(LayerUtilsTest, FindRubberbandLayerSearchesUpward)
{
    ViewFixture f(50, 50);
    EXPECT_EQ(FindRubberbandLayer(f.view.get()), nullptr);
    AddBitmapLayer(f.view.get());
    auto* first = f.view->Layers().Add<TRubberbandLayer>();
    f.view->Layers().Add<TRubberbandLayer>();
    EXPECT_EQ(FindRubberbandLayer(f.view.get()), first);
}

TEST(LayerUtilsTest, RenderLayerToSizeCopiesOrResamples)
{
    ViewFixture f(300, 200);
    f.view->Bitmap().SetSize(300, 200);
    TBitmap32 src;
    FillPattern(src, 20, 10, 5);
    TBitmapLayer* layer = AddBitmapLayerFrom(f.view.get(), src);
    layer->SetBounds(TRealRect{0, 0, 20, 10});
    TRubberbandLayer* frame = f.view->Layers().Add<TRubberbandLayer>();
    frame->SetTarget(layer);

    TBitmap32 out;
    RenderLayerToSize(frame, out);
    ASSERT_EQ(out.Width(), 20);
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 20; ++x) ASSERT_EQ(out.PixelAt(x, y), src.PixelAt(x, y));

    // Resampled to twice the size over white, through the transformation.
    layer->Bitmap().Clear(0xFF336699u);
    frame->SetBounds(TRealRect{0, 0, 40, 20});
    RenderLayerToSize(frame, out);
    ASSERT_EQ(out.Width(), 40);
    ASSERT_EQ(out.Height(), 20);
    EXPECT_EQ(out.PixelAt(20, 10), 0xFF336699u);
    EXPECT_EQ(out.PixelAt(39, 19), 0xFFFFFFFFu); // the last source column is never reached
    EXPECT_EQ(AlphaComponent(layer->Bitmap().PixelAt(0, 0)), 0); // the source lost its border alpha

    // Back at the picture's size: a copy again, not a resample.
    frame->SetBounds(TRealRect{0, 0, 20, 10});
    RenderLayerToSize(frame, out);
    ASSERT_EQ(out.Width(), 20);
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 20; ++x) ASSERT_EQ(out.PixelAt(x, y), layer->Bitmap().PixelAt(x, y));

    // Nothing for no layer or a frame without an image.
    TBitmap32 untouched;
    RenderLayerToSize(nullptr, untouched);
    frame->SetTarget(nullptr);
    RenderLayerToSize(frame, untouched);
    EXPECT_TRUE(untouched.IsEmpty());
}
