// TBitmap32: the one raster image type of the program.
//
// width x height colour words, row 0 at the top, each row exactly width words.
// A platform surface (a QImage over the same buffer) is made on demand for
// text and platform bitmap drawing.
#pragma once

#include "Color32.h"

#include <QColor>
#include <QFont>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>

class QImage;
class QPainter;

enum TDrawMode { dmOpaque, dmBlend, dmCustom };
enum TStretchFilter { sfNearest, sfLinear, sfLinear2, sfSpline };

// Integer rectangle, right and bottom exclusive.
struct TRect {
    int Left = 0, Top = 0, Right = 0, Bottom = 0;
    constexpr int Width() const { return Right - Left; }
    constexpr int Height() const { return Bottom - Top; }
    constexpr bool IsEmpty() const { return Right <= Left || Bottom <= Top; }
    friend constexpr bool operator==(const TRect&, const TRect&) = default;
};
constexpr TRect MakeRect(int l, int t, int r, int b) { return TRect{l, t, r, b}; }
// Intersection; an empty result is returned as (0, 0, 0, 0).
TRect IntersectRect(const TRect& a, const TRect& b);

// Raised when an image surface cannot be made.
class EBitmapError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The text of EBitmapError for a picture of that size that cannot be had.
std::string CantAllocateText(std::int64_t width, std::int64_t height);

// Raised by the draws and transformations for invalid arguments.
class ETransformError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class TBitmap32;
using TNotifyEvent = std::function<void(TBitmap32* sender)>;
// F: incoming colour; B: destination colour; M: master alpha.
using TPixelCombineEvent = std::function<void(TColor32 F, TColor32& B, TColor32 M)>;

// Change notification with an update counter.
class TThreadPersistent {
public:
    virtual ~TThreadPersistent() = default;
    void BeginUpdate() { ++FUpdateCount; }
    // Fires one pending change notification when the last update ends.
    void EndUpdate();
    int UpdateCount() const { return FUpdateCount; }
    virtual void NotifyChanged();

protected:
    virtual void FireChanged() = 0;
    int FUpdateCount = 0;
    bool FChangedWhileLocked = false;
};

// Width and height.
class TCustomMap : public TThreadPersistent {
public:
    int Width() const { return FWidth; }
    int Height() const { return FHeight; }
    virtual void MakeEmpty() { SetSize(0, 0); }
    virtual bool IsEmpty() const { return FWidth == 0 || FHeight == 0; }
    virtual void NotifyResized() {}
    virtual void SetSize(int width, int height) = 0;

protected:
    int FWidth = 0;
    int FHeight = 0;
};

class TBitmap32 : public TCustomMap {
public:
    TBitmap32();
    ~TBitmap32() override;
    TBitmap32(const TBitmap32&) = delete;
    TBitmap32& operator=(const TBitmap32&) = delete;

    // Largest size accepted; a larger one, or one over the memory limit
    // (platform/MemoryBudget.h), raises EBitmapError naming the size.
    static constexpr std::int64_t MaxPixels = 400'000'000;

    void SetSize(int width, int height) override;
    bool IsEmpty() const override;
    void NotifyResized() override;
    virtual void NotifyHandleChanged();

    // Every pixel := colour (opaque black by default).
    void Clear(TColor32 color = clBlack32);
    // Pixels x1 <= x < x2, y1 <= y < y2 := colour; no clipping.
    void FillArea(int x1, int y1, int x2, int y2, TColor32 color);

    TColor32 PixelAt(int x, int y) const { return FBits[std::size_t(y) * FWidth + x]; }
    void SetPixelAt(int x, int y, TColor32 c) { FBits[std::size_t(y) * FWidth + x] = c; }
    TColor32 PixelAtSafe(int x, int y) const
    {
        if (x < 0 || y < 0 || x >= FWidth || y >= FHeight) return OuterColor;
        return PixelAt(x, y);
    }
    TColor32* ScanLine(int y) { return FBits + std::size_t(y) * FWidth; }
    const TColor32* ScanLine(int y) const { return FBits + std::size_t(y) * FWidth; }
    TColor32* Bits() { return FBits; }
    const TColor32* Bits() const { return FBits; }
    TRect BoundsRect() const { return TRect{0, 0, FWidth, FHeight}; }

    // Draws the whole source unscaled with its upper left at (x, y), clipped,
    // in the source's draw mode.
    void DrawAt(int x, int y, const TBitmap32& source);
    // Draws a part of the source unscaled (used by DrawAt and equal-size DrawScaled).
    void DrawAt(int x, int y, const TBitmap32& source, const TRect& sourceRect);
    // Scales the source rectangle into the destination rectangle with the
    // source's stretch filter and draw mode.
    void DrawScaled(const TRect& destRect, const TRect& sourceRect, const TBitmap32& source);

    // Size, pixels, draw mode, master alpha, outer colour and stretch filter.
    void CopyFrom(const TBitmap32& other);
    // Exchanges size and pixels with another image; each keeps its own draw
    // properties. Lets a caller build a picture aside and commit it without
    // a step that can fail.
    void SwapPixels(TBitmap32& other);
    // Size and pixels of a platform bitmap; alpha 255 when it has no alpha channel.
    // A null image makes this image empty.
    void CopyFrom(const QImage& image);
    // A 32-bit platform bitmap of the same size with all pixels, alpha included.
    void CopyTo(QImage& image) const;
    QImage ToImage() const;

    // Platform text in the image's font and font colour.
    void SetFont(const QFont& font);
    void SetFont(const QFont& font, QColor color);
    const QFont& Font() const { return FFont; }
    void SetFontColor(QColor color) { FFontColor = color; }
    QColor FontColor() const { return FFontColor; }
    struct TSize {
        int cx = 0, cy = 0;
    };
    TSize TextExtent(const QString& text) const;
    int TextWidth(const QString& text) const { return TextExtent(text).cx; }
    int TextHeight(const QString& text) const { return TextExtent(text).cy; }
    void PaintText(int x, int y, const QString& text);

    // The platform surface over the pixel buffer (null for an empty image).
    // Valid until the next SetSize.
    QImage* Surface();

    // Anti-aliased line; the end point is drawn only when includeLast is true.
    void DrawSmoothLine(double x1, double y1, double x2, double y2, TColor32 color,
                        bool includeLast);

    TDrawMode DrawMode = dmOpaque;
    std::uint32_t MasterAlpha = 255;
    TColor32 OuterColor = clTransparent32;
    TStretchFilter StretchFilter = sfNearest;
    TPixelCombineEvent OnPixelCombine;

    TNotifyEvent OnChange;
    TNotifyEvent OnResize;
    TNotifyEvent OnHandleChanged;

protected:
    void FireChanged() override;

private:
    void FreeBits();
    void PlotDot(std::int64_t x, std::int64_t y, TColor32 color);

    TColor32* FBits = nullptr;
    std::unique_ptr<QImage> FSurface;
    QFont FFont;
    QColor FFontColor = Qt::black;
};

// Anti-aliasing gamma: G[i] = round(255 * (i / 255) ^ 0.7).
extern const std::uint8_t* const GammaTable;

// Sets the alpha of the rectangle's outline (clipped into the image) to 0.
void ClearBorderAlpha(TBitmap32& image, const TRect& rect);

// Loads the program's bitmap resource of that name; false on any failure.
bool LoadBitmapResource(const QString& name, TBitmap32& image);
