// The free view: the solid, the camera, the framing, and the list of things
// to draw (shadow, reflection, faces and edge lines) for FreeViewRaster.
#include "render/FreeView.h"

#include "imaging/Transformation.h"
#include "platform/MemoryBudget.h"
#include "render/FreeViewRaster.h"
#include "resources/StringTable.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <deque>
#include <map>
#include <numbers>
#include <stdexcept>

namespace freeview {

namespace {

// --- numbers of the look ---------------------------------------------------------------

constexpr double kMarginFraction = 0.04;
// Book: how far the covers stand out over the page block, of the smaller of W and H.
constexpr double kBookSquare = 0.02;
// Depth of a box without a side face, of its height (the default size's proportion).
constexpr double kDepthWithoutSide = double(box::SideStripWidth) / 300.0;
// Light: shade = clamp(kAmbient + kDiffuse * n.l).
constexpr double kAmbient = 0.45, kDiffuse = 0.75, kLightRaise = 0.25;
// Shadow, in parts of the box's bounding radius: blur, growth past the
// footprint; and its darkest alpha.
constexpr double kShadowBlur = 0.05, kShadowGrowth = 0.03, kShadowAlpha = 0.6;
constexpr int kShadowPicture = 128;
// Edge lines: width in output pixels per bounding radius in pixels, and colours.
constexpr double kLinesPerRadius = 1.0 / 600.0;
constexpr TColor32 kCreaseColour = 0x4D4D4D4Du;   // white at 30%, premultiplied
constexpr TColor32 kBoundaryColour = 0x33000000u; // black at 20%
// How far a face reaches under a later neighbour, so that no seam shows.
constexpr double kSeamReach = 1.5;

struct TVec3 {
    double X = 0, Y = 0, Z = 0;
};
TVec3 operator+(TVec3 a, TVec3 b) { return {a.X + b.X, a.Y + b.Y, a.Z + b.Z}; }
TVec3 operator-(TVec3 a, TVec3 b) { return {a.X - b.X, a.Y - b.Y, a.Z - b.Z}; }
TVec3 operator*(TVec3 a, double k) { return {a.X * k, a.Y * k, a.Z * k}; }
double Dot(TVec3 a, TVec3 b) { return a.X * b.X + a.Y * b.Y + a.Z * b.Z; }

double Radians(double degrees) { return degrees * std::numbers::pi / 180.0; }

// --- the solid -------------------------------------------------------------------------

enum class TPicture { Front, Side, Top, PagesAcross, PagesUpright, Flat };

struct TSolidFace {
    const char* Name = "";
    int Rank = 2; // 0: the covers' insides, 1: the page block, 2: the outside
    int V[4] = {};
    TVec3 Normal;
    TPicture Picture = TPicture::Flat;
    TColor32 Flat = clWhite32;
    int ImageWidth = 0, ImageHeight = 0;
};

// What the solid is made from: the box's style and size rule, its faces'
// sizes (a face may be missing) and the flat faces' colours.
struct TSolidSpec {
    TBoxStyle Style = bxTwoSidedBox;
    bool DefaultSize = false;
    int DefaultWidth = 0, DefaultHeight = 0;
    TFaceSize Front, Side, Top;
    TColor32 FrontTop = clWhite32, FrontBottom = clWhite32, FrontBorder = clWhite32, SideBorder = clWhite32;
};

struct TSolid {
    double W = 0, H = 0, D = 0;
    int StackCount = 0; // pixels across a book's page stack
    std::vector<TVec3> Vertices;
    std::vector<TSolidFace> Faces;
};

} // namespace

// The renderer's way into the kept pictures.
struct TBoxAccess {
    static const TFaceLevels& Levels(const TFreeViewBox& box, TFaceKind kind)
    {
        return kind == fkSide ? box.FSide : kind == fkTop ? box.FTop : box.FFront;
    }
    static TFaceLevels& Levels(TFreeViewBox& box, TFaceKind kind)
    {
        return kind == fkSide ? box.FSide : kind == fkTop ? box.FTop : box.FFront;
    }
    static TSolidSpec Spec(const TFreeViewBox& box);
    static TFaceLevels& Pages(TFreeViewBox& box, TPicture kind, int count);
    static TFaceLevels& Shadow(TFreeViewBox& box, int width, int height, const std::vector<double>& key,
                               const std::vector<TColor32>& alpha);
    static bool ShadowMadeFor(const TFreeViewBox& box, const std::vector<double>& key) { return box.FShadowKey == key; }
    static TFaceLevels& ShadowLevels(TFreeViewBox& box) { return box.FShadow; }
    static void Trim(TFreeViewBox& box);
};

namespace {

int Rounded(double v) { return int(std::clamp(std::lround(v), 1L, long(INT32_MAX))); }

// A book's page stack seen end on: cream sheets with thin darker gaps, a
// little darker towards the boards. Every sheet's look comes from its index.
TColor32 PageEdgeColour(int k, int count)
{
    std::uint32_t h = std::uint32_t(k) * 2654435761u;
    h ^= h >> 15;
    h *= 2246822519u;
    h ^= h >> 13;
    const int gap = (h & 3) == 0 ? 10 + int((h >> 8) % 10) : int((h >> 8) % 4);
    const double t = (k + 0.5) / count;
    const double d = std::min(t, 1.0 - t) / 0.08;
    const double nearBoard = d >= 1 ? 0 : 16.0 * (1.0 - d * d * (3.0 - 2.0 * d));
    auto channel = [&](double base, double boardWeight) {
        return std::uint8_t(std::clamp(std::lround(base - gap - boardWeight * nearBoard), 0L, 255L));
    };
    return Color32(channel(247, 1.0), channel(242, 1.0), channel(228, 1.2));
}

} // namespace

TSolidSpec TBoxAccess::Spec(const TFreeViewBox& box)
{
    auto size = [](const TFaceLevels& levels) { return TFaceSize{levels.Width(), levels.Height()}; };
    return {box.FStyle,      box.FDefaultSize,    box.FDefaultWidth,  box.FDefaultHeight, size(box.FFront),
            size(box.FSide), size(box.FTop),      box.FFrontTop,      box.FFrontBottom,   box.FFrontBorder,
            box.FSideBorder};
}

namespace {

TSolid MakeSolid(const TSolidSpec& spec)
{
    TSolid solid;
    const TFaceSize &front = spec.Front, &side = spec.Side;
    if (spec.DefaultSize) {
        solid.W = std::max(1, spec.DefaultWidth - box::SideStripWidth);
        solid.H = std::max(1, spec.DefaultHeight);
        solid.D = box::SideStripWidth;
    } else {
        solid.W = front.IsEmpty() ? 250 - box::SideStripWidth : front.Width;
        solid.H = front.IsEmpty() ? 300 : front.Height;
        solid.D = side.IsEmpty() ? std::max(1.0, solid.H * kDepthWithoutSide) : side.Width;
    }
    const double W = solid.W, H = solid.H, D = solid.D;
    const bool book = spec.Style == bxBookCover;
    const double m = book ? kBookSquare * std::min(W, H) : 0;

    // Corners of the outside (0..7) and of a book's page block (8..15):
    // index x + 2y + 4z with 0 for left, bottom, back.
    auto add = [&](double x0, double x1, double y0, double y1, double z0, double z1) {
        for (int i = 0; i < 8; ++i)
            solid.Vertices.push_back({i & 1 ? x1 : x0, i & 2 ? y1 : y0, i & 4 ? z1 : z0});
    };
    add(-W / 2, W / 2, -H / 2, H / 2, -D / 2, D / 2);
    auto v = [](int x, int y, int z) { return x + 2 * y + 4 * z; };
    auto p = [&](int x, int y, int z) { return 8 + v(x, y, z); };

    auto face = [&](const char* name, int rank, std::initializer_list<int> corners, TVec3 normal, TPicture picture,
                    TColor32 flat, double w, double h) {
        TSolidFace f;
        f.Name = name;
        f.Rank = rank;
        std::copy(corners.begin(), corners.end(), f.V);
        f.Normal = normal;
        f.Picture = picture;
        f.Flat = flat;
        f.ImageWidth = Rounded(w);
        f.ImageHeight = Rounded(h);
        solid.Faces.push_back(f);
    };
    auto pictured = [&](const char* name, int rank, std::initializer_list<int> corners, TVec3 normal, TPicture picture,
                        TFaceSize size, TColor32 flat, double w, double h) {
        if (size.IsEmpty())
            face(name, rank, corners, normal, TPicture::Flat, flat, w, h);
        else
            face(name, rank, corners, normal, picture, flat, size.Width, size.Height);
    };

    const TVec3 up{0, 1, 0}, down{0, -1, 0}, left{-1, 0, 0}, right{1, 0, 0}, out{0, 0, 1}, in{0, 0, -1};
    const TColor32 frontFlat = front.IsEmpty() ? clWhite32 : spec.FrontBorder;
    if (!book) {
        pictured("side", 2, {v(0, 1, 0), v(0, 1, 1), v(0, 0, 1), v(0, 0, 0)}, left, TPicture::Side, side, frontFlat, D, H);
        pictured("side", 2, {v(1, 1, 1), v(1, 1, 0), v(1, 0, 0), v(1, 0, 1)}, right, TPicture::Side, side, frontFlat, D, H);
        const TFaceSize lid = spec.Style == bxThreeSideBox ? spec.Top : TFaceSize{};
        pictured("top", 2, {v(0, 1, 0), v(1, 1, 0), v(1, 1, 1), v(0, 1, 1)}, up, TPicture::Top, lid, spec.FrontTop, W, D);
        face("bottom", 2, {v(0, 0, 1), v(1, 0, 1), v(1, 0, 0), v(0, 0, 0)}, down, TPicture::Flat, spec.FrontBottom, W, D);
        pictured("front", 2, {v(0, 1, 1), v(1, 1, 1), v(1, 0, 1), v(0, 0, 1)}, out, TPicture::Front, front, clWhite32, W, H);
        return solid;
    }

    add(-W / 2, W / 2 - m, -H / 2 + m, H / 2 - m, -D / 2, D / 2);
    const double density = front.IsEmpty() ? 2.0 : std::clamp(front.Width / W, 1.0, 8.0);
    solid.StackCount = int(std::clamp(std::lround(D * density), 2L, 4096L));
    const TColor32 spineFlat = side.IsEmpty() ? frontFlat : spec.SideBorder;
    face("inside", 0, {v(1, 1, 1), v(0, 1, 1), v(0, 0, 1), v(1, 0, 1)}, in, TPicture::Flat, frontFlat, W, H);
    face("inside", 0, {v(0, 1, 0), v(1, 1, 0), v(1, 0, 0), v(0, 0, 0)}, out, TPicture::Flat, frontFlat, W, H);
    face("inside", 0, {v(0, 1, 1), v(0, 1, 0), v(0, 0, 0), v(0, 0, 1)}, right, TPicture::Flat, spineFlat, D, H);
    const int n = solid.StackCount;
    face("pages-top", 1, {p(0, 1, 0), p(1, 1, 0), p(1, 1, 1), p(0, 1, 1)}, up, TPicture::PagesAcross, 0, 4, n);
    face("pages-edge", 1, {p(1, 1, 1), p(1, 1, 0), p(1, 0, 0), p(1, 0, 1)}, right, TPicture::PagesUpright, 0, n, 4);
    face("bottom", 1, {p(0, 0, 1), p(1, 0, 1), p(1, 0, 0), p(0, 0, 0)}, down, TPicture::PagesAcross, 0, 4, n);
    pictured("side", 2, {v(0, 1, 0), v(0, 1, 1), v(0, 0, 1), v(0, 0, 0)}, left, TPicture::Side, side, spineFlat, D, H);
    pictured("front", 2, {v(0, 1, 1), v(1, 1, 1), v(1, 0, 1), v(0, 0, 1)}, out, TPicture::Front, front, clWhite32, W, H);
    return solid;
}

} // namespace

TFaceLevels& TBoxAccess::Pages(TFreeViewBox& box, TPicture kind, int count)
{
    const bool across = kind == TPicture::PagesAcross;
    TFaceLevels& levels = across ? box.FPagesAcross : box.FPagesUpright;
    int& madeFor = across ? box.FPagesAcrossCount : box.FPagesUprightCount;
    if (madeFor != count || levels.IsEmpty()) {
        // Four pixels along the sheets, which look the same all along.
        constexpr int kAlong = 4;
        const int w = across ? kAlong : count, h = across ? count : kAlong;
        std::vector<TColor32> pixels(std::size_t(w) * h);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) pixels[std::size_t(y) * w + x] = PageEdgeColour(across ? y : x, count);
        levels.Assign(pixels.data(), w, h, w);
        madeFor = count;
    }
    return levels;
}

