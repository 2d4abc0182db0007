// The face renderers and the two compositions (final picture and template preview).
#include "render/Bitmap32Utils.h"

#include "imaging/Transformation.h"
#include "platform/MemoryBudget.h"
#include "render/RenderGeometry.h"
#include "resources/StringTable.h"

#include <QGuiApplication>

#include <algorithm>

using namespace box;

namespace {

// Holds the destination's change notifications back while a face is drawn.
class TUpdateLock {
public:
    explicit TUpdateLock(TBitmap32& image) : FImage(image) { FImage.BeginUpdate(); }
    ~TUpdateLock() { FImage.EndUpdate(); }
    TUpdateLock(const TUpdateLock&) = delete;
    TUpdateLock& operator=(const TUpdateLock&) = delete;

private:
    TBitmap32& FImage;
};

struct TPoint {
    int X = 0, Y = 0;
};

// Images of the face's top-left, top-right, bottom-right and bottom-left corners.
struct TCorners {
    TPoint P0, P1, P2, P3;
};

// Edge colours come from pixels near the face's corners; the position is
// clamped into the face so that faces smaller than 3 x 3 work too.
TColor32 FacePixel(const TBitmap32& face, int x, int y)
{
    return face.PixelAt(std::clamp(x, 0, face.Width() - 1), std::clamp(y, 0, face.Height() - 1));
}

// A white bottom edge would vanish on the white result, so it is drawn light grey.
TColor32 BottomEdgeColor(TColor32 c) { return c == clWhite32 ? clLightGray32 : c; }

void MapFace(const TBitmap32& face, TBitmap32& dest, const TCorners& c)
{
    TProjectiveTransformation t;
    t.SetSourceRect(TRealRect{0, 0, float(face.Width()), float(face.Height())});
    t.SetCorners(float(c.P0.X), float(c.P0.Y), float(c.P1.X), float(c.P1.Y), float(c.P2.X),
                 float(c.P2.Y), float(c.P3.X), float(c.P3.Y));
    TransformBitmap(dest, face, t);
}

// Anti-aliased edge line without its end point.
void EdgeLine(TBitmap32& dest, int x1, int y1, int x2, int y2, TColor32 color)
{
    dest.DrawSmoothLine(x1, y1, x2, y2, color, false);
}

// Every face copy is sampled bilinearly and replaces the result's pixels.
void PrepareFaceCopy(TBitmap32& face)
{
    face.StretchFilter = sfLinear;
    face.DrawMode = dmOpaque;
    face.MasterAlpha = 255;
}

void PrepareFaceCopies(TBitmap32& f, TBitmap32& s, TBitmap32& t)
{
    PrepareFaceCopy(f);
    PrepareFaceCopy(s);
    PrepareFaceCopy(t);
}

} // namespace

TFaceKind FaceKindOf(int faceNumber)
{
    switch (faceNumber) {
    case 2: return fkSide;
    case 3: return fkTop;
    default: return fkFront;
    }
}

TColor32 GroundColor(TBoxGround Ground) { return Ground == bgBlack ? clBlack32 : clWhite32; }

void PrepareBoxImage(TBitmap32& Image, int Width, int Height, TBoxGround Ground)
{
    Image.SetSize(Width, Height);
    Image.Clear(GroundColor(Ground));
    if (!Image.IsEmpty()) ClearBorderAlpha(Image, Image.BoundsRect());
}

void DarkenFace(TBitmap32& Face)
{
    if (Face.IsEmpty()) return;
    TColor32* p = Face.Bits();
    const std::size_t count = std::size_t(Face.Width()) * std::size_t(Face.Height());
    for (std::size_t i = 0; i < count; ++i) p[i] = ShiftBrightness(p[i], SideDarkening);
    Face.NotifyChanged();
}

void ResizeFace(TBitmap32& Face, int NewWidth, int NewHeight)
{
    TBitmap32 stretched;
    // An empty face has nothing to stretch: it stays empty rather than
    // becoming a transparent block.
    if (NewWidth > 0 && NewHeight > 0 && !Face.IsEmpty()) {
        stretched.SetSize(NewWidth, NewHeight);
        stretched.DrawScaled(stretched.BoundsRect(), Face.BoundsRect(), Face);
    }
    stretched.StretchFilter = sfLinear;
    Face.CopyFrom(stretched);
}

