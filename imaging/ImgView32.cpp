#include "ImgView32.h"

#include "RubberbandLayer.h"

#include <QPainter>
#include <QScrollBar>
#include <QSizeGrip>
#include <QStyle>

#include <algorithm>
#include <cmath>

TCustomImgView32::TCustomImgView32(QWidget* parent)
    : TCustomImage32(parent),
      FHorzBar(new QScrollBar(Qt::Horizontal, this)),
      FVertBar(new QScrollBar(Qt::Vertical, this)),
      FGrip(new QSizeGrip(this))
{
    SetScaleMode(smScale);
    SetBitmapAlign(baCustom);
    FGrip->hide();
    // A bar moved by the user; the other bar keeps its exact position.
    auto scrolled = [this](TRangeBarModel& model) {
        return [this, &model](int value) {
            if (FSyncing) return;
            model.SetPosition(value);
            UpdateOffsets();
            Changed();
        };
    };
    QObject::connect(FHorzBar, &QScrollBar::valueChanged, FHorzBar, scrolled(FHorz));
    QObject::connect(FVertBar, &QScrollBar::valueChanged, FVertBar, scrolled(FVert));
    LayoutBars();
    UpdateRanges();
}

void TCustomImgView32::SetCentered(bool centered)
{
    if (centered == FCentered) return;
    FCentered = centered;
    FHorz.Centering = FVert.Centering = centered;
    UpdateOffsets();
    Changed();
}

void TCustomImgView32::SetScrollBars(const TScrollBarSettings& settings)
{
    FScrollBars = settings;
    LayoutBars();
    UpdateRanges();
    UpdateOffsets();
    Changed();
}

void TCustomImgView32::SetSizeGrip(TSizeGripStyle style)
{
    FSizeGrip = style;
    LayoutBars();
    update();
}

void TCustomImgView32::ScrollTo(double horz, double vert)
{
    FHorz.SetPosition(horz);
    FVert.SetPosition(vert);
    SyncBars();
    UpdateOffsets();
    Changed();
}

int TCustomImgView32::StripSize() const
{
    return FScrollBars.Size > 0 ? FScrollBars.Size : style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
}

QRect TCustomImgView32::ViewportWidgetRect() const
{
    const int s = StripSize();
    return QRect(0, 0, std::max(0, width() - s), std::max(0, height() - s));
}

bool TCustomImgView32::FillsParents() const
{
    for (const QWidget* w = this; w && !w->isWindow(); w = w->parentWidget()) {
        const QWidget* p = w->parentWidget();
        if (!p || w->geometry() != QRect(QPoint(0, 0), p->size())) return false;
    }
    return true;
}

bool TCustomImgView32::GripShown() const
{
    return FSizeGrip == sgAlways || (FSizeGrip == sgAuto && FillsParents());
}

void TCustomImgView32::LayoutBars()
{
    const QRect vp = ViewportWidgetRect();
    FHorzBar->setGeometry(vp.left(), vp.bottom() + 1, vp.width(), height() - vp.height());
    FVertBar->setGeometry(vp.right() + 1, vp.top(), width() - vp.width(), vp.height());
    FGrip->setGeometry(vp.right() + 1, vp.bottom() + 1, width() - vp.width(), height() - vp.height());
    FGrip->setVisible(GripShown());
}

void TCustomImgView32::SetRangeCoversLayers(bool covers)
{
    if (covers == FCoversLayers) return;
    FCoversLayers = covers;
    // Scrolling must move the layers also when they are all there is.
    FLayersFollowEmptyImage = covers;
    InvalidateMapping();
    UpdateRanges();
    UpdateOffsets();
    Changed();
}

TCustomImgView32::TExtent TCustomImgView32::ContentExtent()
{
    const int dw = DisplayedWidth(), dh = DisplayedHeight();
    TExtent e{0, 0, dw, dh};
    if (!FCoversLayers) return e;
    // Layers placed on the image scale with it, as the mapping scales them.
    const TBitmap32& image = Bitmap();
    const TMappingRecord zoom = ComputeMapping(image.Width(), image.Height(), TRect{0, 0, dw, dh});
    const double zx = zoom.ZoomX / 65536.0, zy = zoom.ZoomY / 65536.0;
    TLayerCollection& layers = Layers();
    for (int i = 0; i < layers.Count(); ++i) {
        auto* layer = dynamic_cast<TPositionedLayer*>(layers.Items(i));
        if (!layer || !layer->Visible() || !layer->ScaledToView()) continue;
        const TRealRect& b = layer->Bounds();
        // A frame's handles stand out around its bounds.
        const auto* frame = dynamic_cast<TRubberbandLayer*>(layer);
        const double m = frame ? frame->HandleSize + 1 : 0;
        e.Left = std::min(e.Left, int(std::floor(b.Left * zx - m)));
        e.Top = std::min(e.Top, int(std::floor(b.Top * zy - m)));
        e.Right = std::max(e.Right, int(std::ceil(b.Right * zx + m)));
        e.Bottom = std::max(e.Bottom, int(std::ceil(b.Bottom * zy + m)));
    }
    return e;
}