TFaceLevels& TBoxAccess::Shadow(TFreeViewBox& box, int width, int height, const std::vector<double>& key,
                                const std::vector<TColor32>& alpha)
{
    box.FShadow.Assign(alpha.data(), width, height, width);
    box.FShadowKey = key;
    return box.FShadow;
}

void TBoxAccess::Trim(TFreeViewBox& box)
{
    for (TFaceLevels* levels : {&box.FFront, &box.FSide, &box.FTop, &box.FPagesAcross, &box.FPagesUpright}) {
        if (levels->IsEmpty()) continue;
        const std::int64_t base = std::int64_t(levels->Width() + 2) * (levels->Height() + 2) * 4;
        levels->Trim(2 * base);
    }
}

// --- the box's pictures ------------------------------------------------------------------

namespace {

struct TColourSum {
    std::uint64_t R = 0, G = 0, B = 0, N = 0;
    void Add(TColor32 c)
    {
        R += RedComponent(c), G += GreenComponent(c), B += BlueComponent(c), ++N;
    }
    TColor32 Mean() const
    {
        if (!N) return clWhite32;
        return Color32(std::uint8_t((R + N / 2) / N), std::uint8_t((G + N / 2) / N), std::uint8_t((B + N / 2) / N));
    }
};

TColor32 OnWhite(TColor32 c)
{
    const std::uint32_t a = c >> 24;
    if (a == 255) return c;
    TColor32 out = 0xFF000000u;
    for (int shift = 0; shift <= 16; shift += 8) {
        const std::uint32_t v = ((c >> shift) & 255) * a + 255 * (255 - a);
        out |= ((v + 127) / 255) << shift;
    }
    return out;
}

} // namespace

