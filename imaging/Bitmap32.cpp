#include "imaging/Bitmap32.h"

#include "imaging/Bitmap32Scaled.h"
#include "platform/MemoryBudget.h"
#include "resources/StringTable.h"

#include <QFontMetrics>
#include <QImage>
#include <QPainter>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

TRect IntersectRect(const TRect& a, const TRect& b)
{
    TRect r{std::max(a.Left, b.Left), std::max(a.Top, b.Top), std::min(a.Right, b.Right),
            std::min(a.Bottom, b.Bottom)};
    if (r.IsEmpty()) return TRect{};
    return r;
}

std::string CantAllocateText(std::int64_t width, std::int64_t height)
{
    return LoadStr(StrId::CantAllocatePicture)
        .arg(membudget::PictureSizeText(width, height), membudget::FormatSize(membudget::PictureBytes(width, height)))
        .toStdString();
}

// --- change notification ------------------------------------------------------

void TThreadPersistent::EndUpdate()
{
    if (FUpdateCount > 0) --FUpdateCount;
    if (FUpdateCount == 0 && FChangedWhileLocked) {
        FChangedWhileLocked = false;
        FireChanged();
    }
}

void TThreadPersistent::NotifyChanged()
{
    if (FUpdateCount > 0) {
        FChangedWhileLocked = true;
        return;
    }
    FireChanged();
}

// --- the image ------------------------------------------------------------------

TBitmap32::TBitmap32() = default;

TBitmap32::~TBitmap32()
{
    FSurface.reset();
    std::free(FBits);
}

void TBitmap32::FreeBits()
{
    FSurface.reset();
    std::free(FBits);
    FBits = nullptr;
    FWidth = 0;
    FHeight = 0;
}

void TBitmap32::SetSize(int width, int height)
{
    if (width < 1 || height < 1) width = height = 0;
    if (width == FWidth && height == FHeight) return;

    FreeBits();
    if (width > 0) {
        const std::int64_t pixels = std::int64_t(width) * std::int64_t(height);
        const std::int64_t bytes = membudget::PictureBytes(width, height);
        void* bits = pixels <= MaxPixels && bytes <= membudget::Limit()
                         ? std::calloc(std::size_t(pixels), sizeof(TColor32))
                         : nullptr;
        if (!bits) {
            NotifyResized();
            throw EBitmapError(CantAllocateText(width, height));
        }
        FBits = static_cast<TColor32*>(bits);
        FWidth = width;
        FHeight = height;
    }
    NotifyHandleChanged();
    NotifyChanged();
    NotifyResized();
}

bool TBitmap32::IsEmpty() const
{
    return !FBits || FWidth == 0 || FHeight == 0;
}

void TBitmap32::NotifyResized()
{
    if (OnResize) OnResize(this);
}

void TBitmap32::NotifyHandleChanged()
{
    if (OnHandleChanged) OnHandleChanged(this);
}

void TBitmap32::FireChanged()
{
    if (OnChange) OnChange(this);
}

void TBitmap32::Clear(TColor32 color)
{
    if (IsEmpty()) return;
    FillLongword(FBits, std::size_t(FWidth) * FHeight, color);
    NotifyChanged();
}

void TBitmap32::FillArea(int x1, int y1, int x2, int y2, TColor32 color)
{
    if (x2 > x1)
        for (int y = y1; y < y2; ++y) FillLongword(ScanLine(y) + x1, std::size_t(x2 - x1), color);
    NotifyChanged();
}

// --- drawing one image onto another ------------------------------------------

namespace {

// Writes one incoming colour by the source's draw mode.
struct PixelWriter {
    TDrawMode Mode;
    std::uint32_t Master;
    const TPixelCombineEvent* Combine;

    explicit PixelWriter(const TBitmap32& src)
        : Mode(src.DrawMode), Master(src.MasterAlpha), Combine(&src.OnPixelCombine)
    {
        if (Mode == dmCustom && !*Combine) Mode = dmOpaque;
    }
    // A blend with master alpha 0 draws nothing.
    bool DrawsNothing() const { return Mode == dmBlend && Master == 0; }

