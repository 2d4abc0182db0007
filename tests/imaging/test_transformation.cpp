// Transformations: matrices, reverse mapping, bounds, and TransformBitmap in
// every draw mode, filter, inner-loop path and thread count.
#include "imaging/Transformation.h"
#include "imaging/TransformKernels.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

namespace {

// Restores the default path and threads after a test that switched them.
struct PathGuard {
    ~PathGuard()
    {
        UseTransformPath(BestTransformPath());
        SetTransformThreads(0);
        SetTransformThreadMinPixels(100'000);
    }
};

std::vector<TTransformPath> AvailablePaths()
{
    std::vector<TTransformPath> paths{TTransformPath::Plain};
    for (TTransformPath p : {TTransformPath::Sse2, TTransformPath::Avx2})
        if (UseTransformPath(p)) paths.push_back(p);
    UseTransformPath(BestTransformPath());
    return paths;
}

std::vector<TColor32> Pixels(const TBitmap32& b)
{
    return std::vector<TColor32>(b.Bits(), b.Bits() + std::size_t(b.Width()) * b.Height());
}

void FillRandom(TBitmap32& b, std::mt19937& rng)
{
    for (int y = 0; y < b.Height(); ++y)
        for (int x = 0; x < b.Width(); ++x) b.SetPixelAt(x, y, rng());
}

void FillRandom(TBitmap32& b, int width, int height, unsigned seed)
{
    std::mt19937 rng(seed);
    b.SetSize(width, height);
    FillRandom(b, rng);
}

void SetCorners(TProjectiveTransformation& t, const float (&c)[8])
{
    t.SetCorners(c[0], c[1], c[2], c[3], c[4], c[5], c[6], c[7]);
}

// The mapping pixel by pixel, written straight from the rules with the
// public reverse mapping, PixelAtSafe and the colour function table.
void ReferenceTransform(TBitmap32& dst, const TBitmap32& src, TTransformation& t)
{
    if (!t.TransformValid) t.PrepareMatrix();
    TDrawMode mode = src.DrawMode;
    if (mode == dmCustom && !src.OnPixelCombine) mode = dmOpaque;
    const TRealRect sr = t.SourceRect();
    const int SL = std::max(int(std::lrintf(sr.Left)), 0);
    const int ST = std::max(int(std::lrintf(sr.Top)), 0);
    const int SR = std::min(int(std::lrintf(sr.Right)), src.Width() - 1);
    const int SB = std::min(int(std::lrintf(sr.Bottom)), src.Height() - 1);
    const TRect b = t.TransformedBounds();
    const int L = std::max(b.Left, 0), T = std::max(b.Top, 0);
    const int R = std::min(b.Right, dst.Width() - 1), B = std::min(b.Bottom, dst.Height() - 1);
    if (R <= L || B <= T) return;
    for (int j = T; j <= B; ++j) {
        for (int i = L; i <= R; ++i) {
            TColor32 c;
            if (src.StretchFilter != sfNearest) {
                const TFixedPoint p = t.ReverseMapFine(i, j);
                const int cx = p.X >> 8, cy = p.Y >> 8;
                const std::uint32_t wx = 255 - (p.X & 255), wy = 255 - (p.Y & 255);
                if (cx < SL - 1 || cy < ST - 1 || cx >= SR || cy >= SB) continue;
                c = CombineColors(CombineColors(src.PixelAtSafe(cx, cy), src.PixelAtSafe(cx + 1, cy), wx),
                                  CombineColors(src.PixelAtSafe(cx, cy + 1),
                                                src.PixelAtSafe(cx + 1, cy + 1), wx),
                                  wy);
            } else {
                const TFixedPoint p = t.ReverseMap(i, j);
                if (p.X < SL || p.X > SR || p.Y < ST || p.Y > SB) continue;
                c = src.PixelAt(p.X, p.Y);
            }
            TColor32& d = dst.ScanLine(j)[i];
            if (mode == dmOpaque) d = c;
            else if (mode == dmBlend) BlendOverMaster(c, d, src.MasterAlpha);
            else src.OnPixelCombine(c, d, src.MasterAlpha);
        }
    }
}

// --- projective matrix ----------------------------------------------------------

TEST(ProjectiveTransformation, CornerPixelsMapBackToTheSourceCorners)
{
    TProjectiveTransformation t;
    t.SetSourceRect({0, 0, 200, 100});
    const float c[8] = {10, 20, 300, 5, 280, 190, 30, 150};
    SetCorners(t, c);
    t.PrepareMatrix();
    EXPECT_TRUE(t.TransformValid);
    const int expect[4][2] = {{0, 0}, {200, 0}, {200, 100}, {0, 100}};
    for (int k = 0; k < 4; ++k) {
        const TFixedPoint whole = t.ReverseMap(int(c[2 * k]), int(c[2 * k + 1]));
        EXPECT_EQ(whole.X, expect[k][0]) << "corner " << k;
        EXPECT_EQ(whole.Y, expect[k][1]) << "corner " << k;
        const TFixedPoint fine = t.ReverseMapFine(int(c[2 * k]), int(c[2 * k + 1]));
        EXPECT_NEAR(fine.X, 256 * expect[k][0], 8) << "corner " << k;
        EXPECT_NEAR(fine.Y, 256 * expect[k][1], 8) << "corner " << k;
    }
    // Setting a corner invalidates the prepared matrix.
    t.SetX2(281);
    EXPECT_FALSE(t.TransformValid);
}

TEST(ProjectiveTransformation, ParallelogramIsAnExactAffineMap)
{
    TProjectiveTransformation t;
    t.SetSourceRect({0, 0, 100, 50});
    const float c[8] = {10, 20, 110, 20, 110, 70, 10, 70};
    SetCorners(t, c);
    t.PrepareMatrix();
    const TFloatMatrix& r = t.ReverseMatrix();
    EXPECT_EQ(r[0][2], 0.0f);
    EXPECT_EQ(r[1][2], 0.0f);
    EXPECT_EQ(r[2][2], 1.0f);
    const TFixedPoint p = t.ReverseMap(47, 33);
    EXPECT_EQ(p.X, 37);
    EXPECT_EQ(p.Y, 13);
    const TFixedPoint f = t.ReverseMapFine(-3, 0);
    EXPECT_EQ(f.X, -13 * 256);
    EXPECT_EQ(f.Y, -20 * 256);
}

TEST(ProjectiveTransformation, DegenerateCornersInvertToTheIdentity)
{
    // P1, P2 and P3 on one line: k = 0, so the matrix is zero.
    TProjectiveTransformation collinear;
    collinear.SetSourceRect({0, 0, 10, 10});
    const float c1[8] = {5, 5, 1, 0, 0, 0, 2, 0};
    SetCorners(collinear, c1);
    // All corners in one point: a singular parallelogram.
    TProjectiveTransformation point;
    point.SetSourceRect({0, 0, 10, 10});
    const float c2[8] = {4, 4, 4, 4, 4, 4, 4, 4};
    SetCorners(point, c2);
    for (TProjectiveTransformation* t : {&collinear, &point}) {
        t->PrepareMatrix();
        const TFloatMatrix& r = t->ReverseMatrix();
        for (int row = 0; row < 3; ++row)
            for (int col = 0; col < 3; ++col) EXPECT_EQ(r[row][col], row == col ? 1.0f : 0.0f);
        const TFixedPoint p = t->ReverseMap(7, 9);
        EXPECT_EQ(p.X, 7);
        EXPECT_EQ(p.Y, 9);
    }
}

TEST(ProjectiveTransformation, PositionsBeyondTheIntegerRangeHaveNoSource)
{
    using transform_kernels::RoundPosition;
    EXPECT_EQ(RoundPosition(3e9f), NoSourcePosition);
    EXPECT_EQ(RoundPosition(-3e9f), NoSourcePosition);
    EXPECT_EQ(RoundPosition(INFINITY), NoSourcePosition);
    EXPECT_EQ(RoundPosition(NAN), NoSourcePosition);
    EXPECT_EQ(RoundPosition(2.5f), 2);
    EXPECT_EQ(RoundPosition(-2.5f), -2);
    EXPECT_EQ(RoundPosition(3.5f), 4);
}

TEST(ProjectiveTransformation, BoundsRoundHalfToEven)
{
    TProjectiveTransformation t;
    const float c[8] = {3, 1, 6, 2, 6.2f, 8, 3.4f, 7};
    SetCorners(t, c);
    // min x 3 -> 2.5 -> 2; max x 6.2 -> 6.7 -> 7; min y 1 -> 0.5 -> 0; max y 8 -> 8.5 -> 8.
    EXPECT_EQ(t.TransformedBounds(), MakeRect(2, 0, 7, 8));
}

// --- affine -----------------------------------------------------------------

TEST(AffineTransformation, StepsAppendInOrder)
{
    TAffineTransformation a;
    a.Translate(10, 0);
    a.Scale(2, 1); // x' = (x + 10) * 2
    a.PrepareMatrix();
    EXPECT_EQ(a.ReverseMap(40, 3).X, 10);
    EXPECT_EQ(a.ReverseMap(40, 3).Y, 3);

    TAffineTransformation b;
    b.Scale(2, 1);
    b.Translate(10, 0); // x' = 2x + 10
    b.PrepareMatrix();
    EXPECT_EQ(b.ReverseMap(40, 3).X, 15);

    b.Clear();
    EXPECT_FALSE(b.TransformValid);
    b.PrepareMatrix();
    EXPECT_EQ(b.ReverseMap(40, 3).X, 40);
}

TEST(AffineTransformation, RotationTurnsAboutTheCentre)
{
    TAffineTransformation a;
    a.Rotate(0, 0, 90); // (x, y) -> (y, -x)
    EXPECT_NEAR(a.Matrix()[0][1], -1.0f, 1e-6f);
    EXPECT_NEAR(a.Matrix()[1][0], 1.0f, 1e-6f);
    a.PrepareMatrix();
    const TFixedPoint p = a.ReverseMap(5, -7); // source (7, 5)
    EXPECT_EQ(p.X, 7);
    EXPECT_EQ(p.Y, 5);

    TAffineTransformation half;
    half.Rotate(10, 20, 180); // (12, 20) -> (8, 20); the centre stays
    half.PrepareMatrix();
    EXPECT_EQ(half.ReverseMap(8, 20).X, 12);
    EXPECT_EQ(half.ReverseMap(8, 20).Y, 20);
    EXPECT_EQ(half.ReverseMap(10, 20).X, 10);
}

TEST(AffineTransformation, FixedPointUsesArithmeticShifts)
{
    TAffineTransformation a;
    a.Translate(2.25f, 0);
    a.Scale(3, 1); // x' = 3 (x + 2.25): reverse x = x'/3 - 2.25
    a.PrepareMatrix();
    const auto r = a.FixedCoefficients();
    EXPECT_EQ(r.r1, 1365); // round(4096 / 3)
    EXPECT_EQ(r.r3, -9216);
    EXPECT_EQ(r.r5, 4096);
    // (-9216 + 2047) >> 12 = floor(-1.75) = -2; a truncating shift gives -1.
    EXPECT_EQ(a.ReverseMap(0, 0).X, -2);
    // (-9216 + 7) >> 4 = floor(-575.56) = -576.
    EXPECT_EQ(a.ReverseMapFine(0, 0).X, -576);
    // (1365 * -6 - 9216 + 7) >> 4 = -17399 >> 4 = -1088.
    EXPECT_EQ(a.ReverseMapFine(-6, 5).X, -1088);
    EXPECT_EQ(a.ReverseMapFine(-6, 5).Y, (4096 * 5 + 7) >> 4);
}

TEST(AffineTransformation, SingularMatrixAndHugeScales)
{
    TAffineTransformation a;
    a.Scale(0, 1);
    a.PrepareMatrix();
    EXPECT_EQ(a.ReverseMap(9, 4).X, 9); // identity

    // A scale whose reverse coefficients overflow 32 bits saturates.
    TAffineTransformation b;
    b.Scale(1e-6f, 100.0f);
    b.PrepareMatrix();
    EXPECT_EQ(b.FixedCoefficients().r1, INT32_MAX);
    EXPECT_EQ(b.ReverseMapFine(1 << 20, 0).X, INT32_MAX);
}

TEST(AffineTransformation, BoundsOfTheMappedSourceRect)
{
    TAffineTransformation a;
    a.SetSourceRect({0, 0, 10, 10});
    a.Scale(2, 3);
    a.Translate(-1, 4);
    // Corners (-1, 4) .. (19, 34): -1.5 -> -2, 19.5 -> 20, 3.5 -> 4, 34.5 -> 34.
    EXPECT_EQ(a.TransformedBounds(), MakeRect(-2, 4, 20, 34));
}

// --- TransformBitmap ------------------------------------------------------------

constexpr TColor32 kUntouched = 0x12345678;

TEST(TransformBitmap, BilinearStopsShortOfTheLastSourceColumnAndRow)
{
    TBitmap32 src;
    FillRandom(src, 4, 4, 1);
    src.StretchFilter = sfLinear;
    TBitmap32 dst;
    dst.SetSize(8, 8);
    dst.Clear(kUntouched);
    TProjectiveTransformation t;
    t.SetSourceRect({0, 0, 4, 4});
    const float c[8] = {0, 0, 4, 0, 4, 4, 0, 4}; // the identity
    SetCorners(t, c);
    TransformBitmap(dst, src, t);
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 8; ++x) {
            if (x < 3 && y < 3) {
                const TColor32 expect = plain::CombineColors(
                    plain::CombineColors(src.PixelAt(x, y), src.PixelAt(x + 1, y), 255),
                    plain::CombineColors(src.PixelAt(x, y + 1), src.PixelAt(x + 1, y + 1), 255), 255);
                EXPECT_EQ(dst.PixelAt(x, y), expect) << x << "," << y;
            } else {
                EXPECT_EQ(dst.PixelAt(x, y), kUntouched) << x << "," << y;
            }
        }
    }
}

