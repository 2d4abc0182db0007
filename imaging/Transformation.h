// Projective and affine transformations and TransformBitmap, which walks the
// destination pixels, maps each back into the source and samples it.
//
// All matrix arithmetic is in 32-bit floats with rounding half to even;
// the inner loops use 1/256-pixel positions and 8-bit weights.
#pragma once

#include "Bitmap32.h"

#include <climits>
#include <cstdint>
#include <functional>

struct TRealRect {
    float Left = 0, Top = 0, Right = 0, Bottom = 0;
};

// Whole-pixel rectangle of float bounds, each coordinate rounded to nearest
// (halves to even).
TRect RoundRect(const TRealRect& r);

// 3 x 3 matrix of floats, row by row, used with row vectors.
using TFloatMatrix = float[3][3];

struct TFixedPoint {
    std::int32_t X = 0, Y = 0;
};

class TTransformation {
public:
    virtual ~TTransformation() = default;

    const TRealRect& SourceRect() const { return FSourceRect; }
    void SetSourceRect(const TRealRect& r)
    {
        FSourceRect = r;
        TransformValid = false;
    }

    // Destination pixel to source pixel, whole pixels.
    virtual TFixedPoint ReverseMap(int x, int y) const = 0;
    // Destination pixel to source position in 1/256 pixel.
    virtual TFixedPoint ReverseMapFine(int x, int y) const = 0;
    virtual void PrepareMatrix() = 0;
    // Integer bounding box of the mapped source rectangle (right, bottom inclusive
    // as computed: round(max + 0.5)).
    virtual TRect TransformedBounds() const = 0;

    bool TransformValid = false;

protected:
    TRealRect FSourceRect;
};

class TProjectiveTransformation : public TTransformation {
public:
    // Corners P0..P3: images of the source rectangle's top-left, top-right,
    // bottom-right and bottom-left corners.
    float X0() const { return FX[0]; }
    float Y0() const { return FY[0]; }
    float X1() const { return FX[1]; }
    float Y1() const { return FY[1]; }
    float X2() const { return FX[2]; }
    float Y2() const { return FY[2]; }
    float X3() const { return FX[3]; }
    float Y3() const { return FY[3]; }
    void SetX0(float v) { FX[0] = v; TransformValid = false; }
    void SetY0(float v) { FY[0] = v; TransformValid = false; }
    void SetX1(float v) { FX[1] = v; TransformValid = false; }
    void SetY1(float v) { FY[1] = v; TransformValid = false; }
    void SetX2(float v) { FX[2] = v; TransformValid = false; }
    void SetY2(float v) { FY[2] = v; TransformValid = false; }
    void SetX3(float v) { FX[3] = v; TransformValid = false; }
    void SetY3(float v) { FY[3] = v; TransformValid = false; }
    // Sets all four corners at once.
    void SetCorners(float x0, float y0, float x1, float y1, float x2, float y2, float x3, float y3);

    TFixedPoint ReverseMap(int x, int y) const override;
    TFixedPoint ReverseMapFine(int x, int y) const override;
    void PrepareMatrix() override;
    TRect TransformedBounds() const override;

    // The prepared reverse matrix R.
    const TFloatMatrix& ReverseMatrix() const { return FMatrix; }

private:
    float FX[4] = {0, 0, 0, 0};
    float FY[4] = {0, 0, 0, 0};
    TFloatMatrix FMatrix = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
};

class TAffineTransformation : public TTransformation {
public:
    TAffineTransformation();

    void Clear();
    void Translate(float dx, float dy);
    void Scale(float sx, float sy);
    // Angle in degrees; with y down a positive angle turns counter-clockwise on screen.
    void Rotate(float cx, float cy, float alpha);

    TFixedPoint ReverseMap(int x, int y) const override;
    TFixedPoint ReverseMapFine(int x, int y) const override;
    void PrepareMatrix() override;
    TRect TransformedBounds() const override;

    const TFloatMatrix& Matrix() const { return FMatrix; }
    // The prepared reverse coefficients r1..r6 (12 fraction bits).
    struct TFixedCoefficients {
        std::int32_t r1, r2, r3, r4, r5, r6;
    };
    TFixedCoefficients FixedCoefficients() const { return {r1, r2, r3, r4, r5, r6}; }

private:
    TFloatMatrix FMatrix;
    std::int32_t r1 = 0, r2 = 0, r3 = 0, r4 = 0, r5 = 0, r6 = 0;
};

// Maps Src into Dst through T, honouring Src's draw mode, master alpha,
// pixel combine handler and stretch filter.
void TransformBitmap(TBitmap32& Dst, const TBitmap32& Src, TTransformation& T);

// ReverseMap and ReverseMapFine return this for both coordinates when a
// destination pixel has no source position (the projective division by zero,
// or a position beyond the 32-bit range); such pixels are never drawn.
constexpr std::int32_t NoSourcePosition = INT32_MIN;

// --- inner-loop implementation and threads ---------------------------------
// Every choice gives exactly the same pixels; tests and benchmarks switch
// between them. The best path for the processor is chosen on first use.
enum class TTransformPath { Plain, Sse2, Avx2 };
// Switches to a path; false (and no change) when the processor lacks it.
bool UseTransformPath(TTransformPath path);
TTransformPath ActiveTransformPath();
// The fastest path this processor runs.
TTransformPath BestTransformPath();
const char* TransformPathName(TTransformPath path);

// Most threads one TransformBitmap may split its rows over; 1 keeps all work
// on the calling thread, 0 means one per processor (the default).
void SetTransformThreads(int count);
int TransformThreads();
// Runs `work` on the calling thread and on threads - 1 more at once, and
// returns when all have finished; when no more threads can be had, the ones
// running do it all. For work that takes its share itself (rows handed out
// by a counter).
void RunOnThreads(int threads, const std::function<void()>& work);
// Fewest visited destination pixels before rows are split over threads.
void SetTransformThreadMinPixels(std::int64_t pixels);
std::int64_t TransformThreadMinPixels();
