#include "LayerUtils.h"

#include "imaging/Transformation.h"

#include <memory>

namespace {

// Centres the layer on the middle of the viewport, at one image pixel per
// layer pixel.
void CentreInView(TCustomImage32* View, TBitmapLayer* Layer)
{
    const TRect vp = View->GetViewportRect();
    const TViewPoint c = View->ViewToBitmap((vp.Left + vp.Right) / 2, (vp.Top + vp.Bottom) / 2);
    const float w = float(Layer->Bitmap().Width()) / 2, h = float(Layer->Bitmap().Height()) / 2;
    const float bx = float(c.X), by = float(c.Y);
    Layer->SetBounds(TRealRect{bx - w, by - h, bx + w, by + h});
    Layer->SetScaledToView(true);
}

// Builds a layer with fill, and destroys it when filling fails.
template <class T, class Fill>
T* MakeLayer(TCustomImage32* View, Fill fill)
{
    std::unique_ptr<T> layer(View->Layers().Add<T>());
    fill(layer.get());
    CentreInView(View, layer.get());
    return layer.release();
}

} // namespace

TBitmapLayer* AddBitmapLayer(TCustomImage32* View)
{
    return View->Layers().Add<TBitmapLayer>();
}

TBitmapLayer* AddBitmapLayerFrom(TCustomImage32* View, const TBitmap32& Source)
{
    return MakeLayer<TBitmapLayer>(View, [&](TBitmapLayer* layer) {
        layer->Bitmap().CopyFrom(Source);
        layer->Bitmap().StretchFilter = sfLinear;
    });
}

TBitmapTextLayer* AddTextLayer(TCustomImage32* View, int Width, int Height, bool CustomCombine,
                               TColor32 Background)
{
    return MakeLayer<TBitmapTextLayer>(View, [&](TBitmapTextLayer* layer) {
        layer->Tag = 1;
        TBitmap32& b = layer->Bitmap();
        b.DrawMode = CustomCombine ? dmCustom : dmOpaque;
        b.SetSize(Width, Height);
        b.Clear(Background);
        b.StretchFilter = sfLinear;
        layer->Background = Background;
    });
}

void FlattenView(TCustomImage32* View, TBitmap32& Dest)
{
    const TBitmap32& face = View->Bitmap();
    Dest.SetSize(face.Width(), face.Height());
    Dest.Clear(clWhite32);
    View->RenderInto(Dest, TRect{0, 0, face.Width(), face.Height()});
}

void DrawCheckerboard(TBitmap32& Buffer, bool ClearFirst)
{
    if (Buffer.IsEmpty()) return;
    if (ClearFirst) Buffer.Clear(clBlack32);
    constexpr TColor32 grey = 0xFFB0B0B0u, white = clWhite32;
    const int w = Buffer.Width();
    for (int y = 0; y < Buffer.Height(); ++y) {
        TColor32* row = Buffer.ScanLine(y);
        const int yBit = y & 8;
        for (int x = 0; x < w; ++x) row[x] = (x & 8) == yBit ? grey : white;
    }
    Buffer.NotifyChanged();
}

TRubberbandLayer* FindRubberbandLayer(TCustomImage32* View)
{
    TLayerCollection& layers = View->Layers();
    for (int i = 0; i < layers.Count(); ++i)
        if (auto* frame = dynamic_cast<TRubberbandLayer*>(layers.Items(i))) return frame;
    return nullptr;
}

void RenderLayerToSize(TPositionedLayer* Layer, TBitmap32& Dest)
{
    if (!Layer) return;
    TBitmapLayer* source = dynamic_cast<TBitmapLayer*>(Layer);
    if (auto* frame = dynamic_cast<TRubberbandLayer*>(Layer))
        source = dynamic_cast<TBitmapLayer*>(frame->Target());
    // Only image layers and frames around one have a picture.
    if (!source) return;
    TBitmap32& picture = source->Bitmap();
    const TRect r = RoundRect(Layer->AdjustedBounds());
    // A resample leaves the picture's border alpha cleared, as the views expect of a resized result.
    if (r.Width() != picture.Width() || r.Height() != picture.Height()) ClearBorderAlpha(picture, picture.BoundsRect());
    ScalePictureToLayer(Layer, picture, Dest, clWhite32);
}

void ScalePictureToLayer(TPositionedLayer* Layer, const TBitmap32& Picture, TBitmap32& Dest, TColor32 Ground)
{
    if (!Layer) {
        Dest.CopyFrom(Picture);
        return;
    }
    const TRect r = RoundRect(Layer->AdjustedBounds());
    const int w = r.Width(), h = r.Height();
    const int W = Picture.Width(), H = Picture.Height();
    if (w == W && h == H) {
        Dest.CopyFrom(Picture);
        return;
    }
    Dest.SetSize(w, h);
    Dest.Clear(Ground);
    if (W == 0 || H == 0 || Dest.IsEmpty()) return;
    // A transparent ring lets the sampling soften the picture's edges into the ground.
    TBitmap32 ringed;
    ringed.CopyFrom(Picture);
    ClearBorderAlpha(ringed, ringed.BoundsRect());
    TAffineTransformation t;
    t.SetSourceRect(TRealRect{0, 0, float(W), float(H)});
    t.Clear();
    t.Scale(float(w) / float(W), float(h) / float(H));
    TransformBitmap(Dest, ringed, t);
}
