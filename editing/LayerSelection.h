// The per-view selection of the wizard page: views 1..4 each have a selected
// layer and a handle (selection frame) layer. The frame moves and resizes the
// selected layer; with Ctrl held a resize is symmetric about the centre.
#pragma once

#include "imaging/Bitmap32.h"
#include "imaging/ImgView32.h"
#include "imaging/Layers.h"
#include "imaging/RubberbandLayer.h"

#include <QObject>
#include <QPoint>

#include <array>
#include <cstdint>
#include <functional>

class TLayerSelection : public QObject {
    Q_OBJECT
public:
    // views[i] for i = 1..4 (index 0 unused, may be null); currentStep tells which view is current.
    TLayerSelection(std::array<TImgView32*, 5> views, std::function<int()> currentStep,
                    QObject* parent = nullptr);
    TImgView32* View(int i) const;
    TCustomLayer* SelectedLayer(int i) const;
    TRubberbandLayer* HandleLayer(int i) const;
    void SetHandleLayer(int i, TRubberbandLayer* h); // the commands forget it with nullptr
    // Selects layer in view i, or clears the selection with null. The view's
    // frame is hidden, then shown around the layer: a frame remembered from an
    // earlier selection moves to the top, one found hidden in the view stays
    // where it is, and a view without one gets a new one on top.
    void SetSelection(TPositionedLayer* layer, int i);
    TBitmapLayer* SelectedImageLayer() const; // of the current step
    // A copy of bitmap, centred, Tag 0, with the click handler, selected.
    TBitmapLayer* AddImageLayer(TImgView32* view, const TBitmap32& bitmap);
    // The same, but the layer takes bitmap's pixels instead of a copy (bitmap
    // is left empty): no second buffer of a large picture is allocated.
    TBitmapLayer* AddImageLayerTaking(TImgView32* view, TBitmap32& bitmap);
    void ClearFace(int i); // forget selection+handle, delete all layers of view i
    // For flattening: hide the frame, restore it.
    void HideSelection(int i);
    void RestoreSelection(int i);
    // The decision for a right press at a view position: selects the hit layer
    // when the rules say so and returns true when the layer menu applies,
    // false when the page's own menu applies.
    bool RightPressWantsLayerMenu(TImgView32* view, QPoint viewPos);
    // The same with the layer the press went to (the view's mouse-down event passes it).
    bool RightPressWantsLayerMenu(TImgView32* view, TCustomLayer* hit);
    // Sets the click handler on a layer made elsewhere (the text layer code).
    void AttachLayer(TPositionedLayer* layer);

    // The step number (1..4) of a view, or 0 when it is not one of ours.
    int IndexOf(const TCustomImage32* view) const;
    // The Ctrl symmetric resizing handler of the frames.
    static void SymmetricResizing(TRubberbandLayer* sender, const TRealRect& startBounds,
                                  TRealRect& newBounds, TDragState dragState, TShiftState shift);

    // A drag of view i's frame changed its layer's bounds from before to
    // after (moved: the frame was dragged by its inside, not a handle).
    std::function<void(int i, TPositionedLayer* layer, const TRealRect& before, const TRealRect& after, bool moved)>
        OnLayerDragged;

signals:
    // The selection of view i changed (the page refreshes its commands).
    void SelectionChanged(int i);

private:
    std::array<TImgView32*, 5> FViews;
    std::function<int()> FCurrentStep;
    std::array<TCustomLayer*, 5> FSelected{};
    std::array<TRubberbandLayer*, 5> FHandles{};
    // Options of each frame while HideSelection holds it invisible.
    std::array<std::uint32_t, 5> FHiddenOptions{};
    std::array<bool, 5> FHidden{};
    // The bounds of the frame's layer when a press on the frame began.
    std::array<TRealRect, 5> FPressBounds{};

    // Where the frame was pressed and released: a drag that ended.
    void FramePressed(TRubberbandLayer* frame);
    void FrameReleased(TRubberbandLayer* frame);

    bool ValidIndex(int i) const { return i >= 1 && i <= 4; }
    // The view index a layer belongs to, or the current step when none.
    int IndexOfLayer(const TCustomLayer* layer) const;
    void LayerClicked(TCustomLayer* sender);
    // Tag, click handler, visible, selected: the common end of adding a layer.
    void AdoptNewLayer(TImgView32* view, TBitmapLayer* layer);
};
