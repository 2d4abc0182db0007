#include "Layers.h"


#include <algorithm>
#include <cmath>

bool SameBounds(const TRealRect& a, const TRealRect& b)
{
    return a.Left == b.Left && a.Top == b.Top && a.Right == b.Right && a.Bottom == b.Bottom;
}

// --- TLayerCollection -------------------------------------------------------

TLayerCollection::TLayerCollection(TLayerHost* owner) : FOwner(owner) {}

TLayerCollection::~TLayerCollection()
{
    // The owner is going away too: no more change notifications to it.
    FOwner = nullptr;
    while (!FItems.empty()) delete FItems.back();
}

void TLayerCollection::Delete(int index)
{
    delete Items(index);
}

void TLayerCollection::Clear()
{
    BeginUpdate();
    while (!FItems.empty()) delete FItems.back();
    EndUpdate();
}

std::unique_ptr<TCustomLayer> TLayerCollection::Take(TCustomLayer* layer)
{
    if (!layer || layer->FCollection != this) return nullptr;
    RemoveItem(layer);
    layer->FCollection = nullptr;
    return std::unique_ptr<TCustomLayer>(layer);
}

void TLayerCollection::Restore(std::unique_ptr<TCustomLayer> layer, int index)
{
    if (!layer || layer->FCollection) return;
    TCustomLayer* l = layer.release();
    l->FCollection = this;
    FItems.insert(FItems.begin() + std::clamp(index, 0, Count()), l);
    if (l->Visible()) Changed();
}

TCustomLayer* TLayerCollection::TopmostAt(int x, int y, std::uint32_t mask) const
{
    for (int i = Count() - 1; i >= 0; --i) {
        TCustomLayer* layer = FItems[std::size_t(i)];
        if ((layer->Options() & mask) == 0 || !layer->ContainsPoint(x, y)) continue;
        bool passed = true;
        if (layer->OnHitTest) layer->OnHitTest(layer, x, y, passed);
        if (passed) return layer;
    }
    return nullptr;
}

void TLayerCollection::EndUpdate()
{
    if (FUpdateCount > 0) --FUpdateCount;
    if (FUpdateCount == 0 && FChangedWhileLocked) {
        FChangedWhileLocked = false;
        Changed();
    }
}

void TLayerCollection::Changed()
{
    ContentChanged();
    if (FUpdateCount > 0) {
        FChangedWhileLocked = true;
        return;
    }
    if (FOwner) FOwner->LayersChanged();
}

void TLayerCollection::ContentChanged()
{
    if (FOwner) FOwner->LayerContentChanged();
}

const TMappingRecord* TLayerCollection::Mapping() const
{
    return FOwner ? &FOwner->LayerMapping() : nullptr;
}

void TLayerCollection::SetScreenCursor(TCursor cursor) const
{
    if (FOwner) FOwner->SetScreenCursor(cursor);
}

TCustomLayer* TLayerCollection::MouseDown(TMouseButton button, TShiftState shift, int x, int y)
{
    TCustomLayer* target = FCaptured ? FCaptured : TopmostAt(x, y, optMouseEvents);
    if (button == mbLeft && target != FCaptured && (!target || !(target->Options() & optNoCapture))) {
        if (FCaptured) FCaptured->FHeldButtons = 0;
        FCaptured = target;
    }
    if (FCaptured) {
        FCaptured->FHeldButtons |= ButtonBit(button);
        FCaptured->PointerDown(button, shift, x, y);
    }
    return StillHere(target);
}

TCustomLayer* TLayerCollection::MouseMove(TShiftState shift, int x, int y)
{
    TCustomLayer* target = FCaptured ? FCaptured : TopmostAt(x, y, optMouseEvents);
    if (target) target->PointerMove(shift, x, y);
    return StillHere(target);
}

TCustomLayer* TLayerCollection::MouseUp(TMouseButton button, TShiftState shift, int x, int y)
{
    TCustomLayer* target = FCaptured ? FCaptured : TopmostAt(x, y, optMouseEvents);
    if (target) {
        target->FHeldButtons &= ~ButtonBit(button);
        target->PointerUp(button, shift, x, y);
    }
    // The handler may have destroyed the captured layer, which clears FCaptured.
    if (FCaptured && FCaptured->FHeldButtons == 0) FCaptured = nullptr;
    return StillHere(target);
}