void AddBookTop(TBitmap32& Image, bool ShadowOn, TBoxGround Ground)
{
    TBitmap32 top;
    if (!LoadBitmapResource(QStringLiteral("BOOKTOP"), top)) return;
    const int left = ShadowOn ? ShadowShift : 2, topRow = 2;
    if (Ground == bgWhite) {
        top.DrawMode = dmOpaque;
        Image.DrawAt(left, topRow, top);
        return;
    }
    const int w = std::min(top.Width(), Image.Width() - left), h = std::min(top.Height(), Image.Height() - topRow);
    for (int y = 0; y < h; ++y) {
        const TColor32* src = top.ScanLine(y);
        TColor32* dst = Image.ScanLine(y + topRow) + left;
        for (int x = 0; x < w; ++x)
            if ((src[x] & 0x00FFFFFFu) != 0x00FFFFFFu) dst[x] = src[x] | 0xFF000000u;
    }
    Image.NotifyChanged();
}

void DrawTwoSidedFace(TBitmap32& Face, TBitmap32& Dest, bool NearEdgeLeft, int Inset, int Span,
                      int Shift, int RightMargin)
{
    if (Face.IsEmpty() || Dest.IsEmpty()) return;
    // A transparent ring lets the bilinear sampling soften the face's outline.
    ClearBorderAlpha(Face, Face.BoundsRect());

    const int W = Dest.Width(), H = Dest.Height();
    TCorners c;
    if (NearEdgeLeft) {
        c.P0 = {Span + Shift - 1, 1};
        c.P1 = {W - RightMargin, Inset + 2};
        c.P2 = {W - RightMargin, H - Inset};
        c.P3 = {Span + Shift - 1, H - 1};
    } else {
        c.P0 = {Shift, Inset};
        c.P1 = {Shift + Span, 0};
        c.P2 = {Shift + Span, H};
        c.P3 = {Shift, H - Inset};
    }

    TUpdateLock lock(Dest);
    MapFace(Face, Dest, c);
    EdgeLine(Dest, c.P0.X, c.P0.Y - 1, c.P1.X, c.P1.Y - 1, FacePixel(Face, 1, 1));
    EdgeLine(Dest, c.P3.X + 1, c.P3.Y - 1, c.P2.X - 1, c.P2.Y - 1,
             BottomEdgeColor(FacePixel(Face, 2, Face.Height() - 2)));
}

void DrawThreeSideFace(TBitmap32& Face, TBitmap32& Dest, TFaceKind Kind, int Inset, int Depth,
                       int SideWidth, int TopDrop, int Shift)
{
    if (Face.IsEmpty() || Dest.IsEmpty()) return;
    Dest.StretchFilter = sfLinear;

    const int W = Dest.Width(), H = Dest.Height();
    TCorners c;
    switch (Kind) {
    case fkSide:
        c.P0 = {Shift, Depth - Inset - 7};
        c.P1 = {Face.Width() + Shift + 1, Depth + 1};
        c.P2 = {c.P1.X + 10, H - 1};
        c.P3 = {Shift + 15, H - 1 - Inset - 20};
        break;
    case fkTop:
        c.P0 = {Shift, Depth - Inset - 7};
        c.P1 = {W - SideWidth - 15, 0};
        c.P2 = {W - 1, Depth - TopDrop};
        c.P3 = {SideWidth + Shift, Depth};
        break;
    default:
        c.P0 = {SideWidth + Shift, Depth};
        c.P1 = {W, Depth - Inset};
        c.P2 = {W - 6, H - Inset - 5};
        c.P3 = {c.P0.X + 10, H - 1};
        break;
    }

    TUpdateLock lock(Dest);
    MapFace(Face, Dest, c);
    const TColor32 nearColor = FacePixel(Face, 1, 1);
    EdgeLine(Dest, c.P0.X - 1, c.P0.Y, c.P1.X - 1, c.P1.Y, nearColor);
    EdgeLine(Dest, c.P3.X, c.P3.Y - 1, c.P2.X - 1, c.P2.Y - 1,
             BottomEdgeColor(FacePixel(Face, 1, Face.Height() - 1)));
    EdgeLine(Dest, c.P0.X - 1, c.P0.Y, c.P3.X - 1, c.P3.Y, nearColor);
    EdgeLine(Dest, c.P1.X - 1, c.P1.Y, c.P2.X - 1, c.P2.Y, FacePixel(Face, Face.Width() - 1, 1));
}