TEST(TransformBitmap, OnePixelOutsideBlendsWithOuterColourTwoAreSkipped)
{
    TBitmap32 src;
    src.SetSize(6, 6);
    src.Clear(0xFF204060);
    src.OuterColor = 0x00000000;
    src.StretchFilter = sfLinear;
    TBitmap32 dst;
    dst.SetSize(10, 10);
    dst.Clear(kUntouched);
    TProjectiveTransformation t;
    t.SetSourceRect({-2, -2, 6, 6}); // destination i maps to source i - 2
    const float c[8] = {0, 0, 8, 0, 8, 8, 0, 8};
    SetCorners(t, c);
    TransformBitmap(dst, src, t);
    // Column and row 0 map to source -2: skipped.
    EXPECT_EQ(dst.PixelAt(0, 4), kUntouched);
    EXPECT_EQ(dst.PixelAt(4, 0), kUntouched);
    // Column 1 maps to source -1: outer colour with full weight, the picture
    // with weight 1/256.
    const TColor32 edge = plain::CombineColors(
        plain::CombineColors(0, 0xFF204060, 255), plain::CombineColors(0, 0xFF204060, 255), 255);
    EXPECT_EQ(dst.PixelAt(1, 4), edge);
    EXPECT_EQ(dst.PixelAt(1, 1), plain::CombineColors(plain::CombineColors(0, 0, 255),
                                                      plain::CombineColors(0, 0xFF204060, 255), 255));
    EXPECT_EQ(dst.PixelAt(4, 4), 0xFF204060u);
}