TCustomLayer* TLayerCollection::StillHere(TCustomLayer* layer) const
{
    // Compares addresses only: the layer may have been destroyed by its handler.
    return std::find(FItems.begin(), FItems.end(), layer) != FItems.end() ? layer : nullptr;
}

void TLayerCollection::InsertItem(TCustomLayer* layer)
{
    FItems.push_back(layer);
    if (layer->Visible()) Changed();
}

void TLayerCollection::RemoveItem(TCustomLayer* layer)
{
    auto it = std::find(FItems.begin(), FItems.end(), layer);
    if (it == FItems.end()) return;
    FItems.erase(it);
    if (FCaptured == layer) FCaptured = nullptr;
    if (!layer->Visible()) return;
    if (layer->Options() & optNoUpdate)
        ContentChanged();
    else
        Changed();
}

void TLayerCollection::MoveItem(int from, int to)
{
    TCustomLayer* layer = FItems[std::size_t(from)];
    FItems.erase(FItems.begin() + from);
    FItems.insert(FItems.begin() + to, layer);
}

// --- TCustomLayer -----------------------------------------------------------

TCustomLayer::TCustomLayer(TLayerCollection* collection) : TCustomLayer(collection, optVisible) {}

TCustomLayer::TCustomLayer(TLayerCollection* collection, std::uint32_t options)
    : FCollection(collection), FOptions(options)
{
    if (FCollection) FCollection->InsertItem(this);
}

TCustomLayer::~TCustomLayer()
{
    // Copy first: LayerGone handlers may edit the lists.
    const std::vector<TCustomLayer*> notifies = FFreeNotifies;
    for (TCustomLayer* other : notifies) RemoveNotification(other);
    for (TCustomLayer* other : notifies) other->LayerGone(this);
    // Layers that would have told this one of their end forget it.
    const std::vector<TCustomLayer*> notifiers = FNotifiers;
    for (TCustomLayer* other : notifiers) other->RemoveNotification(this);
    if (FCollection) FCollection->RemoveItem(this);
}

int TCustomLayer::Index() const
{
    if (!FCollection) return -1;
    const auto& items = FCollection->FItems;
    auto it = std::find(items.begin(), items.end(), this);
    return it == items.end() ? -1 : int(it - items.begin());
}

void TCustomLayer::SetCursor(TCursor cursor)
{
    if (cursor == FCursor) return;
    FCursor = cursor;
    if (FCollection && FCollection->CapturedLayer() == this) SetScreenCursor(cursor);
}

void TCustomLayer::SetOptions(std::uint32_t options)
{
    if (options == FOptions) return;
    Changing();
    FOptions = options;
    Changed();
}

void TCustomLayer::SetVisible(bool visible)
{
    SetOptions(visible ? (FOptions | optVisible) : (FOptions & ~optVisible));
}

void TCustomLayer::AddNotification(TCustomLayer* layer)
{
    if (!layer || layer == this) return;
    if (std::find(FFreeNotifies.begin(), FFreeNotifies.end(), layer) != FFreeNotifies.end()) return;
    FFreeNotifies.push_back(layer);
    layer->FNotifiers.push_back(this);
}

void TCustomLayer::RemoveNotification(TCustomLayer* layer)
{
    auto it = std::find(FFreeNotifies.begin(), FFreeNotifies.end(), layer);
    if (it == FFreeNotifies.end()) return;
    FFreeNotifies.erase(it);
    auto& back = layer->FNotifiers;
    back.erase(std::remove(back.begin(), back.end(), this), back.end());
}

void TCustomLayer::Changing()
{
    FVisibleBeforeChange = Visible();
}

