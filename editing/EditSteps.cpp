#include "editing/EditSteps.h"

#include "editing/LayerSelection.h"
#include "imaging/ImgView32.h"
#include "imaging/RubberbandLayer.h"
#include "imaging/ViewUpdateHold.h"

#include <algorithm>
#include <chrono>
#include <optional>
#include <utility>

namespace {

bool IsFrame(const TCustomLayer* layer)
{
    return dynamic_cast<const TRubberbandLayer*>(layer) != nullptr;
}

// The index in the collection of the layer at a place; past the last
// layer, the index just above it.
int IndexOfPlace(const TLayerCollection& layers, int place)
{
    int seen = 0, above = 0;
    for (int i = 0; i < layers.Count(); ++i) {
        if (IsFrame(layers.Items(i))) continue;
        if (seen++ == place) return i;
        above = i + 1;
    }
    return above;
}

std::size_t PictureBytes(const TBitmap32& b)
{
    return std::size_t(b.Width()) * std::size_t(b.Height()) * sizeof(TColor32);
}

std::size_t LayerBytes(const TCustomLayer* layer)
{
    auto* b = dynamic_cast<const TBitmapLayer*>(layer);
    return b ? PictureBytes(b->Bitmap()) : 0;
}

// A layer kept out of its face, and the place it had there.
struct THeldLayer {
    std::unique_ptr<TCustomLayer> Layer;
    int Place = 0;
};

// Takes the layer out of its face, keeping its place.
THeldLayer TakeOut(TLayerCollection& layers, TCustomLayer* layer)
{
    THeldLayer held;
    held.Place = LayerPlace(layer);
    held.Layer = layers.Take(layer);
    return held;
}

void PutBack(TLayerCollection& layers, THeldLayer& held)
{
    layers.Restore(std::move(held.Layer), IndexOfPlace(layers, held.Place));
}

// The common frame of the steps: the face's view, and the selection
// dropped before a change and given to a layer after it.
class TFaceStep : public TEditStep {
public:
    TFaceStep(TLayerSelection* selection, int face, QString text)
        : TEditStep(face, std::move(text)), FSelection(selection)
    {
    }

protected:
    TImgView32* View() const { return FSelection->View(Face()); }
    void Deselect() const { FSelection->SetSelection(nullptr, Face()); }
    void Select(TCustomLayer* layer) const
    {
        if (auto* p = dynamic_cast<TPositionedLayer*>(layer)) FSelection->SetSelection(p, Face());
    }

    TLayerSelection* FSelection;
};

class TLayersPresence : public TFaceStep {
public:
    TLayersPresence(TLayerSelection* selection, int face, std::vector<TBitmapLayer*> layers, bool adds, QString text)
        : TFaceStep(selection, face, std::move(text)), FAdds(adds)
    {
        for (TBitmapLayer* layer : layers) FLayers.push_back({layer, {}});
    }

    void Redo() override { Show(FAdds); }
    void Undo() override { Show(!FAdds); }
    std::size_t Bytes() const override
    {
        std::size_t n = 0;
        for (const auto& e : FLayers) n += e.Held.Layer ? LayerBytes(e.Layer) : 0;
        return n;
    }

private:
    struct TEntry {
        TCustomLayer* Layer;
        THeldLayer Held; // while out of the face
    };

    void Show(bool inFace)
    {
        // Layers just added are in the face already, selected as adding left them.
        const bool anyHeld = std::any_of(FLayers.begin(), FLayers.end(), [](auto& e) { return bool(e.Held.Layer); });
        if (inFace && !anyHeld) return;
        TImgView32* view = View();
        TViewUpdateHold hold(view);
        TLayerCollection& layers = view->Layers();
        Deselect();
        if (inFace) {
            // Lowest place first, so each finds the layers below it in place.
            std::vector<TEntry*> order;
            for (auto& e : FLayers)
                if (e.Held.Layer) order.push_back(&e);
            std::sort(order.begin(), order.end(), [](auto* a, auto* b) { return a->Held.Place < b->Held.Place; });
            for (TEntry* e : order) PutBack(layers, e->Held);
            if (!FLayers.empty()) Select(FLayers.back().Layer);
        } else {
            // Highest place first, so the places of the others stay as they were.
            std::vector<TEntry*> order;
            for (auto& e : FLayers)
                if (!e.Held.Layer) order.push_back(&e);
            std::sort(order.begin(), order.end(),
                      [](auto* a, auto* b) { return LayerPlace(a->Layer) > LayerPlace(b->Layer); });
            for (TEntry* e : order) e->Held = TakeOut(layers, e->Layer);
            // The hidden frame stays in the view where it is and is found
            // again by the next selection.
            FSelection->SetHandleLayer(Face(), nullptr);
        }
        view->Invalidate();
    }