void TFreeViewBox::SetDefaultSize(bool on, int width, int height)
{
    FDefaultSize = on;
    FDefaultWidth = width;
    FDefaultHeight = height;
}

void TFreeViewBox::SetFace(TFaceKind kind, const TBitmap32& picture)
{
    TFaceLevels& levels = TBoxAccess::Levels(*this, kind);
    if (kind == fkFront) FFrontTop = FFrontBottom = FFrontBorder = clWhite32;
    if (kind == fkSide) FSideBorder = clWhite32;
    const int w = picture.Width(), h = picture.Height();
    if (picture.IsEmpty() || w != levels.Width() || h != levels.Height()) {
        // A face of another size needs new storage, which the limit must allow.
        levels.Clear();
        if (picture.IsEmpty()) return;
        membudget::CheckPicture(membudget::PictureBytes(w + 2, h + 2), w, h);
    }
    levels.Assign(picture.Bits(), w, h, w, OnWhite);
    // The flat faces' colours: means along the picture's edges.
    const TColor32* px = levels.Level(0, 0).Pixels.get();
    const std::size_t stride = std::size_t(w) + 2;
    auto at = [&](int x, int y) { return px[std::size_t(y + 1) * stride + std::size_t(x + 1)]; };
    TColourSum top, bottom, border;
    for (int x = 0; x < w; ++x) top.Add(at(x, 0)), bottom.Add(at(x, h - 1));
    border = top;
    for (int x = 0; x < w; ++x) border.Add(at(x, h - 1));
    for (int y = 0; y < h; ++y) border.Add(at(0, y)), border.Add(at(w - 1, y));
    if (kind == fkFront) {
        FFrontTop = top.Mean();
        FFrontBottom = bottom.Mean();
        FFrontBorder = border.Mean();
    } else if (kind == fkSide) {
        FSideBorder = border.Mean();
    }
}

