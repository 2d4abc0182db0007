#include "editing/LayerSelection.h"

#include "render/LayerUtils.h"

namespace {

// The frame while it shows a selection: visible, takes the mouse, and its own
// changes do not repaint (its target's do).
constexpr std::uint32_t kFrameShown = optVisible | optMouseEvents | optNoUpdate;
// The frame while nothing is selected: hidden, no mouse input.
constexpr std::uint32_t kFrameHidden = optNoUpdate;
constexpr float kFrameMinSize = 10.0f;
// Half of the smallest symmetric resize.
constexpr float kMinHalfSize = 2.0f;

bool IsLeftEdge(TDragState s) { return s == dragLeft || s == dragTopLeft || s == dragBottomLeft; }
bool IsRightEdge(TDragState s) { return s == dragRight || s == dragTopRight || s == dragBottomRight; }
bool IsTopEdge(TDragState s) { return s == dragTop || s == dragTopLeft || s == dragTopRight; }
bool IsBottomEdge(TDragState s) { return s == dragBottom || s == dragBottomLeft || s == dragBottomRight; }

} // namespace

TLayerSelection::TLayerSelection(std::array<TImgView32*, 5> views, std::function<int()> currentStep,
                                 QObject* parent)
    : QObject(parent), FViews(views), FCurrentStep(std::move(currentStep))
{
}

TImgView32* TLayerSelection::View(int i) const { return ValidIndex(i) ? FViews[std::size_t(i)] : nullptr; }

TCustomLayer* TLayerSelection::SelectedLayer(int i) const
{
    return ValidIndex(i) ? FSelected[std::size_t(i)] : nullptr;
}

TRubberbandLayer* TLayerSelection::HandleLayer(int i) const
{
    return ValidIndex(i) ? FHandles[std::size_t(i)] : nullptr;
}

void TLayerSelection::SetHandleLayer(int i, TRubberbandLayer* h)
{
    if (!ValidIndex(i)) return;
    FHandles[std::size_t(i)] = h;
    FHidden[std::size_t(i)] = false;
}

int TLayerSelection::IndexOf(const TCustomImage32* view) const
{
    if (!view) return 0;
    for (int i = 1; i <= 4; ++i)
        if (FViews[std::size_t(i)] == view) return i;
    return 0;
}

int TLayerSelection::IndexOfLayer(const TCustomLayer* layer) const
{
    for (int i = 1; i <= 4; ++i) {
        TImgView32* v = FViews[std::size_t(i)];
        if (v && layer && layer->LayerCollection() == &v->Layers()) return i;
    }
    return FCurrentStep ? FCurrentStep() : 0;
}

void TLayerSelection::SetSelection(TPositionedLayer* layer, int i)
{
    TImgView32* view = View(i);
    if (!view) return;
    const auto k = std::size_t(i);
    FHidden[k] = false;
    if (TRubberbandLayer* h = FHandles[k]) {
        h->SetTarget(nullptr);
        h->SetOptions(kFrameHidden);
        view->Invalidate();
    }
    FSelected[k] = layer;
    if (!layer) {
        emit SelectionChanged(i);
        return;
    }
    TRubberbandLayer* h = FHandles[k];
    if (!h) {
        // A frame left hidden in the view is used where it stands.
        h = FindRubberbandLayer(view);
        if (!h) h = view->Layers().Add<TRubberbandLayer>();
        h->MinWidth = kFrameMinSize;
        h->MinHeight = kFrameMinSize;
        h->SetCursor(crSizeAll);
        FHandles[k] = h;
    } else {
        h->MoveToIndex(view->Layers().Count());
    }
    h->SetTarget(layer);
    h->SetOptions(kFrameShown);
    h->OnResizing = &TLayerSelection::SymmetricResizing;
    h->OnLayerMouseDown = [this](TCustomLayer* frame, TMouseButton button, TShiftState, int, int) {
        // The first button down starts the drag.
        if (frame->HeldButtons() == ButtonBit(button)) FramePressed(static_cast<TRubberbandLayer*>(frame));
    };
    h->OnLayerMouseUp = [this](TCustomLayer* frame, TMouseButton, TShiftState, int, int) {
        FrameReleased(static_cast<TRubberbandLayer*>(frame));
    };
    view->Invalidate();
    emit SelectionChanged(i);
}

void TLayerSelection::FramePressed(TRubberbandLayer* frame)
{
    const int i = IndexOfLayer(frame);
    if (ValidIndex(i) && frame->Target()) FPressBounds[std::size_t(i)] = frame->Target()->Bounds();
}

void TLayerSelection::FrameReleased(TRubberbandLayer* frame)
{
    const int i = IndexOfLayer(frame);
    TPositionedLayer* layer = frame->Target();
    // Only when the last button is up: the drag is over.
    if (!ValidIndex(i) || !layer || frame->HeldButtons() != 0 || !OnLayerDragged) return;
    const TRealRect before = FPressBounds[std::size_t(i)];
    if (!SameBounds(before, layer->Bounds()))
        OnLayerDragged(i, layer, before, layer->Bounds(), frame->DragState() == dragMove);
}

