#include "Image32.h"


#include <QMouseEvent>
#include <QPalette>

#include <algorithm>
#include <atomic>
#include <cmath>

namespace {

// Content generations of all views come from this one counter.
std::uint64_t NextContentGeneration()
{
    static std::atomic<std::uint64_t> last{0};
    return ++last;
}

} // namespace

int ScaledSize(int size, float scale)
{
    // Kept well inside int so that offsets and rectangles built on it cannot overflow.
    return int(std::nearbyint(std::min(double(size) * double(scale), 1.0e9)));
}

TPaintStage& TPaintStages::Insert(int index)
{
    index = std::clamp(index, 0, Count());
    return *FItems.emplace(FItems.begin() + index);
}

void TPaintStages::Delete(int index)
{
    if (index >= 0 && index < Count()) FItems.erase(FItems.begin() + index);
}

TCustomImage32::TCustomImage32(QWidget* parent)
    : TCustomPaintBox32(parent), FLayers(new TLayerCollection(this)),
      FContentGeneration(NextContentGeneration())
{
    setMouseTracking(true);
    FColor = palette().color(QPalette::Button);
    auto addStage = [this](bool dsgn, bool run, unsigned kind, unsigned param) {
        TPaintStage& s = FPaintStages.Add();
        s.DsgnTime = dsgn;
        s.RunTime = run;
        s.Stage = kind;
        s.Parameter = param;
    };
    addStage(true, true, stageClearBackground, 0);
    addStage(true, false, stageControlFrame, 0);
    addStage(true, true, stageDrawBitmap, 0);
    addStage(true, false, stageBitmapFrame, 0);
    addStage(true, true, stageDrawLayers, optVisible);
    FBitmap.OnChange = [this](TBitmap32*) {
        ContentChanged();
        Changed();
    };
    // A failed resize frees the pixels without a change notice.
    FBitmap.OnResize = [this](TBitmap32*) {
        ContentChanged();
        BitmapResized();
    };
}

TCustomImage32::~TCustomImage32()
{
    delete FLayers;
    FLayers = nullptr;
    FBitmap.OnChange = nullptr;
    FBitmap.OnResize = nullptr;
}

void TCustomImage32::SetScale(float scale)
{
    // A scale that is not a number counts as the smallest one.
    if (!(scale >= 0.001f)) scale = 0.001f;
    if (scale == FScale) return;
    FScale = scale;
    ScaleChanged();
}

void TCustomImage32::SetScaleMode(TScaleMode mode)
{
    if (mode == FScaleMode) return;
    FScaleMode = mode;
    ScaleChanged();
}

void TCustomImage32::SetBitmapAlign(TBitmapAlign align)
{
    if (align == FBitmapAlign) return;
    FBitmapAlign = align;
    UpdateOffsets();
    Changed();
}

void TCustomImage32::SetOffsets(double horz, double vert)
{
    FOffsetHorz = horz;
    FOffsetVert = vert;
    InvalidateMapping();
    Changed();
}

void TCustomImage32::SetColor(const QColor& color)
{
    FColor = color;
    // The colour fills the flattened picture around a see-through bitmap.
    ContentChanged();
    Changed();
}

TColor32 TCustomImage32::ViewColor32() const
{
    return 0xFF000000u | FColor.rgb();
}

void TCustomImage32::SetViewCursor(TCursor cursor)
{
    FViewCursor = cursor;
    SetScreenCursor(cursor);
}

int TCustomImage32::DisplayedWidth() const
{
    if (FBitmap.IsEmpty()) return 0;
    return FScaleMode == smScale ? ScaledSize(FBitmap.Width(), FScale) : FBitmap.Width();
}

int TCustomImage32::DisplayedHeight() const
{
    if (FBitmap.IsEmpty()) return 0;
    return FScaleMode == smScale ? ScaledSize(FBitmap.Height(), FScale) : FBitmap.Height();
}