TEST(TransformBitmap, DestinationClipAndShapesOutside)
{
    TBitmap32 src;
    FillRandom(src, 20, 20, 2);
    src.StretchFilter = sfLinear;
    TProjectiveTransformation t;
    t.SetSourceRect({0, 0, 20, 20});

    TBitmap32 dst;
    dst.SetSize(16, 16);
    dst.Clear(kUntouched);
    int changes = 0;
    dst.OnChange = [&](TBitmap32*) { ++changes; };
    const float outside[8] = {-50, -50, -20, -48, -22, -10, -49, -12};
    SetCorners(t, outside);
    TransformBitmap(dst, src, t);
    EXPECT_EQ(Pixels(dst), std::vector<TColor32>(256, kUntouched));
    EXPECT_EQ(changes, 1); // marked changed even when nothing was drawn

    // Partly outside on all four sides: every written pixel matches the
    // reference, and the rest is untouched.
    const float across[8] = {-7, -9, 25, -3, 21, 24, -4, 19};
    SetCorners(t, across);
    TBitmap32 expect;
    expect.SetSize(16, 16);
    expect.Clear(kUntouched);
    ReferenceTransform(expect, src, t);
    TransformBitmap(dst, src, t);
    EXPECT_EQ(Pixels(dst), Pixels(expect));
    EXPECT_NE(dst.PixelAt(0, 0), kUntouched);
    EXPECT_NE(dst.PixelAt(15, 15), kUntouched);
}