TBitmapLayer* TLayerSelection::SelectedImageLayer() const
{
    return dynamic_cast<TBitmapLayer*>(SelectedLayer(FCurrentStep ? FCurrentStep() : 0));
}

void TLayerSelection::LayerClicked(TCustomLayer* sender)
{
    if (auto* layer = dynamic_cast<TPositionedLayer*>(sender)) SetSelection(layer, IndexOfLayer(layer));
}

void TLayerSelection::AttachLayer(TPositionedLayer* layer)
{
    if (!layer) return;
    layer->OnLayerMouseDown = [this](TCustomLayer* sender, TMouseButton, TShiftState, int, int) {
        LayerClicked(sender);
    };
}

void TLayerSelection::AdoptNewLayer(TImgView32* view, TBitmapLayer* layer)
{
    layer->Tag = 0;
    AttachLayer(layer);
    layer->SetVisible(true);
    const int i = IndexOf(view);
    SetSelection(layer, i ? i : (FCurrentStep ? FCurrentStep() : 0));
    view->Invalidate();
}

TBitmapLayer* TLayerSelection::AddImageLayer(TImgView32* view, const TBitmap32& bitmap)
{
    if (!view) return nullptr;
    TBitmapLayer* layer = AddBitmapLayerFrom(view, bitmap);
    if (!layer) return nullptr;
    AdoptNewLayer(view, layer);
    return layer;
}

TBitmapLayer* TLayerSelection::AddImageLayerTaking(TImgView32* view, TBitmap32& bitmap)
{
    if (!view) return nullptr;
    // An empty layer is centred with no size: its bounds are the centre point.
    TBitmapLayer* layer = AddBitmapLayerFrom(view, TBitmap32());
    if (!layer) return nullptr;
    layer->Bitmap().SwapPixels(bitmap);
    const float cx = layer->Bounds().Left, cy = layer->Bounds().Top;
    const float w = float(layer->Bitmap().Width()) / 2, h = float(layer->Bitmap().Height()) / 2;
    layer->SetBounds(TRealRect{cx - w, cy - h, cx + w, cy + h});
    AdoptNewLayer(view, layer);
    return layer;
}

void TLayerSelection::ClearFace(int i)
{
    TImgView32* view = View(i);
    if (!view) return;
    const auto k = std::size_t(i);
    FSelected[k] = nullptr;
    FHandles[k] = nullptr;
    FHidden[k] = false;
    view->Layers().Clear();
    emit SelectionChanged(i);
}

void TLayerSelection::HideSelection(int i)
{
    TRubberbandLayer* h = HandleLayer(i);
    const auto k = std::size_t(i);
    if (!h || FHidden[k]) return;
    FHiddenOptions[k] = h->Options();
    FHidden[k] = true;
    h->SetOptions(FHiddenOptions[k] & ~(optVisible | optMouseEvents));
}

void TLayerSelection::RestoreSelection(int i)
{
    TRubberbandLayer* h = HandleLayer(i);
    const auto k = std::size_t(i);
    if (!h || !FHidden[k]) return;
    FHidden[k] = false;
    h->SetOptions(FHiddenOptions[k]);
}

bool TLayerSelection::RightPressWantsLayerMenu(TImgView32* view, QPoint viewPos)
{
    if (!view) return false;
    TLayerCollection& layers = view->Layers();
    TCustomLayer* hit = layers.CapturedLayer();
    if (!hit) hit = layers.TopmostAt(viewPos.x(), viewPos.y(), optMouseEvents);
    return RightPressWantsLayerMenu(view, hit);
}

bool TLayerSelection::RightPressWantsLayerMenu(TImgView32* view, TCustomLayer* hit)
{
    // Only the front and side views (view tags 1..3) offer the layer menu.
    if (!view || !hit || view->Tag < 1 || view->Tag > 3) return false;
    const int i = IndexOf(view);
    if (!i) return false;
    auto* layer = dynamic_cast<TBitmapLayer*>(hit);
    if (layer && layer != SelectedLayer(i)) SetSelection(layer, i);
    // A press on the frame keeps the selection.
    return true;
}

void TLayerSelection::SymmetricResizing(TRubberbandLayer*, const TRealRect& s, TRealRect& n,
                                        TDragState dragState, TShiftState shift)
{
    if (!(shift & ssCtrl) || dragState == dragNone || dragState == dragMove) return;
    const float cx = (s.Left + s.Right) / 2, cy = (s.Top + s.Bottom) / 2;
    float hw = (s.Right - s.Left) / 2, hh = (s.Bottom - s.Top) / 2;
    if (IsLeftEdge(dragState)) hw = cx - n.Left;
    if (IsRightEdge(dragState)) hw = n.Right - cx;
    if (IsTopEdge(dragState)) hh = cy - n.Top;
    if (IsBottomEdge(dragState)) hh = n.Bottom - cy;
    if (hw < kMinHalfSize) hw = kMinHalfSize;
    if (hh < kMinHalfSize) hh = kMinHalfSize;
    n = TRealRect{cx - hw, cy - hh, cx + hw, cy + hh};
}
