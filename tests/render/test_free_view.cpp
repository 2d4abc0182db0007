// The free view: where the faces land against a pinhole camera of the test's
// own, which faces show, what the pixels hold, and its limits.
#include "RenderTestUtils.h"
#include "SupersampledReference.h"

#include "imaging/Transformation.h"
#include "render/FreeView.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <set>

using namespace rendertest;
using freeview::TFaceGeometry;
using freeview::TFreeViewGeometry;
using freeview::TFreeViewSettings;
using freeview::TPoint2;

namespace {

constexpr TColor32 kYellow = 0xFFFFFF00u;

struct TVec {
    double X, Y, Z;
};
TVec Sub(TVec a, TVec b) { return {a.X - b.X, a.Y - b.Y, a.Z - b.Z}; }
double Dot(TVec a, TVec b) { return a.X * b.X + a.Y * b.Y + a.Z * b.Z; }
TVec Cross(TVec a, TVec b) { return {a.Y * b.Z - a.Z * b.Y, a.Z * b.X - a.X * b.Z, a.X * b.Y - a.Y * b.X}; }
TVec Unit(TVec a)
{
    const double l = std::sqrt(Dot(a, a));
    return {a.X / l, a.Y / l, a.Z / l};
}

// A look-at camera: the eye goes up by the pitch from in front of the box,
// then round to the left by the yaw, at the distance where the box's
// bounding sphere fills the field of view.
struct TPinhole {
    TVec Eye, Forward, Right, Up;
    bool Parallel;

    TPinhole(double yaw, double pitch, double fov, double radius)
    {
        const double d2r = std::numbers::pi / 180;
        const TVec raised{0, std::sin(pitch * d2r), std::cos(pitch * d2r)};
        const double c = std::cos(-yaw * d2r), s = std::sin(-yaw * d2r);
        const TVec toEye{raised.X * c + raised.Z * s, raised.Y, -raised.X * s + raised.Z * c};
        Parallel = fov == 0;
        const double distance = Parallel ? 1 : radius / std::sin(fov * d2r / 2);
        Eye = {toEye.X * distance, toEye.Y * distance, toEye.Z * distance};
        Forward = Unit(Sub({0, 0, 0}, toEye));
        Right = Unit(Cross(Forward, {0, 1, 0}));
        Up = Cross(Right, Forward);
    }
    TPoint2 Project(TVec p) const
    {
        if (Parallel) return {Dot(p, Right), -Dot(p, Up)};
        const TVec d = Sub(p, Eye);
        return {Dot(d, Right) / Dot(d, Forward), -Dot(d, Up) / Dot(d, Forward)};
    }
};

// The world corners of a box face of the given name, picture corner order.
std::vector<TVec> WorldCorners(const std::string& name, double W, double H, double D, bool rightSide)
{
    const double x = W / 2, y = H / 2, z = D / 2;
    if (name == "front") return {{-x, y, z}, {x, y, z}, {x, -y, z}, {-x, -y, z}};
    if (name == "top") return {{-x, y, -z}, {x, y, -z}, {x, y, z}, {-x, y, z}};
    if (name == "bottom") return {{-x, -y, z}, {x, -y, z}, {x, -y, -z}, {-x, -y, -z}};
    if (rightSide) return {{x, y, z}, {x, y, -z}, {x, -y, -z}, {x, -y, z}};
    return {{-x, y, -z}, {-x, y, z}, {-x, -y, z}, {-x, -y, -z}};
}

struct TScene {
    freeview::TFreeViewBox Box;
    TBitmap32 Front, Side, Top;

    explicit TScene(TBoxStyle style, int frontW = 300, int frontH = 400, int sideW = 60)
    {
        MakeFace(Front, frontW, frontH, kRed);
        MakeFace(Side, sideW, frontH, kBlue);
        MakeFace(Top, frontW, sideW, kGreen);
        Box.SetStyle(style);
        Box.SetFace(fkFront, Front);
        Box.SetFace(fkSide, Side);
        Box.SetFace(fkTop, Top);
    }
};

TFreeViewSettings Pose(double yaw, double pitch, double fov, int w = 600, int h = 500)
{
    TFreeViewSettings s;
    s.Yaw = yaw;
    s.Pitch = pitch;
    s.Fov = fov;
    s.Width = w;
    s.Height = h;
    return s;
}

const TFaceGeometry* Face(const TFreeViewGeometry& g, const std::string& name)
{
    for (const TFaceGeometry& f : g.Faces)
        if (f.Name == name) return &f;
    return nullptr;
}

std::set<std::string> Names(const TFreeViewGeometry& g)
{
    std::set<std::string> names;
    for (const TFaceGeometry& f : g.Faces) names.insert(f.Name);
    return names;
}

// The projective mapping of the unit square onto the face's corners, from
// the eight equations it must satisfy (Gaussian elimination).
struct TQuadMapping {
    double A[8] = {};