TEST(TransformBitmap, DrawModes)
{
    TBitmap32 src;
    src.SetSize(8, 8);
    src.Clear(0x80FF0000);
    TBitmap32 dst;
    dst.SetSize(8, 8);
    TAffineTransformation t;
    t.SetSourceRect({0, 0, 8, 8});

    // Opaque copies the colour, alpha included.
    dst.Clear(0xFF0000FF);
    TransformBitmap(dst, src, t);
    EXPECT_EQ(dst.PixelAt(3, 3), 0x80FF0000u);

    // Blend mixes with the master alpha.
    src.DrawMode = dmBlend;
    src.MasterAlpha = 200;
    dst.Clear(0xFF0000FF);
    TransformBitmap(dst, src, t);
    TColor32 blended = 0xFF0000FF;
    BlendOverMaster(0x80FF0000, blended, 200);
    EXPECT_EQ(dst.PixelAt(3, 3), blended);
    EXPECT_NE(blended, 0xFF0000FFu);

    // Custom calls the handler with the colour, the destination and the master alpha.
    src.DrawMode = dmCustom;
    int calls = 0;
    src.OnPixelCombine = [&](TColor32 f, TColor32& b, TColor32 m) {
        ++calls;
        b = f ^ b ^ m;
    };
    dst.Clear(0xFF0000FF);
    TransformBitmap(dst, src, t);
    EXPECT_EQ(dst.PixelAt(3, 3), 0x80FF0000u ^ 0xFF0000FFu ^ 200u);
    EXPECT_EQ(calls, 8 * 8);

    // Custom without a handler draws opaque.
    src.OnPixelCombine = nullptr;
    dst.Clear(0xFF0000FF);
    TransformBitmap(dst, src, t);
    EXPECT_EQ(dst.PixelAt(3, 3), 0x80FF0000u);
}

