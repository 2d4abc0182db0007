#include "wizard/LiveBox.h"

#include "resources/StringTable.h"

#include <QPainter>
#include <QToolButton>

#include <algorithm>
#include <cstring>

namespace {

constexpr int kHideButtonSize = 16;
constexpr int kInset = 2; // inside the frame line

} // namespace

TLiveBox::TLiveBox(QWidget* parent) : QFrame(parent)
{
    setObjectName(QStringLiteral("LiveBox"));
    setFrameStyle(QFrame::Box | QFrame::Plain);
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Base);
    setFocusPolicy(Qt::NoFocus);
    setAccessibleName(LoadStr(StrId::PageLiveBoxName));
    setAccessibleDescription(LoadStr(StrId::PageLiveBoxInfo));
    setToolTip(LoadStr(StrId::PageLiveBoxInfo));
    btnLiveBoxHide = new QToolButton(this);
    btnLiveBoxHide->setObjectName(QStringLiteral("btnLiveBoxHide"));
    btnLiveBoxHide->setText(QStringLiteral("\u00D7"));
    btnLiveBoxHide->setAutoRaise(true);
    btnLiveBoxHide->setFocusPolicy(Qt::TabFocus);
    btnLiveBoxHide->setToolTip(LoadStr(StrId::PageLiveBoxHide));
    btnLiveBoxHide->setAccessibleName(LoadStr(StrId::PageLiveBoxHide));
    connect(btnLiveBoxHide, &QToolButton::clicked, this, &TLiveBox::HideRequested);
}

QSize TLiveBox::PictureSize() const
{
    const qreal ratio = devicePixelRatioF();
    const QSize inner = contentsRect().adjusted(kInset, kInset, -kInset, -kInset).size();
    return QSize(std::max(1, int(inner.width() * ratio)), std::max(1, int(inner.height() * ratio)));
}

void TLiveBox::SetPicture(const TBitmap32& frame)
{
    // The frame's words are 0xAARRGGBB with straight alpha, as QImage's ARGB32.
    QImage picture(frame.Width(), frame.Height(), QImage::Format_ARGB32);
    for (int y = 0; y < frame.Height(); ++y)
        std::memcpy(picture.scanLine(y), frame.ScanLine(y), std::size_t(frame.Width()) * sizeof(TColor32));
    picture.setDevicePixelRatio(devicePixelRatioF());
    FPicture = std::move(picture);
    FProblem.clear();
    setToolTip(LoadStr(StrId::PageLiveBoxInfo));
    ++FFramesShown;
    update();
}

void TLiveBox::SetProblem(const QString& text)
{
    FPicture = QImage();
    FProblem = text;
    setToolTip(text);
    update();
}

void TLiveBox::paintEvent(QPaintEvent* event)
{
    QFrame::paintEvent(event);
    QPainter painter(this);
    const QRect area = contentsRect().adjusted(kInset, kInset, -kInset, -kInset);
    if (!FPicture.isNull()) {
        const QSizeF shown = FPicture.deviceIndependentSize();
        const QPointF at(area.x() + (area.width() - shown.width()) / 2, area.y() + (area.height() - shown.height()) / 2);
        painter.drawImage(at, FPicture);
    } else if (!FProblem.isEmpty()) {
        painter.setPen(palette().color(QPalette::PlaceholderText));
        painter.drawText(area, Qt::AlignCenter | Qt::TextWordWrap, FProblem);
    }
}

void TLiveBox::resizeEvent(QResizeEvent* event)
{
    QFrame::resizeEvent(event);
    btnLiveBoxHide->setGeometry(width() - kHideButtonSize - 1, 1, kHideButtonSize, kHideButtonSize);
}
