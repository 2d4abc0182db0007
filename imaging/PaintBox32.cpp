#include "PaintBox32.h"

#include <QPainter>
#include <QPaintEvent>

#include <cmath>

TCustomPaintBox32::TCustomPaintBox32(QWidget* parent) : QWidget(parent)
{
    // The buffer covers the whole viewport: Qt need not clear behind it.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

TRect TCustomPaintBox32::GetViewportRect() const
{
    const QRect r = ViewportWidgetRect();
    const qreal dpr = DevicePixelRatio();
    return TRect{0, 0, int(std::lround(r.width() * dpr)), int(std::lround(r.height() * dpr))};
}

QRect TCustomPaintBox32::ViewportWidgetRect() const
{
    return rect();
}

qreal TCustomPaintBox32::DevicePixelRatio() const
{
    return devicePixelRatioF();
}

void TCustomPaintBox32::EndUpdate()
{
    if (FUpdateCount > 0) --FUpdateCount;
}

void TCustomPaintBox32::Invalidate()
{
    FBufferValid = false;
    update();
}

void TCustomPaintBox32::Changed()
{
    if (FUpdateCount > 0)
        FBufferValid = false;
    else
        Invalidate();
}

void TCustomPaintBox32::RepaintBuffer()
{
    CheckViewportSize();
    ResizeBuffer();
    DoPaintBuffer();
    FBufferValid = true;
}

void TCustomPaintBox32::DoPaintBuffer()
{
    FBuffer.Clear(clBlack32);
}

void TCustomPaintBox32::PaintOverlay(QPainter&) {}

void TCustomPaintBox32::ViewportResized() {}

void TCustomPaintBox32::ResizeBuffer()
{
    const TRect vp = GetViewportRect();
    const int w = std::max(vp.Width(), 0), h = std::max(vp.Height(), 0);
    const bool tooSmall = w > FBuffer.Width() || h > FBuffer.Height();
    const bool tooLarge = FBuffer.Width() - w > 40 || FBuffer.Height() - h > 40;
    if (tooSmall || tooLarge) {
        FBuffer.SetSize(w, h);
        FBufferValid = false;
    }
}

void TCustomPaintBox32::CheckViewportSize()
{
    const TRect vp = GetViewportRect();
    if (vp.Width() == FLastViewportWidth && vp.Height() == FLastViewportHeight) return;
    FLastViewportWidth = vp.Width();
    FLastViewportHeight = vp.Height();
    FBufferValid = false;
    ViewportResized();
}

void TCustomPaintBox32::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    CheckViewportSize();
    Invalidate();
}

void TCustomPaintBox32::paintEvent(QPaintEvent*)
{
    // The pixel ratio can change without a resize (the window moved screens).
    CheckViewportSize();
    ResizeBuffer();
    if (!FBufferValid) {
        DoPaintBuffer();
        FBufferValid = true;
    }
    QPainter painter(this);
    const TRect vp = GetViewportRect();
    const QRect target = ViewportWidgetRect();
    if (!FBuffer.IsEmpty() && vp.Width() > 0 && vp.Height() > 0) {
        // The viewport part of the buffer, shown as opaque pixels at the
        // device's own resolution so the window system does not stretch it.
        const QImage view(reinterpret_cast<const uchar*>(FBuffer.Bits()), vp.Width(), vp.Height(),
                          qsizetype(FBuffer.Width()) * 4, QImage::Format_RGB32);
        QImage shown = view;
        shown.setDevicePixelRatio(DevicePixelRatio());
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.drawImage(target.topLeft(), shown);
        painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    }
    PaintOverlay(painter);
}
