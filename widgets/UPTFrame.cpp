#include "widgets/UPTFrame.h"

#include "widgets/FrameDrawing.h"
#include "widgets/SystemColors.h"

#include <QEvent>
#include <QFontMetrics>
#include <QPainter>

namespace {

constexpr int kCaptionInset = 8;
constexpr int kTextFlags = Qt::TextSingleLine | Qt::TextShowMnemonic;

int CaptionHeight(const QFont& font, const QString& caption)
{
    return caption.isEmpty() ? 2 : QFontMetrics(font).height();
}

} // namespace

void PaintGroupFrame(QPainter& p, const QRect& area, const TPTFrameLook& look)
{
    // R spans the area with its right and bottom pulled in by one.
    const int L = area.left(), T = area.top(), Rt = area.right(), B = area.bottom();
    if (look.Color.isValid()) p.fillRect(QRect(L, T, Rt + 1 - L, B + 1 - T), look.Color);

    const int h = CaptionHeight(look.Font, look.Caption);
    const int frameTop = T + h / 2 - 1;
    const QColor light = SysColor(TSysColor::BtnHighlight, look.Palette);
    const QColor shadow = SysColor(TSysColor::BtnShadow, look.Palette);
    // Two outlines one pixel apart give the etched line.
    DrawOutline(p, light, L + 1, frameTop + 1, Rt + 2, B + 2);
    DrawOutline(p, shadow, L, frameTop, Rt + 1, B + 1);

    if (look.Caption.isEmpty()) return;
    const QRect textRect(QPoint(L + kCaptionInset, T), QPoint(Rt - kCaptionInset - 1, T + h - 1));
    if (textRect.width() <= 0) return;
    const QFontMetrics fm(look.Font);
    const QString text = fm.elidedText(look.Caption, Qt::ElideRight, textRect.width(), kTextFlags);
    const int textWidth = std::min(textRect.width(), fm.size(kTextFlags, text).width());
    const QColor back = look.Color.isValid() ? look.Color : SysColor(TSysColor::BtnFace, look.Palette);
    p.setFont(look.Font);
    if (look.Enabled) {
        // An opaque background interrupts the frame line behind the caption.
        p.fillRect(QRect(textRect.left(), textRect.top(), textWidth, h), back);
        p.setPen(look.Palette.color(QPalette::WindowText));
        p.drawText(textRect, Qt::AlignLeft | Qt::AlignTop | kTextFlags, text);
    } else {
        const QRect raised = textRect.translated(1, 1);
        p.fillRect(QRect(raised.left(), raised.top(), textWidth, h), back);
        p.setPen(light);
        p.drawText(raised, Qt::AlignLeft | Qt::AlignTop | kTextFlags, text);
        p.setPen(shadow);
        p.drawText(textRect, Qt::AlignLeft | Qt::AlignTop | kTextFlags, text);
    }
}

