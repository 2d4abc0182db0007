// Drawing of the free view: pictures mapped onto four-corner shapes, flat
// shapes and thin lines, with exact area coverage at their outlines.
//
// Coordinates are output pixel coordinates with the pixel edges at whole
// numbers: pixel (i, j) covers [i, i + 1) x [j, j + 1). Each item is a set of
// closed outlines; a pixel's coverage is the part of its area inside them
// (overlapping outlines of one item add up to full coverage, never more).
//
// A picture is sampled through the projective mapping kernels of
// imaging/Transformation.h (the plain, SSE2 or AVX2 row functions, whichever
// is active), from the level of its TFaceLevels that matches how much the
// mapping shrinks it along each of its axes, with positions clamped into
// the level so that edge pixels take the face's own edge colour; the
// coverage makes the outline smooth.
//
// The output is drawn row by row: every row goes through all items in order,
// so rows can be shared out over threads in any way and give the same pixels.
#pragma once

#include "imaging/Bitmap32.h"

#include <vector>

class TFaceLevels;

namespace freeview {

struct TPoint2 {
    double X = 0, Y = 0;
    friend bool operator==(const TPoint2&, const TPoint2&) = default;
};

enum class TBlend {
    Cover, // the item replaces what is below in proportion to its coverage (faces)
    Over,  // the item's premultiplied colour goes over what is below (shadow, lines)
};

struct TDrawItem {
    // Closed outlines, one after another; Ends[k] is one past the last point
    // of outline k.
    std::vector<TPoint2> Points;
    std::vector<int> Ends;

    // A picture whose corners (0, 0), (w, 0), (w, h), (0, h) land on Corners;
    // without one the item is Colour.
    TFaceLevels* Picture = nullptr;
    TPoint2 Corners[4];
    TColor32 Colour = 0; // premultiplied

    // Red, green and blue of the picture times Shade / 256 (the light).
    int Shade = 256;
    TBlend Blend = TBlend::Cover;
    // Opacity over the picture, from its corner (0, 0) to (1, 1) in picture
    // fractions (s, t): clamp(Opacity0 + OpacityS * s + OpacityT * t, 0, 1).
    double Opacity0 = 1, OpacityS = 0, OpacityT = 0;
    // Drawn into a separate row that goes over the output after the last of
    // a run of such items (the reflection: its faces cover each other there,
    // and the whole then lies over the floor's shadow).
    bool Layered = false;
    // Shifts the level choice: positive blurs, negative sharpens (in halvings).
    double LevelBias = 0;

    void AddOutline(const TPoint2* points, int count);
};

struct TDrawOptions {
    int Threads = 1;           // 0: TransformThreads()
    bool ClearRows = true;     // start from transparent
    bool Unpremultiply = true; // leave straight alpha at the end
};

// Draws the items in order into dest. The levels the pictures need are made
// first, on the calling thread.
void DrawItems(TBitmap32& dest, std::vector<TDrawItem>& items, const TDrawOptions& options);

// The two-dimensional projective mapping taking the unit square's corners
// (0, 0), (1, 0), (1, 1), (0, 1) onto q[0..3]: rows of a 3 x 3 matrix for
// column vectors (s, t, 1).
struct THomography {
    double M[3][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
    static THomography SquareToQuad(const TPoint2 (&q)[4]);
    TPoint2 Map(double s, double t) const;
    THomography Inverse() const;
};

// One picture onto a four-corner shape of an opaque image, filtered and
// with a smooth outline (no light); what the free view does for each face.
// corners: where (0, 0), (w, 0), (w, h), (0, h) of the picture land.
void MapPictureFiltered(TBitmap32& dest, TFaceLevels& picture, const TPoint2 (&corners)[4], int threads = 1);

} // namespace freeview
