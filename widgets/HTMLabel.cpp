#include "widgets/HTMLabel.h"

#include "widgets/FrameDrawing.h"
#include "widgets/HTMLMarkup.h"
#include "widgets/SystemColors.h"

#include <QDesktopServices>
#include <QMouseEvent>
#include <QPainter>
#include <QUrl>

namespace {

constexpr int kAutoSizeMargin = 6;
constexpr int kUnboundedWidth = 1 << 20;

} // namespace

THTMLabel::THTMLabel(QWidget* parent) : QWidget(parent)
{
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void THTMLabel::SetHTMLText(const QStringList& lines)
{
    FHTMLText = lines;
    FPrepared = PrepareHTMLText(lines);
    FHoverAnchor = -1;
    FHoverHref.clear();
    Relayout();
}

void THTMLabel::SetImages(const TImageList* images)
{
    FImages = images;
    Relayout();
}

void THTMLabel::SetPictureContainer(const TPictureContainer* pictures)
{
    FPictures = pictures;
    Relayout();
}

QRect THTMLabel::TextRect() const
{
    int inset = FBorderWidth;
    if (FBevelOuter != TBevelCut::bvNone) inset += FBevelWidth;
    if (FBevelInner != TBevelCut::bvNone) inset += FBevelWidth;
    return rect().adjusted(inset, inset, -inset, -inset);
}

THTMLOptions THTMLabel::Options() const
{
    THTMLOptions o;
    o.Font = font();
    o.FontColor = palette().color(QPalette::WindowText);
    o.URLColor = FURLColor;
    o.ShadowColor = FShadowColor;
    o.ShadowOffset = FShadowOffset;
    o.WordWrap = FWordWrap;
    o.Ellipsis = FEllipsis;
    o.Hover = FHover;
    o.HoverColor = FHoverColor;
    o.HoverFontColor = FHoverFontColor;
    o.HoverAnchor = FHoverAnchor;
    o.Images = FImages;
    o.Pictures = FPictures;
    o.ImageScale = logicalDpiX() / 96.0;
    o.Palette = palette();
    o.Device = this;
    return o;
}

QSize THTMLabel::TextExtent() const
{
    const THTMLResult r = RenderHTML(FPrepared, TextRect(), Options(), THTMLPass::Measure);
    return QSize(r.Width, r.Height);
}

// The text rectangle moved down for centre and bottom alignment.
static QRect AlignedTextRect(const QRect& textRect, int textHeight, TVAlignment align)
{
    const int free = textRect.height() - textHeight;
    if (free <= 0 || align == TVAlignment::tvaTop) return textRect;
    const int dy = align == TVAlignment::tvaCenter ? free / 2 : free;
    return textRect.adjusted(0, dy, 0, 0);
}

void THTMLabel::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const QColor color = FColor.isValid() ? FColor : palette().color(QPalette::Window);
    p.fillRect(rect(), color);

    const QPalette& pal = palette();
    auto bevel = [&](QRect& r, TBevelCut cut) {
        if (cut == TBevelCut::bvNone) return;
        const QColor shadow = SysColor(TSysColor::BtnShadow, pal);
        const QColor light = SysColor(TSysColor::BtnHighlight, pal);
        if (cut == TBevelCut::bvLowered) Frame3D(p, r, shadow, light, FBevelWidth);
        else if (cut == TBevelCut::bvRaised) Frame3D(p, r, light, shadow, FBevelWidth);
        else Frame3D(p, r, color, color, FBevelWidth);
    };
    QRect r = rect();
    bevel(r, FBevelOuter);
    Frame3D(p, r, color, color, FBorderWidth);
    bevel(r, FBevelInner);
    if (FBorderStyle == TBorderStyle::bsSingle) {
        QRect outer = rect();
        Frame3D(p, outer, Qt::black, Qt::black, qMax(1, FBorderWidth));
    }
    p.fillRect(r, color);

    const THTMLOptions options = Options();
    QRect textRect = r;
    if (FVAlignment != TVAlignment::tvaTop)
        textRect = AlignedTextRect(r, RenderHTML(FPrepared, r, options, THTMLPass::Measure).Height, FVAlignment);
    p.setClipRect(r);
    RenderHTML(FPrepared, textRect, options, THTMLPass::Draw, &p);
}