void DrawBookFace(TBitmap32& Face, TBitmap32& Dest, TFaceKind Kind, int Shift)
{
    if (Face.IsEmpty() || Dest.IsEmpty()) return;
    Dest.StretchFilter = sfLinear;

    const int H = Dest.Height();
    TCorners c;
    if (Kind == fkSide) {
        c.P0 = {Shift + 2, 32};
        c.P1 = {Shift + 31, 40};
        c.P2 = {Shift + 31, H - 1};
        c.P3 = {Shift + 2, H - 20};
    } else {
        c.P0 = {Shift + 30, 40};
        c.P1 = {Shift + 254, 11};
        c.P2 = {Shift + 254, H - 35};
        c.P3 = {Shift + 30, H - 1};
    }

    TUpdateLock lock(Dest);
    MapFace(Face, Dest, c);
    EdgeLine(Dest, c.P0.X, c.P0.Y - 1, c.P1.X - 1, c.P1.Y - 1, FacePixel(Face, 1, 1));
    EdgeLine(Dest, c.P3.X, c.P3.Y - 1, c.P2.X - 1, c.P2.Y - 1,
             BottomEdgeColor(FacePixel(Face, 1, Face.Height() - 1)));
}

TComposedSize ComposedBoxSize(TBoxStyle Style, bool DefaultSizeOn, int DefaultWidth, int DefaultHeight,
                              int FrontWidth, int FrontHeight, int SideWidth)
{
    if (DefaultSizeOn) {
        FrontWidth = ClampedSum(DefaultWidth, -SideStripWidth);
        FrontHeight = DefaultHeight;
        SideWidth = SideStripWidth;
    }
    switch (Style) {
    case bxThreeSideBox:
        return DefaultSizeOn ? TComposedSize{DefaultWidth, DefaultHeight}
                             : TComposedSize{ClampedSum(FrontWidth, SideWidth), ClampedSum(FrontHeight, ThreeSideDepth)};
    case bxBookCover:
        return {BookWidth, DefaultSizeOn ? DefaultHeight : ClampedSum(FrontHeight, BookExtraHeight)};
    default:
        return DefaultSizeOn ? TComposedSize{DefaultWidth, DefaultHeight}
                             : TComposedSize{ClampedSum(FrontWidth, SideWidth), FrontHeight};
    }
}

std::int64_t ComposeMemoryNeed(TBoxStyle Style, bool DefaultSizeOn, int DefaultWidth, int DefaultHeight,
                               int FrontWidth, int FrontHeight, int SideWidth)
{
    using namespace membudget;
    const TComposedSize size =
        ComposedBoxSize(Style, DefaultSizeOn, DefaultWidth, DefaultHeight, FrontWidth, FrontHeight, SideWidth);
    std::int64_t need = Times(2, PictureBytes(size.Width, size.Height));
    // Stretching a face makes the stretched picture, then the face's copy of it.
    if (DefaultSizeOn) need = Sum(need, Times(2, PictureBytes(std::max(DefaultWidth, 1), std::max(DefaultHeight, 1))));
    return need;
}

void CheckComposeMemory(TBoxStyle Style, bool DefaultSizeOn, int DefaultWidth, int DefaultHeight,
                        int FrontWidth, int FrontHeight, int SideWidth, std::int64_t extra)
{
    const TComposedSize size =
        ComposedBoxSize(Style, DefaultSizeOn, DefaultWidth, DefaultHeight, FrontWidth, FrontHeight, SideWidth);
    const std::int64_t need =
        ComposeMemoryNeed(Style, DefaultSizeOn, DefaultWidth, DefaultHeight, FrontWidth, FrontHeight, SideWidth);
    membudget::CheckPicture(membudget::Sum(need, extra), size.Width, size.Height);
}