void TCustomLayer::Changed()
{
    // A layer that was visible before the change must be repainted away too.
    const bool wasVisible = FVisibleBeforeChange;
    FVisibleBeforeChange = false;
    if (!FCollection || !(Visible() || wasVisible)) return;
    // A layer that does not repaint the view still changes what it shows.
    if (FOptions & optNoUpdate)
        FCollection->ContentChanged();
    else
        FCollection->Changed();
}

bool TCustomLayer::ContainsPoint(int, int)
{
    return true;
}

void TCustomLayer::PointerDown(TMouseButton button, TShiftState shift, int x, int y)
{
    if (OnLayerMouseDown) OnLayerMouseDown(this, button, shift, x, y);
}

void TCustomLayer::PointerMove(TShiftState shift, int x, int y)
{
    SetScreenCursor(FCursor);
    if (OnLayerMouseMove) OnLayerMouseMove(this, shift, x, y);
}

void TCustomLayer::PointerUp(TMouseButton button, TShiftState shift, int x, int y)
{
    SetScreenCursor(crDefault);
    if (OnLayerMouseUp) OnLayerMouseUp(this, button, shift, x, y);
}

void TCustomLayer::LayerGone(TCustomLayer*) {}

void TCustomLayer::Paint(TBitmap32&) {}

void TCustomLayer::MoveToIndex(int newIndex)
{
    if (!FCollection) return;
    const int count = FCollection->Count();
    if (count == 0) return;
    newIndex = std::clamp(newIndex, 0, count - 1);
    const int current = Index();
    if (current < 0 || newIndex == current) return;
    if (Visible()) {
        FCollection->BeginUpdate();
        FCollection->MoveItem(current, newIndex);
        Changing();
        Changed();
        FCollection->EndUpdate();
    } else {
        FCollection->MoveItem(current, newIndex);
    }
}

void TCustomLayer::SetScreenCursor(TCursor cursor) const
{
    if (FCollection) FCollection->SetScreenCursor(cursor);
}

// --- TPositionedLayer -------------------------------------------------------

TPositionedLayer::TPositionedLayer(TLayerCollection* collection)
    : TCustomLayer(collection, optVisible | optMouseEvents)
{
}

void TPositionedLayer::SetBounds(const TRealRect& bounds)
{
    Changing();
    StoreBounds(bounds);
    Changed();
}

void TPositionedLayer::StoreBounds(const TRealRect& bounds)
{
    FBounds = bounds;
}

void TPositionedLayer::SetScaledToView(bool scaled)
{
    if (scaled == FScaledToView) return;
    Changing();
    FScaledToView = scaled;
    Changed();
}

TRealRect TPositionedLayer::AdjustedBounds() const
{
    const TMappingRecord* m = (FScaledToView && LayerCollection()) ? LayerCollection()->Mapping() : nullptr;
    if (!m) return FBounds;
    auto mapX = [m](float v) { return float(double(m->ZoomX) * v / 65536.0 + m->OffsetX); };
    auto mapY = [m](float v) { return float(double(m->ZoomY) * v / 65536.0 + m->OffsetY); };
    return TRealRect{mapX(FBounds.Left), mapY(FBounds.Top), mapX(FBounds.Right), mapY(FBounds.Bottom)};
}

bool TPositionedLayer::ContainsPoint(int x, int y)
{
    const TRealRect a = AdjustedBounds();
    const float fx = float(x), fy = float(y);
    return a.Left <= fx && fx < a.Right && a.Top <= fy && fy < a.Bottom;
}

// --- TBitmapLayer -----------------------------------------------------------

TBitmapLayer::TBitmapLayer(TLayerCollection* collection)
    : TPositionedLayer(collection), FBitmap(std::make_unique<TBitmap32>())
{
    FBitmap->OnChange = [this](TBitmap32*) { Changed(); };
}

TBitmapLayer::~TBitmapLayer()
{
    FBitmap->OnChange = nullptr;
}

void TBitmapLayer::Paint(TBitmap32& buffer)
{
    if (FBitmap->IsEmpty()) return;
    const TRect dest = RoundRect(AdjustedBounds());
    if (dest.IsEmpty()) return;
    buffer.DrawScaled(dest, FBitmap->BoundsRect(), *FBitmap);
}
