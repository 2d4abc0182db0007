// The scaled draw and fill of the view's repaint. The draw gives the same pixels as
// TBitmap32::DrawScaled, reached faster for the opaque draws that views make
// on every repaint. Only the visible part of the destination is visited.
#pragma once

#include "Bitmap32.h"

// Draws the whole source scaled onto destRect of dest, exactly as
// dest.DrawScaled(destRect, source.BoundsRect(), source) does.
void ViewDrawScaled(TBitmap32& dest, const TRect& destRect, const TBitmap32& source);

// Fills the part of rect inside dest with colour (16 bytes per store).
void ViewFillRect(TBitmap32& dest, const TRect& rect, TColor32 color);

namespace scaled_draw {
// Which implementation ViewDrawScaled uses for the opaque case; tests compare
// them with each other and with DrawScaled.
enum class Path { Plain, Sse2 };
void UsePath(Path path);
Path ActivePath();
} // namespace scaled_draw
