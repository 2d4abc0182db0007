// Projective and affine transformations: matrices, reverse mapping, bounds.
// Every matrix operation is in 32-bit floats, in a fixed order of operations.
#include "imaging/Transformation.h"

#include "imaging/TransformKernels.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

using transform_kernels::AffinePosition;
using transform_kernels::RoundSaturated;

// Rounds to nearest, halves to even, kept inside a range that stays far from
// int overflow when rectangles are later widened or intersected.
int RoundCoord(double v)
{
    if (std::isnan(v)) return 0;
    v = std::clamp(v, -1.0e9, 1.0e9);
    return int(std::nearbyint(v));
}

void SetIdentity(TFloatMatrix& m)
{
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c) m[r][c] = r == c ? 1.0f : 0.0f;
}

void CopyMatrix(const TFloatMatrix& from, TFloatMatrix& to)
{
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c) to[r][c] = from[r][c];
}

// out := a * b (out may be a or b).
void Multiply(const TFloatMatrix& a, const TFloatMatrix& b, TFloatMatrix& out)
{
    TFloatMatrix m;
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c)
            m[r][c] = (a[r][0] * b[0][c] + a[r][1] * b[1][c]) + a[r][2] * b[2][c];
    CopyMatrix(m, out);
}

// Inverse by the adjugate; a (nearly) singular matrix inverts to the identity.
void Invert(const TFloatMatrix& a, TFloatMatrix& out)
{
    const float det = a[0][0] * a[1][1] * a[2][2] + a[0][1] * a[1][2] * a[2][0]
                    + a[0][2] * a[1][0] * a[2][1] - a[0][2] * a[1][1] * a[2][0]
                    - a[0][0] * a[1][2] * a[2][1] - a[0][1] * a[1][0] * a[2][2];
    if (std::fabs(det) < 1e-5f) {
        SetIdentity(out);
        return;
    }
    TFloatMatrix m;
    m[0][0] = (a[1][1] * a[2][2] - a[1][2] * a[2][1]) / det;
    m[0][1] = (a[0][2] * a[2][1] - a[0][1] * a[2][2]) / det;
    m[0][2] = (a[0][1] * a[1][2] - a[0][2] * a[1][1]) / det;
    m[1][0] = (a[1][2] * a[2][0] - a[1][0] * a[2][2]) / det;
    m[1][1] = (a[0][0] * a[2][2] - a[0][2] * a[2][0]) / det;
    m[1][2] = (a[0][2] * a[1][0] - a[0][0] * a[1][2]) / det;
    m[2][0] = (a[1][0] * a[2][1] - a[1][1] * a[2][0]) / det;
    m[2][1] = (a[0][1] * a[2][0] - a[0][0] * a[2][1]) / det;
    m[2][2] = (a[0][0] * a[1][1] - a[0][1] * a[1][0]) / det;
    CopyMatrix(m, out);
}

// m := m * [[a, b, 0], [c, d, 0], [e, f, 1]].
void AppendStep(TFloatMatrix& m, float a, float b, float c, float d, float e, float f)
{
    const TFloatMatrix step = {{a, b, 0}, {c, d, 0}, {e, f, 1}};
    Multiply(m, step, m);
}

// Bounding box of four points: min - 0.5 and max + 0.5, rounded.
TRect BoundsOf(const float (&x)[4], const float (&y)[4])
{
    const auto [minX, maxX] = std::minmax({x[0], x[1], x[2], x[3]});
    const auto [minY, maxY] = std::minmax({y[0], y[1], y[2], y[3]});
    return TRect{RoundSaturated(minX - 0.5f), RoundSaturated(minY - 0.5f),
                 RoundSaturated(maxX + 0.5f), RoundSaturated(maxY + 0.5f)};
}

} // namespace

TRect RoundRect(const TRealRect& r)
{
    return TRect{RoundCoord(r.Left), RoundCoord(r.Top), RoundCoord(r.Right), RoundCoord(r.Bottom)};
}

// --- projective ---------------------------------------------------------------

void TProjectiveTransformation::SetCorners(float x0, float y0, float x1, float y1, float x2,
                                           float y2, float x3, float y3)
{
    FX[0] = x0, FY[0] = y0, FX[1] = x1, FY[1] = y1;
    FX[2] = x2, FY[2] = y2, FX[3] = x3, FY[3] = y3;
    TransformValid = false;
}

