#include "RubberbandLayer.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>

TCursor DragStateCursor(TDragState state)
{
    switch (state) {
    case dragLeft:
    case dragRight: return crSizeWE;
    case dragTop:
    case dragBottom: return crSizeNS;
    case dragTopLeft:
    case dragBottomRight: return crSizeNWSE;
    case dragTopRight:
    case dragBottomLeft: return crSizeNESW;
    default: return crDefault;
    }
}

TRubberbandLayer::TRubberbandLayer(TLayerCollection* collection) : TPositionedLayer(collection) {}

void TRubberbandLayer::SetTarget(TPositionedLayer* target)
{
    if (FTarget) {
        RemoveNotification(FTarget);
        FTarget->RemoveNotification(this);
    }
    FTarget = target;
    if (FTarget) {
        SetBounds(FTarget->Bounds());
        SetScaledToView(FTarget->ScaledToView());
        AddNotification(FTarget);
        // The frame is told when its target is destroyed, so it never keeps a
        // dangling target.
        FTarget->AddNotification(this);
    }
    UpdateNoUpdateOption();
}

void TRubberbandLayer::UpdateNoUpdateOption()
{
    SetOptions(FTarget ? (Options() | optNoUpdate) : (Options() & ~optNoUpdate));
}

void TRubberbandLayer::LayerGone(TCustomLayer* layer)
{
    if (layer == FTarget) {
        FTarget = nullptr;
        RemoveNotification(layer);
        UpdateNoUpdateOption();
    }
    TPositionedLayer::LayerGone(layer);
}

void TRubberbandLayer::StoreBounds(const TRealRect& bounds)
{
    TPositionedLayer::StoreBounds(bounds);
    if (FTarget) FTarget->SetBounds(bounds);
}

bool TRubberbandLayer::ContainsPoint(int x, int y)
{
    return DragStateAt(x, y) != dragNone;
}

TDragState TRubberbandLayer::DragStateAt(int x, int y)
{
    const int m = HandleSize + 1;
    TRect r = RoundRect(AdjustedBounds());
    r.Right -= 1;
    r.Bottom -= 1;
    const bool nearL = std::abs(r.Left - x) <= m;
    const bool nearR = std::abs(r.Right - x) <= m;
    const bool nearHC = std::abs((r.Left + r.Right) / 2 - x) <= m;
    const bool nearT = std::abs(r.Top - y) <= m;
    const bool nearB = std::abs(r.Bottom - y) <= m;
    const bool nearVC = std::abs((r.Top + r.Bottom) / 2 - y) <= m;
    const bool corners = HandleSet & rhCorners, sides = HandleSet & rhSides;
    if (corners) {
        if (nearR && nearB) return dragBottomRight;
        if (nearL && nearB) return dragBottomLeft;
        if (nearR && nearT) return dragTopRight;
        if (nearL && nearT) return dragTopLeft;
    }
    if (sides) {
        if (nearR && nearVC) return dragRight;
        if (nearHC && nearB) return dragBottom;
        if (nearL && nearVC) return dragLeft;
        if (nearT && nearHC) return dragTop;
    }
    if ((HandleSet & rhCenter) && r.Left <= x && x < r.Right && r.Top <= y && y < r.Bottom)
        return dragMove;
    return dragNone;
}

void TRubberbandLayer::PointerDown(TMouseButton button, TShiftState shift, int x, int y)
{
    if (FDragging) return;
    FDragState = DragStateAt(x, y);
    FDragging = FDragState != dragNone;
    if (FDragging) {
        FStartBounds = Bounds();
        if (FDragState == dragMove) {
            const TRealRect a = AdjustedBounds();
            FGrabX = float(x) - a.Left;
            FGrabY = float(y) - a.Top;
        } else {
            FGrabX = FGrabY = 0;
        }
    }
    TPositionedLayer::PointerDown(button, shift, x, y);
}

void TRubberbandLayer::PointerMove(TShiftState shift, int x, int y)
{
    if (!FDragging) {
        FDragState = DragStateAt(x, y);
        SetScreenCursor(FDragState == dragMove ? Cursor() : DragStateCursor(FDragState));
        return;
    }
    DragTo(shift, x, y);
}

