#include "widgets/HTMLEngine.h"

#include "widgets/HTMLMarkup.h"
#include "widgets/ImageList.h"
#include "widgets/SystemColors.h"

#include <QFileIconProvider>
#include <QFileInfo>
#include <QFontMetrics>
#include <QPainter>
#include <QPixmap>

#include <algorithm>

namespace {

constexpr int kTextFlags = Qt::AlignLeft | Qt::AlignBottom | Qt::TextSingleLine |
                           Qt::TextExpandTabs | Qt::TextShowMnemonic;
constexpr int kListIndent = 12;
constexpr int kMaxListLevel = 64;
constexpr int kMaxCoordinate = 32767;
constexpr int kMaxImageSide = 4096;

enum class TAlign { Left, Right, Center };

// Font, colours and styles in force; copied at the start of a line so that
// both passes over the line begin from the same state.
struct TRunState {
    QFont Font;
    QColor Color;
    QColor TextBg;  // invalid: transparent
    bool FontColorSet = false;

    int AnchorCount = 0;
    int Anchor = -1;
    QString Href;
    bool SavedUnderline = false;
    QColor SavedColor;

    bool Shadow = false;
    bool Hidden = false;
    bool Highlight = false;
    bool ErrorMark = false;
    bool Sub = false;
    bool Sup = false;
    bool Rotated = false;
    int Angle = 0;

    int ListLevel = 0;
    TAlign Align = TAlign::Left;
    int Indent = 0;
    QColor ParaBg;  // invalid: none
};

struct TLineInfo {
    qsizetype End = 0;
    int Indent = 0;  // where the line starts, from the left edge
    int Width = 0;   // from the line's start to its rightmost item
    int Height = 0;
    int SubDrop = 0;   // room below the baseline for subscripts
    int TextLift = 0;  // text raised to line up with an aligned image
    QColor ParaBg;     // paragraph background over the line, if any
};

struct TPicture {
    QPixmap Pixmap;
    QSize Size;
};

// Width of a run as drawn: "&&" shows one ampersand, a single "&" none.
int RunWidth(const QFontMetrics& fm, const QString& run)
{
    QString shown;
    shown.reserve(run.size());
    for (qsizetype i = 0; i < run.size(); ++i) {
        if (run[i] != QLatin1Char('&')) shown.append(run[i]);
        else if (++i < run.size()) shown.append(run[i]);
    }
    return fm.horizontalAdvance(shown);
}

int TextHeight(const QFontMetrics& fm)
{
    return fm.height() + std::max(0, fm.leading());
}

class TLineRenderer {
public:
    TLineRenderer(const QString& text, const QRect& rect, const THTMLOptions& opt, THTMLPass pass,
                  QPainter* painter)
        : FText(text), FRect(rect), FOpt(opt), FPass(pass), FPainter(pass == THTMLPass::Draw ? painter : nullptr)
    {
    }

    THTMLResult Run();

private:
    struct TLinePass;
    // One pass over a line. `measured` is null in the measuring pass.
    TLineInfo Pass(qsizetype pos, TRunState& st, const TLineInfo* measured, int shift, int y);
    // Each returns false when the line ends before the item (or, for a
    // line-ending tag, after it); `pos` moves past what was consumed.
    bool PlaceTag(TLinePass& lp, const THTMLTag& tag, qsizetype& pos, qsizetype next);
    bool PlaceImage(TLinePass& lp, const THTMLTag& tag);
    bool PlaceText(TLinePass& lp, qsizetype& pos, qsizetype limit);
    void PlaceBullet(TLinePass& lp);
    void ApplyTag(const THTMLTag& tag, TRunState& st) const;
    TPicture Picture(const THTMLTag& tag) const;
    void DrawRun(const QString& run, const TRunState& st, const QRect& box) const;
    void DrawErrorMark(int x, int bottom, int width) const;
    void FillBody(const THTMLTag& tag) const;
    QFontMetrics Metrics(const QFont& f) const { return FOpt.Device ? QFontMetrics(f, FOpt.Device) : QFontMetrics(f); }
    bool Collecting() const { return FPass != THTMLPass::Measure; }

