#include "editing/TextLayer.h"

#include "codecs/PixelBuffer.h"
#include "editing/TextCoverage.h"
#include "imaging/MeasureCanvas.h"
#include "render/LayerUtils.h"
#include "resources/StringTable.h"

#include <QGlyphRun>
#include <QImage>
#include <QPainter>
#include <QRawFont>
#include <QTextLayout>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

namespace {

// The large surface is drawn in bands of about this size, small enough to
// stay in the processor's cache while it is drawn and reduced.
constexpr std::int64_t kBandBytes = 1 << 20;

// Part of an image of size (w, h) placed at (x, y) that lands on T, in the
// image's own coordinates; empty when nothing does.
struct TWindow {
    int Left = 0, Top = 0, Right = 0, Bottom = 0;
    bool IsEmpty() const { return Right <= Left || Bottom <= Top; }
    int Width() const { return Right - Left; }
    int Height() const { return Bottom - Top; }
};

TWindow VisiblePart(const TBitmap32& T, int x, int y, int w, int h)
{
    TWindow r;
    r.Left = int(std::max<std::int64_t>(0, -std::int64_t(x)));
    r.Top = int(std::max<std::int64_t>(0, -std::int64_t(y)));
    r.Right = int(std::clamp<std::int64_t>(std::int64_t(T.Width()) - x, 0, w));
    r.Bottom = int(std::clamp<std::int64_t>(std::int64_t(T.Height()) - y, 0, h));
    return r;
}

// A cleared premultiplied surface: white drawn on it with coverage c gives
// c in every byte, so the low (blue) byte is the coverage.
QImage TextSurface(int w, int h)
{
    QImage surface(w, h, QImage::Format_ARGB32_Premultiplied);
    if (surface.isNull()) throw EBitmapError(CantAllocateText(w, h));
    surface.fill(0);
    return surface;
}

// Draws the text in white with its cell's upper left at (-dx, -dy).
void DrawWhiteText(QImage& surface, const QFont& font, int ascent, int dx, int dy, const QString& text)
{
    QPainter p(&surface);
    p.setFont(font);
    p.setPen(Qt::white);
    p.translate(-dx, -dy);
    p.drawText(QPoint(0, ascent), text);
}

QFont EnlargedFont(const QFont& font, int n)
{
    QFont big = font;
    if (font.pointSizeF() > 0)
        big.setPointSizeF(font.pointSizeF() * n);
    else if (font.pixelSize() > 0)
        big.setPixelSize(font.pixelSize() * n);
    return big;
}

// Level 0: the platform's own text output; the low byte of each drawn pixel
// becomes the alpha.
void RenderPlain(const TBitmap32& T, int X, int Y, const QString& text, TColor32 rgb, TBitmap32& M,
                 TWindow& win)
{
    const TBitmap32::TSize ext = T.TextExtent(text + QLatin1Char(' '));
    win = VisiblePart(T, X, Y, ext.cx, ext.cy);
    if (win.IsEmpty()) return;
    QImage surface = TextSurface(win.Width(), win.Height());
    DrawWhiteText(surface, T.Font(), QFontMetrics(T.Font(), &surface).ascent(), win.Left, win.Top, text);
    M.SetSize(win.Width(), win.Height());
    for (int y = 0; y < win.Height(); ++y) {
        const TColor32* s = reinterpret_cast<const TColor32*>(surface.constScanLine(y));
        TColor32* d = M.ScanLine(y);
        for (int x = 0; x < win.Width(); ++x) d[x] = s[x] != 0 ? (s[x] << 24) + rgb : 0;
    }
}

// Boxes of the glyphs of the text laid out as one line, where drawing the
// text with its cell's upper left at (0, 0) puts them. Empty when the text is
// not laid out as one line; the caller then has only the text's own box.
std::vector<QRectF> GlyphBoxes(const QString& text, const QFont& font, QPaintDevice* device, int ascent)
{
    std::vector<QRectF> boxes;
    QTextLayout layout(text, font, device);
    layout.beginLayout();
    const QTextLine line = layout.createLine();
    const bool oneLine = line.isValid() && !layout.createLine().isValid();
    layout.endLayout();
    if (!oneLine) return boxes;
    const QPointF shift(0, ascent - line.ascent());
    for (const QGlyphRun& run : layout.glyphRuns()) {
        const QRawFont raw = run.rawFont();
        const QList<quint32> glyphs = run.glyphIndexes();
        const QList<QPointF> positions = run.positions();
        for (qsizetype i = 0; i < glyphs.size() && i < positions.size(); ++i)
            boxes.push_back(raw.boundingRect(glyphs[i]).translated(positions[i] + shift));
    }
    return boxes;
}

// Level 1..4: the text at N times the size, each N x N block averaged into
// one pixel of M. Only the part of M that lands on T is made, in bands of
// whole blocks, and in each band only the rows where its glyphs (or the
// line's decorations) are; the rest has no coverage. Every band draws the
// whole text, moved, so each pixel is exactly what drawing the text whole
// would give.
void RenderSupersampled(const TBitmap32& T, int X, int Y, const QString& text, int level, TColor32 rgb,
                        TBitmap32& M, TWindow& win)
{
    const int n = 1 << level;
    TMeasureCanvasLock canvas;
    const QFont big = EnlargedFont(T.Font(), n);
    canvas->SetFont(big);
    TMeasureCanvas::TExtent ext = canvas->TextExtent(text + QLatin1Char(' '));
    ext.cx = std::max(ext.cx, 0);
    ext.cx = int(std::min<std::int64_t>(((std::int64_t(ext.cx) >> level) + 1) << level, INT32_MAX));
    win = VisiblePart(T, X, Y, ext.cx >> level, ext.cy >> level);
    if (win.IsEmpty()) return;
    M.SetSize(win.Width(), win.Height());
    M.Clear(rgb); // no coverage

    const QFontMetrics fm = canvas->Metrics();
    const int ascent = fm.ascent();
    std::vector<QRectF> boxes = GlyphBoxes(text, big, canvas->Device(), ascent);
    // Without the glyphs' boxes every row and column may carry ink. So it
    // may with underline, strike-out or overline: they run along the whole
    // line, under the spaces too, where the font and the platform put them.
    if (boxes.empty() || big.underline() || big.strikeOut() || big.overline())
        boxes.push_back(QRectF(0, 0, ext.cx, ext.cy));
    // A margin for rounding in the glyphs' boxes and the platform's smoothing.
    const double margin = n + 2;
    // The blocks of rows [top, bottom) that the boxes meeting columns
    // [left, right) of the large text may cover, within the window.
    auto inkRows = [&](double left, double right, int& top, int& bottom) {
        double t = 0, b = 0;
        bool any = false;
        for (const QRectF& box : boxes) {
            if (box.right() + margin <= left || box.left() - margin >= right) continue;
            t = any ? std::min(t, box.top()) : box.top();
            b = any ? std::max(b, box.bottom()) : box.bottom();
            any = true;
        }
        if (!any) return top = bottom = 0, void();
        top = int(std::clamp(std::floor((t - margin) / n), double(win.Top), double(win.Bottom)));
        bottom = int(std::clamp(std::ceil((b + margin) / n), double(top), double(win.Bottom)));
    };
    int rowsTop = 0, rowsBottom = 0;
    inkRows(double(win.Left) * n, double(win.Right) * n, rowsTop, rowsBottom);
    if (rowsBottom <= rowsTop) return;

    const int maxRows = (rowsBottom - rowsTop) << level;
    const int blocks = win.Width();
    const std::int64_t fit = kBandBytes / (std::int64_t(maxRows) * 4) >> level;
    const int bandBlocks = int(std::clamp<std::int64_t>(fit, 1, blocks));
    QImage band = TextSurface(bandBlocks << level, maxRows);
    std::vector<std::uint16_t> colSums(std::size_t(bandBlocks) << level);
    const TCoverageRowFn reduce = ActiveCoverageReducer().ReduceRow;
    const std::ptrdiff_t stride = band.bytesPerLine() / 4;

    for (int b0 = win.Left; b0 < win.Right; b0 += bandBlocks) {
        const int count = std::min(bandBlocks, win.Right - b0);
        int top = 0, bottom = 0;
        inkRows(double(b0) * n, double(b0 + count) * n, top, bottom);
        if (bottom <= top) continue;
        // The band's first rows, as an image of just those rows.
        QImage rows(band.bits(), band.width(), (bottom - top) << level, band.bytesPerLine(),
                    QImage::Format_ARGB32_Premultiplied);
        rows.fill(0);
        DrawWhiteText(rows, big, ascent, b0 << level, top << level, text);
        const TColor32* src = reinterpret_cast<const TColor32*>(band.constBits());
        for (int by = top; by < bottom; ++by)
            reduce(src + (std::ptrdiff_t(by - top) << level) * stride, stride, count, level, rgb,
                   M.ScanLine(by - win.Top) + (b0 - win.Left), colSums.data());
    }
}

} // namespace