    void operator()(TColor32 f, TColor32& b) const
    {
        switch (Mode) {
        case dmOpaque: b = f; break;
        case dmBlend:
            if (Master == 255)
                BlendOverInto(f, b);
            else
                BlendOverMaster(f, b, Master);
            break;
        case dmCustom: (*Combine)(f, b, Master); break;
        }
    }
};

} // namespace

void TBitmap32::DrawAt(int x, int y, const TBitmap32& source)
{
    DrawAt(x, y, source, source.BoundsRect());
}

void TBitmap32::DrawAt(int x, int y, const TBitmap32& source, const TRect& sourceRect)
{
    if (IsEmpty() || source.IsEmpty()) return;
    const TRect src = IntersectRect(sourceRect, source.BoundsRect());
    if (src.IsEmpty()) return;
    // Where the source rectangle lands, clipped to this image.
    x += src.Left - sourceRect.Left;
    y += src.Top - sourceRect.Top;
    const TRect dst = IntersectRect(TRect{x, y, x + src.Width(), y + src.Height()}, BoundsRect());
    if (dst.IsEmpty()) return;
    const int sx = src.Left + (dst.Left - x);
    const int sy = src.Top + (dst.Top - y);
    const int w = dst.Width();

    const PixelWriter write(source);
    if (write.DrawsNothing()) return;
    for (int row = 0; row < dst.Height(); ++row) {
        const TColor32* s = source.ScanLine(sy + row) + sx;
        TColor32* d = ScanLine(dst.Top + row) + dst.Left;
        switch (write.Mode) {
        case dmOpaque: std::memmove(d, s, std::size_t(w) * sizeof(TColor32)); break;
        case dmBlend:
            if (write.Master == 255)
                BlendRowOver(s, d, w);
            else
                BlendRowOverMaster(s, d, w, write.Master);
            break;
        case dmCustom:
            for (int i = 0; i < w; ++i) write(s[i], d[i]);
            break;
        }
    }
    NotifyChanged();
}

void TBitmap32::DrawScaled(const TRect& destRect, const TRect& sourceRect, const TBitmap32& source)
{
    if (IsEmpty() || source.IsEmpty()) return;
    if (sourceRect.IsEmpty()) return;
    if (sourceRect.Left < 0 || sourceRect.Top < 0 || sourceRect.Right > source.Width() ||
        sourceRect.Bottom > source.Height())
        throw ETransformError(LoadStrRaw(StrId::SourceRectInvalid));
    if (destRect.IsEmpty()) return;

    const int srcW = sourceRect.Width(), srcH = sourceRect.Height();
    const int dstW = destRect.Width(), dstH = destRect.Height();
    if (srcW == dstW && srcH == dstH) {
        DrawAt(destRect.Left, destRect.Top, source, sourceRect);
        return;
    }
    const TRect clip = IntersectRect(destRect, BoundsRect());
    if (clip.IsEmpty()) return;
    const PixelWriter write(source);
    if (write.DrawsNothing()) return;

    const bool linear = source.StretchFilter != sfNearest;
    const scaled_draw::Sampling s = scaled_draw::MakeSampling(destRect, clip, sourceRect, linear);
    if (write.Mode == dmOpaque) {
        scaled_draw::DrawOpaque(*this, clip, source, s, linear);
        NotifyChanged();
        return;
    }

    const int w = clip.Width();
    for (int j = 0; j < clip.Height(); ++j) {
        const std::int64_t p = s.startY + j * s.stepY;
        const int r0 = std::min(s.top + int(p >> 16), s.lastRow);
        TColor32* d = ScanLine(clip.Top + j) + clip.Left;
        const TColor32* s0 = source.ScanLine(r0);
        if (!linear) {
            for (int i = 0; i < w; ++i) write(s0[s.col0[std::size_t(i)]], d[i]);
            continue;
        }
        // On the last source row the second row is the first one again.
        const TColor32* s1 = source.ScanLine(std::min(r0 + 1, s.lastRow));
        const std::uint32_t wy = 255 - std::uint32_t((p >> 8) & 255);
        for (int i = 0; i < w; ++i) {
            const std::size_t k = std::size_t(i);
            const TColor32 left = plain::CombineColors(s0[s.col0[k]], s1[s.col0[k]], wy);
            const TColor32 right = plain::CombineColors(s0[s.col1[k]], s1[s.col1[k]], wy);
            write(plain::CombineColors(left, right, s.wx[k]), d[i]);
        }
    }
    NotifyChanged();
}