namespace {

// Moves one edge to v while the opposite edge stays: the size is kept at
// least minSize and, when maxSize is above minSize, at most maxSize. A low
// edge (left, top) lies before its opposite edge.
void DragEdge(float& edge, float opposite, float v, float minSize, float maxSize, bool lowEdge)
{
    edge = v;
    auto size = [&] { return lowEdge ? opposite - edge : edge - opposite; };
    auto limitTo = [&](float s) { edge = lowEdge ? opposite - s : opposite + s; };
    if (size() < minSize) limitTo(minSize);
    if (maxSize > minSize && size() > maxSize) limitTo(maxSize);
}

} // namespace

void TRubberbandLayer::DragTo(TShiftState shift, int x, int y)
{
    // The pointer position is a single after each step, like the bounds it
    // becomes: keeping it wider would move the frame by a last bit.
    float mx = float(double(x) - FGrabX);
    float my = float(double(y) - FGrabY);
    if (ScaledToView()) {
        const TRealRect a = AdjustedBounds();
        // A frame shown with no extent cannot be dragged.
        if (!(a.Right > a.Left && a.Bottom > a.Top)) return;
        const TRealRect& b = Bounds();
        mx = float(b.Left + (double(mx) - a.Left) / (double(a.Right) - a.Left) * (double(b.Right) - b.Left));
        my = float(b.Top + (double(my) - a.Top) / (double(a.Bottom) - a.Top) * (double(b.Bottom) - b.Top));
    }
    TRealRect n = FStartBounds;
    const TDragState s = FDragState;
    if (s == dragMove) {
        const float w = FStartBounds.Right - FStartBounds.Left;
        const float h = FStartBounds.Bottom - FStartBounds.Top;
        n = TRealRect{mx, my, mx + w, my + h};
    }
    if (s == dragLeft || s == dragTopLeft || s == dragBottomLeft)
        DragEdge(n.Left, n.Right, mx, MinWidth, MaxWidth, true);
    if (s == dragRight || s == dragTopRight || s == dragBottomRight)
        DragEdge(n.Right, n.Left, mx, MinWidth, MaxWidth, false);
    if (s == dragTop || s == dragTopLeft || s == dragTopRight)
        DragEdge(n.Top, n.Bottom, my, MinHeight, MaxHeight, true);
    if (s == dragBottom || s == dragBottomLeft || s == dragBottomRight)
        DragEdge(n.Bottom, n.Top, my, MinHeight, MaxHeight, false);
    NotifyResizing(FStartBounds, n, s, shift);
    if (!SameBounds(n, Bounds())) {
        SetBounds(n);
        if (OnUserChange) OnUserChange(this);
    }
}

void TRubberbandLayer::PointerUp(TMouseButton button, TShiftState shift, int x, int y)
{
    FDragging = false;
    TPositionedLayer::PointerUp(button, shift, x, y);
}

void TRubberbandLayer::NotifyResizing(const TRealRect& startBounds, TRealRect& newBounds,
                                      TDragState dragState, TShiftState shift)
{
    if (OnResizing) OnResizing(this, startBounds, newBounds, dragState, shift);
}

