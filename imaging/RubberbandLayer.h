// TRubberbandLayer: the selection frame. A dotted outline with eight square
// handles that moves and resizes its target layer.
#pragma once

#include "Layers.h"

#include <functional>

enum TDragState {
    dragNone,
    dragMove,
    dragLeft,
    dragTop,
    dragRight,
    dragBottom,
    dragTopLeft,
    dragTopRight,
    dragBottomLeft,
    dragBottomRight
};

// Bits of HandleSet.
constexpr unsigned rhCenter = 1; // move by dragging inside
constexpr unsigned rhSides = 2;  // side handles
constexpr unsigned rhCorners = 4;
constexpr unsigned rhFrame = 8;  // dotted outline

class TRubberbandLayer;
// The owner may change the proposed bounds on every step of a drag.
using TRubberbandResizingEvent =
    std::function<void(TRubberbandLayer* sender, const TRealRect& startBounds, TRealRect& newBounds,
                       TDragState dragState, TShiftState shift)>;
using TLayerNotifyEvent = std::function<void(TCustomLayer* sender)>;

class TRubberbandLayer : public TPositionedLayer {
public:
    explicit TRubberbandLayer(TLayerCollection* collection);

    TPositionedLayer* Target() const { return FTarget; }
    // Takes the target's bounds and scaling, and follows it from then on.
    void SetTarget(TPositionedLayer* target);

    TColor32 FrameColor = 0x00000000u;
    TColor32 FillColor = 0x00FFFFFFu;
    unsigned HandleSet = rhCenter | rhSides | rhCorners | rhFrame;
    int HandleSize = 3;
    float MinWidth = 10.0f, MinHeight = 10.0f;
    // Ignored unless larger than the minimum.
    float MaxWidth = 0.0f, MaxHeight = 0.0f;

    TDragState DragState() const { return FDragState; }
    bool IsDragging() const { return FDragging; }

    TRubberbandResizingEvent OnResizing;
    // After a drag step changed the bounds.
    TLayerNotifyEvent OnUserChange;

    bool ContainsPoint(int x, int y) override;
    void PointerDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void PointerMove(TShiftState shift, int x, int y) override;
    void PointerUp(TMouseButton button, TShiftState shift, int x, int y) override;
    void LayerGone(TCustomLayer* layer) override;
    void Paint(TBitmap32& buffer) override;

    virtual void NotifyResizing(const TRealRect& startBounds, TRealRect& newBounds,
                                TDragState dragState, TShiftState shift);
    virtual TDragState DragStateAt(int x, int y);

protected:
    void StoreBounds(const TRealRect& bounds) override;

private:
    void UpdateNoUpdateOption();
    void DragTo(TShiftState shift, int x, int y);

    TPositionedLayer* FTarget = nullptr;
    TDragState FDragState = dragNone;
    bool FDragging = false;
    TRealRect FStartBounds;
    float FGrabX = 0, FGrabY = 0;
};

// The cursor shown over each zone when no drag is in progress (dragMove uses
// the layer's own cursor).
TCursor DragStateCursor(TDragState state);