    explicit TQuadMapping(const TFaceGeometry& f)
    {
        const double s[4] = {0, 1, 1, 0}, t[4] = {0, 0, 1, 1};
        double m[8][9] = {};
        for (int k = 0; k < 4; ++k) {
            double* rx = m[2 * k];
            double* ry = m[2 * k + 1];
            const double x = f.X[k], y = f.Y[k];
            rx[0] = s[k], rx[1] = t[k], rx[2] = 1, rx[6] = -s[k] * x, rx[7] = -t[k] * x, rx[8] = x;
            ry[3] = s[k], ry[4] = t[k], ry[5] = 1, ry[6] = -s[k] * y, ry[7] = -t[k] * y, ry[8] = y;
        }
        for (int c = 0; c < 8; ++c) {
            int pivot = c;
            for (int r = c + 1; r < 8; ++r)
                if (std::fabs(m[r][c]) > std::fabs(m[pivot][c])) pivot = r;
            std::swap(m[c], m[pivot]);
            for (int r = 0; r < 8; ++r) {
                if (r == c) continue;
                const double k = m[r][c] / m[c][c];
                for (int j = c; j < 9; ++j) m[r][j] -= k * m[c][j];
            }
        }
        for (int c = 0; c < 8; ++c) A[c] = m[c][8] / m[c][c];
    }
    TPoint2 Map(double s, double t) const
    {
        const double z = A[6] * s + A[7] * t + 1;
        return {(A[0] * s + A[1] * t + A[2]) / z, (A[3] * s + A[4] * t + A[5]) / z};
    }
};

TColor32 PixelAtPoint(const TBitmap32& b, TPoint2 p) { return b.PixelAt(int(std::floor(p.X)), int(std::floor(p.Y))); }

} // namespace

TEST(FreeView, CornersFollowAPinholeCameraUpToTheFraming)
{
    struct TCase {
        double Yaw, Pitch, Fov;
    };
    for (const TCase& c : {TCase{30, 15, 30}, TCase{-50, 40, 60}, TCase{70, -20, 0}, TCase{-10, -60, 100}}) {
        SCOPED_TRACE(testing::Message() << "yaw " << c.Yaw << " pitch " << c.Pitch << " fov " << c.Fov);
        TScene scene(bxThreeSideBox);
        const TFreeViewSettings s = Pose(c.Yaw, c.Pitch, c.Fov);
        const TFreeViewGeometry g = freeview::LayOut(scene.Box, s);
        ASSERT_EQ(g.Width, 600);
        ASSERT_EQ(g.Height, 500);
        const double W = 300, H = 400, D = 60;
        const TPinhole camera(c.Yaw, c.Pitch, c.Fov, 0.5 * std::sqrt(W * W + H * H + D * D));
        std::vector<TPoint2> got, expected;
        for (const TFaceGeometry& f : g.Faces)
            for (int k = 0; k < 4; ++k) {
                got.push_back({f.X[k], f.Y[k]});
                expected.push_back(camera.Project(WorldCorners(f.Name, W, H, D, c.Yaw < 0)[std::size_t(k)]));
            }
        ASSERT_GE(got.size(), 8u);
        // Framing only scales and moves: fit both on two corners far apart.
        std::size_t far = 0;
        for (std::size_t i = 1; i < got.size(); ++i)
            if (std::hypot(expected[i].X - expected[0].X, expected[i].Y - expected[0].Y) >
                std::hypot(expected[far].X - expected[0].X, expected[far].Y - expected[0].Y))
                far = i;
        const double k = std::hypot(got[far].X - got[0].X, got[far].Y - got[0].Y) /
                         std::hypot(expected[far].X - expected[0].X, expected[far].Y - expected[0].Y);
        double left = 1e9, right = -1e9, top = 1e9, bottom = -1e9;
        for (std::size_t i = 0; i < got.size(); ++i) {
            EXPECT_NEAR(got[i].X, got[0].X + k * (expected[i].X - expected[0].X), 1e-6) << i;
            EXPECT_NEAR(got[i].Y, got[0].Y + k * (expected[i].Y - expected[0].Y), 1e-6) << i;
            left = std::min(left, got[i].X), right = std::max(right, got[i].X);
            top = std::min(top, got[i].Y), bottom = std::max(bottom, got[i].Y);
        }
        // Centred, filling the output less a margin of 4% of its smaller side.
        EXPECT_NEAR((left + right) / 2, 300, 1e-6);
        EXPECT_NEAR((top + bottom) / 2, 250, 1e-6);
        EXPECT_TRUE(std::fabs(right - left - 560) < 1e-6 || std::fabs(bottom - top - 460) < 1e-6);
        EXPECT_LE(right - left, 560 + 1e-6);
        EXPECT_LE(bottom - top, 460 + 1e-6);
    }
}

