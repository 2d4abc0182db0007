// The drop shadow: a stored grey picture stretched along the bottom of the
// result, beside the box on the side-face side.
#include "render/Bitmap32Utils.h"

#include "render/RenderGeometry.h"
#include "resources/StringTable.h"

#include <array>

using namespace box;

namespace {

// Shadow row count above the given height, and the overhang of the rectangle
// past the side face (boLeft) or into the front face (boRight).
constexpr int ShadowExtraRows = 20;
constexpr int LeftOverhang = 67;
constexpr int RightInset = 7;
// Shadow anchor and height of the book, whatever the default-size option says.
constexpr int BookShadowAnchor = 19;
constexpr int TallShadow = 80;
constexpr int ShortShadow = 40;

// Resource names by orientation, read from the string table once.
const std::array<QString, 2>& ShadowResourceNames()
{
    static const std::array<QString, 2> names = {
        QString::fromLatin1(LoadStrRaw(StrId::ShadowResourceLeft)),
        QString::fromLatin1(LoadStrRaw(StrId::ShadowResourceRight))};
    return names;
}

} // namespace

QString ShadowResourceName(TBoxOrientation Orientation)
{
    return ShadowResourceNames()[Orientation == boRight ? 1 : 0];
}

void DrawShadow(const TBitmap32& Shadow, TBitmap32& Dest, int Anchor,
                TBoxOrientation Orientation, int Height)
{
    if (Shadow.IsEmpty() || Dest.IsEmpty()) return;
    const int W = Dest.Width(), H = Dest.Height();
    const int top = ClampedSum(H, -ClampedSum(Height, ShadowExtraRows));
    const TRect rect = Orientation == boRight
                           ? MakeRect(ClampedSum(Anchor, -RightInset), top, W, H - 1)
                           : MakeRect(0, top, ClampedSum(Anchor, LeftOverhang), H - 1);
    if (rect.IsEmpty()) return;
    // The draw clips the rectangle to Dest and keeps the scale of the whole picture.
    Dest.DrawScaled(rect, Shadow.BoundsRect(), Shadow);
}

void AddShadow(TBitmap32& Dest, TBoxOrientation Orientation, TBoxStyle Style, bool DefaultSizeOn,
               bool ShadowOn, int FrontWidth, int SideWidth, TBoxGround Ground)
{
    if (!ShadowOn) return;
    Dest.SetSize(ClampedSum(Dest.Width(), ShadowWidening), Dest.Height());
    Dest.Clear(Ground == bgBlack ? clBlack32 : clWhite32);
    // On black the shadow is left out: black shadow on black ground.
    if (Ground == bgBlack) return;

    // The book always casts its shadow to the left.
    const TBoxOrientation orientation = Style == bxBookCover ? boLeft : Orientation;
    TBitmap32 shadow;
    if (!LoadBitmapResource(ShadowResourceName(orientation), shadow)) return;
    shadow.StretchFilter = sfNearest;
    shadow.DrawMode = dmOpaque;

    if (Style == bxBookCover)
        DrawShadow(shadow, Dest, BookShadowAnchor, boLeft, TallShadow);
    else
        DrawShadow(shadow, Dest, orientation == boRight ? FrontWidth : SideWidth, orientation,
                   DefaultSizeOn ? TallShadow : ShortShadow);
}