    bool FAdds;
    std::vector<TEntry> FLayers;
};

class TLayerBounds : public TFaceStep {
public:
    using Clock = std::chrono::steady_clock;

    TLayerBounds(TLayerSelection* selection, int face, TPositionedLayer* layer, const TRealRect& before,
                 const TRealRect& after, QString text, bool nudge)
        : TFaceStep(selection, face, std::move(text)), FLayer(layer), FBefore(before), FAfter(after),
          FNudge(nudge), FLast(Clock::now())
    {
    }

    void Redo() override { Place(FAfter); }
    void Undo() override { Place(FBefore); }
    int MergeId() const override { return FNudge ? 1 : -1; }
    bool MergeWith(const TEditStep& next) override
    {
        auto* n = dynamic_cast<const TLayerBounds*>(&next);
        if (!n || !n->FNudge || n->FLayer != FLayer || n->Face() != Face()) return false;
        // A pause ends a burst of nudges.
        if (n->FLast - FLast > std::chrono::seconds(1)) return false;
        FAfter = n->FAfter;
        FLast = n->FLast;
        return true;
    }

private:
    void Place(const TRealRect& bounds)
    {
        Deselect();
        FLayer->SetBounds(bounds);
        // Selected again, the frame takes the layer's new bounds.
        Select(FLayer);
    }

    TPositionedLayer* FLayer;
    TRealRect FBefore, FAfter;
    bool FNudge;
    Clock::time_point FLast;
};

class TLayerPlaceChange : public TFaceStep {
public:
    TLayerPlaceChange(TLayerSelection* selection, int face, TCustomLayer* layer, int place, QString text)
        : TFaceStep(selection, face, std::move(text)), FLayer(layer), FFrom(LayerPlace(layer)), FTo(place)
    {
    }

    void Redo() override { MoveTo(FTo); }
    void Undo() override { MoveTo(FFrom); }

private:
    void MoveTo(int place)
    {
        TLayerCollection* layers = FLayer->LayerCollection();
        if (!layers) return;
        // Taking the index of the layer now at that place puts this one there,
        // whichever way it moves.
        FLayer->MoveToIndex(IndexOfPlace(*layers, place));
        Select(FLayer);
    }

    TCustomLayer* FLayer;
    int FFrom, FTo;
};

// Swaps the picture, its draw settings, the bounds and a text layer's
// parameters with the ones kept: the same for redo and undo.
class TLayerPictureSwap : public TFaceStep {
public:
    TLayerPictureSwap(TLayerSelection* selection, int face, TBitmapLayer* layer, TBitmap32& picture,
                      const TRealRect& bounds, const TTextLayerParams* params, QString text)
        : TFaceStep(selection, face, std::move(text)), FLayer(layer), FBounds(bounds)
    {
        FPicture.SwapPixels(picture);
        CopyDrawSettings(picture, FPicture);
        if (params) FParams = *params;
    }

    void Redo() override { Swap(); }
    void Undo() override { Swap(); }
    std::size_t Bytes() const override { return PictureBytes(FPicture); }

private:
    static void CopyDrawSettings(const TBitmap32& from, TBitmap32& to)
    {
        to.DrawMode = from.DrawMode;
        to.MasterAlpha = from.MasterAlpha;
        to.OuterColor = from.OuterColor;
        to.StretchFilter = from.StretchFilter;
        to.OnPixelCombine = from.OnPixelCombine;
    }

    void Swap()
    {
        TImgView32* view = View();
        TViewUpdateHold hold(view);
        Deselect();
        TBitmap32& b = FLayer->Bitmap();
        b.BeginUpdate();
        TBitmap32 settings;
        CopyDrawSettings(b, settings);
        CopyDrawSettings(FPicture, b);
        CopyDrawSettings(settings, FPicture);
        b.SwapPixels(FPicture);
        b.EndUpdate();
        const TRealRect old = FLayer->Bounds();
        FLayer->SetBounds(FBounds);
        FBounds = old;
        if (auto* text = dynamic_cast<TBitmapTextLayer*>(FLayer); text && FParams) {
            std::swap(text->Params, *FParams);
            text->Background = text->Params.TextColor & 0x00FFFFFFu;
        }
        Select(FLayer);
        view->Invalidate();
    }

