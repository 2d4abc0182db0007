// The box compositions and the drop shadow.
//
// The renderer maps two or three flat face images onto fixed four-corner
// shapes (a projective transformation per face, bilinear sampling) over a
// white result image, closes the outlines with thin anti-aliased edge lines,
// darkens the side face and, when asked, lays a stored shadow picture under
// the box first. Every corner is a sum of face widths, the result size and
// small constants; only the edge-line colours are read from the faces.
//
// Face images are the caller's private copies: a composition may resize,
// darken and clear the border alpha of them. An empty face draws nothing.
#pragma once

#include "imaging/Bitmap32.h"

#include <QFont>
#include <QString>

// Values are the item indexes of the style combo boxes.
enum TBoxStyle { bxTwoSidedBox = 0, bxThreeSideBox = 1, bxBookCover = 2 };
// boLeft: side face on the left of the front (the default); boRight: on the right.
enum TBoxOrientation { boLeft = 0, boRight = 1 };
enum TFaceKind { fkSide = 0, fkFront = 1, fkTop = 2 };
// The ground a composition is drawn on. The saved picture lies on white; the
// same composition on black (without the shadow picture, which becomes the
// shadow's alpha) tells with it how much of the ground each pixel lets
// through, which gives the box on a transparent ground (render/BoxMatte.h).
enum TBoxGround { bgWhite = 0, bgBlack = 1 };
TColor32 GroundColor(TBoxGround Ground);

// Face numbers of the wizard: 1 front, 2 side, 3 top; anything else counts as the front.
TFaceKind FaceKindOf(int faceNumber);

// Geometry constants of the compositions.
namespace box {
constexpr int SideStripWidth = 17;   // side width at default size; the front gets the rest
constexpr int SideDarkening = -12;   // added to R, G and B of the side face
constexpr int ShadowWidening = 60;   // extra result width for the shadow
constexpr int ShadowShift = 60;      // box shift with shadow (two-sided box, book)
constexpr int ThreeSideShadowShift = 45;
constexpr int ThreeSideDepth = 39;   // extra result height of the three-sided box
constexpr int BookExtraHeight = 22;  // extra result height of the book
constexpr int BookWidth = 255;       // fixed result width of the book
constexpr int NoPreviewWidth = 225;
constexpr int NoPreviewHeight = 125;
} // namespace box

// Size, fill with the opaque ground, then clear the alpha of the outermost pixel ring.
void PrepareBoxImage(TBitmap32& Image, int Width, int Height, TBoxGround Ground = bgWhite);
// R, G and B of every pixel minus 12, clamped at 0; alpha kept.
void DarkenFace(TBitmap32& Face);
// Stretches the face to the new size with its own stretch filter. The face
// then has sfLinear, dmOpaque, master alpha 255 and outer colour 0. A size
// below 1, or an empty face, leaves it empty.
void ResizeFace(TBitmap32& Face, int NewWidth, int NewHeight);
// Draws the "BOOKTOP" picture (top of the page block) at (60, 2) with the
// shadow, else at (2, 2); skipped when the resource cannot be loaded. On the
// black ground its white surroundings are left out: they are ground, not pages.
void AddBookTop(TBitmap32& Image, bool ShadowOn, TBoxGround Ground = bgWhite);

// One face of the two-sided box. NearEdgeLeft: the face's left edge is the
// near, full-height edge, and Span is the width of what lies left of it;
// otherwise the right edge is near and Span is the face's own width.
void DrawTwoSidedFace(TBitmap32& Face, TBitmap32& Dest, bool NearEdgeLeft, int Inset, int Span,
                      int Shift, int RightMargin);
// One face (side, front or top) of the three-sided box.
void DrawThreeSideFace(TBitmap32& Face, TBitmap32& Dest, TFaceKind Kind, int Inset, int Depth,
                       int SideWidth, int TopDrop, int Shift);
// Spine (fkSide) or cover (any other kind) of the book.
void DrawBookFace(TBitmap32& Face, TBitmap32& Dest, TFaceKind Kind, int Shift);

// The size ComposeBox gives the result for a front of FrontWidth x
// FrontHeight and a side SideWidth wide.
struct TComposedSize {
    int Width = 0, Height = 0;
};
TComposedSize ComposedBoxSize(TBoxStyle Style, bool DefaultSizeOn, int DefaultWidth, int DefaultHeight,
                              int FrontWidth, int FrontHeight, int SideWidth);
// The memory composing that box takes: the result, the copies of front and
// side stretched to the default size, and one copy of the result for the
// caller to show or encode.
std::int64_t ComposeMemoryNeed(TBoxStyle Style, bool DefaultSizeOn, int DefaultWidth, int DefaultHeight,
                               int FrontWidth, int FrontHeight, int SideWidth);
// Raises EMemoryBudgetError (platform/MemoryBudget.h), naming the result's
// size, when that need and `extra` (memory the caller needs besides) are
// over the limit.
void CheckComposeMemory(TBoxStyle Style, bool DefaultSizeOn, int DefaultWidth, int DefaultHeight,
                        int FrontWidth, int FrontHeight, int SideWidth, std::int64_t extra = 0);

// The final picture. F, S and T are the front, side and top copies (T is used
// by the three-sided box only). Orientation counts for the two-sided box only.
void ComposeBox(TBitmap32& Dest, TBitmap32& F, TBitmap32& S, TBitmap32& T, TBoxStyle Style,
                TBoxOrientation Orientation, bool DefaultSizeOn, int DefaultWidth,
                int DefaultHeight, bool ShadowOn, TBoxGround Ground = bgWhite);
// The template preview (checked against the memory limit first, as above):
// always at the default size, side on the left, no
// shadow; any face may be empty, a missing lid becomes a flat one.
void ComposePreview(TBitmap32& Dest, TBitmap32& F, TBitmap32& S, TBitmap32& T, TBoxStyle Style,
                    int DefaultWidth, int DefaultHeight, TBoxGround Ground = bgWhite);

// The placeholder: 225 x 125 white with "No Preview Available" centred. The
// text is drawn in the image's own font and measured with measureFont (the
// font of the canvas the placeholder is shown on).
void DrawNoPreview(TBitmap32& Image, const QFont& measureFont);
// As above, measured with the application font.
void DrawNoPreview(TBitmap32& Image);

// Name of the shadow bitmap resource for an orientation ("SHADOW", "SHADOW_R").
QString ShadowResourceName(TBoxOrientation Orientation);
// The shadow step of ComposeBox, right after PrepareBoxImage: with the shadow
// on, widens the result by 60, fills it with the ground and, on white,
// stretches the shadow picture along its bottom. Without the resource the
// widened result stays white.
void AddShadow(TBitmap32& Dest, TBoxOrientation Orientation, TBoxStyle Style, bool DefaultSizeOn,
               bool ShadowOn, int FrontWidth, int SideWidth, TBoxGround Ground = bgWhite);
// Stretches the whole shadow picture into the rectangle at the bottom of Dest
// that is Height + 19 rows high and ends one row above the bottom edge:
// boLeft from x 0 to Anchor + 67, boRight from Anchor - 7 to the right edge.
void DrawShadow(const TBitmap32& Shadow, TBitmap32& Dest, int Anchor,
                TBoxOrientation Orientation, int Height);