bool TFreeViewBox::HasFace(TFaceKind kind) const
{
    return !TBoxAccess::Levels(*this, kind).IsEmpty();
}

std::int64_t TFreeViewBox::Bytes() const
{
    std::int64_t bytes = 0;
    for (const TFaceLevels* levels : {&FFront, &FSide, &FTop, &FPagesAcross, &FPagesUpright, &FShadow})
        bytes += levels->Bytes();
    return bytes;
}

// --- settings and geometry text --------------------------------------------------------------

std::string SettingsProblem(const TFreeViewSettings& s)
{
    auto outside = [](double v, double lo, double hi) { return !(v >= lo && v <= hi); };
    auto problem = [](const char* what, double lo, double hi) {
        return LoadStr(StrId::FreeViewOutOfRange).arg(QLatin1String(what)).arg(lo).arg(hi).toStdString();
    };
    if (outside(s.Yaw, -kMaxYaw, kMaxYaw)) return problem("yaw", -kMaxYaw, kMaxYaw);
    if (outside(s.Pitch, -kMaxPitch, kMaxPitch)) return problem("pitch", -kMaxPitch, kMaxPitch);
    if (outside(s.Fov, 0, kMaxFov)) return problem("field of view", 0, kMaxFov);
    if (outside(s.Scale, kMinScale, kMaxScale)) return problem("scale", kMinScale, kMaxScale);
    if (outside(s.ReflectionOpacity, 0, 1)) return problem("reflection", 0, 1);
    if (outside(s.ReflectionFade, 0.01, 1)) return problem("reflection fade", 0.01, 1);
    const bool follows = s.Width == 0 && s.Height == 0;
    if (!follows && (outside(s.Width, 1, kMaxSide) || outside(s.Height, 1, kMaxSide)))
        return problem("size", 1, kMaxSide);
    return {};
}

std::string GeometryJson(const TFreeViewGeometry& g)
{
    std::string json = "{\"width\":" + std::to_string(g.Width) + ",\"height\":" + std::to_string(g.Height) +
                       ",\"faces\":[";
    char number[64];
    auto coordinate = [&](double v) {
        std::snprintf(number, sizeof number, "%.4f", v);
        return std::string(number);
    };
    for (std::size_t i = 0; i < g.Faces.size(); ++i) {
        const TFaceGeometry& f = g.Faces[i];
        if (i) json += ',';
        json += "{\"name\":\"" + f.Name + "\",\"image\":[" + std::to_string(f.ImageWidth) + ',' +
                std::to_string(f.ImageHeight) + "],\"corners\":[";
        for (int k = 0; k < 4; ++k) {
            if (k) json += ',';
            json += '[' + coordinate(f.X[k]) + ',' + coordinate(f.Y[k]) + ']';
        }
        json += "]}";
    }
    return json + "]}\n";
}

// --- camera and framing ----------------------------------------------------------------------

namespace {

struct TCamera {
    TVec3 Dir, Right, Up; // Dir: from the box towards the camera
    double Distance = 0;  // 0: parallel projection
    double Radius = 0;

