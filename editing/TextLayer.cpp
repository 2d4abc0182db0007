#include "editing/TextLayer.h"

#include "codecs/PixelBuffer.h"
#include "editing/TextCoverage.h"
#include "imaging/MeasureCanvas.h"
#include "imaging/Transformation.h"
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

namespace {

// The text's coverage for the part of T it lands on at (X, Y): M holds the
// coverage as the alpha of rgb, win where M lies in the text.
void RenderCoverage(const TBitmap32& T, int X, int Y, const QString& Text, int Level, TColor32 rgb, TBitmap32& M,
                    TWindow& win)
{
    Level = std::clamp(Level, 0, MaxSmoothTextLevel);
    if (Level > 0)
        RenderSupersampled(T, X, Y, Text, Level, rgb, M, win);
    else
        RenderPlain(T, X, Y, Text, rgb, M, win);
}

} // namespace

void DrawSmoothText(TBitmap32& T, int X, int Y, const QString& Text, int Level, TColor32 Color)
{
    if (T.IsEmpty()) return;
    TBitmap32 M;
    TWindow win;
    RenderCoverage(T, X, Y, Text, Level, Color & 0x00FFFFFFu, M, win);
    if (M.IsEmpty()) return;
    M.DrawMode = dmBlend;
    M.MasterAlpha = Color >> 24;
    T.DrawAt(X + win.Left, Y + win.Top, M);
}

void DrawTextCoverage(TBitmap32& T, const QString& Text, int Level, TColor32 Color)
{
    const TColor32 rgb = Color & 0x00FFFFFFu;
    T.Clear(rgb);
    if (T.IsEmpty()) return;
    TBitmap32 M;
    TWindow win;
    RenderCoverage(T, 0, 0, Text, Level, rgb, M, win);
    // Every pixel carries the text's colour, also where there is no ink, so
    // a scaled or turned picture mixes no other colour into the glyphs' edges.
    for (int y = 0; y < M.Height(); ++y) {
        const TColor32* m = M.ScanLine(y);
        TColor32* t = T.ScanLine(y + win.Top) + win.Left;
        for (int x = 0; x < M.Width(); ++x) t[x] = (m[x] & 0xFF000000u) | rgb;
    }
    T.NotifyChanged();
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
    TBitmap32 picture;
    if (!DrawTextLayerPicture(Choice, picture)) return nullptr;
    TBitmapTextLayer* layer = AddTextLayer(View, 0, 0, false, picture.OuterColor);
    if (!layer) return nullptr;
    SetTextLayerPicture(*layer, picture, Choice);
    // Centred where the empty layer was put.
    const float cx = layer->Bounds().Left, cy = layer->Bounds().Top;
    const float w = float(layer->Bitmap().Width()) / 2, h = float(layer->Bitmap().Height()) / 2;
    layer->SetBounds(TRealRect{cx - w, cy - h, cx + w, cy + h});
    return layer;
}