int SmoothTextLevel(int qualityItem)
{
    return std::clamp(std::abs(qualityItem - 4), 0, MaxSmoothTextLevel);
}

void DrawSmoothText(TBitmap32& T, int X, int Y, const QString& Text, int Level, TColor32 Color)
{
    if (T.IsEmpty()) return;
    const TColor32 alpha = Color >> 24;
    const TColor32 rgb = Color & 0x00FFFFFFu;
    Level = std::clamp(Level, 0, MaxSmoothTextLevel);

    TBitmap32 M;
    TWindow win;
    if (Level > 0)
        RenderSupersampled(T, X, Y, Text, Level, rgb, M, win);
    else
        RenderPlain(T, X, Y, Text, rgb, M, win);
    if (M.IsEmpty()) return;
    M.DrawMode = dmBlend;
    M.MasterAlpha = alpha;
    T.DrawAt(X + win.Left, Y + win.Top, M);
}

void DarkeningCombine(TColor32 F, TColor32& B, TColor32)
{
    if (F == clWhite32) return;
    if (F == clBlack32)
        B = F;
    else
        B = MinChannels(F, B);
}

void LighteningCombine(TColor32 F, TColor32& B, TColor32)
{
    if (F == clBlack32) return;
    if (GreyLevel(F) >= 35)
        B = F;
    else
        B = MaxChannels(F, B);
}