TEST(FreeView, FacesThatMeetShareTheirEdgeAndNoSeamShowsThrough)
{
    for (double yaw : {35.0, -20.0}) {
        SCOPED_TRACE(testing::Message() << "yaw " << yaw);
        TScene scene(bxThreeSideBox);
        TBitmap32 out;
        TFreeViewGeometry g;
        freeview::Render(scene.Box, Pose(yaw, 25, 40), out, &g);
        const TFaceGeometry *front = Face(g, "front"), *side = Face(g, "side"), *top = Face(g, "top");
        ASSERT_TRUE(front && side && top);
        // Front's near edge is the side's: its left edge for a side on the left.
        const int f0 = yaw > 0 ? 0 : 1, f1 = yaw > 0 ? 3 : 2, s0 = yaw > 0 ? 1 : 0, s1 = yaw > 0 ? 2 : 3;
        EXPECT_EQ(front->X[f0], side->X[s0]);
        EXPECT_EQ(front->Y[f0], side->Y[s0]);
        EXPECT_EQ(front->X[f1], side->X[s1]);
        EXPECT_EQ(front->Y[f1], side->Y[s1]);
        // The lid's front edge is the front's top edge.
        EXPECT_EQ(top->X[3], front->X[0]);
        EXPECT_EQ(top->Y[3], front->Y[0]);
        EXPECT_EQ(top->X[2], front->X[1]);
        EXPECT_EQ(top->Y[2], front->Y[1]);
        // Along both seams the box is fully opaque.
        for (double t = 0.1; t < 0.95; t += 0.1) {
            const TPoint2 a{front->X[f0] + t * (front->X[f1] - front->X[f0]), front->Y[f0] + t * (front->Y[f1] - front->Y[f0])};
            const TPoint2 b{front->X[0] + t * (front->X[1] - front->X[0]), front->Y[0] + t * (front->Y[1] - front->Y[0])};
            EXPECT_EQ(AlphaComponent(PixelAtPoint(out, a)), 255) << t;
            EXPECT_EQ(AlphaComponent(PixelAtPoint(out, b)), 255) << t;
        }
        EXPECT_EQ(out.PixelAt(0, 0), 0u); // the ground is clear
    }
}

TEST(FreeView, TheFacesShownFollowTheSignsOfYawAndPitch)
{
    struct TCase {
        TBoxStyle Style;
        double Yaw, Pitch, Fov;
        std::set<std::string> Shown;
    };
    const std::vector<TCase> cases = {
        {bxTwoSidedBox, 30, 15, 30, {"side", "top", "front"}},
        {bxTwoSidedBox, -30, 15, 30, {"side", "top", "front"}},
        {bxTwoSidedBox, 30, -15, 30, {"side", "bottom", "front"}},
        {bxTwoSidedBox, 0, 0, 0, {"front"}},
        // Level with the box's middle, the camera sees neither lid nor bottom.
        {bxTwoSidedBox, 0, 0, 30, {"front"}},
        {bxBookCover, 30, 15, 30, {"inside", "pages-top", "side", "front"}},
        {bxBookCover, -30, 15, 30, {"inside", "pages-top", "pages-edge", "front"}},
        {bxBookCover, 30, -15, 30, {"inside", "bottom", "side", "front"}},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(testing::Message() << "style " << c.Style << " yaw " << c.Yaw << " pitch " << c.Pitch);
        TScene scene(c.Style);
        const TFreeViewGeometry g = freeview::LayOut(scene.Box, Pose(c.Yaw, c.Pitch, c.Fov));
        EXPECT_EQ(Names(g), c.Shown);
        EXPECT_EQ(g.Faces.back().Name, "front"); // nothing lies in front of the front
        if (const TFaceGeometry* side = Face(g, "side")) {
            const TFaceGeometry* front = Face(g, "front");
            const double sideMiddle = (side->X[0] + side->X[2]) / 2, frontMiddle = (front->X[0] + front->X[2]) / 2;
            EXPECT_EQ(sideMiddle < frontMiddle, c.Yaw > 0);
        }
    }
    // The lid has the top picture on a three-sided box, and is flat (W x D) on the others.
    TScene three(bxThreeSideBox), two(bxTwoSidedBox);
    MakeFace(three.Top, 123, 45, kGreen);
    three.Box.SetFace(fkTop, three.Top);
    const TFreeViewGeometry threeSided = freeview::LayOut(three.Box, Pose(30, 15, 30));
    const TFaceGeometry* lid = Face(threeSided, "top");
    ASSERT_TRUE(lid);
    EXPECT_EQ(lid->ImageWidth, 123);
    EXPECT_EQ(lid->ImageHeight, 45);
    const TFreeViewGeometry twoSided = freeview::LayOut(two.Box, Pose(30, 15, 30));
    lid = Face(twoSided, "top");
    ASSERT_TRUE(lid);
    EXPECT_EQ(lid->ImageWidth, 300);
    EXPECT_EQ(lid->ImageHeight, 60);
}

