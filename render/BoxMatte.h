// The box on a transparent ground, and the background a saved picture lies on.
//
// A composition is drawn twice, on white and on black. Where a pixel is the
// same on both, the box covers it; where the two differ by d, the pixel lets
// d / 255 of the ground through. So alpha = 255 - d, and the black-ground
// pixel is the colour already multiplied by alpha. The shadow, left out of
// the black drawing, becomes black with alpha 255 - its grey. Composited over
// white, the result gives back the white drawing within 1 per channel.
#pragma once

#include "imaging/Bitmap32.h"

#include <QString>

// What a saved or copied picture lies on.
struct TBoxBackground {
    enum TKind { Automatic, Transparent, Solid };
    TKind Kind = Automatic;
    TColor32 Color = clWhite32; // the colour of Solid, opaque

    bool operator==(const TBoxBackground&) const = default;
    static TBoxBackground Of(TColor32 color) { return {Solid, color | 0xFF000000u}; }
};
// "transparent", "white" or "#RRGGBB" (letter case ignored); false otherwise.
bool ParseBoxBackground(const QString& text, TBoxBackground& background);
// "transparent", "white", "#rrggbb", or an empty text for Automatic.
QString BoxBackgroundText(const TBoxBackground& background);
// The background a file of a format gets: Automatic is transparent for a
// format that keeps alpha, white for the others, and a format without alpha
// lies on white when transparency is asked of it.
TBoxBackground ResolveBoxBackground(TBoxBackground background, bool formatKeepsAlpha);
// Whether the picture needs the black-ground drawing too (it is transparent,
// or lies on a colour other than white); otherwise the white drawing is it.
bool NeedsBlackGround(const TBoxBackground& resolved);

// The transparent picture (straight, not premultiplied alpha) from the same
// composition on both grounds; both must have the same size.
void MatteFromGrounds(const TBitmap32& onWhite, const TBitmap32& onBlack, TBitmap32& matte);
// The transparent picture laid on an opaque colour; the result is opaque.
void FlattenMatte(const TBitmap32& matte, TColor32 color, TBitmap32& dest);
// Every pixel's alpha set to 255.
void MakeOpaque(TBitmap32& image);
// The saved picture for a resolved background: the white drawing as it is
// (opaque when the format keeps alpha), the transparent one, or the
// transparent one laid on the colour. `onBlack` is needed only when
// NeedsBlackGround says so.
void BoxOnBackground(const TBitmap32& onWhite, const TBitmap32* onBlack, const TBoxBackground& resolved,
                     bool formatKeepsAlpha, TBitmap32& out);