namespace {

void PutPixel(TBitmap32& b, int x, int y, TColor32 c)
{
    if (x >= 0 && y >= 0 && x < b.Width() && y < b.Height()) b.SetPixelAt(x, y, c);
}

// Fills the span x1..x2-1 of row y, clipped to the buffer.
void FillRow(TBitmap32& b, int x1, int x2, int y, TColor32 c)
{
    if (y < 0 || y >= b.Height()) return;
    x1 = std::max(x1, 0);
    x2 = std::min(x2, b.Width());
    if (x1 < x2) std::fill(b.ScanLine(y) + x1, b.ScanLine(y) + x2, c);
}

// The square x - s <= px < x + s, y - s <= py < y + s, filled, then its
// border pixels outlined; only rows inside the buffer are visited.
void DrawHandle(TBitmap32& b, int x, int y, int s, TColor32 fill, TColor32 frame)
{
    if (s <= 0) return;
    const std::int64_t left = std::int64_t(x) - s, right = std::int64_t(x) + s;
    const std::int64_t top = std::int64_t(y) - s, bottom = std::int64_t(y) + s;
    const int x1 = int(std::clamp<std::int64_t>(left, 0, b.Width()));
    const int x2 = int(std::clamp<std::int64_t>(right, 0, b.Width()));
    const int y1 = int(std::clamp<std::int64_t>(top, 0, b.Height()));
    const int y2 = int(std::clamp<std::int64_t>(bottom, 0, b.Height()));
    for (int py = y1; py < y2; ++py) {
        const bool edgeRow = py == top || py == bottom - 1;
        FillRow(b, x1, x2, py, edgeRow ? frame : fill);
        if (edgeRow) continue;
        if (left == x1 && x1 < x2) PutPixel(b, x1, py, frame);
        if (right == x2 && x1 < x2) PutPixel(b, x2 - 1, py, frame);
    }
}

// The outline of the pixel rectangle l..r x t..b (inclusive), clockwise from
// the top-left corner, every pixel once, the pattern stepping once per pixel.
// Each edge visits only its pixels inside the buffer; the pattern index of a
// pixel follows from its distance along the outline.
void DrawDottedFrame(TBitmap32& buf, int l, int t, int r, int b)
{
    static constexpr TColor32 pattern[4] = {0xFFFFFFFFu, 0xFFFFFFFFu, 0xFF000000u, 0xFF000000u};
    if (r < l || b < t) return;
    const int w = buf.Width(), h = buf.Height();
    auto color = [](std::int64_t index) { return pattern[index & 3]; };
    const std::int64_t topCount = std::int64_t(r) - l + 1;
    const std::int64_t rightCount = std::int64_t(b) - t;
    const std::int64_t bottomCount = b > t ? std::int64_t(r) - l : 0;
    if (t >= 0 && t < h)
        for (int x = std::max(l, 0); x <= std::min(r, w - 1); ++x)
            buf.SetPixelAt(x, t, color(std::int64_t(x) - l));
    if (r >= 0 && r < w)
        for (int y = std::max(t + 1, 0); y <= std::min(b, h - 1); ++y)
            buf.SetPixelAt(r, y, color(topCount + (std::int64_t(y) - t - 1)));
    if (b > t && b >= 0 && b < h)
        for (int x = std::min(r - 1, w - 1); x >= std::max(l, 0); --x)
            buf.SetPixelAt(x, b, color(topCount + rightCount + (std::int64_t(r) - 1 - x)));
    if (r > l && l >= 0 && l < w)
        for (int y = std::min(b - 1, h - 1); y >= std::max(t + 1, 0); --y)
            buf.SetPixelAt(l, y, color(topCount + rightCount + bottomCount + (std::int64_t(b) - 1 - y)));
}

} // namespace

void TRubberbandLayer::Paint(TBitmap32& buffer)
{
    if (buffer.IsEmpty()) return;
    const TRect r = RoundRect(AdjustedBounds());
    if (HandleSet & rhFrame) DrawDottedFrame(buffer, r.Left, r.Top, r.Right - 1, r.Bottom - 1);
    const int s = HandleSize;
    if (HandleSet & rhCorners) {
        DrawHandle(buffer, r.Left, r.Top, s, FillColor, FrameColor);
        DrawHandle(buffer, r.Right, r.Top, s, FillColor, FrameColor);
        DrawHandle(buffer, r.Left, r.Bottom, s, FillColor, FrameColor);
        DrawHandle(buffer, r.Right, r.Bottom, s, FillColor, FrameColor);
    }
    if (HandleSet & rhSides) {
        const int cx = (r.Left + r.Right) / 2, cy = (r.Top + r.Bottom) / 2;
        DrawHandle(buffer, cx, r.Top, s, FillColor, FrameColor);
        DrawHandle(buffer, r.Left, cy, s, FillColor, FrameColor);
        DrawHandle(buffer, r.Right, cy, s, FillColor, FrameColor);
        DrawHandle(buffer, cx, r.Bottom, s, FillColor, FrameColor);
    }
}