TEST(TransformBitmap, NearestTakesWholePixelsInsideTheClip)
{
    TBitmap32 src;
    FillRandom(src, 5, 5, 3);
    TBitmap32 dst;
    dst.SetSize(12, 12);
    dst.Clear(kUntouched);
    TAffineTransformation t;
    t.SetSourceRect({1, 1, 4, 4});
    t.Scale(2, 2);
    TransformBitmap(dst, src, t);
    // Destination (i, j) reads source column (i*2048 + 2047) >> 12; the
    // bounds of the mapped source rectangle are columns and rows 2..8.
    for (int y = 0; y < 12; ++y) {
        for (int x = 0; x < 12; ++x) {
            const int sx = (x * 2048 + 2047) >> 12, sy = (y * 2048 + 2047) >> 12;
            const bool inside = sx >= 1 && sx <= 4 && sy >= 1 && sy <= 4 && x >= 2 && x <= 8 && y >= 2 && y <= 8;
            EXPECT_EQ(dst.PixelAt(x, y), inside ? src.PixelAt(sx, sy) : kUntouched) << x << "," << y;
        }
    }
}

TEST(TransformBitmap, MappingAnImageOntoItselfReadsTheOriginal)
{
    TBitmap32 img, copy;
    FillRandom(img, 30, 30, 4);
    img.StretchFilter = sfLinear;
    copy.CopyFrom(img);
    TProjectiveTransformation t;
    t.SetSourceRect({0, 0, 30, 30});
    const float c[8] = {2, 1, 29, 3, 27, 28, 0, 26};
    SetCorners(t, c);
    TBitmap32 expect;
    expect.CopyFrom(img);
    TransformBitmap(expect, copy, t);
    TransformBitmap(img, img, t);
    EXPECT_EQ(Pixels(img), Pixels(expect));
}

// --- every path gives the same pixels ---------------------------------------------

TEST(TransformKernels, VectorRowMappingMatchesThePlainOne)
{
    PathGuard guard;
    std::mt19937 rng(5);
    std::uniform_real_distribution<float> coef(-3, 3);
    const transform_kernels::TKernelSet* sets[] = {transform_kernels::Sse2Kernels(),
                                                   transform_kernels::Avx2Kernels()};
    for (int round = 0; round < 300; ++round) {
        TFloatMatrix r;
        for (auto& row : r)
            for (float& v : row) v = coef(rng);
        if (round % 3 == 0) r[0][2] = 1.0f, r[1][2] = 0.0f, r[2][2] = -float(round % 40); // z = 0 in the row
        if (round % 11 == 0) r[0][2] = 1e-7f;                                          // huge positions
        if (round % 7 == 0) r[0][2] = r[1][2] = r[2][2] = 0.0f;                        // z = 0 everywhere
        const int j = int(rng() % 200) - 100, x0 = int(rng() % 200) - 100, n = 1 + int(rng() % 60);
        const float scale = round % 2 ? 256.0f : 1.0f;
        std::vector<std::int32_t> px(n), py(n), vx(n), vy(n);
        transform_kernels::MapRowPlain(r, j, x0, n, scale, px.data(), py.data());
        if (round % 7 == 0) {
            ASSERT_EQ(px, std::vector<std::int32_t>(n, NoSourcePosition)) << "z = 0 has no source";
        }
        for (const auto* set : sets) {
            if (!set) continue;
            set->MapRow(r, j, x0, n, scale, vx.data(), vy.data());
            ASSERT_EQ(vx, px) << TransformPathName(set->Path) << " round " << round;
            ASSERT_EQ(vy, py) << TransformPathName(set->Path) << " round " << round;
        }
    }
}