    TCamera(const TFreeViewSettings& s, double radius) : Radius(radius)
    {
        const double yaw = Radians(s.Yaw), pitch = Radians(s.Pitch);
        Dir = {-std::sin(yaw) * std::cos(pitch), std::sin(pitch), std::cos(yaw) * std::cos(pitch)};
        Right = {std::cos(yaw), 0, std::sin(yaw)};
        Up = {std::sin(yaw) * std::sin(pitch), std::cos(pitch), -std::cos(yaw) * std::sin(pitch)};
        if (s.Fov > 0) Distance = radius / std::sin(Radians(s.Fov) / 2);
    }
    bool Parallel() const { return Distance == 0; }
    // Whether the side of a plane through `point` that `normal` points to
    // faces the camera.
    bool Sees(TVec3 point, TVec3 normal) const
    {
        const TVec3 toCamera = Parallel() ? Dir : Dir * Distance - point;
        return Dot(toCamera, normal) > 1e-9 * Radius;
    }
    // Distance in front of the camera, over the distance to the box's middle.
    double RelativeDepth(TVec3 p) const { return Parallel() ? 1 : (Distance - Dot(p, Dir)) / Distance; }
    // View units: one unit is one world unit at the box's middle.
    TPoint2 View(TVec3 p) const
    {
        const double f = Parallel() ? 1 : Distance / (Distance - Dot(p, Dir));
        return {Dot(p, Right) * f, -Dot(p, Up) * f};
    }
    int Shade(TVec3 normal) const
    {
        TVec3 light = Dir + TVec3{0, kLightRaise, 0};
        light = light * (1 / std::sqrt(Dot(light, light)));
        const double shade = std::clamp(kAmbient + kDiffuse * std::max(0.0, Dot(normal, light)), 0.0, 1.0);
        return int(std::lround(256 * shade));
    }
};

struct TFraming {
    int Width = 0, Height = 0;
    double K = 1, OX = 0, OY = 0;
    TPoint2 Out(TPoint2 view) const { return {K * view.X + OX, K * view.Y + OY}; }
};

// What a frame draws, in output coordinates.
struct TLayout {
    TSolid Solid;
    TCamera Camera;
    TFraming Framing;
    bool FloorShown = false;
    double Floor = 0;                 // the floor's y
    double FadeDepth = 0;             // the reflection is gone this far below the floor
    double ShadowX = 0, ShadowZ = 0;  // half sizes of the shadow's floor rectangle
    double ShadowReachX = 0, ShadowReachZ = 0;
    std::vector<TPoint2> Points;      // the solid's vertices
    std::vector<TPoint2> Mirrored;    // the same mirrored in the floor
    TPoint2 ShadowCorners[4];
};

std::vector<int> DrawingOrder(const TLayout& layout, bool mirrored);

TLayout MakeLayout(const TSolidSpec& spec, const TFreeViewSettings& s)
{
    const std::string problem = SettingsProblem(s);
    if (!problem.empty()) throw std::invalid_argument(problem);
    TSolid solid = MakeSolid(spec);
    const double radius = 0.5 * std::sqrt(solid.W * solid.W + solid.H * solid.H + solid.D * solid.D);
    TLayout layout{std::move(solid), TCamera(s, radius), {}, false, 0, 0, 0, 0, 0, 0, {}, {}, {}};
    TSolid& sd = layout.Solid;
    const TCamera& camera = layout.Camera;
    layout.Floor = -sd.H / 2;
    // The floor is seen from above only: from below neither shadow nor
    // reflection would make sense.
    layout.FloorShown = (s.Shadow || s.Reflection) && s.Pitch >= 0;
    layout.FadeDepth = std::min(sd.H, s.ReflectionFade * sd.H);
    layout.ShadowX = sd.W / 2 + kShadowGrowth * radius;
    layout.ShadowZ = sd.D / 2 + kShadowGrowth * radius;
    layout.ShadowReachX = layout.ShadowX + 3 * kShadowBlur * radius;
    layout.ShadowReachZ = layout.ShadowZ + 3 * kShadowBlur * radius;

    // Everything the frame shows, in view units.
    std::vector<TPoint2> shown;
    for (const TVec3& v : sd.Vertices) shown.push_back(camera.View(v));
    if (layout.FloorShown && s.Reflection)
        for (int i = 0; i < 4; ++i)
            shown.push_back(camera.View({i & 1 ? sd.W / 2 : -sd.W / 2, layout.Floor - layout.FadeDepth,
                                         i & 2 ? sd.D / 2 : -sd.D / 2}));
    const TVec3 shadowCorner[4] = {{-layout.ShadowReachX, layout.Floor, -layout.ShadowReachZ},
                                   {layout.ShadowReachX, layout.Floor, -layout.ShadowReachZ},
                                   {layout.ShadowReachX, layout.Floor, layout.ShadowReachZ},
                                   {-layout.ShadowReachX, layout.Floor, layout.ShadowReachZ}};
    if (layout.FloorShown && s.Shadow)
        for (const TVec3& c : shadowCorner) shown.push_back(camera.View(c));
    double x0 = shown[0].X, x1 = x0, y0 = shown[0].Y, y1 = y0;
    for (const TPoint2& p : shown) {
        x0 = std::min(x0, p.X), x1 = std::max(x1, p.X);
        y0 = std::min(y0, p.Y), y1 = std::max(y1, p.Y);
    }
    const double bw = std::max(x1 - x0, 1e-9), bh = std::max(y1 - y0, 1e-9);

    TFraming& f = layout.Framing;
    if (s.Width == 0 && s.Height == 0) {
        f.K = s.Scale;
        const double cw = f.K * bw, ch = f.K * bh;
        const double margin = std::max(2.0, std::ceil(kMarginFraction * std::max(cw, ch)));
        const double w = std::ceil(cw) + 2 * margin, h = std::ceil(ch) + 2 * margin;
        if (w > kMaxSide || h > kMaxSide)
            throw EBitmapError(LoadStr(StrId::FreeViewTooLarge)
                                   .arg(std::llround(w))
                                   .arg(std::llround(h))
                                   .arg(kMaxSide)
                                   .toStdString());
        f.Width = int(w);
        f.Height = int(h);
    } else {
        f.Width = s.Width;
        f.Height = s.Height;
        double margin = std::round(kMarginFraction * std::min(f.Width, f.Height));
        if (f.Width - 2 * margin < 1 || f.Height - 2 * margin < 1) margin = 0;
        f.K = std::min((f.Width - 2 * margin) / bw, (f.Height - 2 * margin) / bh);
    }
    f.OX = f.Width / 2.0 - f.K * (x0 + x1) / 2;
    f.OY = f.Height / 2.0 - f.K * (y0 + y1) / 2;

    for (const TVec3& v : sd.Vertices) {
        layout.Points.push_back(f.Out(camera.View(v)));
        layout.Mirrored.push_back(f.Out(camera.View({v.X, 2 * layout.Floor - v.Y, v.Z})));
    }
    for (int i = 0; i < 4; ++i) layout.ShadowCorners[i] = f.Out(camera.View(shadowCorner[i]));
    return layout;
}

TVec3 MirroredNormal(TVec3 n) { return {n.X, -n.Y, n.Z}; }

double QuadArea(const TPoint2* q)
{
    double a = 0;
    for (int i = 0; i < 4; ++i) a += q[i].X * q[(i + 1) % 4].Y - q[(i + 1) % 4].X * q[i].Y;
    return 0.5 * std::fabs(a);
}

// The faces drawn, back to front: the covers' insides, then the page block,
// then the outside; within a rank the faces cannot hide each other.
std::vector<int> DrawingOrder(const TLayout& layout, bool mirrored)
{
    const TSolid& sd = layout.Solid;
    std::vector<int> order;
    for (int rank = 0; rank <= 2; ++rank)
        for (int i = 0; i < int(sd.Faces.size()); ++i) {
            const TSolidFace& f = sd.Faces[std::size_t(i)];
            if (f.Rank != rank) continue;
            TVec3 corner = sd.Vertices[std::size_t(f.V[0])];
            TVec3 normal = f.Normal;
            if (mirrored) {
                // A face on the floor is its own mirror image, under the box.
                bool onFloor = true;
                for (int k : f.V) onFloor = onFloor && sd.Vertices[std::size_t(k)].Y == layout.Floor;
                if (onFloor) continue;
                corner.Y = 2 * layout.Floor - corner.Y;
                normal = MirroredNormal(normal);
            }
            if (!layout.Camera.Sees(corner, normal)) continue;
            const std::vector<TPoint2>& points = mirrored ? layout.Mirrored : layout.Points;
            TPoint2 q[4];
            bool inFront = true;
            for (int k = 0; k < 4; ++k) {
                q[k] = points[std::size_t(f.V[k])];
                TVec3 v = sd.Vertices[std::size_t(f.V[k])];
                if (mirrored) v.Y = 2 * layout.Floor - v.Y;
                inFront = inFront && layout.Camera.RelativeDepth(v) > 0.01;
            }
            if (inFront && QuadArea(q) > 1e-9) order.push_back(i);
        }
    return order;
}

TFreeViewGeometry GeometryOf(const TLayout& layout, const std::vector<int>& order)
{
    TFreeViewGeometry g;
    g.Width = layout.Framing.Width;
    g.Height = layout.Framing.Height;
    for (int i : order) {
        const TSolidFace& f = layout.Solid.Faces[std::size_t(i)];
        TFaceGeometry fg;
        fg.Name = f.Name;
        fg.ImageWidth = f.ImageWidth;
        fg.ImageHeight = f.ImageHeight;
        for (int k = 0; k < 4; ++k) {
            fg.X[k] = layout.Points[std::size_t(f.V[k])].X;
            fg.Y[k] = layout.Points[std::size_t(f.V[k])].Y;
        }
        g.Faces.push_back(fg);
    }
    return g;
}

} // namespace