TEST(FreeView, ACheckerFaceLandsWhereItsCornersSay)
{
    constexpr int kSquare = 40, kCols = 8, kRows = 10;
    for (const TFreeViewSettings& s : {Pose(30, 15, 30), Pose(-40, 30, 70, 900, 700)}) {
        TScene scene(bxTwoSidedBox);
        scene.Front.SetSize(kSquare * kCols, kSquare * kRows);
        for (int y = 0; y < scene.Front.Height(); ++y)
            for (int x = 0; x < scene.Front.Width(); ++x)
                scene.Front.SetPixelAt(x, y, (x / kSquare + y / kSquare) % 2 ? kBlue : kYellow);
        scene.Box.SetFace(fkFront, scene.Front);
        TBitmap32 out;
        TFreeViewGeometry g;
        freeview::Render(scene.Box, s, out, &g);
        const TFaceGeometry* front = Face(g, "front");
        ASSERT_TRUE(front);
        const TQuadMapping map(*front);
        for (int row = 0; row < kRows; ++row)
            for (int col = 0; col < kCols; ++col) {
                // The middle of the square and points a quarter square from it.
                for (double d : {0.0, -0.25, 0.25}) {
                    const TPoint2 p = map.Map((col + 0.5 + d) / kCols, (row + 0.5 - d) / kRows);
                    const TColor32 c = PixelAtPoint(out, p);
                    const bool blue = (col + row) % 2;
                    EXPECT_EQ(BlueComponent(c) > RedComponent(c), blue) << "square " << col << ", " << row;
                    EXPECT_EQ(AlphaComponent(c), 255);
                }
            }
    }
}

TEST(FreeView, ShrunkenStripesStayCloseToTheSupersampledReference)
{
    // Upright stripes one pixel wide: a drawer without filtering turns them
    // into coarse bars (the worst case for aliasing).
    TBitmap32 stripes;
    stripes.SetSize(900, 600);
    for (int y = 0; y < 600; ++y)
        for (int x = 0; x < 900; ++x) stripes.SetPixelAt(x, y, x % 2 ? clWhite32 : clBlack32);
    TFaceLevels levels;
    levels.Assign(stripes);
    struct TCase {
        const char* What;
        TPoint2 Q[4];
    };
    const TCase cases[] = {
        // Straight shrinkings by even factors, where the reference's own box
        // filter settles the stripes to grey too.
        {"a quarter", {{10.3, 10.6}, {235.3, 10.6}, {235.3, 160.6}, {10.3, 160.6}}},
        {"squeezed across", {{40.3, 20}, {152.8, 20}, {152.8, 320}, {40.3, 320}}},
        {"in perspective", {{20, 15}, {170, 45}, {170, 165}, {20, 195}}},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.What);
        auto drawn = [&](double bias) {
            TBitmap32 out;
            out.SetSize(330, 340);
            out.Clear(clWhite32);
            std::vector<freeview::TDrawItem> items(1);
            items[0].AddOutline(c.Q, 4);
            items[0].Picture = &levels;
            std::copy(std::begin(c.Q), std::end(c.Q), items[0].Corners);
            items[0].LevelBias = bias;
            freeview::DrawItems(out, items, {1, false, false});
            return reference::MeanError(stripes, c.Q, [&](int x, int y) { return out.PixelAt(x, y); }, 330, 340);
        };
        // Flat grey is within about 5 of the reference, whose 16 x 16
        // samples a pixel cannot settle stripes this fine any better.
        EXPECT_LT(drawn(0), 8.0);
        // The unfiltered picture is far off: the bound means something.
        EXPECT_GT(drawn(-64), 30.0);
    }
}