void PaintStyleFrame(QPainter& p, const QRect& area, TPTFrameStyle style, const QPalette& pal)
{
    const int L = area.left(), T = area.top(), Rt = area.right(), B = area.bottom();
    const QColor shadow = SysColor(TSysColor::BtnShadow, pal);
    const QColor light = SysColor(TSysColor::BtnHighlight, pal);
    const QColor dark = SysColor(TSysColor::DkShadow3D, pal);
    const QColor face = SysColor(TSysColor::BtnFace, pal);

    auto fourLines = [&](const QColor& c1, const QColor& c2, const QColor& c3, const QColor& c4) {
        DrawPolyline(p, c1, {{L, B - 1}, {L, T}, {Rt, T}});
        DrawPolyline(p, c2, {{L + 1, B - 2}, {L + 1, T + 1}, {Rt - 1, T + 1}});
        DrawPolyline(p, c3, {{L + 1, B - 1}, {Rt - 1, B - 1}, {Rt - 1, T}});
        DrawPolyline(p, c4, {{L, B}, {Rt, B}, {Rt, T - 1}});
    };
    auto twoLines = [&](const QColor& c1, const QColor& c2) {
        DrawPolyline(p, c1, {{L, B - 1}, {L, T}, {Rt, T}});
        DrawPolyline(p, c2, {{L, B}, {Rt, B}, {Rt, T - 1}});
    };

    switch (style) {
    case TPTFrameStyle::ptfsNone:
    case TPTFrameStyle::ptfsGroup: break;
    case TPTFrameStyle::ptfsLowered: fourLines(shadow, dark, face, light); break;
    case TPTFrameStyle::ptfsRaised: fourLines(light, face, shadow, dark); break;
    case TPTFrameStyle::ptfsDint: twoLines(shadow, light); break;
    case TPTFrameStyle::ptfsBump: twoLines(light, shadow); break;
    case TPTFrameStyle::ptfsSingle:
        DrawOutline(p, SysColor(TSysColor::WindowFrame, pal), L, T, Rt + 1, B + 1);
        break;
    case TPTFrameStyle::ptfsHorzLine:
        DrawPolyline(p, shadow, {{L, T}, {Rt + 1, T}});
        DrawPolyline(p, light, {{L, T + 1}, {Rt + 1, T + 1}});
        break;
    case TPTFrameStyle::ptfsHorzEdge:
        DrawPolyline(p, shadow, {{L, T}, {Rt + 1, T}});
        DrawPolyline(p, shadow, {{L, B - 1}, {Rt + 1, B - 1}});
        DrawPolyline(p, light, {{L, T + 1}, {Rt + 1, T + 1}});
        DrawPolyline(p, light, {{L, B}, {Rt + 1, B}});
        break;
    case TPTFrameStyle::ptfsVertLine:
        DrawPolyline(p, shadow, {{L, T}, {L, B + 1}});
        DrawPolyline(p, light, {{L + 1, T}, {L + 1, B + 1}});
        break;
    case TPTFrameStyle::ptfsVertEdge:
        DrawPolyline(p, shadow, {{L, T}, {L, B + 1}});
        DrawPolyline(p, shadow, {{Rt - 1, T}, {Rt - 1, B + 1}});
        DrawPolyline(p, light, {{L + 1, T}, {L + 1, B + 1}});
        DrawPolyline(p, light, {{Rt, T}, {Rt, B + 1}});
        break;
    }
}

void PaintFrameCaption(QPainter& p, const QRect& area, const TPTFrameLook& look, Qt::Alignment align,
                       int frameSpace)
{
    if (look.Caption.isEmpty()) return;
    const QRect r = area.adjusted(frameSpace, 0, -frameSpace, 0);
    if (r.width() <= 0) return;
    const QFontMetrics fm(look.Font);
    const QString text = fm.elidedText(look.Caption, Qt::ElideRight, r.width(), kTextFlags);
    p.setFont(look.Font);
    p.setPen(look.Palette.color(look.Enabled ? QPalette::Active : QPalette::Disabled, QPalette::WindowText));
    p.drawText(r, (align & Qt::AlignHorizontal_Mask) | Qt::AlignVCenter | kTextFlags, text);
}

QMargins FrameInterior(TPTFrameStyle style, const QFont& font, const QString& caption)
{
    switch (style) {
    case TPTFrameStyle::ptfsNone: return {};
    case TPTFrameStyle::ptfsGroup: return {2, CaptionHeight(font, caption), 2, 2};
    case TPTFrameStyle::ptfsLowered:
    case TPTFrameStyle::ptfsRaised: return {2, 2, 2, 2};
    case TPTFrameStyle::ptfsDint:
    case TPTFrameStyle::ptfsBump:
    case TPTFrameStyle::ptfsSingle: return {1, 1, 1, 1};
    case TPTFrameStyle::ptfsHorzLine: return {0, 2, 0, 0};
    case TPTFrameStyle::ptfsHorzEdge: return {0, 2, 0, 2};
    case TPTFrameStyle::ptfsVertLine: return {2, 0, 0, 0};
    case TPTFrameStyle::ptfsVertEdge: return {2, 0, 2, 0};
    }
    return {};
}

// ---------------------------------------------------------------------------