struct TRandomCase {
    int SrcW, SrcH, DstW, DstH;
    TRealRect SourceRect;
    float Corners[8];
};

TRandomCase MakeRandomCase(std::mt19937& rng, int round)
{
    auto uni = [&](float lo, float hi) { return std::uniform_real_distribution<float>(lo, hi)(rng); };
    TRandomCase c;
    const int sizeClass = round % 5;
    c.SrcW = sizeClass == 0 ? 1 + int(rng() % 3) : 1 + int(rng() % 60);
    c.SrcH = sizeClass == 0 ? 1 + int(rng() % 3) : 1 + int(rng() % 60);
    c.DstW = 1 + int(rng() % (round % 4 == 0 ? 600 : 90));
    c.DstH = 1 + int(rng() % 90);
    c.SourceRect = {0, 0, float(c.SrcW), float(c.SrcH)};
    if (round % 6 == 1)
        c.SourceRect = {uni(-3, 3), uni(-3, 3), uni(0, c.SrcW + 3.0f), uni(0, c.SrcH + 3.0f)};
    const float w = float(c.DstW), h = float(c.DstH);
    switch (round % 4) {
    case 0: // a box face: nearly a rectangle
    case 1: {
        const float l = uni(-w / 4, w / 2), t = uni(-h / 4, h / 2);
        const float r = l + uni(1, w), b = t + uni(1, h);
        const float c8[8] = {l + uni(-2, 2), t + uni(-2, 2), r + uni(-4, 4), t + uni(-9, 9),
                             r + uni(-4, 4), b + uni(-9, 9), l + uni(-2, 2), b + uni(-2, 2)};
        std::copy(c8, c8 + 8, c.Corners);
        break;
    }
    case 2: // anywhere, huge skews, partly outside
        for (int k = 0; k < 8; k += 2) c.Corners[k] = uni(-w, 2 * w), c.Corners[k + 1] = uni(-h, 2 * h);
        break;
    default: { // tiny faces
        const float x = uni(-2, w), y = uni(-2, h), s = float(1 + rng() % 3);
        const float c8[8] = {x, y, x + s, y + uni(-0.5f, 0.5f), x + s, y + s, x + uni(-0.5f, 0.5f), y + s};
        std::copy(c8, c8 + 8, c.Corners);
        break;
    }
    }
    return c;
}

// Runs the mapping on every path, single and multi-threaded, and expects the
// reference's pixels from each.
void ExpectAllPathsMatchReference(TBitmap32& src, TTransformation& t, int dstW, int dstH,
                                  std::mt19937& rng, const std::string& what)
{
    TBitmap32 start;
    start.SetSize(dstW, dstH);
    FillRandom(start, rng);
    TBitmap32 expect;
    expect.CopyFrom(start);
    ReferenceTransform(expect, src, t);
    const std::vector<TColor32> want = Pixels(expect);
    for (TTransformPath path : AvailablePaths()) {
        for (int threads : {1, 2, 3}) {
            UseTransformPath(path);
            SetTransformThreads(threads);
            SetTransformThreadMinPixels(0);
            TBitmap32 dst;
            dst.CopyFrom(start);
            t.TransformValid = false;
            TransformBitmap(dst, src, t);
            ASSERT_EQ(Pixels(dst), want) << what << " path " << TransformPathName(path)
                                         << " threads " << threads;
        }
    }
}