namespace {

// The picture and the rows every thread draws in.
std::int64_t PictureNeed(const TFraming& f, int threads)
{
    return membudget::Sum(membudget::PictureBytes(f.Width, f.Height), membudget::Times(threads, std::int64_t(f.Width) * 16));
}

int ThreadsOf(const TFreeViewSettings& s) { return s.Threads > 0 ? s.Threads : TransformThreads(); }

} // namespace

TFreeViewNeed MemoryNeed(TBoxStyle style, bool defaultSize, int defaultWidth, int defaultHeight, TFaceSize front,
                         TFaceSize side, TFaceSize top, const TFreeViewSettings& settings)
{
    TSolidSpec spec;
    spec.Style = style;
    spec.DefaultSize = defaultSize;
    spec.DefaultWidth = defaultWidth;
    spec.DefaultHeight = defaultHeight;
    spec.Front = front;
    spec.Side = side;
    spec.Top = style == bxThreeSideBox ? top : TFaceSize{};
    const TFraming f = MakeLayout(spec, settings).Framing;
    // A face's copy, and its reductions: at most as much again.
    std::int64_t faces = 0;
    for (const TFaceSize& face : {spec.Front, spec.Side, spec.Top})
        if (!face.IsEmpty()) faces = membudget::Sum(faces, membudget::Times(2, membudget::PictureBytes(face.Width + 2, face.Height + 2)));
    return {membudget::Sum(faces, PictureNeed(f, ThreadsOf(settings))), f.Width, f.Height};
}

TFreeViewGeometry LayOut(const TFreeViewBox& box, const TFreeViewSettings& settings)
{
    const TLayout layout = MakeLayout(TBoxAccess::Spec(box), settings);
    return GeometryOf(layout, DrawingOrder(layout, false));
}

// --- drawing ------------------------------------------------------------------------------

