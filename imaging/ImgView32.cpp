#include "ImgView32.h"

#include <QPainter>
#include <QScrollBar>
#include <QSizeGrip>
#include <QStyle>

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

void TCustomImgView32::UpdateRanges()
{
    const TRect vp = GetViewportRect();
    FHorz.SetParams(DisplayedWidth(), vp.Width());
    FVert.SetParams(DisplayedHeight(), vp.Height());
    SyncBars();
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
    const int dw = DisplayedWidth(), dh = DisplayedHeight();
    if (FCentered && dw < vp.Width())
        FOffsetHorz = (vp.Width() - dw) / 2.0;
    else
        FOffsetHorz = -FHorz.Position();
    if (FCentered && dh < vp.Height())
        FOffsetVert = (vp.Height() - dh) / 2.0;
    else
        FOffsetVert = -FVert.Position();
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
        FHorz.SetPosition(x * Scale() - vp.Width() / 2.0);
        FVert.SetPosition(y * Scale() - vp.Height() / 2.0);
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