    const QString& FText;
    const QRect FRect;
    const THTMLOptions& FOpt;
    const THTMLPass FPass;
    QPainter* const FPainter;
    THTMLResult FResult;
};

THTMLResult TLineRenderer::Run()
{
    TRunState st;
    st.Font = FOpt.Font;
    st.Color = FOpt.FontColor;

    if (FText.isEmpty()) {
        FResult.Height = TextHeight(Metrics(st.Font));
        return FResult;
    }

    const int bottom = FRect.top() + FRect.height();
    int y = FRect.top();
    qsizetype pos = 0;
    while (pos < FText.size()) {
        if (FPass != THTMLPass::Measure && y >= bottom) break;

        const TRunState atStart = st;
        TRunState measuring = atStart;
        const TLineInfo line = Pass(pos, measuring, nullptr, 0, y);

        // The alignment is the one in force once the line's mark-up is read.
        const int free = std::max(0, FRect.width() - line.Indent - line.Width);
        int shift = 0;
        if (measuring.Align == TAlign::Right) shift = free;
        else if (measuring.Align == TAlign::Center) shift = free / 2;

        if (FPainter) {
            if (line.ParaBg.isValid())
                FPainter->fillRect(QRect(FRect.left(), y, FRect.width(), line.Height), line.ParaBg);
        }
        if (Collecting()) {
            st = atStart;
            Pass(pos, st, &line, shift, y);
        } else {
            st = measuring;
        }

        FResult.Width = std::max(FResult.Width, line.Width + line.Indent);
        FResult.Height += line.Height;
        ++FResult.Lines;
        y += line.Height;
        pos = std::max(line.End, pos + 1);
    }
    return FResult;
}

// The state of one pass over one line.
struct TLineRenderer::TLinePass {
    TLinePass(TRunState& st, const TLineInfo* measured, int shift, int y, bool collecting, QPainter* painter,
              int lineStart)
        : St(st), Measured(measured), Shift(shift), Y(y), Measuring(measured == nullptr),
          Collect(measured != nullptr && collecting), Painter(measured ? painter : nullptr), LineStart(lineStart),
          X(lineStart), ParaBg(st.ParaBg)
    {
    }

    TRunState& St;
    const TLineInfo* Measured;  // null while measuring
    int Shift;                  // alignment offset, drawing only
    int Y;
    bool Measuring;
    bool Collect;        // anchors are recorded
    QPainter* Painter;   // null unless drawing
    int LineStart;
    int X;
    QColor ParaBg;
    int Items = 0;       // text runs, images and bullets placed
    int MaxText = 0, SupExtra = 0, SubExtra = 0, MaxImage = 0;
    enum { NoLift, HalfLift, FullLift } Lift = NoLift;