TRect TCustomImage32::GetBitmapRect() const
{
    const int dw = DisplayedWidth(), dh = DisplayedHeight();
    double ox = 0, oy = 0;
    switch (FBitmapAlign) {
    case baTopLeft: break;
    case baCenter: {
        const TRect vp = GetViewportRect();
        ox = (vp.Width() - dw) / 2.0;
        oy = (vp.Height() - dh) / 2.0;
        break;
    }
    case baCustom:
        ox = FOffsetHorz;
        oy = FOffsetVert;
        break;
    }
    const int left = int(std::nearbyint(ox)), top = int(std::nearbyint(oy));
    return TRect{left, top, left + dw, top + dh};
}

const TMappingRecord& TCustomImage32::Mapping()
{
    // While rendering elsewhere the record describes that destination.
    if (!FRendering) CheckViewportSize();
    if (!FMappingValid) {
        const TRect placed = GetBitmapRect();
        FMapping = ComputeMapping(FBitmap.Width(), FBitmap.Height(), placed);
        // Layers on a view without an image go where the image would be.
        if (FBitmap.IsEmpty() && FLayersFollowEmptyImage) {
            FMapping.OffsetX = placed.Left;
            FMapping.OffsetY = placed.Top;
        }
        FMappingValid = true;
    }
    return FMapping;
}

TViewPoint TCustomImage32::ViewToBitmap(int x, int y)
{
    return ::ViewToBitmap(Mapping(), x, y);
}

void TCustomImage32::RenderInto(TBitmap32& dest, const TRect& destRect)
{
    // The mapping describes the destination while the stages run, and is
    // recomputed for the view at its next use, also after a failure.
    struct Restore {
        TCustomImage32* view;
        ~Restore()
        {
            view->FMappingValid = false;
            view->FRendering = false;
        }
    } restore{this};
    FRendering = true;
    FMapping = ComputeMapping(FBitmap.Width(), FBitmap.Height(), destRect);
    FMappingValid = true;
    ExecutePaintStages(dest);
}

void TCustomImage32::DoPaintBuffer()
{
    Mapping();
    ExecutePaintStages(Buffer());
}

void TCustomImage32::ExecutePaintStages(TBitmap32& buffer)
{
    const TRect bitmapRect = FMapping.BitmapRect;
    for (int i = 0; i < FPaintStages.Count(); ++i) {
        const TPaintStage stage = FPaintStages[i];
        if (!stage.RunTime) continue;
        switch (stage.Stage) {
        case stageCustom:
            if (OnPaintStage) OnPaintStage(this, &buffer, unsigned(i));
            break;
        case stageClearBuffer: buffer.Clear(ViewColor32()); break;
        case stageClearBackground: ClearBackground(buffer, bitmapRect); break;
        case stageDrawBitmap:
            if (!FBitmap.IsEmpty()) buffer.DrawScaled(bitmapRect, FBitmap.BoundsRect(), FBitmap);
            break;
        case stageDrawLayers: DrawLayers(buffer, stage.Parameter); break;
        default: break; // frames are drawn at design time only
        }
    }
}

void TCustomImage32::ClearBackground(TBitmap32& buffer, const TRect& bitmapRect)
{
    const TColor32 color = ViewColor32();
    const TRect all = buffer.BoundsRect();
    const TRect inside = IntersectRect(bitmapRect, all);
    if (FBitmap.IsEmpty() || FBitmap.DrawMode != dmOpaque || inside.IsEmpty()) {
        buffer.Clear(color);
        return;
    }
    // Every band lies inside the buffer.
    auto fill = [&](int l, int t, int r, int b) { buffer.FillArea(l, t, r, b, color); };
    // Only the four bands around the bitmap: the bitmap covers the rest.
    fill(0, 0, all.Right, inside.Top);
    fill(0, inside.Bottom, all.Right, all.Bottom);
    fill(0, inside.Top, inside.Left, inside.Bottom);
    fill(inside.Right, inside.Top, all.Right, inside.Bottom);
}