TPTFrameBase::TPTFrameBase(TPTFrameStyle style, QWidget* parent) : QWidget(parent), FFrameStyle(style)
{
    FColor = SysColor(TSysColor::BtnFace, palette());
    resize(64, 48);
}

TPTFrameLook TPTFrameBase::Look() const
{
    TPTFrameLook look;
    look.Style = FFrameStyle;
    look.Caption = FCaption;
    look.Font = font();
    look.Color = FColor;
    look.Palette = palette();
    look.Enabled = isEnabled();
    return look;
}

void TPTFrameBase::SetAlignment(Qt::Alignment a)
{
    if (FAlignment == a) return;
    FAlignment = a;
    update();
}

void TPTFrameBase::SetDefaultDrawing(bool v)
{
    if (FDefaultDrawing == v) return;
    FDefaultDrawing = v;
    update();
}

void TPTFrameBase::SetFrameSpace(int v)
{
    if (FFrameSpace == v) return;
    FFrameSpace = v;
    update();
}

void TPTFrameBase::SetFrameStyle(TPTFrameStyle s)
{
    if (FFrameStyle == s) return;
    FFrameStyle = s;
    LookChanged(true);
}

void TPTFrameBase::SetCaption(const QString& s)
{
    if (FCaption == s) return;
    FCaption = s;
    LookChanged(false);
}

void TPTFrameBase::SetColor(const QColor& c)
{
    if (FColor == c) return;
    FColor = c;
    setAttribute(Qt::WA_OpaquePaintEvent, c.isValid() && FDefaultDrawing);
    LookChanged(false);
}

void TPTFrameBase::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange) LookChanged(false);
}

// ---------------------------------------------------------------------------

TPTFrame::TPTFrame(QWidget* parent) : TPTFrameBase(TPTFrameStyle::ptfsLowered, parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void TPTFrame::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const TPTFrameLook look = Look();
    if (look.Color.isValid() && DefaultDrawing()) p.fillRect(rect(), look.Color);
    if (FrameStyle() == TPTFrameStyle::ptfsGroup) {
        PaintGroupFrame(p, rect(), look);
        return;
    }
    PaintStyleFrame(p, rect(), FrameStyle(), look.Palette);
    if (DefaultDrawing()) PaintFrameCaption(p, rect(), look, Alignment(), FrameSpace());
    emit OnPaint(this, &p);
}

void TPTFrame::LookChanged(bool styleChanged)
{
    // Caption, colour and font changes leave the frame lines as they are.
    if (styleChanged) update();
    else update(InteriorRect());
}

// ---------------------------------------------------------------------------

TPTGroup::TPTGroup(QWidget* parent) : TPTFrameBase(TPTFrameStyle::ptfsGroup, parent)
{
    setContentsMargins(FrameInterior(FrameStyle(), font(), Caption()));
}

void TPTGroup::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const TPTFrameLook look = Look();
    const QRect client = contentsRect();
    if (FrameStyle() == TPTFrameStyle::ptfsGroup) {
        PaintGroupFrame(p, rect(), look);
    } else {
        if (look.Color.isValid() && DefaultDrawing()) p.fillRect(rect(), look.Color);
        PaintStyleFrame(p, rect(), FrameStyle(), look.Palette);
    }
    p.setClipRect(client);
    if (look.Color.isValid() && DefaultDrawing()) p.fillRect(client, look.Color);
    if (FrameStyle() != TPTFrameStyle::ptfsGroup && DefaultDrawing())
        PaintFrameCaption(p, client, look, Alignment(), FrameSpace());
    emit OnPaint(this, &p);
}

void TPTGroup::changeEvent(QEvent* event)
{
    TPTFrameBase::changeEvent(event);
    if (event->type() != QEvent::EnabledChange) return;
    const bool enabled = isEnabled();
    for (QObject* child : children()) {
        if (auto* w = qobject_cast<QWidget*>(child); w && !w->isWindow()) {
            w->setEnabled(enabled);
            w->update();
        }
    }
    LookChanged(false);
}

void TPTGroup::LookChanged(bool)
{
    setContentsMargins(FrameInterior(FrameStyle(), font(), Caption()));
    update();
}