namespace {

TPoint2 Toward(TPoint2 from, TPoint2 to, double reach)
{
    const double dx = to.X - from.X, dy = to.Y - from.Y, len = std::hypot(dx, dy);
    if (len <= 0) return from;
    const double t = std::min(reach, 0.45 * len) / len;
    return {from.X + dx * t, from.Y + dy * t};
}

// The outline of face `index`, reaching a little under every later face of
// its rank that shares an edge with it: coverage is then full under the
// later face's soft edge, and no background shows through the seam.
std::vector<TPoint2> SeamlessOutline(const TSolid& sd, const std::vector<TPoint2>& points,
                                     const std::vector<int>& order, std::size_t position)
{
    const TSolidFace& f = sd.Faces[std::size_t(order[position])];
    std::vector<TPoint2> outline;
    for (int k = 0; k < 4; ++k) {
        const int a = f.V[k], b = f.V[(k + 1) % 4];
        outline.push_back(points[std::size_t(a)]);
        for (std::size_t later = position + 1; later < order.size(); ++later) {
            const TSolidFace& g = sd.Faces[std::size_t(order[later])];
            if (g.Rank != f.Rank) break;
            for (int j = 0; j < 4; ++j) {
                const int c = g.V[j], d = g.V[(j + 1) % 4];
                if (!((c == a && d == b) || (c == b && d == a))) continue;
                // g's other neighbours of a and b give the directions into g.
                const int na = c == a ? g.V[(j + 3) % 4] : g.V[(j + 2) % 4];
                const int nb = c == a ? g.V[(j + 2) % 4] : g.V[(j + 3) % 4];
                outline.push_back(Toward(points[std::size_t(a)], points[std::size_t(na)], kSeamReach));
                outline.push_back(Toward(points[std::size_t(b)], points[std::size_t(nb)], kSeamReach));
            }
        }
    }
    return outline;
}

// A thin band along p -> q, past both ends by half its width.
void AddLine(TDrawItem& item, TPoint2 p, TPoint2 q, double width)
{
    const double dx = q.X - p.X, dy = q.Y - p.Y, len = std::hypot(dx, dy);
    if (len <= 0) return;
    const double ux = dx / len * width / 2, uy = dy / len * width / 2;
    const TPoint2 band[4] = {{p.X - ux - uy, p.Y - uy + ux},
                             {q.X + ux - uy, q.Y + uy + ux},
                             {q.X + ux + uy, q.Y + uy - ux},
                             {p.X - ux + uy, p.Y - uy - ux}};
    item.AddOutline(band, 4);
}

// Light lines where two drawn faces of a rank meet, dark ones on the other
// edges of its faces.
void AddEdgeLines(std::vector<TDrawItem>& items, const TLayout& layout, const std::vector<int>& order, int rank,
                  double width)
{
    const TSolid& sd = layout.Solid;
    std::map<std::pair<int, int>, int> edges;
    for (int i : order) {
        const TSolidFace& f = sd.Faces[std::size_t(i)];
        if (f.Rank != rank) continue;
        for (int k = 0; k < 4; ++k) {
            const int a = f.V[k], b = f.V[(k + 1) % 4];
            ++edges[{std::min(a, b), std::max(a, b)}];
        }
    }
    if (edges.empty()) return;
    TDrawItem crease, boundary;
    crease.Colour = kCreaseColour;
    boundary.Colour = kBoundaryColour;
    crease.Blend = boundary.Blend = TBlend::Over;
    for (const auto& [edge, count] : edges)
        AddLine(count > 1 ? crease : boundary, layout.Points[std::size_t(edge.first)],
                layout.Points[std::size_t(edge.second)], width);
    for (TDrawItem* item : {&boundary, &crease})
        if (!item->Points.empty()) items.push_back(std::move(*item));
}

double ShadowProfile(double x, double half, double blur)
{
    const double k = 1 / (std::sqrt(2.0) * blur);
    return 0.5 * (std::erf((x + half) * k) - std::erf((x - half) * k));
}

// The shadow's picture on the floor rectangle: a blurred footprint, as
// premultiplied black. Kept in the box while the solid keeps its size.
TFaceLevels& ShadowLevels(TFreeViewBox& box, const TLayout& layout)
{
    const TSolid& sd = layout.Solid;
    const std::vector<double> key = {sd.W, sd.D, layout.Camera.Radius};
    if (TBoxAccess::ShadowMadeFor(box, key)) return TBoxAccess::ShadowLevels(box);
    const double rx = layout.ShadowReachX, rz = layout.ShadowReachZ, longer = std::max(rx, rz);
    const int w = std::clamp(int(std::lround(kShadowPicture * rx / longer)), 8, kShadowPicture);
    const int h = std::clamp(int(std::lround(kShadowPicture * rz / longer)), 8, kShadowPicture);
    const double blur = kShadowBlur * layout.Camera.Radius;
    std::vector<double> across(static_cast<std::size_t>(w)), deep(static_cast<std::size_t>(h));
    for (int i = 0; i < w; ++i) across[std::size_t(i)] = ShadowProfile(-rx + (i + 0.5) * 2 * rx / w, layout.ShadowX, blur);
    for (int j = 0; j < h; ++j) deep[std::size_t(j)] = ShadowProfile(-rz + (j + 0.5) * 2 * rz / h, layout.ShadowZ, blur);
    std::vector<TColor32> alpha(std::size_t(w) * h);
    for (int j = 0; j < h; ++j)
        for (int i = 0; i < w; ++i) {
            const long a = std::lround(255 * kShadowAlpha * across[std::size_t(i)] * deep[std::size_t(j)]);
            alpha[std::size_t(j) * w + i] = TColor32(std::clamp(a, 0L, 255L)) << 24;
        }
    return TBoxAccess::Shadow(box, w, h, key, alpha);
}

TFaceLevels* PictureOf(TFreeViewBox& box, const TLayout& layout, const TSolidFace& f,
                       std::deque<TFaceLevels>& flats)
{
    switch (f.Picture) {
    case TPicture::Front: return &TBoxAccess::Levels(box, fkFront);
    case TPicture::Side: return &TBoxAccess::Levels(box, fkSide);
    case TPicture::Top: return &TBoxAccess::Levels(box, fkTop);
    case TPicture::PagesAcross:
    case TPicture::PagesUpright: return &TBoxAccess::Pages(box, f.Picture, layout.Solid.StackCount);
    case TPicture::Flat: break;
    }
    flats.emplace_back().AssignColour(f.Flat | 0xFF000000u);
    return &flats.back();
}

// The faces of `order` as items; `mirrored` draws the reflection.
void AddFaces(std::vector<TDrawItem>& items, TFreeViewBox& box, const TLayout& layout, const std::vector<int>& order,
              bool mirrored, double opacity, std::deque<TFaceLevels>& flats, double lineWidth)
{
    const TSolid& sd = layout.Solid;
    const std::vector<TPoint2>& points = mirrored ? layout.Mirrored : layout.Points;
    for (std::size_t n = 0; n < order.size(); ++n) {
        const TSolidFace& f = sd.Faces[std::size_t(order[n])];
        TDrawItem item;
        const std::vector<TPoint2> outline = SeamlessOutline(sd, points, order, n);
        item.AddOutline(outline.data(), int(outline.size()));
        item.Picture = PictureOf(box, layout, f, flats);
        for (int k = 0; k < 4; ++k) item.Corners[k] = points[std::size_t(f.V[k])];
        item.Shade = layout.Camera.Shade(f.Normal);
        if (mirrored) {
            // Opacity falls with the height above the floor of the mirrored
            // point, which is linear over the face.
            const double y0 = sd.Vertices[std::size_t(f.V[0])].Y - layout.Floor;
            const double y1 = sd.Vertices[std::size_t(f.V[1])].Y - layout.Floor;
            const double y3 = sd.Vertices[std::size_t(f.V[3])].Y - layout.Floor;
            const double fade = layout.FadeDepth;
            item.Opacity0 = opacity * (1 - y0 / fade);
            item.OpacityS = -opacity * (y1 - y0) / fade;
            item.OpacityT = -opacity * (y3 - y0) / fade;
            item.Layered = true;
        }
        items.push_back(std::move(item));
        const bool lastOfRank = n + 1 == order.size() || sd.Faces[std::size_t(order[n + 1])].Rank != f.Rank;
        if (!mirrored && lastOfRank && f.Rank > 0) AddEdgeLines(items, layout, order, f.Rank, lineWidth);
    }
}

} // namespace

