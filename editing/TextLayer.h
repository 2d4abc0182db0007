// Text layers: a picture of one line of text on a face.
//
// The text is drawn in a chosen font, colour and anti-aliasing level as its
// coverage: every pixel of the layer is the text's colour, its alpha how much
// of the pixel the glyphs cover, and the layer is blended onto the face. The
// layer keeps what it was drawn from, so it can be drawn again.
#pragma once

#include "imaging/Bitmap32.h"
#include "imaging/Layers.h"

#include <QFont>
#include <QString>

class TCustomImage32;

// Anti-aliasing levels: 0 is the platform's own text output, 1 to 4 draw the
// text 2^level times larger in each direction and average it down.
constexpr int MaxSmoothTextLevel = 4;
// The level of an item of the quality list: "Highest" (0) is 4 ... "None" (4) is 0.
int SmoothTextLevel(int qualityItem);

// Draws Text with its upper left at (X, Y) on T in T's font, in Color (its
// alpha is the master alpha of the blend), at the given level (clamped to
// 0..4). What falls outside T is clipped, and only that part is rendered.
// Level 1 to 4 locks the shared measuring canvas while it works; the large
// text is drawn in bands so the memory used stays small whatever the text.
void DrawSmoothText(TBitmap32& T, int X, int Y, const QString& Text, int Level, TColor32 Color);

// The pixel combinations of text layers (M, the master alpha, is not used).
// Darkening (white background): white leaves B alone, black replaces it,
// anything else takes the smaller value of each channel.
void DarkeningCombine(TColor32 F, TColor32& B, TColor32 M);
// Lightening (black background): black leaves B alone, a grey level of 35 or
// more replaces it, anything darker takes the larger value of each channel.
void LighteningCombine(TColor32 F, TColor32& B, TColor32 M);
// 0xFFFFFFFF for black text (0xFF000000), else 0xFF000000.
TColor32 TextLayerBackground(TColor32 textColor);
// The lightening combine for a black background, else the darkening one.
TPixelCombineEvent TextLayerCombine(TColor32 background);

// What the "New Text Layer" dialog hands over (Level: SmoothTextLevel of the
// quality chosen; Turn stays 0 for a new layer).
using TTextLayerChoice = TTextLayerParams;

// Clears T to the colour's rgb with alpha 0 and puts the coverage of the text
// drawn at (0, 0) into its alpha, at the given level (clamped to 0..4): the
// same coverage DrawSmoothText blends with.
void DrawTextCoverage(TBitmap32& T, const QString& Text, int Level, TColor32 Color);

// The size of the layer for a text: its extent in the font (no blank appended).
TBitmap32::TSize TextLayerSize(const QString& text, const QFont& font);
// Whether a layer of that size is within the image limits (sides up to
// 30000 pixels, 400 million pixels in all).
bool TextLayerFits(const TBitmap32::TSize& size);

// The picture of an image layer turned by a quarter into Turned (H x W): the
// picture's outer ring made transparent, then mapped with the bilinear or
// nearest sampling of its stretch filter; Source ends as it was. Turned has
// the default draw settings (opaque, master alpha 255, nearest), keeps the
// combine handler and stays blended for a see-through picture, whose
// uncovered corners are clear. +90 turns it counter-clockwise on screen, -90
// clockwise.
void TurnLayerPicture(TBitmap32& Source, float Angle, TBitmap32& Turned);

// The picture of a text layer, turned by Params.Turn: TextLayerSize of the text, its
// coverage in the text's colour, blended when drawn (dmBlend, linear
// stretch). False, Picture untouched, when the text has no size or does not
// fit the image limits.
bool DrawTextLayerPicture(const TTextLayerParams& Params, TBitmap32& Picture);
// Gives the layer the picture's pixels (Picture gets the old ones) and the
// parameters, with the draw settings of a text layer.
void SetTextLayerPicture(TBitmapTextLayer& Layer, TBitmap32& Picture, const TTextLayerParams& Params);

// Adds the text layer of a choice on top of the view: the picture of
// DrawTextLayerPicture, centred on the visible part of the face (Tag 1),
// remembering the choice. Null, with nothing added, when the text has no
// size or does not fit the image limits. The caller wires the layer click,
// selects it, and turns it on the side face.
TBitmapTextLayer* AddTextLayerFrom(TCustomImage32* View, const TTextLayerChoice& Choice);