void ConfigureSource(TBitmap32& src, std::mt19937& rng, int round)
{
    FillRandom(src, rng);
    src.OuterColor = rng();
    src.StretchFilter = round % 5 == 4 ? sfNearest : sfLinear;
    src.DrawMode = TDrawMode(rng() % 3);
    src.MasterAlpha = rng() % 256;
    src.OnPixelCombine = nullptr;
    if (src.DrawMode == dmCustom && round % 2)
        src.OnPixelCombine = [](TColor32 f, TColor32& b, TColor32 m) { b = (b >> 1) + f + m; };
}

TEST(TransformBitmap, ProjectivePathsAndThreadsMatchTheReference)
{
    PathGuard guard;
    std::mt19937 rng(6);
    for (int round = 0; round < 250; ++round) {
        const TRandomCase c = MakeRandomCase(rng, round);
        TBitmap32 src;
        src.SetSize(c.SrcW, c.SrcH);
        ConfigureSource(src, rng, round);
        TProjectiveTransformation t;
        t.SetSourceRect(c.SourceRect);
        SetCorners(t, c.Corners);
        ExpectAllPathsMatchReference(src, t, c.DstW, c.DstH, rng, "round " + std::to_string(round));
        if (HasFatalFailure()) return;
    }
}

TEST(TransformBitmap, AffinePathsAndThreadsMatchTheReference)
{
    PathGuard guard;
    std::mt19937 rng(7);
    auto uni = [&](float lo, float hi) { return std::uniform_real_distribution<float>(lo, hi)(rng); };
    for (int round = 0; round < 120; ++round) {
        const int w = 1 + int(rng() % 50), h = 1 + int(rng() % 50);
        TBitmap32 src;
        src.SetSize(w, h);
        ConfigureSource(src, rng, round);
        TAffineTransformation t;
        t.SetSourceRect({0, 0, float(w - 1), float(h - 1)});
        t.Translate(-(w - 1) / 2.0f, -(h - 1) / 2.0f);
        t.Rotate(0, 0, uni(-180, 180));
        t.Scale(uni(0.2f, 3), uni(0.2f, 3));
        t.Translate(uni(-10, 80), uni(-10, 80));
        ExpectAllPathsMatchReference(src, t, 1 + int(rng() % 120), 1 + int(rng() % 90), rng,
                                     "round " + std::to_string(round));
        if (HasFatalFailure()) return;
    }
}

// A transformation the mapping knows only through its virtual operations.
class TShiftedTransformation : public TTransformation {
public:
    TFixedPoint ReverseMap(int x, int y) const override { return {x - 3, y + 2}; }
    TFixedPoint ReverseMapFine(int x, int y) const override { return {x * 256 - 700, y * 256 + 600}; }
    void PrepareMatrix() override { TransformValid = true; }
    TRect TransformedBounds() const override { return MakeRect(-5, -5, 40, 30); }
};

TEST(TransformBitmap, OtherTransformationsMapThroughTheirOwnOperations)
{
    PathGuard guard;
    std::mt19937 rng(9);
    TBitmap32 src;
    FillRandom(src, 30, 25, 9);
    TShiftedTransformation t;
    t.SetSourceRect({0, 0, 30, 25});
    for (TStretchFilter filter : {sfNearest, sfLinear}) {
        src.StretchFilter = filter;
        ExpectAllPathsMatchReference(src, t, 35, 28, rng, "filter " + std::to_string(filter));
    }
}

TEST(TransformBitmap, BoxFaceOnEveryPathMatchesThePlainPath)
{
    // A face large enough to go through whole vector groups and thread bands
    // at the default threshold.
    PathGuard guard;
    TBitmap32 src;
    FillRandom(src, 400, 480, 8);
    src.StretchFilter = sfLinear;
    TProjectiveTransformation t;
    t.SetSourceRect({0, 0, 400, 480});
    t.SetCorners(59, 1, 460, 21, 460, 461, 59, 479);
    TBitmap32 plainDst;
    plainDst.SetSize(460, 480);
    plainDst.Clear(clWhite32);
    UseTransformPath(TTransformPath::Plain);
    SetTransformThreads(1);
    TransformBitmap(plainDst, src, t);
    const std::vector<TColor32> want = Pixels(plainDst);
    for (TTransformPath path : AvailablePaths()) {
        UseTransformPath(path);
        SetTransformThreads(2);
        TBitmap32 dst;
        dst.SetSize(460, 480);
        dst.Clear(clWhite32);
        TransformBitmap(dst, src, t);
        EXPECT_EQ(Pixels(dst), want) << TransformPathName(path);
    }
}

} // namespace