void TurnLayerPicture(TBitmap32& Source, float Angle, TBitmap32& Turned)
{
    Turned.SetSize(0, 0);
    if (Source.IsEmpty()) return;
    const int w = Source.Width(), h = Source.Height();
    // The outer ring is turned see-through, and given back its alpha after.
    std::vector<TColor32> ring;
    auto eachRingPixel = [&](auto f) {
        for (int x = 0; x < w; ++x) {
            f(x, 0);
            if (h > 1) f(x, h - 1);
        }
        for (int y = 1; y < h - 1; ++y) {
            f(0, y);
            if (w > 1) f(w - 1, y);
        }
    };
    eachRingPixel([&](int x, int y) { ring.push_back(Source.PixelAt(x, y)); });
    ClearBorderAlpha(Source, Source.BoundsRect());
    Turned.SetSize(h, w);
    TAffineTransformation t;
    t.SetSourceRect(TRealRect{0, 0, float(w - 1), float(h - 1)});
    t.Clear();
    t.Translate(float(-(w - 1) / 2.0), float(-(h - 1) / 2.0));
    t.Rotate(0, 0, Angle);
    t.Translate(float(Turned.Width() / 2.0 - 0.7), float(Turned.Height() / 2.0 - 0.7));
    // A see-through layer (a picture with alpha) stays see-through: its pixels
    // are copied, alpha and all, and what the mapping leaves uncovered is clear.
    const bool seeThrough = Source.DrawMode == dmBlend;
    // What the mapping leaves uncovered takes the colour of the bottom row's
    // second pixel (a one pixel wide picture has none: the outer colour).
    Turned.Clear(seeThrough ? clTransparent32 : Source.PixelAtSafe(1, h - 1));
    const TDrawMode mode = Source.DrawMode;
    if (seeThrough) Source.DrawMode = dmOpaque;
    try {
        TransformBitmap(Turned, Source, t);
    } catch (...) {
        Source.DrawMode = mode;
        std::size_t k = 0;
        eachRingPixel([&](int x, int y) { Source.SetPixelAt(x, y, ring[k++]); });
        throw;
    }
    Source.DrawMode = mode;
    std::size_t k = 0;
    eachRingPixel([&](int x, int y) { Source.SetPixelAt(x, y, ring[k++]); });
    // The turned picture with its default draw settings; the combine handler stays.
    const TBitmap32 defaults;
    Turned.DrawMode = seeThrough ? dmBlend : defaults.DrawMode;
    Turned.MasterAlpha = defaults.MasterAlpha;
    Turned.OuterColor = defaults.OuterColor;
    Turned.StretchFilter = defaults.StretchFilter;
    Turned.OnPixelCombine = Source.OnPixelCombine;
}

bool DrawTextLayerPicture(const TTextLayerParams& Params, TBitmap32& Picture)
{
    const TBitmap32::TSize size = TextLayerSize(Params.Text, Params.Font);
    if (!TextLayerFits(size) || size.cx <= 0 || size.cy <= 0) return false;
    const TColor32 rgb = Params.TextColor & 0x00FFFFFFu;
    TBitmap32 drawn;
    drawn.SetSize(size.cx, size.cy);
    drawn.SetFont(Params.Font);
    DrawTextCoverage(drawn, Params.Text, Params.Level, Params.TextColor);
    drawn.DrawMode = dmBlend;
    // A quarter turn each, the third one clockwise instead.
    const int turn = ((Params.Turn % 4) + 4) % 4;
    for (float angle : turn == 3 ? std::vector<float>{-90.0f} : std::vector<float>(std::size_t(turn), 90.0f)) {
        TBitmap32 turned;
        TurnLayerPicture(drawn, angle, turned);
        drawn.SwapPixels(turned);
    }
    // The turn leaves its corners and ring clear in another colour: every
    // pixel is the text's colour again.
    if (turn != 0) {
        TColor32* p = drawn.Bits();
        const std::size_t count = std::size_t(drawn.Width()) * std::size_t(drawn.Height());
        for (std::size_t i = 0; i < count; ++i) p[i] = (p[i] & 0xFF000000u) | rgb;
    }
    Picture.SwapPixels(drawn);
    Picture.SetFont(Params.Font);
    Picture.DrawMode = dmBlend;
    Picture.MasterAlpha = 255;
    Picture.StretchFilter = sfLinear;
    Picture.OuterColor = rgb;
    Picture.OnPixelCombine = nullptr;
    return true;
}

void SetTextLayerPicture(TBitmapTextLayer& Layer, TBitmap32& Picture, const TTextLayerParams& Params)
{
    TBitmap32& b = Layer.Bitmap();
    b.BeginUpdate();
    b.SwapPixels(Picture);
    b.DrawMode = dmBlend;
    b.MasterAlpha = 255;
    b.StretchFilter = sfLinear;
    b.OuterColor = Params.TextColor & 0x00FFFFFFu;
    b.SetFont(Params.Font, QColor::fromRgb(Params.TextColor));
    b.OnPixelCombine = nullptr;
    Layer.Tag = 1;
    Layer.Background = Params.TextColor & 0x00FFFFFFu;
    Layer.Params = Params;
    b.EndUpdate();
}