THTMLAnchorBox THTMLabel::HitTest(const QPoint& pos) const
{
    const THTMLOptions options = Options();
    QRect textRect = TextRect();
    if (FVAlignment != TVAlignment::tvaTop)
        textRect = AlignedTextRect(textRect, RenderHTML(FPrepared, textRect, options, THTMLPass::Measure).Height,
                                   FVAlignment);
    const THTMLResult r = RenderHTML(FPrepared, textRect, options, THTMLPass::HitTest);
    for (const THTMLAnchorBox& a : r.Anchors)
        if (a.Box.contains(pos)) return a;
    return {};
}

QString THTMLabel::AnchorAt(const QPoint& pos) const
{
    return HitTest(pos).Href;
}

QSize THTMLabel::sizeHint() const
{
    const THTMLResult r = RenderHTML(FPrepared, QRect(0, 0, kUnboundedWidth, kUnboundedWidth), Options(),
                                     THTMLPass::Measure);
    const int inset = rect().width() - TextRect().width();
    return QSize(r.Width + inset + kAutoSizeMargin, r.Height + inset + kAutoSizeMargin);
}

void THTMLabel::Relayout()
{
    DoAutoSize();
    updateGeometry();
    update();
}

void THTMLabel::DoAutoSize()
{
    if (!FAutoSizing || FInAutoSize) return;
    FInAutoSize = true;
    QSize size = this->size();
    if (FAutoSizeType != TAutoSizeType::asVertical) {
        const THTMLResult r = RenderHTML(FPrepared, QRect(0, 0, kUnboundedWidth, kUnboundedWidth), Options(),
                                         THTMLPass::Measure);
        size.setWidth(r.Width + kAutoSizeMargin);
    }
    if (FAutoSizeType != TAutoSizeType::asHorizontal) {
        const QRect textRect = TextRect().adjusted(0, 0, size.width() - width(), 0);
        size.setHeight(RenderHTML(FPrepared, textRect, Options(), THTMLPass::Measure).Height + kAutoSizeMargin);
    }
    resize(size);
    FInAutoSize = false;
}

void THTMLabel::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    DoAutoSize();
}

void THTMLabel::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange || event->type() == QEvent::PaletteChange) Relayout();
}

void THTMLabel::SetHoverAnchor(const THTMLAnchorBox& hit)
{
    if (hit.Index == FHoverAnchor) return;
    const QString previous = FHoverHref;
    const bool wasOnAnchor = FHoverAnchor >= 0;
    FHoverAnchor = hit.Index;
    FHoverHref = hit.Href;
    if (hit.Index >= 0) {
        setCursor(Qt::PointingHandCursor);
        if (FAnchorHint) setToolTip(hit.Href);
        emit OnAnchorEnter(this, hit.Href);
    } else {
        unsetCursor();
        if (FAnchorHint) setToolTip(QString());
        if (wasOnAnchor) emit OnAnchorExit(this, previous);
    }
    if (FHover) update();
}

void THTMLabel::mouseMoveEvent(QMouseEvent* event)
{
    QWidget::mouseMoveEvent(event);
    SetHoverAnchor(HitTest(event->position().toPoint()));
}

void THTMLabel::leaveEvent(QEvent* event)
{
    QWidget::leaveEvent(event);
    SetHoverAnchor({});
}

void THTMLabel::mousePressEvent(QMouseEvent* event)
{
    QWidget::mousePressEvent(event);
    if (event->button() != Qt::LeftButton) return;
    const THTMLAnchorBox hit = HitTest(event->position().toPoint());
    if (hit.Index < 0) return;
    if (hit.Href.contains(QLatin1StringView("://")) || hit.Href.contains(QLatin1StringView("mailto:")))
        QDesktopServices::openUrl(QUrl(hit.Href));
    else
        emit OnAnchorClick(this, hit.Href);
}