void TCustomImage32::DrawLayers(TBitmap32& buffer, std::uint32_t mask)
{
    for (int i = 0; i < FLayers->Count(); ++i) {
        TCustomLayer* layer = FLayers->Items(i);
        if ((layer->Options() & mask) == 0) continue;
        layer->Paint(buffer);
        if (layer->OnPaint) layer->OnPaint(layer, &buffer);
    }
}

void TCustomImage32::LayersChanged()
{
    Changed();
}

void TCustomImage32::LayerContentChanged()
{
    ContentChanged();
}

void TCustomImage32::ContentChanged()
{
    FContentGeneration = NextContentGeneration();
}

void TCustomImage32::SetScreenCursor(TCursor cursor)
{
    setCursor(CursorShapeFor(cursor));
}

void TCustomImage32::ViewportResized()
{
    UpdateOffsets();
    if (OnResize) OnResize(this);
}

void TCustomImage32::BitmapResized()
{
    UpdateOffsets();
    Changed();
}

void TCustomImage32::ScaleChanged()
{
    UpdateOffsets();
    Changed();
}

void TCustomImage32::UpdateOffsets()
{
    InvalidateMapping();
}

// --- mouse ------------------------------------------------------------------

void TCustomImage32::MouseDown(TMouseButton button, TShiftState shift, int x, int y)
{
    TCustomLayer* layer = FLayers->ReceivesMouse ? FLayers->MouseDown(button, shift, x, y) : nullptr;
    // Qt grabs the mouse for the widget while a button is held, which covers
    // the capture on a left press or a captured layer.
    if (OnMouseDown) OnMouseDown(this, button, shift, x, y, layer);
}

void TCustomImage32::MouseMove(TShiftState shift, int x, int y)
{
    TCustomLayer* layer = FLayers->ReceivesMouse ? FLayers->MouseMove(shift, x, y) : nullptr;
    if (!layer) SetScreenCursor(FViewCursor);
    if (OnMouseMove) OnMouseMove(this, shift, x, y, layer);
}

void TCustomImage32::MouseUp(TMouseButton button, TShiftState shift, int x, int y)
{
    TCustomLayer* layer = FLayers->ReceivesMouse ? FLayers->MouseUp(button, shift, x, y) : nullptr;
    if (OnMouseUp) OnMouseUp(this, button, shift, x, y, layer);
}

void TCustomImage32::MouseLeave()
{
    if (!FLayers->CapturedLayer()) SetScreenCursor(crDefault);
}

TViewPoint TCustomImage32::DevicePoint(const QPointF& p) const
{
    const qreal dpr = DevicePixelRatio();
    return TViewPoint{int(std::floor(p.x() * dpr)), int(std::floor(p.y() * dpr))};
}

bool TCustomImage32::RouteButton(QMouseEvent* event, bool press)
{
    TMouseButton button;
    if (!MouseButtonFrom(event->button(), button)) return false;
    event->accept();
    const TViewPoint p = DevicePoint(event->position());
    TShiftState shift = ShiftStateFrom(event->modifiers(), event->buttons());
    // The second press of a double click comes as its own event.
    if (event->type() == QEvent::MouseButtonDblClick) shift |= ssDouble;
    if (press)
        MouseDown(button, shift, p.X, p.Y);
    else
        MouseUp(button, shift, p.X, p.Y);
    return true;
}

void TCustomImage32::mousePressEvent(QMouseEvent* event)
{
    if (!RouteButton(event, true)) QWidget::mousePressEvent(event);
}

void TCustomImage32::mouseMoveEvent(QMouseEvent* event)
{
    event->accept();
    const TViewPoint p = DevicePoint(event->position());
    MouseMove(ShiftStateFrom(event->modifiers(), event->buttons()), p.X, p.Y);
}

void TCustomImage32::mouseReleaseEvent(QMouseEvent* event)
{
    if (!RouteButton(event, false)) QWidget::mouseReleaseEvent(event);
}

void TCustomImage32::leaveEvent(QEvent* event)
{
    QWidget::leaveEvent(event);
    MouseLeave();
}