// --- platform bitmaps ---------------------------------------------------------

void TBitmap32::CopyFrom(const TBitmap32& other)
{
    if (&other == this) return;
    SetSize(other.Width(), other.Height());
    if (!IsEmpty())
        std::memcpy(FBits, other.Bits(), std::size_t(FWidth) * FHeight * sizeof(TColor32));
    DrawMode = other.DrawMode;
    MasterAlpha = other.MasterAlpha;
    OuterColor = other.OuterColor;
    StretchFilter = other.StretchFilter;
    NotifyChanged();
}

void TBitmap32::SwapPixels(TBitmap32& other)
{
    if (&other == this) return;
    const bool resized = FWidth != other.FWidth || FHeight != other.FHeight;
    std::swap(FBits, other.FBits);
    std::swap(FWidth, other.FWidth);
    std::swap(FHeight, other.FHeight);
    std::swap(FSurface, other.FSurface);
    for (TBitmap32* image : {this, &other}) {
        image->NotifyHandleChanged();
        image->NotifyChanged();
        if (resized) image->NotifyResized();
    }
}

void TBitmap32::CopyFrom(const QImage& image)
{
    if (image.isNull()) {
        SetSize(0, 0);
        NotifyChanged();
        return;
    }
    // Converting to ARGB32 gives alpha 255 to every format without an alpha channel.
    const QImage argb = image.format() == QImage::Format_ARGB32
                            ? image
                            : image.convertToFormat(QImage::Format_ARGB32);
    if (argb.isNull()) throw EBitmapError(LoadStrRaw(StrId::CantCreateCompatibleDc));
    SetSize(argb.width(), argb.height());
    for (int y = 0; y < FHeight; ++y)
        std::memcpy(ScanLine(y), argb.constScanLine(y), std::size_t(FWidth) * sizeof(TColor32));
    NotifyChanged();
}

void TBitmap32::CopyTo(QImage& image) const
{
    image = ToImage();
}

QImage TBitmap32::ToImage() const
{
    if (IsEmpty()) return QImage();
    QImage image(FWidth, FHeight, QImage::Format_ARGB32);
    if (image.isNull()) throw EBitmapError(CantAllocateText(FWidth, FHeight));
    for (int y = 0; y < FHeight; ++y)
        std::memcpy(image.scanLine(y), ScanLine(y), std::size_t(FWidth) * sizeof(TColor32));
    return image;
}

QImage* TBitmap32::Surface()
{
    if (IsEmpty()) return nullptr;
    if (!FSurface) {
        // The colour word's memory order (blue, green, red, alpha) is Qt's ARGB32.
        if (std::int64_t(FWidth) * 4 > INT32_MAX) throw EBitmapError(LoadStrRaw(StrId::CantCreateCompatibleDc));
        FSurface = std::make_unique<QImage>(reinterpret_cast<uchar*>(FBits), FWidth, FHeight,
                                            qsizetype(FWidth) * 4, QImage::Format_ARGB32);
        if (FSurface->isNull()) {
            FSurface.reset();
            throw EBitmapError(LoadStrRaw(StrId::CantCreateCompatibleDc));
        }
    }
    return FSurface.get();
}

// --- text -----------------------------------------------------------------------

void TBitmap32::SetFont(const QFont& font)
{
    FFont = font;
}

void TBitmap32::SetFont(const QFont& font, QColor color)
{
    FFont = font;
    FFontColor = color;
}

TBitmap32::TSize TBitmap32::TextExtent(const QString& text) const
{
    // Measured for a 96 dpi surface, as the images are drawn.
    static const QImage measureDevice(1, 1, QImage::Format_ARGB32);
    const QFontMetrics fm(FFont, &measureDevice);
    return TSize{fm.horizontalAdvance(text), fm.height()};
}

void TBitmap32::PaintText(int x, int y, const QString& text)
{
    QImage* surface = Surface();
    if (!surface) return;
    {
        QPainter painter(surface);
        painter.setFont(FFont);
        painter.setPen(FFontColor);
        const QFontMetrics fm(FFont, surface);
        // (x, y) is the upper left of the text cell.
        painter.drawText(QPoint(x, y + fm.ascent()), text);
    }
    NotifyChanged();
}