void TCustomImgView32::UpdateRanges()
{
    const TRect vp = GetViewportRect();
    FExtent = ContentExtent();
    FHorz.SetParams(FExtent.Right - FExtent.Left, vp.Width());
    FVert.SetParams(FExtent.Bottom - FExtent.Top, vp.Height());
    SyncBars();
}

void TCustomImgView32::LayerExtentChanged()
{
    if (!FCoversLayers || Layers().CapturedLayer() || Layers().UpdateCount() > 0) return;
    const TExtent e = ContentExtent();
    if (e == FExtent) return;
    // The image's place on the screen, kept.
    const double horz = FOffsetHorz, vert = FOffsetVert;
    const TRect vp = GetViewportRect();
    FExtent = e;
    FHorz.SetParams(e.Right - e.Left, vp.Width());
    FVert.SetParams(e.Bottom - e.Top, vp.Height());
    FHorz.SetPosition(-horz - e.Left);
    FVert.SetPosition(-vert - e.Top);
    SyncBars();
    UpdateOffsets();
}

void TCustomImgView32::LayersChanged()
{
    LayerExtentChanged();
    TCustomImage32::LayersChanged();
}

void TCustomImgView32::LayerContentChanged()
{
    // Frames change without repainting the view; their handles count too.
    LayerExtentChanged();
    TCustomImage32::LayerContentChanged();
}

void TCustomImgView32::mouseReleaseEvent(QMouseEvent* event)
{
    TCustomImage32::mouseReleaseEvent(event);
    // A drag has ended: the range catches up with where it left the layer.
    if (FCoversLayers && !Layers().CapturedLayer()) {
        LayerExtentChanged();
        Changed();
    }
}

void TCustomImgView32::SyncBars()
{
    FSyncing = true;
    const auto sync = [this](QScrollBar* bar, const TRangeBarModel& model) {
        bar->setRange(0, int(std::ceil(model.MaxPosition())));
        bar->setPageStep(std::max(1, model.Window()));
        bar->setSingleStep(FScrollBars.Increment);
        bar->setValue(int(std::lround(model.Position())));
    };
    sync(FHorzBar, FHorz);
    sync(FVertBar, FVert);
    FSyncing = false;
}

void TCustomImgView32::UpdateOffsets()
{
    const TRect vp = GetViewportRect();
    // What fits is centred; otherwise the bars' position counts from the
    // extent's upper left (the image's, unless layers reach further).
    const int ew = FExtent.Right - FExtent.Left, eh = FExtent.Bottom - FExtent.Top;
    if (FCentered && ew < vp.Width())
        FOffsetHorz = (vp.Width() - ew) / 2.0 - FExtent.Left;
    else
        FOffsetHorz = -FHorz.Position() - FExtent.Left;
    if (FCentered && eh < vp.Height())
        FOffsetVert = (vp.Height() - eh) / 2.0 - FExtent.Top;
    else
        FOffsetVert = -FVert.Position() - FExtent.Top;
    TCustomImage32::UpdateOffsets();
}

void TCustomImgView32::ViewportResized()
{
    UpdateRanges();
    TCustomImage32::ViewportResized();
}

void TCustomImgView32::ScaleChanged()
{
    UpdateRanges();
    TCustomImage32::ScaleChanged();
}

void TCustomImgView32::BitmapResized()
{
    UpdateRanges();
    if (FCentered) {
        // Image point (W div 2, H div 2) comes to the middle of the viewport.
        const TRect vp = GetViewportRect();
        const double x = Bitmap().Width() / 2, y = Bitmap().Height() / 2;
        FHorz.SetPosition(x * Scale() - FExtent.Left - vp.Width() / 2.0);
        FVert.SetPosition(y * Scale() - FExtent.Top - vp.Height() / 2.0);
    } else {
        FHorz.SetPosition(0);
        FVert.SetPosition(0);
    }
    SyncBars();
    TCustomImage32::BitmapResized();
}

void TCustomImgView32::PaintOverlay(QPainter& painter)
{
    const QRect vp = ViewportWidgetRect();
    // The corner square between the bars; the grip, when shown, paints over it.
    painter.fillRect(QRect(vp.right() + 1, vp.bottom() + 1, width() - vp.width(), height() - vp.height()),
                     palette().color(QPalette::Button));
}

void TCustomImgView32::resizeEvent(QResizeEvent* event)
{
    LayoutBars();
    TCustomImage32::resizeEvent(event);
}

void TCustomImgView32::showEvent(QShowEvent* event)
{
    TCustomImage32::showEvent(event);
    LayoutBars();
}