void Render(TFreeViewBox& box, const TFreeViewSettings& settings, TBitmap32& out, TFreeViewGeometry* geometry)
{
    const TLayout layout = MakeLayout(TBoxAccess::Spec(box), settings);
    const TFraming& f = layout.Framing;
    membudget::CheckPicture(PictureNeed(f, ThreadsOf(settings)), f.Width, f.Height);

    const std::vector<int> order = DrawingOrder(layout, false);
    std::vector<TDrawItem> items;
    std::deque<TFaceLevels> flats;
    if (layout.FloorShown && settings.Shadow) {
        TDrawItem shadow;
        shadow.AddOutline(layout.ShadowCorners, 4);
        shadow.Picture = &ShadowLevels(box, layout);
        std::copy(std::begin(layout.ShadowCorners), std::end(layout.ShadowCorners), std::begin(shadow.Corners));
        shadow.Blend = TBlend::Over;
        if (QuadArea(layout.ShadowCorners) > 1e-9) items.push_back(std::move(shadow));
    }
    if (layout.FloorShown && settings.Reflection && settings.ReflectionOpacity > 0)
        AddFaces(items, box, layout, DrawingOrder(layout, true), true, settings.ReflectionOpacity, flats, 0);
    const double lineWidth = std::max(1.0, f.K * layout.Camera.Radius * kLinesPerRadius);
    AddFaces(items, box, layout, order, false, 1, flats, lineWidth);

    TDrawOptions options;
    options.Threads = settings.Threads;
    if (out.Width() == f.Width && out.Height() == f.Height) {
        // Frame after frame of one size: drawn over the last one.
        DrawItems(out, items, options);
    } else {
        TBitmap32 picture;
        picture.SetSize(f.Width, f.Height);
        DrawItems(picture, items, options);
        out.SwapPixels(picture);
        out.NotifyChanged();
    }
    TBoxAccess::Trim(box);
    if (geometry) *geometry = GeometryOf(layout, order);
}

} // namespace freeview