TColor32 TextLayerBackground(TColor32 textColor)
{
    return textColor == clBlack32 ? clWhite32 : clBlack32;
}

TPixelCombineEvent TextLayerCombine(TColor32 background)
{
    if (background == clBlack32) return LighteningCombine;
    return DarkeningCombine;
}

TBitmap32::TSize TextLayerSize(const QString& text, const QFont& font)
{
    TMeasureCanvasLock canvas;
    canvas->SetFont(font);
    const TMeasureCanvas::TExtent e = canvas->TextExtent(text);
    return TBitmap32::TSize{e.cx, e.cy};
}

bool TextLayerFits(const TBitmap32::TSize& size)
{
    return TImageLimits{}.Allows(size.cx, size.cy);
}

TBitmapTextLayer* AddTextLayerFrom(TCustomImage32* View, const TTextLayerChoice& Choice)
{
    const TBitmap32::TSize size = TextLayerSize(Choice.Text, Choice.Font);
    if (!TextLayerFits(size)) return nullptr;
    const TColor32 color = Choice.TextColor | 0xFF000000u;
    const TColor32 background = TextLayerBackground(color);
    TBitmapTextLayer* layer = AddTextLayer(View, size.cx, size.cy, true, background);
    if (!layer) return nullptr;
    try {
        TBitmap32& bitmap = layer->Bitmap();
        bitmap.SetFont(Choice.Font, QColor::fromRgb(color));
        layer->TextColor = color;
        DrawSmoothText(bitmap, 0, 0, Choice.Text, Choice.Level, color);
        bitmap.OnPixelCombine = TextLayerCombine(background);
    } catch (...) {
        delete layer;
        throw;
    }
    return layer;
}