TEST(FreeView, ThreadsAndVectorPathsDrawThePlainPathsPixels)
{
    const std::int64_t minPixels = TransformThreadMinPixels();
    SetTransformThreadMinPixels(0);
    for (TBoxStyle style : {bxThreeSideBox, bxBookCover}) {
        SCOPED_TRACE(testing::Message() << "style " << style);
        TScene scene(style, 420, 560, 90);
        // A face with fine detail, so that every sample counts.
        for (int y = 0; y < 560; ++y)
            for (int x = 0; x < 420; ++x)
                scene.Front.SetPixelAt(x, y, Color32(std::uint8_t(x * 7), std::uint8_t(y * 3), std::uint8_t((x ^ y) * 5)));
        scene.Box.SetFace(fkFront, scene.Front);
        TFreeViewSettings s = Pose(-25, 20, 45, 520, 700);
        s.Shadow = s.Reflection = true;
        auto render = [&](TTransformPath path, int threads) {
            EXPECT_TRUE(UseTransformPath(path));
            s.Threads = threads;
            TBitmap32 out;
            freeview::Render(scene.Box, s, out);
            return std::vector<TColor32>(out.Bits(), out.Bits() + std::size_t(out.Width()) * out.Height());
        };
        const std::vector<TColor32> plain = render(TTransformPath::Plain, 1);
        EXPECT_EQ(render(TTransformPath::Plain, 2), plain);
        if (CpuHasSse2()) {
            EXPECT_EQ(render(TTransformPath::Sse2, 2), plain);
        }
        if (CpuHasAvx2()) {
            EXPECT_EQ(render(TTransformPath::Avx2, 3), plain);
        }
        // The reflection and the shadow are there: see-through pixels in the bottom third.
        EXPECT_GT(std::count_if(plain.end() - 520 * 230, plain.end(),
                                [](TColor32 c) { return AlphaComponent(c) > 0 && AlphaComponent(c) < 255; }),
                  5000);
    }
    UseTransformPath(BestTransformPath());
    SetTransformThreadMinPixels(minPixels);
}

TEST(FreeView, AnEditedFaceOfTheSameSizeIsDrawnAfresh)
{
    // The kept box writes the new face into its old levels' storage: the
    // frame must be the one a new box gives.
    TScene kept(bxThreeSideBox, 640, 480, 96), fresh(bxThreeSideBox, 640, 480, 96);
    const TFreeViewSettings s = Pose(20, 30, 40, 200, 180);
    TBitmap32 before, after, expected;
    freeview::Render(kept.Box, s, before);
    TBitmap32 edited;
    edited.SetSize(640, 480);
    for (int y = 0; y < 480; ++y)
        for (int x = 0; x < 640; ++x) edited.SetPixelAt(x, y, (x / 16 + y / 16) % 2 ? kYellow : kBlue);
    kept.Box.SetFace(fkFront, edited);
    fresh.Box.SetFace(fkFront, edited);
    freeview::Render(kept.Box, s, after);
    freeview::Render(fresh.Box, s, expected);
    EXPECT_FALSE(SamePixels(before, after));
    EXPECT_TRUE(SamePixels(after, expected));
}

TEST(FreeView, SettingsOutOfRangeAndHugeOutputsAreRefusedLeavingThePictureAlone)
{
    TScene scene(bxTwoSidedBox, 2000, 2400, 300);
    std::vector<TFreeViewSettings> bad(9);
    bad[0].Yaw = 90.5;
    bad[1].Pitch = -91;
    bad[2].Fov = 101;
    bad[3].Fov = std::nan("");
    bad[4].Scale = 0;
    bad[5].ReflectionOpacity = 1.5;
    bad[6].Width = 0, bad[6].Height = 5;
    bad[7].Width = freeview::kMaxSide + 1, bad[7].Height = 10;
    bad[8].ReflectionFade = 0;
    TBitmap32 out;
    MakeFace(out, 7, 5, kGreen);
    for (const TFreeViewSettings& s : bad) {
        EXPECT_FALSE(freeview::SettingsProblem(s).empty());
        EXPECT_THROW(freeview::LayOut(scene.Box, s), std::invalid_argument);
        EXPECT_THROW(freeview::Render(scene.Box, s, out), std::invalid_argument);
    }
    // Sixteen times a 2400 pixel face is past the largest side.
    TFreeViewSettings huge;
    huge.Scale = 16;
    EXPECT_THROW(freeview::Render(scene.Box, huge, out), EBitmapError);
    ASSERT_EQ(out.Width(), 7);
    ASSERT_EQ(out.Height(), 5);
    EXPECT_EQ(out.PixelAt(3, 2), kGreen);
    EXPECT_TRUE(freeview::SettingsProblem(TFreeViewSettings{}).empty());
}

