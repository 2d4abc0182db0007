#include "wizard/PageProject.h"

#include "editing/LayerSelection.h"
#include "editing/ProjectFaces.h"
#include "editing/TextLayer.h"
#include "imaging/ImgView32.h"
#include "imaging/RubberbandLayer.h"
#include "imaging/ViewUpdateHold.h"

#include <QFont>

#include <cstring>

namespace {

TProjectLayer LayerOf(TBitmapLayer& layer)
{
    TProjectLayer out;
    out.Bounds = layer.Bounds();
    out.Visible = layer.Visible();
    ProjectPictureOf(layer.Bitmap(), out.Picture);
    auto* text = dynamic_cast<TBitmapTextLayer*>(&layer);
    if (text && text->Tag == 1) {
        out.Kind = TProjectLayerKind::Text;
        out.Text.Text = text->Params.Text;
        out.Text.Font = text->Params.Font.toString();
        out.Text.Color = text->Params.TextColor | 0xFF000000u;
        out.Text.Level = text->Params.Level;
        out.Text.Turn = text->Params.Turn;
    }
    return out;
}

std::unique_ptr<TPositionedLayer> MakeLayer(TProjectLayer& from)
{
    TBitmap32 picture;
    ProjectLayerBitmap(from, picture);
    std::unique_ptr<TBitmapLayer> layer;
    if (from.Kind == TProjectLayerKind::Text) {
        auto text = std::make_unique<TBitmapTextLayer>(nullptr);
        TTextLayerParams params;
        params.Text = from.Text.Text;
        // A font that does not read is the default one: the picture is kept as drawn.
        if (!params.Font.fromString(from.Text.Font)) params.Font = QFont();
        params.TextColor = from.Text.Color | 0xFF000000u;
        params.Level = from.Text.Level;
        params.Turn = from.Text.Turn;
        SetTextLayerPicture(*text, picture, params);
        layer = std::move(text);
    } else {
        layer = std::make_unique<TBitmapLayer>(nullptr);
        TBitmap32& b = layer->Bitmap();
        b.SwapPixels(picture);
        b.DrawMode = picture.DrawMode;
        b.MasterAlpha = picture.MasterAlpha;
        b.StretchFilter = picture.StretchFilter;
        b.OuterColor = picture.OuterColor;
        b.OnPixelCombine = nullptr;
    }
    layer->SetBounds(from.Bounds);
    layer->SetScaledToView(true);
    layer->SetVisible(from.Visible);
    // The document's copy is not needed once the layer has its own.
    from.Picture = TPixelBuffer();
    return layer;
}

// FNV-1a over 64-bit words.
struct TDigest {
    std::uint64_t H = 0xcbf29ce484222325ull;
    void Word(std::uint64_t w) { H = (H ^ w) * 0x100000001b3ull; }
    void Number(double d)
    {
        std::uint64_t w;
        std::memcpy(&w, &d, sizeof w);
        Word(w);
    }
    void Text(const QString& s)
    {
        Word(std::uint64_t(s.size()));
        for (QChar c : s) Word(c.unicode());
    }
    void Picture(const TPixelBuffer& p)
    {
        Word(std::uint64_t(std::uint32_t(p.Width)) << 32 | std::uint32_t(p.Height));
        const std::size_t n = p.Pixels.size();
        std::size_t i = 0;
        for (; i + 1 < n; i += 2) Word(std::uint64_t(p.Pixels[i]) << 32 | p.Pixels[i + 1]);
        if (i < n) Word(p.Pixels[i]);
    }
};

} // namespace

void FacesToProject(const TFaceViews& views, TProjectDocument& doc)
{
    for (std::size_t i = 0; i < 3; ++i) {
        TProjectFace& face = doc.Faces[i];
        face = TProjectFace();
        TImgView32* view = views[i];
        if (!view) continue;
        ProjectPictureOf(view->Bitmap(), face.Base);
        for (TColor32& c : face.Base.Pixels) c |= 0xFF000000u;
        TLayerCollection& layers = view->Layers();
        for (int k = 0; k < layers.Count(); ++k) {
            TCustomLayer* layer = layers.Items(k);
            if (dynamic_cast<TRubberbandLayer*>(layer)) continue;
            if (auto* bitmapLayer = dynamic_cast<TBitmapLayer*>(layer)) face.Layers.push_back(LayerOf(*bitmapLayer));
        }
    }
}

void PrepareProjectFaces(TProjectDocument& doc, TProjectFacesReady& ready)
{
    for (std::size_t i = 0; i < 3; ++i) {
        ProjectBaseBitmap(doc.Faces[i], ready.Bases[i]);
        doc.Faces[i].Base = TPixelBuffer();
        ready.Layers[i].clear();
        for (TProjectLayer& layer : doc.Faces[i].Layers) ready.Layers[i].push_back(MakeLayer(layer));
    }
}

void PutProjectFaces(TProjectFacesReady& ready, TLayerSelection& selection, const TFaceViews& views,
                     const std::array<int, 3>& steps)
{
    for (std::size_t i = 0; i < 3; ++i) {
        TImgView32* view = views[i];
        if (!view) continue;
        TViewUpdateHold hold(view);
        selection.ClearFace(steps[i]);
        TBitmap32& face = view->Bitmap();
        face.SwapPixels(ready.Bases[i]);
        ready.Bases[i].SetSize(0, 0);
        TLayerCollection& layers = view->Layers();
        for (auto& layer : ready.Layers[i]) {
            selection.AttachLayer(layer.get());
            layers.Restore(std::move(layer), layers.Count());
        }
        ready.Layers[i].clear();
        view->Invalidate();
    }
}

std::uint64_t ProjectDigest(const TProjectDocument& doc)
{
    TDigest d;
    d.Word(std::uint64_t(doc.Style) << 8 | std::uint64_t(doc.Orientation));
    d.Word(std::uint64_t(doc.Shadow) << 1 | std::uint64_t(doc.DefaultSize));
    d.Word(std::uint64_t(std::uint32_t(doc.Width)) << 32 | std::uint32_t(doc.Height));
    d.Word(doc.HasView);
    if (doc.HasView) {
        d.Number(doc.View.Yaw);
        d.Number(doc.View.Pitch);
        d.Number(doc.View.Fov);
        d.Word(doc.View.Reflection);
    }
    for (const TProjectFace& face : doc.Faces) {
        d.Picture(face.Base);
        d.Word(face.Layers.size());
        for (const TProjectLayer& layer : face.Layers) {
            d.Word(std::uint64_t(layer.Kind == TProjectLayerKind::Text) << 1 | std::uint64_t(layer.Visible));
            for (float v : {layer.Bounds.Left, layer.Bounds.Top, layer.Bounds.Right, layer.Bounds.Bottom}) d.Number(v);
            d.Picture(layer.Picture);
            if (layer.Kind == TProjectLayerKind::Text) {
                d.Text(layer.Text.Text);
                d.Text(layer.Text.Font);
                d.Word(std::uint64_t(layer.Text.Color) << 8 | std::uint64_t(layer.Text.Level) << 4 |
                       std::uint64_t(layer.Text.Turn));
            }
        }
    }
    return d.H;
}