void ComposeBox(TBitmap32& Dest, TBitmap32& F, TBitmap32& S, TBitmap32& T, TBoxStyle Style,
                TBoxOrientation Orientation, bool DefaultSizeOn, int DefaultWidth,
                int DefaultHeight, bool ShadowOn, TBoxGround Ground)
{
    CheckComposeMemory(Style, DefaultSizeOn, DefaultWidth, DefaultHeight, F.Width(), F.Height(), S.Width());
    PrepareFaceCopies(F, S, T);
    if (DefaultSizeOn) {
        ResizeFace(F, ClampedSum(DefaultWidth, -SideStripWidth), DefaultHeight);
        ResizeFace(S, SideStripWidth, DefaultHeight);
    }

    switch (Style) {
    case bxThreeSideBox: {
        PrepareBoxImage(Dest, DefaultSizeOn ? DefaultWidth : ClampedSum(F.Width(), S.Width()),
                        DefaultSizeOn ? DefaultHeight : ClampedSum(F.Height(), ThreeSideDepth), Ground);
        AddShadow(Dest, boLeft, Style, DefaultSizeOn, ShadowOn, F.Width(), S.Width(), Ground);
        DarkenFace(S);
        const int shift = ShadowOn ? ThreeSideShadowShift : 0;
        DrawThreeSideFace(S, Dest, fkSide, 20, ThreeSideDepth, 0, 0, shift);
        DrawThreeSideFace(F, Dest, fkFront, 19, ThreeSideDepth, S.Width(), 0, shift);
        DrawThreeSideFace(T, Dest, fkTop, 20, ThreeSideDepth, S.Width(), 19, shift);
        break;
    }
    case bxBookCover: {
        PrepareBoxImage(Dest, BookWidth,
                        DefaultSizeOn ? DefaultHeight : ClampedSum(F.Height(), BookExtraHeight), Ground);
        AddShadow(Dest, boLeft, Style, DefaultSizeOn, ShadowOn, F.Width(), S.Width(), Ground);
        AddBookTop(Dest, ShadowOn, Ground);
        DarkenFace(S);
        const int shift = ShadowOn ? ShadowShift : 0;
        DrawBookFace(S, Dest, fkSide, shift);
        DrawBookFace(F, Dest, fkFront, shift);
        break;
    }
    default: { // bxTwoSidedBox
        const bool left = Orientation != boRight;
        PrepareBoxImage(Dest, DefaultSizeOn ? DefaultWidth : ClampedSum(F.Width(), S.Width()),
                        DefaultSizeOn ? DefaultHeight : F.Height(), Ground);
        AddShadow(Dest, left ? boLeft : boRight, bxTwoSidedBox, DefaultSizeOn, ShadowOn, F.Width(),
                  S.Width(), Ground);
        DarkenFace(S);
        const int span = left ? S.Width() : F.Width();
        const int shift = ShadowOn && left ? ShadowShift : 0;
        DrawTwoSidedFace(F, Dest, left, 19, span, shift, 0);
        DrawTwoSidedFace(S, Dest, !left, 20, span, shift, ShadowOn && !left ? ShadowWidening : 0);
        break;
    }
    }
}

void ComposePreview(TBitmap32& Dest, TBitmap32& F, TBitmap32& S, TBitmap32& T, TBoxStyle Style,
                    int DefaultWidth, int DefaultHeight, TBoxGround Ground)
{
    CheckComposeMemory(Style, true, DefaultWidth, DefaultHeight, 0, 0, 0);
    PrepareFaceCopies(F, S, T);
    ResizeFace(F, ClampedSum(DefaultWidth, -SideStripWidth), DefaultHeight);
    ResizeFace(S, SideStripWidth, DefaultHeight);

    switch (Style) {
    case bxThreeSideBox:
        PrepareBoxImage(Dest, DefaultWidth, DefaultHeight, Ground);
        DarkenFace(S);
        DrawThreeSideFace(S, Dest, fkSide, 20, ThreeSideDepth, 0, 0, 0);
        DrawThreeSideFace(F, Dest, fkFront, 19, ThreeSideDepth, S.Width(), 0, 0);
        if (T.IsEmpty()) {
            // A flat lid in the front's corner colour (white without a front).
            T.SetSize(250, 20);
            T.Clear(F.IsEmpty() ? clWhite32 : FacePixel(F, 1, 1));
            PrepareFaceCopy(T);
        }
        DarkenFace(T);
        DrawThreeSideFace(T, Dest, fkTop, 20, ThreeSideDepth, S.Width(), 19, 0);
        break;
    case bxBookCover:
        PrepareBoxImage(Dest, BookWidth, DefaultHeight, Ground);
        AddBookTop(Dest, false, Ground);
        DarkenFace(S);
        DrawBookFace(S, Dest, fkSide, 0);
        DrawBookFace(F, Dest, fkFront, 0);
        break;
    default: // bxTwoSidedBox
        PrepareBoxImage(Dest, DefaultWidth, DefaultHeight, Ground);
        DrawTwoSidedFace(F, Dest, true, 19, S.Width(), 0, 0);
        DarkenFace(S);
        DrawTwoSidedFace(S, Dest, false, 20, S.Width(), 0, 0);
        break;
    }
}

void DrawNoPreview(TBitmap32& Image, const QFont& measureFont)
{
    Image.SetSize(NoPreviewWidth, NoPreviewHeight);
    Image.Clear(clWhite32);
    const QString text = LoadStr(StrId::NoPreviewAvailable);
    TBitmap32 measure;
    measure.SetSize(1, 1);
    measure.SetFont(measureFont);
    const TBitmap32::TSize extent = measure.TextExtent(text);
    Image.PaintText((NoPreviewWidth - extent.cx) / 2, (NoPreviewHeight - extent.cy) / 2, text);
}

void DrawNoPreview(TBitmap32& Image) { DrawNoPreview(Image, QGuiApplication::font()); }