    TBitmapLayer* FLayer;
    TBitmap32 FPicture;
    TRealRect FBounds;
    std::optional<TTextLayerParams> FParams;
};

class TFacePictureSwap : public TFaceStep {
public:
    TFacePictureSwap(TLayerSelection* selection, int face, TBitmap32& picture, bool withLayers, QString text)
        : TFaceStep(selection, face, std::move(text)), FWithLayers(withLayers)
    {
        FPicture.SwapPixels(picture);
    }

    void Redo() override { Swap(); }
    void Undo() override { Swap(); }
    std::size_t Bytes() const override
    {
        std::size_t n = PictureBytes(FPicture);
        for (const auto& layer : FLayers) n += LayerBytes(layer.get());
        return n;
    }

private:
    void Swap()
    {
        TImgView32* view = View();
        TViewUpdateHold hold(view);
        Deselect();
        view->Bitmap().SwapPixels(FPicture);
        if (FWithLayers) {
            TLayerCollection& layers = view->Layers();
            std::vector<std::unique_ptr<TCustomLayer>> out;
            for (int i = 0; i < layers.Count();) {
                if (IsFrame(layers.Items(i)))
                    ++i;
                else
                    out.push_back(layers.Take(layers.Items(i)));
            }
            // Below a frame left in the view, bottom layer first.
            for (std::size_t k = 0; k < FLayers.size(); ++k)
                layers.Restore(std::move(FLayers[k]), IndexOfPlace(layers, int(k)));
            FLayers = std::move(out);
        }
        view->Invalidate();
    }

    TBitmap32 FPicture;
    bool FWithLayers;
    // The face's layers while they are out of it, bottom first.
    std::vector<std::unique_ptr<TCustomLayer>> FLayers;
};

} // namespace

int LayerPlace(const TCustomLayer* layer)
{
    const TLayerCollection* layers = layer ? layer->LayerCollection() : nullptr;
    if (!layers) return -1;
    int place = 0;
    for (int i = 0; i < layers->Count(); ++i) {
        const TCustomLayer* l = layers->Items(i);
        if (l == layer) return place;
        if (!IsFrame(l)) ++place;
    }
    return -1;
}

std::unique_ptr<TEditStep> LayersAddedStep(TLayerSelection* selection, int face, std::vector<TBitmapLayer*> layers,
                                           QString text)
{
    return std::make_unique<TLayersPresence>(selection, face, std::move(layers), true, std::move(text));
}

std::unique_ptr<TEditStep> LayerRemovedStep(TLayerSelection* selection, int face, TBitmapLayer* layer, QString text)
{
    return std::make_unique<TLayersPresence>(selection, face, std::vector<TBitmapLayer*>{layer}, false,
                                             std::move(text));
}

std::unique_ptr<TEditStep> LayerBoundsStep(TLayerSelection* selection, int face, TPositionedLayer* layer,
                                           const TRealRect& before, const TRealRect& after, QString text, bool nudge)
{
    return std::make_unique<TLayerBounds>(selection, face, layer, before, after, std::move(text), nudge);
}

std::unique_ptr<TEditStep> LayerPlaceStep(TLayerSelection* selection, int face, TCustomLayer* layer, int place,
                                          QString text)
{
    return std::make_unique<TLayerPlaceChange>(selection, face, layer, place, std::move(text));
}

std::unique_ptr<TEditStep> LayerPictureStep(TLayerSelection* selection, int face, TBitmapLayer* layer,
                                            TBitmap32& picture, const TRealRect& bounds,
                                            const TTextLayerParams* params, QString text)
{
    return std::make_unique<TLayerPictureSwap>(selection, face, layer, picture, bounds, params, std::move(text));
}

std::unique_ptr<TEditStep> FacePictureStep(TLayerSelection* selection, int face, TBitmap32& picture,
                                           bool withLayers, QString text)
{
    return std::make_unique<TFacePictureSwap>(selection, face, picture, withLayers, std::move(text));
}