    int LineBottom() const { return Y + (Measuring ? 0 : Measured->Height); }
    int BaseBottom() const { return LineBottom() - (Measuring ? 0 : Measured->SubDrop + Measured->TextLift); }
};

TLineInfo TLineRenderer::Pass(qsizetype pos, TRunState& st, const TLineInfo* measured, int shift, int y)
{
    TLinePass lp(st, measured, shift, y, Collecting(), FPainter, FRect.left() + st.Indent);
    const qsizetype limit = lp.Measuring ? FText.size() : measured->End;
    const int ghHeight = TextHeight(Metrics(st.Font));

    while (pos < limit) {
        const qsizetype close = FText[pos] == QLatin1Char('<') ? FText.indexOf(QLatin1Char('>'), pos) : -1;
        if (close > pos) {
            if (!PlaceTag(lp, ParseHTMLTag(FText.mid(pos + 1, close - pos - 1)), pos, close + 1)) break;
            continue;
        }
        if (!PlaceText(lp, pos, limit)) break;
    }

    TLineInfo info;
    info.End = pos;
    info.Indent = lp.LineStart - FRect.left();
    info.ParaBg = lp.ParaBg;
    info.Width = lp.X - lp.LineStart;
    info.Height = std::max(std::max(ghHeight, lp.MaxText + lp.SupExtra + lp.SubExtra), lp.MaxImage);
    info.SubDrop = lp.SubExtra;
    if (lp.Lift == TLinePass::FullLift) info.TextLift = info.Height - ghHeight;
    else if (lp.Lift == TLinePass::HalfLift) info.TextLift = (info.Height - ghHeight) / 2;
    return info;
}

bool TLineRenderer::PlaceTag(TLinePass& lp, const THTMLTag& tag, qsizetype& pos, qsizetype next)
{
    TRunState& st = lp.St;
    const QString& name = tag.Name;
    auto is = [&](const char* s) { return name == QLatin1StringView(s); };

    if (is("BR") || is("HR") || is("/P")) {
        if (is("/P")) st.ParaBg = QColor();
        if (lp.Painter && is("HR"))
            lp.Painter->fillRect(QRect(FRect.left(), lp.LineBottom() + 1, FRect.width(), 1), Qt::black);
        pos = next;
        return false;
    }
    if (is("IMG")) {
        if (!PlaceImage(lp, tag)) return false;  // starts the next line
    } else if (is("LI")) {
        PlaceBullet(lp);
    } else if (is("IND")) {
        if (auto v = tag.Int(QStringLiteral("X"), 0, kMaxCoordinate)) lp.X = std::max(lp.X, FRect.left() + *v);
    } else if (is("BODY")) {
        if (lp.Painter) FillBody(tag);
    } else {
        ApplyTag(tag, st);
        if (!lp.ParaBg.isValid()) lp.ParaBg = st.ParaBg;
        // A paragraph opened before anything is placed indents this line already.
        if (is("P") && lp.Items == 0) lp.X = lp.LineStart = FRect.left() + st.Indent;
    }
    pos = next;
    return true;
}

bool TLineRenderer::PlaceImage(TLinePass& lp, const THTMLTag& tag)
{
    const TPicture pic = Picture(tag);
    const int w = pic.Size.width();
    if (w > 0) {
        if (lp.Measuring && lp.Items > 0 && lp.X + w > FRect.left() + FRect.width()) return false;
        const QRect box(lp.X + lp.Shift, lp.LineBottom() - pic.Size.height(), w, pic.Size.height());
        if (lp.Painter && !pic.Pixmap.isNull()) lp.Painter->drawPixmap(box, pic.Pixmap);
        if (lp.Collect && lp.St.Anchor >= 0) FResult.Anchors.append({lp.St.Anchor, lp.St.Href, box});
        lp.X += w;
        lp.MaxImage = std::max(lp.MaxImage, pic.Size.height());
        ++lp.Items;
    }
    // Only a quoted value lines the text up with the image.
    if (const THTMLTag::Attribute* a = tag.Find(QStringLiteral("ALIGN")); a && a->Quoted) {
        if (a->Value.compare(QLatin1StringView("TOP"), Qt::CaseInsensitive) == 0) lp.Lift = TLinePass::FullLift;
        else if (a->Value.compare(QLatin1StringView("MIDDLE"), Qt::CaseInsensitive) == 0 &&
                 lp.Lift == TLinePass::NoLift)
            lp.Lift = TLinePass::HalfLift;
    }
    return true;
}

void TLineRenderer::PlaceBullet(TLinePass& lp)
{
    const TRunState& st = lp.St;
    lp.X = std::max(lp.X, lp.LineStart + kListIndent * st.ListLevel);
    QFont symbol = st.Font;
    symbol.setFamily(QStringLiteral("Symbol"));
    const QString bullet = (st.ListLevel % 2 == 1) ? QString(QChar(0x2022)) : QStringLiteral("o");
    const QFontMetrics fm = Metrics(symbol);
    const int th = TextHeight(fm);
    const int w = fm.horizontalAdvance(bullet) + Metrics(st.Font).horizontalAdvance(QLatin1Char(' '));
    if (lp.Painter && !st.Hidden) {
        lp.Painter->setFont(symbol);
        lp.Painter->setPen(st.Color);
        lp.Painter->drawText(QRect(lp.X + lp.Shift, lp.BaseBottom() - th, w, th), kTextFlags, bullet);
    }
    lp.MaxText = std::max(lp.MaxText, th);
    lp.X += w;
    ++lp.Items;
}

bool TLineRenderer::PlaceText(TLinePass& lp, qsizetype& pos, qsizetype limit)
{
    const TRunState& st = lp.St;
    const int right = FRect.left() + FRect.width();
    // A run reaches up to the next tag or, when wrapping, up to and including the next space.
    qsizetype end = FText.indexOf(QLatin1Char('<'), pos + 1);
    if (end < 0 || end > limit) end = limit;
    if (FOpt.WordWrap) {
        const qsizetype space = FText.indexOf(QLatin1Char(' '), pos);
        if (space >= 0 && space < end) end = space + 1;
    }
    if (st.Hidden) {
        pos = end;
        return true;
    }
    QString run = DecodeRunEntities(FText.mid(pos, end - pos));
    const QFontMetrics fm = Metrics(st.Font);
    int w = RunWidth(fm, run);
    // A word with its trailing space must fit, unless the line is still empty.
    if (lp.Measuring && FOpt.WordWrap && lp.Items > 0 && lp.X + w > right) return false;
    if (FOpt.Ellipsis && lp.X + w > right) {
        run = fm.elidedText(run, Qt::ElideRight, std::max(0, right - lp.X));
        w = RunWidth(fm, run);
    }
    const int th = TextHeight(fm);
    lp.MaxText = std::max(lp.MaxText, th);
    if (st.Sup) lp.SupExtra = std::max(lp.SupExtra, th / 4);
    if (st.Sub) lp.SubExtra = std::max(lp.SubExtra, th / 4);

    if (lp.Collect) {
        int bottom = lp.BaseBottom();
        if (st.Sub) bottom += th / 4;
        if (st.Sup) bottom -= th / 4;
        const QRect box(lp.X + lp.Shift, bottom - th, w, th);
        if (lp.Painter) DrawRun(run, st, box);
        if (st.Anchor >= 0) FResult.Anchors.append({st.Anchor, st.Href, box});
    }
    lp.X += w;
    ++lp.Items;
    pos = end;
    return true;
}

void TLineRenderer::ApplyTag(const THTMLTag& tag, TRunState& st) const
{
    const QString& n = tag.Name;
    auto is = [&](const char* s) { return n == QLatin1StringView(s); };

    if (is("B")) st.Font.setBold(true);
    else if (is("/B")) st.Font.setBold(false);
    else if (is("I")) st.Font.setItalic(true);
    else if (is("/I")) st.Font.setItalic(false);
    else if (is("U")) st.Font.setUnderline(true);
    else if (is("/U")) st.Font.setUnderline(false);
    else if (is("S")) st.Font.setStrikeOut(true);
    else if (is("/S")) st.Font.setStrikeOut(false);
    else if (is("P")) {
        const QString align = tag.Value(QStringLiteral("ALIGN")).toUpper();
        if (align == QLatin1StringView("RIGHT")) st.Align = TAlign::Right;
        else if (align == QLatin1StringView("LEFT")) st.Align = TAlign::Left;
        else if (align == QLatin1StringView("CENTER")) st.Align = TAlign::Center;
        if (auto v = tag.Int(QStringLiteral("INDENT"), 0, kMaxCoordinate)) st.Indent = *v;
        if (auto c = ParseHTMLColor(tag.Value(QStringLiteral("BGCOLOR")), FOpt.Palette)) st.ParaBg = *c;
    } else if (is("FONT")) {
        if (const QString face = tag.Value(QStringLiteral("FACE")); !face.isEmpty()) st.Font.setFamily(face);
        if (auto c = ParseHTMLColor(tag.Value(QStringLiteral("COLOR")), FOpt.Palette)) {
            st.Color = *c;
            st.FontColorSet = true;
        }
        if (auto c = ParseHTMLColor(tag.Value(QStringLiteral("BGCOLOR")), FOpt.Palette)) st.TextBg = *c;
        if (auto size = tag.Int(QStringLiteral("SIZE"), 1, 500)) {
            static constexpr int kSizes[] = {8, 10, 12, 14, 16};
            st.Font.setPointSize(*size <= 5 ? kSizes[*size - 1] : *size);
        }
    } else if (is("/FONT")) {
        st.Font.setFamily(FOpt.Font.family());
        if (FOpt.Font.pointSizeF() > 0) st.Font.setPointSizeF(FOpt.Font.pointSizeF());
        else st.Font.setPixelSize(FOpt.Font.pixelSize());
        st.Color = FOpt.FontColor;
        st.FontColorSet = false;
        st.TextBg = QColor();
    } else if (is("A")) {
        st.SavedUnderline = st.Font.underline();
        st.SavedColor = st.Color;
        st.Font.setUnderline(true);
        // No URL colour (invalid) leaves the text colour as it is.
        if (!st.FontColorSet && FOpt.URLColor.isValid()) st.Color = FOpt.URLColor;
        st.Anchor = st.AnchorCount++;
        st.Href = tag.Value(QStringLiteral("HREF"));
    } else if (is("/A")) {
        if (st.Anchor >= 0) {
            st.Font.setUnderline(st.SavedUnderline);
            st.Color = st.SavedColor;
        }
        st.Anchor = -1;
        st.Href.clear();
    } else if (is("UL")) st.ListLevel = std::min(st.ListLevel + 1, kMaxListLevel);
    else if (is("/UL")) st.ListLevel = std::max(st.ListLevel - 1, 0);
    else if (is("SUB")) st.Sub = true;
    else if (is("/SUB")) st.Sub = false;
    else if (is("SUP")) st.Sup = true;
    else if (is("/SUP")) st.Sup = false;
    else if (is("SHAD")) st.Shadow = true;
    else if (is("/SHAD")) st.Shadow = false;
    else if (is("HI")) st.Highlight = true;
    else if (is("/HI")) st.Highlight = false;
    else if (is("E")) st.ErrorMark = true;
    else if (is("/E")) st.ErrorMark = false;
    else if (is("Z")) st.Hidden = true;
    else if (is("/Z")) st.Hidden = false;
    else if (is("R")) {
        if (auto a = tag.Int(QStringLiteral("A"), -360, 360)) {
            st.Rotated = true;
            st.Angle = *a;
        }
    } else if (is("/R")) st.Rotated = false;
    // Unknown tags are ignored.
}

TPicture TLineRenderer::Picture(const THTMLTag& tag) const
{
    TPicture pic;
    const QString src = tag.Value(QStringLiteral("SRC"));
    const QString upper = src.toUpper();
    if (upper.startsWith(QLatin1StringView("IDX:"))) {
        bool ok = false;
        const int n = src.mid(4).trimmed().toInt(&ok);
        if (ok && FOpt.Images && n >= 0 && n < FOpt.Images->Count()) {
            pic.Pixmap = FOpt.Images->Image(n);
            const QSize s = FOpt.Images->ImageSize();
            pic.Size = QSize(int(s.width() * FOpt.ImageScale), int(s.height() * FOpt.ImageScale));
        }
        return pic;  // idx: sources are never stretched
    }
    if (upper.startsWith(QLatin1StringView("SSYS:")) || upper.startsWith(QLatin1StringView("LSYS:"))) {
        const int side = upper.startsWith(QLatin1Char('S')) ? 16 : 32;
        const QIcon icon = QFileIconProvider().icon(QFileInfo(src.mid(5)));
        pic.Pixmap = icon.pixmap(side, side);
        if (!pic.Pixmap.isNull()) pic.Size = QSize(side, side);
    } else if (!src.contains(QLatin1Char(':')) && FOpt.Pictures) {
        if (const QPixmap* p = FOpt.Pictures->Find(src)) {
            pic.Pixmap = *p;
            pic.Size = p->size();
        }
    }
    // Pictures named by URL are not fetched: they take no room.
    const auto w = tag.Int(QStringLiteral("WIDTH"), 0, kMaxImageSide);
    const auto h = tag.Int(QStringLiteral("HEIGHT"), 0, kMaxImageSide);
    if (!pic.Pixmap.isNull() && w && h && *w > 0 && *h > 0) pic.Size = QSize(*w, *h);
    return pic;
}

void TLineRenderer::DrawRun(const QString& run, const TRunState& st, const QRect& box) const
{
    QColor color = st.Color;
    QColor bg = st.TextBg;
    if (st.Highlight) {
        color = SysColor(TSysColor::HighlightText, FOpt.Palette);
        bg = SysColor(TSysColor::Highlight, FOpt.Palette);
    }
    if (FOpt.Hover && st.Anchor >= 0 && st.Anchor == FOpt.HoverAnchor) {
        if (FOpt.HoverColor.isValid()) bg = FOpt.HoverColor;
        if (FOpt.HoverFontColor.isValid()) color = FOpt.HoverFontColor;
    }

    QPainter& p = *FPainter;
    p.setFont(st.Font);
    auto draw = [&](const QRect& r, const QColor& c) {
        p.setPen(c);
        if (!st.Rotated || st.Angle == 0) {
            p.drawText(r, kTextFlags, run);
            return;
        }
        p.save();
        p.translate(r.left(), r.bottom() + 1);
        p.rotate(-st.Angle);  // counter-clockwise, as text escapement turns
        p.drawText(QRect(0, -r.height(), r.width(), r.height()), kTextFlags, run);
        p.restore();
    };
    if (bg.isValid()) p.fillRect(box, bg);
    if (st.Shadow)
        draw(box.translated(FOpt.ShadowOffset, FOpt.ShadowOffset),
             FOpt.ShadowColor.isValid() ? FOpt.ShadowColor : color);
    draw(box, color);
    if (st.ErrorMark) DrawErrorMark(box.left(), box.bottom(), box.width());
}

void TLineRenderer::DrawErrorMark(int x, int bottom, int width) const
{
    QPainter& p = *FPainter;
    p.save();
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(QPen(QColor(255, 0, 0), 0));
    QPolygon zigzag;
    for (int i = 0; i <= width; i += 2) zigzag << QPoint(x + i, (i / 2) % 2 ? bottom - 2 : bottom);
    p.drawPolyline(zigzag);
    p.restore();
}

void TLineRenderer::FillBody(const THTMLTag& tag) const
{
    if (auto c = ParseHTMLColor(tag.Value(QStringLiteral("BGCOLOR")), FOpt.Palette)) FPainter->fillRect(FRect, *c);
    const QString name = tag.Value(QStringLiteral("BACKGROUND"));
    if (!name.isEmpty() && FOpt.Pictures)
        if (const QPixmap* p = FOpt.Pictures->Find(name); p && !p->isNull()) FPainter->drawTiledPixmap(FRect, *p);
}

} // namespace

int HTMLTextHeight(const QFont& font, const QPaintDevice* device)
{
    return TextHeight(device ? QFontMetrics(font, device) : QFontMetrics(font));
}

THTMLResult RenderHTML(const QString& text, const QRect& rect, const THTMLOptions& options, THTMLPass pass,
                       QPainter* painter)
{
    return TLineRenderer(text, rect, options, pass, painter).Run();
}