void TProjectiveTransformation::PrepareMatrix()
{
    const float x0 = FX[0], y0 = FY[0], x1 = FX[1], y1 = FY[1];
    const float x2 = FX[2], y2 = FY[2], x3 = FX[3], y3 = FY[3];

    // Q sends the unit square's corners onto P0..P3.
    TFloatMatrix q;
    const float px = x0 - x1 + x2 - x3;
    const float py = y0 - y1 + y2 - y3;
    if (px == 0.0f && py == 0.0f) {
        q[0][0] = x1 - x0, q[0][1] = y1 - y0, q[0][2] = 0.0f;
        q[1][0] = x2 - x1, q[1][1] = y2 - y1, q[1][2] = 0.0f;
        q[2][0] = x0, q[2][1] = y0, q[2][2] = 1.0f;
    } else {
        const float dx1 = x1 - x2, dx2 = x3 - x2, dy1 = y1 - y2, dy2 = y3 - y2;
        const float k = dx1 * dy2 - dx2 * dy1;
        if (k == 0.0f) {
            for (auto& row : q) row[0] = row[1] = row[2] = 0.0f;
        } else {
            const float g = (px * dy2 - py * dx2) / k;
            const float h = (py * dx1 - px * dy1) / k;
            q[0][0] = x1 - x0 + g * x1, q[0][1] = y1 - y0 + g * y1, q[0][2] = g;
            q[1][0] = x3 - x0 + h * x3, q[1][1] = y3 - y0 + h * y3, q[1][2] = h;
            q[2][0] = x0, q[2][1] = y0, q[2][2] = 1.0f;
        }
    }

    // The source rectangle becomes the unit square first: M = T * S * Q.
    const TRealRect& r = FSourceRect;
    TFloatMatrix m;
    SetIdentity(m);
    m[2][0] = -r.Left;
    m[2][1] = -r.Top;
    TFloatMatrix s;
    SetIdentity(s);
    s[0][0] = 1.0f / (r.Right - r.Left);
    s[1][1] = 1.0f / (r.Bottom - r.Top);
    Multiply(m, s, m);
    Multiply(m, q, m);

    Invert(m, FMatrix);
    TransformValid = true;
}

TFixedPoint TProjectiveTransformation::ReverseMap(int x, int y) const
{
    TFixedPoint p;
    transform_kernels::MapProjectivePixel(FMatrix, float(x), float(y), 1.0f, p.X, p.Y);
    return p;
}

TFixedPoint TProjectiveTransformation::ReverseMapFine(int x, int y) const
{
    TFixedPoint p;
    transform_kernels::MapProjectivePixel(FMatrix, float(x), float(y), 256.0f, p.X, p.Y);
    return p;
}

TRect TProjectiveTransformation::TransformedBounds() const
{
    return BoundsOf(FX, FY);
}

// --- affine -------------------------------------------------------------------

TAffineTransformation::TAffineTransformation()
{
    SetIdentity(FMatrix);
}

void TAffineTransformation::Clear()
{
    SetIdentity(FMatrix);
    TransformValid = false;
}

void TAffineTransformation::Translate(float dx, float dy)
{
    AppendStep(FMatrix, 1, 0, 0, 1, dx, dy);
    TransformValid = false;
}

void TAffineTransformation::Scale(float sx, float sy)
{
    AppendStep(FMatrix, sx, 0, 0, sy, 0, 0);
    TransformValid = false;
}

void TAffineTransformation::Rotate(float cx, float cy, float alpha)
{
    const bool aroundPoint = cx != 0.0f || cy != 0.0f;
    if (aroundPoint) Translate(-cx, -cy);
    // Sine and cosine in double, so that the float entries are the nearest
    // to the true values.
    const double radians = double(alpha) * std::numbers::pi / 180.0;
    const float c = float(std::cos(radians));
    const float s = float(std::sin(radians));
    AppendStep(FMatrix, c, -s, s, c, 0, 0);
    if (aroundPoint) Translate(cx, cy);
    TransformValid = false;
}

void TAffineTransformation::PrepareMatrix()
{
    TFloatMatrix r;
    Invert(FMatrix, r);
    r1 = RoundSaturated(4096.0f * r[0][0]);
    r2 = RoundSaturated(4096.0f * r[1][0]);
    r3 = RoundSaturated(4096.0f * r[2][0]);
    r4 = RoundSaturated(4096.0f * r[0][1]);
    r5 = RoundSaturated(4096.0f * r[1][1]);
    r6 = RoundSaturated(4096.0f * r[2][1]);
    TransformValid = true;
}

TFixedPoint TAffineTransformation::ReverseMap(int x, int y) const
{
    const std::int64_t sx = std::int64_t(r1) * x + std::int64_t(r2) * y + r3 + 2047;
    const std::int64_t sy = std::int64_t(r4) * x + std::int64_t(r5) * y + r6 + 2047;
    return TFixedPoint{AffinePosition(sx, 12), AffinePosition(sy, 12)};
}

TFixedPoint TAffineTransformation::ReverseMapFine(int x, int y) const
{
    const std::int64_t sx = std::int64_t(r1) * x + std::int64_t(r2) * y + r3 + 7;
    const std::int64_t sy = std::int64_t(r4) * x + std::int64_t(r5) * y + r6 + 7;
    return TFixedPoint{AffinePosition(sx, 4), AffinePosition(sy, 4)};
}

TRect TAffineTransformation::TransformedBounds() const
{
    const TRealRect& r = FSourceRect;
    const float sx[4] = {r.Left, r.Right, r.Right, r.Left};
    const float sy[4] = {r.Top, r.Top, r.Bottom, r.Bottom};
    float x[4], y[4];
    for (int k = 0; k < 4; ++k) {
        x[k] = (sx[k] * FMatrix[0][0] + sy[k] * FMatrix[1][0]) + FMatrix[2][0];
        y[k] = (sx[k] * FMatrix[0][1] + sy[k] * FMatrix[1][1]) + FMatrix[2][1];
    }
    return BoundsOf(x, y);
}