TEST(FaceLevels, HalvingsAverageEvenAndOddRunsAndKeepARepeatedBorder)
{
    // One row: 10, 20, 30, 40, 50 in every channel.
    TColor32 row[5];
    for (int x = 0; x < 5; ++x) row[x] = Color32(std::uint8_t(10 * (x + 1)), std::uint8_t(10 * (x + 1)), 0);
    TFaceLevels levels;
    levels.Assign(row, 5, 1, 5);
    EXPECT_EQ(levels.MaxLevelX(), 2);
    EXPECT_EQ(levels.MaxLevelY(), 0);
    const TFaceLevels::TLevel& half = levels.Level(1, 0);
    ASSERT_EQ(half.Width, 2);
    ASSERT_EQ(half.Height, 1);
    // Pixels: 15, then the last three (30, 40, 50) together; the border repeats them.
    const std::vector<std::uint8_t> expected = {15, 15, 40, 40};
    for (int x = 0; x < 4; ++x)
        for (int y = 0; y < 3; ++y) EXPECT_EQ(RedComponent(half.Pixels[std::size_t(y) * 4 + x]), expected[std::size_t(x)]);
    EXPECT_EQ(levels.Level(2, 0).Width, 1);
    EXPECT_EQ(RedComponent(levels.Level(9, 9).Pixels[4]), 28); // clamped to (2, 0): (15 + 40) / 2

    // A wide picture, so that the vector loops run: every channel of every
    // level pixel is the rounded-up mean of its two (or last three) sources.
    constexpr int kW = 37, kH = 29;
    std::vector<TColor32> noise(kW * kH);
    std::uint32_t seed = 7;
    for (TColor32& c : noise) c = seed = seed * 1664525u + 1013904223u;
    TFaceLevels wide;
    wide.Assign(noise.data(), kW, kH, kW);
    auto mean = [](std::initializer_list<TColor32> cs) {
        TColor32 out = 0;
        for (int shift = 0; shift < 32; shift += 8) {
            std::uint32_t sum = 0;
            for (TColor32 c : cs) sum += (c >> shift) & 255;
            out |= (cs.size() == 2 ? (sum + 1) / 2 : (sum + 1) / 3) << shift;
        }
        return out;
    };
    const TFaceLevels::TLevel& across = wide.Level(1, 0);
    const TFaceLevels::TLevel& down = wide.Level(0, 1);
    auto at = [&](int px, int py) { return noise[std::size_t(py) * kW + std::size_t(px)]; };
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW / 2; ++x) {
            const TColor32 a = x < kW / 2 - 1 ? mean({at(2 * x, y), at(2 * x + 1, y)})
                                              : mean({at(2 * x, y), at(2 * x + 1, y), at(2 * x + 2, y)});
            EXPECT_EQ(across.Pixels[std::size_t(y + 1) * across.Stride() + std::size_t(x + 1)], a) << x << ", " << y;
        }
    for (int y = 0; y < kH / 2; ++y)
        for (int x = 0; x < kW; ++x) {
            const TColor32 d = y < kH / 2 - 1 ? mean({at(x, 2 * y), at(x, 2 * y + 1)})
                                              : mean({at(x, 2 * y), at(x, 2 * y + 1), at(x, 2 * y + 2)});
            EXPECT_EQ(down.Pixels[std::size_t(y + 1) * down.Stride() + std::size_t(x + 1)], d) << x << ", " << y;
        }

    // A frame's levels stay; the ones no frame used go once memory is short.
    levels.Trim(0);
    levels.Level(2, 0);
    levels.Trim(0);
    EXPECT_TRUE(levels.HasLevel(0, 0));
    EXPECT_FALSE(levels.HasLevel(1, 0));
    EXPECT_TRUE(levels.HasLevel(2, 0));
}