// --- anti-aliased lines -------------------------------------------------------

namespace {

const std::array<std::uint8_t, 256> kGamma = [] {
    std::array<std::uint8_t, 256> g{};
    for (int i = 0; i < 256; ++i) g[std::size_t(i)] = std::uint8_t(std::nearbyint(255.0 * std::pow(i / 255.0, 0.7)));
    return g;
}();

// Liang-Barsky: the part t0 <= t <= t1 of the segment (x, y) + t * (dx, dy),
// 0 <= t <= 1, that lies in the box [lo, hi] in both axes; false when none does.
bool ClipRange(double x, double y, double dx, double dy, double loX, double loY, double hiX, double hiY,
               double& t0, double& t1)
{
    t0 = 0.0;
    t1 = 1.0;
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {x - loX, hiX - x, y - loY, hiY - y};
    for (int i = 0; i < 4; ++i) {
        if (p[i] == 0) {
            if (q[i] < 0) return false;
            continue;
        }
        const double t = q[i] / p[i];
        if (p[i] < 0) {
            if (t > t1) return false;
            t0 = std::max(t0, t);
        } else {
            if (t < t0) return false;
            t1 = std::min(t1, t);
        }
    }
    return true;
}

// Clips the segment to the box [lo, hi] in both axes. Returns false when
// nothing remains; sets endMoved when the end point was moved.
bool ClipSegment(std::int64_t& x1, std::int64_t& y1, std::int64_t& x2, std::int64_t& y2, std::int64_t loX,
                 std::int64_t loY, std::int64_t hiX, std::int64_t hiY, bool& endMoved)
{
    const double dx = double(x2 - x1), dy = double(y2 - y1);
    double t0 = 0.0, t1 = 1.0;
    if (!ClipRange(double(x1), double(y1), dx, dy, double(loX), double(loY), double(hiX), double(hiY), t0, t1))
        return false;
    const std::int64_t ox = x1, oy = y1;
    endMoved = t1 < 1.0;
    if (t1 < 1.0) {
        x2 = ox + std::int64_t(std::nearbyint(t1 * dx));
        y2 = oy + std::int64_t(std::nearbyint(t1 * dy));
    }
    if (t0 > 0.0) {
        x1 = ox + std::int64_t(std::nearbyint(t0 * dx));
        y1 = oy + std::int64_t(std::nearbyint(t0 * dy));
    }
    return true;
}

// End points further out than this are first moved along the line to it, so
// that their 16.16 values cannot overflow; no image is that large.
constexpr double kFarCoordinate = double(1 << 30);

bool IsFar(double v) { return std::fabs(v) > kFarCoordinate; }

} // namespace

const std::uint8_t* const GammaTable = kGamma.data();

void TBitmap32::PlotDot(std::int64_t x, std::int64_t y, TColor32 color)
{
    const std::int64_t px = x >> 16, py = y >> 16;
    const std::uint32_t fx = std::uint32_t((x >> 8) & 255), fy = std::uint32_t((y >> 8) & 255);
    const std::uint32_t a = color >> 24;
    const std::uint32_t gx0 = kGamma[255 - fx], gx1 = kGamma[fx];
    const std::uint32_t gy0 = kGamma[255 - fy], gy1 = kGamma[fy];
    auto put = [&](std::int64_t cx, std::int64_t cy, std::uint32_t w) {
        if (cx < 0 || cy < 0 || cx >= FWidth || cy >= FHeight) return;
        CombineInto(color, FBits[std::size_t(cy) * FWidth + cx], w);
    };
    put(px, py, (gx0 * a * gy0) >> 16);
    put(px + 1, py, (gx1 * a * gy0) >> 16);
    put(px, py + 1, (gx0 * a * gy1) >> 16);
    put(px + 1, py + 1, (gx1 * a * gy1) >> 16);
}

