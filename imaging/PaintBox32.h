// TCustomPaintBox32: a widget that paints through one off-screen TBitmap32
// buffer, copied to the window in one block.
//
// The buffer is kept at device pixels, so views stay crisp on high-DPI
// screens: one view pixel is one device pixel, and mouse positions are
// converted to device pixels before anything else sees them.
#pragma once

#include "Bitmap32.h"

#include <QWidget>

class QPainter;

class TCustomPaintBox32 : public QWidget {
public:
    explicit TCustomPaintBox32(QWidget* parent = nullptr);

    TBitmap32& Buffer() { return FBuffer; }
    // The painted area in view (device) pixels.
    virtual TRect GetViewportRect() const;
    // The painted area in widget (logical) coordinates.
    virtual QRect ViewportWidgetRect() const;
    qreal DevicePixelRatio() const;

    // A counter; begin and end do not repaint by themselves.
    void BeginUpdate() { ++FUpdateCount; }
    void EndUpdate();
    int UpdateCount() const { return FUpdateCount; }
    // Marks the buffer out of date and schedules a repaint.
    void Invalidate();
    // Brings the buffer up to date now (the window copy follows at the next paint).
    void RepaintBuffer();
    bool BufferValid() const { return FBufferValid; }

protected:
    // Paints the whole buffer.
    virtual void DoPaintBuffer();
    // Draws on the widget after the buffer copy (the corner square, for example).
    virtual void PaintOverlay(QPainter& painter);
    // The viewport's device size changed (resize or a new pixel ratio).
    virtual void ViewportResized();
    // A change while updates are suspended only marks the buffer out of date.
    void Changed();

    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

    // Calls ViewportResized when the viewport's device size is not the one
    // last seen (a hidden widget gets its resize event only when shown).
    void CheckViewportSize();

private:
    // Reallocates the buffer when the viewport outgrew it or is more than 40
    // pixels smaller.
    void ResizeBuffer();

    TBitmap32 FBuffer;
    bool FBufferValid = false;
    int FUpdateCount = 0;
    int FLastViewportWidth = -1, FLastViewportHeight = -1;
};
