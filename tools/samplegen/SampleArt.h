// The Greyfinch sample artwork: front, side and top faces of a fictional
// product box, drawn with the program's own imaging code.
#pragma once

#include "imaging/Bitmap32.h"

#include <vector>

namespace samples {

constexpr int FrontWidth = 466, FrontHeight = 600;
constexpr int SideWidth = 80, SideHeight = 600;
constexpr int TopWidth = 466, TopHeight = 80;

void DrawFront(TBitmap32& image);
void DrawSide(TBitmap32& image);
void DrawTop(TBitmap32& image);

// Drawing helpers (exposed for the tests).
struct TPointF {
    double X, Y;
};
// Fills a closed polygon with 4 x 4 supersampled coverage.
void FillPolygon(TBitmap32& image, const std::vector<TPointF>& points, TColor32 color);
// An ellipse rotated by `degrees` about its centre.
void FillEllipse(TBitmap32& image, double cx, double cy, double rx, double ry, double degrees, TColor32 color);
// Rows blend from `top` to `bottom`.
void FillVerticalGradient(TBitmap32& image, int y1, int y2, TColor32 top, TColor32 bottom);

} // namespace samples
