// Pixel-exact frame lines for the framed controls.
#pragma once

#include <QColor>
#include <QPoint>
#include <QRect>

#include <initializer_list>

class QPainter;

// Connected horizontal and vertical segments through the given points. Like a
// pen's line-to, every segment leaves out its end point, so the last point of
// the polyline is not drawn.
void DrawPolyline(QPainter& p, const QColor& color, std::initializer_list<QPoint> points);

// The outline of the pixels from (left, top) to (right - 1, bottom - 1).
void DrawOutline(QPainter& p, const QColor& color, int left, int top, int right, int bottom);

// Rings of `width` pixels: top and left in one colour, bottom and right in the
// other. Shrinks `r` by `width` on every side.
void Frame3D(QPainter& p, QRect& r, const QColor& topLeft, const QColor& bottomRight, int width);