void TBitmap32::DrawSmoothLine(double x1, double y1, double x2, double y2, TColor32 color, bool includeLast)
{
    if (IsEmpty()) return;
    auto finite = [&] { return std::isfinite(x1) && std::isfinite(y1) && std::isfinite(x2) && std::isfinite(y2); };
    if (!finite()) return;
    if (IsFar(x1) || IsFar(y1) || IsFar(x2) || IsFar(y2)) {
        // Moving both ends along the line keeps its direction.
        const double dx = x2 - x1, dy = y2 - y1;
        double t0 = 0.0, t1 = 1.0;
        if (!ClipRange(x1, y1, dx, dy, -kFarCoordinate, -kFarCoordinate, kFarCoordinate, kFarCoordinate, t0, t1))
            return;
        const double sx = x1, sy = y1;
        if (t1 < 1.0) {
            x2 = std::clamp(sx + t1 * dx, -kFarCoordinate, kFarCoordinate);
            y2 = std::clamp(sy + t1 * dy, -kFarCoordinate, kFarCoordinate);
        }
        if (t0 > 0.0) {
            x1 = std::clamp(sx + t0 * dx, -kFarCoordinate, kFarCoordinate);
            y1 = std::clamp(sy + t0 * dy, -kFarCoordinate, kFarCoordinate);
        }
        if (!finite()) return; // a span beyond the double range
    }
    auto fixed = [](double v) { return std::int64_t(std::nearbyint(v * 65536.0)); };
    std::int64_t X1 = fixed(x1), Y1 = fixed(y1), X2 = fixed(x2), Y2 = fixed(y2);
    bool endMoved = false;
    if (!ClipSegment(X1, Y1, X2, Y2, -65536, -65536, std::int64_t(FWidth) << 16, std::int64_t(FHeight) << 16,
                     endMoved))
        return;
    if (endMoved) includeLast = true;

    const std::int64_t dx = X2 - X1, dy = Y2 - Y1;
    std::int64_t len = std::int64_t(std::nearbyint(std::sqrt(double(dx) * double(dx) + double(dy) * double(dy))));
    if (includeLast) len += 65536;
    if (len < 256) return;

    const std::int64_t ex = dx * 65536 / len, ey = dy * 65536 / len;
    std::int64_t x = X1 + 127, y = Y1 + 127;
    // The last whole dot; the start point while there is none, so that the
    // faded dot of a line shorter than a pixel stays on the line.
    std::int64_t lastX = x, lastY = y;
    while (len >= 65536) {
        PlotDot(x, y, color);
        lastX = x;
        lastY = y;
        x += ex;
        y += ey;
        len -= 65536;
    }
    if (len > 0) {
        // The remaining fraction is drawn faded, midway between the last dot
        // and the end point (only the start point carries the 127 offset).
        // The shift halves toward minus infinity, as PlotDot floors.
        const std::uint32_t a = std::uint32_t(((color >> 24) * std::uint64_t(len)) >> 16);
        const std::int64_t mx = (lastX + X2) >> 1, my = (lastY + Y2) >> 1;
        PlotDot(mx, my, (color & 0x00FFFFFFu) | (a << 24));
    }
    NotifyChanged();
}

// --- helpers --------------------------------------------------------------------

void ClearBorderAlpha(TBitmap32& image, const TRect& rect)
{
    if (image.IsEmpty()) return;
    const int l = std::clamp(rect.Left, 0, image.Width() - 1);
    const int r = std::clamp(rect.Right, 0, image.Width() - 1);
    const int t = std::clamp(rect.Top, 0, image.Height() - 1);
    const int b = std::clamp(rect.Bottom, 0, image.Height() - 1);
    if (r < l || b < t) return;
    auto clearAlpha = [&](int x, int y) { image.SetPixelAt(x, y, image.PixelAt(x, y) & 0x00FFFFFFu); };
    for (int x = l; x <= r; ++x) {
        clearAlpha(x, t);
        clearAlpha(x, b);
    }
    for (int y = t + 1; y < b; ++y) {
        clearAlpha(l, y);
        clearAlpha(r, y);
    }
    image.NotifyChanged();
}

bool LoadBitmapResource(const QString& name, TBitmap32& image)
{
    const QImage loaded(QStringLiteral(":/bitmaps/") + name);
    if (loaded.isNull()) return false;
    try {
        image.CopyFrom(loaded);
    } catch (const std::exception&) {
        return false;
    }
    return !image.IsEmpty();
}
