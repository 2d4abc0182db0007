// Small helpers for tests that inspect rendered boxes.
#pragma once

#include "render/Bitmap32Utils.h"

#include <functional>

namespace rendertest {

constexpr TColor32 kRed = 0xFFFF0000u;
constexpr TColor32 kBlue = 0xFF0000FFu;
constexpr TColor32 kGreen = 0xFF00FF00u;

inline void MakeFace(TBitmap32& face, int width, int height, TColor32 color)
{
    face.SetSize(width, height);
    face.Clear(color);
}

inline TColor32 Rgb(TColor32 c) { return c & 0x00FFFFFFu; }
inline bool IsWhiteRgb(TColor32 c) { return Rgb(c) == 0x00FFFFFFu; }
// Red or blue clearly dominates (the faces of the colour-coded boxes).
inline bool IsReddish(TColor32 c) { return RedComponent(c) > 200 && BlueComponent(c) < 60; }
inline bool IsBluish(TColor32 c) { return BlueComponent(c) > 200 && RedComponent(c) < 60; }

// First and last row of column x whose pixel satisfies pred; {-1, -1} if none.
struct TRun {
    int First = -1, Last = -1;
};
inline TRun ColumnRun(const TBitmap32& image, int x, const std::function<bool(TColor32)>& pred)
{
    TRun run;
    for (int y = 0; y < image.Height(); ++y)
        if (pred(image.PixelAt(x, y))) {
            if (run.First < 0) run.First = y;
            run.Last = y;
        }
    return run;
}

inline bool SamePixels(const TBitmap32& a, const TBitmap32& b)
{
    if (a.Width() != b.Width() || a.Height() != b.Height()) return false;
    for (int y = 0; y < a.Height(); ++y)
        for (int x = 0; x < a.Width(); ++x)
            if (a.PixelAt(x, y) != b.PixelAt(x, y)) return false;
    return true;
}

// Composes a box from freshly made uniform faces (the compositions modify their inputs).
struct TFaceSizes {
    int FrontW = 200, FrontH = 300, SideW = 40, SideH = 300, TopW = 240, TopH = 50;
};
inline void ComposeUniform(TBitmap32& dest, TBoxStyle style, TBoxOrientation orientation,
                           bool defaultSize, bool shadow, const TFaceSizes& s = {},
                           TColor32 front = kRed, TColor32 side = kBlue, TColor32 top = kGreen)
{
    TBitmap32 f, sd, t;
    MakeFace(f, s.FrontW, s.FrontH, front);
    MakeFace(sd, s.SideW, s.SideH, side);
    MakeFace(t, s.TopW, s.TopH, top);
    ComposeBox(dest, f, sd, t, style, orientation, defaultSize, 250, 300, shadow);
}

} // namespace rendertest
