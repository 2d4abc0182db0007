// The box compositions pinned pixel for pixel. Each picture is rebuilt here
// from the placement tables of the three styles with the imaging primitives
// (projective mapping, smooth lines, scaled and unscaled draws) and compared
// whole with ComposeBox / ComposePreview, for both orientations, with and
// without shadow and default size. A corner, an edge line, the shadow or the
// page-block picture one pixel off fails the comparison.
#include "RenderTestUtils.h"

#include "imaging/Transformation.h"

#include <gtest/gtest.h>

#include <string>

using namespace rendertest;

namespace {

struct TPt {
    int X, Y;
};
struct TQuad {
    TPt P0, P1, P2, P3; // images of the face's top-left, top-right, bottom-right, bottom-left
};

constexpr int kDefaultW = 250, kDefaultH = 300;

// Every pixel differs from its neighbours, so a mapped corner off by one
// shows. The edge-line colours are read from pixels near the face corners;
// the bottom ones are opaque white, which the lines draw light grey.
void MakePatternFace(TBitmap32& face, int w, int h, int seed)
{
    face.SetSize(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            face.SetPixelAt(x, y, Color32(std::uint8_t(x * 7 + seed), std::uint8_t(y * 5 + seed * 3),
                                          std::uint8_t((x ^ y) * 3 + seed * 11)));
    face.SetPixelAt(2, h - 2, clWhite32);
    face.SetPixelAt(1, h - 1, clWhite32);
}

struct TFaces {
    TBitmap32 F, S, T;
};
void MakeFaces(TFaces& faces)
{
    MakePatternFace(faces.F, 180, 240, 1);
    MakePatternFace(faces.S, 36, 220, 2);
    MakePatternFace(faces.T, 190, 40, 3);
}

// --- the reference composition ----------------------------------------------

void Stretch(TBitmap32& face, int w, int h)
{
    TBitmap32 out;
    out.SetSize(w, h);
    out.DrawScaled(out.BoundsRect(), face.BoundsRect(), face);
    face.CopyFrom(out);
    face.StretchFilter = sfLinear;
}

void Darken(TBitmap32& face)
{
    for (int y = 0; y < face.Height(); ++y)
        for (int x = 0; x < face.Width(); ++x)
            face.SetPixelAt(x, y, ShiftBrightness(face.PixelAt(x, y), -12));
}

void Map(TBitmap32& dest, const TBitmap32& face, const TQuad& q)
{
    TProjectiveTransformation t;
    t.SetSourceRect(TRealRect{0, 0, float(face.Width()), float(face.Height())});
    t.SetCorners(q.P0.X, q.P0.Y, q.P1.X, q.P1.Y, q.P2.X, q.P2.Y, q.P3.X, q.P3.Y);
    TransformBitmap(dest, face, t);
}

void Line(TBitmap32& dest, int x1, int y1, int x2, int y2, TColor32 c)
{
    dest.DrawSmoothLine(x1, y1, x2, y2, c, false);
}
TColor32 BottomColor(TColor32 c) { return c == 0xFFFFFFFFu ? 0xFFBFBFBFu : c; }

void TwoSided(TBitmap32& dest, TBitmap32& face, const TQuad& q)
{
    ClearBorderAlpha(face, face.BoundsRect());
    Map(dest, face, q);
    Line(dest, q.P0.X, q.P0.Y - 1, q.P1.X, q.P1.Y - 1, face.PixelAt(1, 1));
    Line(dest, q.P3.X + 1, q.P3.Y - 1, q.P2.X - 1, q.P2.Y - 1,
         BottomColor(face.PixelAt(2, face.Height() - 2)));
}

void ThreeSide(TBitmap32& dest, const TBitmap32& face, const TQuad& q)
{
    const int w = face.Width(), h = face.Height();
    Map(dest, face, q);
    Line(dest, q.P0.X - 1, q.P0.Y, q.P1.X - 1, q.P1.Y, face.PixelAt(1, 1));
    Line(dest, q.P3.X, q.P3.Y - 1, q.P2.X - 1, q.P2.Y - 1, BottomColor(face.PixelAt(1, h - 1)));
    Line(dest, q.P0.X - 1, q.P0.Y, q.P3.X - 1, q.P3.Y, face.PixelAt(1, 1));
    Line(dest, q.P1.X - 1, q.P1.Y, q.P2.X - 1, q.P2.Y, face.PixelAt(w - 1, 1));
}

void Book(TBitmap32& dest, const TBitmap32& face, const TQuad& q)
{
    Map(dest, face, q);
    Line(dest, q.P0.X, q.P0.Y - 1, q.P1.X - 1, q.P1.Y - 1, face.PixelAt(1, 1));
    Line(dest, q.P3.X, q.P3.Y - 1, q.P2.X - 1, q.P2.Y - 1,
         BottomColor(face.PixelAt(1, face.Height() - 1)));
}

void DrawResource(TBitmap32& dest, const char* name, const TRect* scaledInto, int x, int y)
{
    TBitmap32 picture;
    ASSERT_TRUE(LoadBitmapResource(QString::fromLatin1(name), picture)) << name;
    picture.DrawMode = dmOpaque;
    if (scaledInto)
        dest.DrawScaled(*scaledInto, picture.BoundsRect(), picture);
    else
        dest.DrawAt(x, y, picture);
}

// The picture the final composition should give (preview: the template
// preview, which is the default-size picture without shadow and a darkened lid).
void Expected(TBitmap32& r, TBoxStyle style, TBoxOrientation o, bool defaultSize, bool shadow,
              bool preview = false)
{
    TFaces faces;
    MakeFaces(faces);
    TBitmap32 &f = faces.F, &s = faces.S, &t = faces.T;
    for (TBitmap32* face : {&f, &s, &t}) face->StretchFilter = sfLinear;
    if (defaultSize) {
        Stretch(f, kDefaultW - 17, kDefaultH);
        Stretch(s, 17, kDefaultH);
    }
    if (style != bxTwoSidedBox) o = boLeft;
    const int Wf = f.Width(), Ws = s.Width();
    const int extra = style == bxThreeSideBox ? 39 : style == bxBookCover ? 22 : 0;
    const int H = defaultSize ? kDefaultH : f.Height() + extra;
    int W = style == bxBookCover ? 255 : defaultSize ? kDefaultW : Wf + Ws;

    r.SetSize(W, H);
    r.Clear(clWhite32);
    ClearBorderAlpha(r, r.BoundsRect());
    if (shadow) {
        W += 60;
        r.SetSize(W, H);
        r.Clear(clWhite32);
        const int rows = (defaultSize || style == bxBookCover ? 80 : 40) + 20;
        const TRect rect = style == bxBookCover ? MakeRect(0, H - 100, 86, H - 1)
                           : o == boLeft        ? MakeRect(0, H - rows, Ws + 67, H - 1)
                                                : MakeRect(Wf - 7, H - rows, W, H - 1);
        DrawResource(r, o == boLeft ? "SHADOW" : "SHADOW_R", &rect, 0, 0);
    }
    if (style == bxBookCover) DrawResource(r, "BOOKTOP", nullptr, shadow ? 60 : 2, 2);
    Darken(s);

    switch (style) {
    case bxTwoSidedBox: {
        const int sh = shadow ? 60 : 0;
        if (o == boLeft) {
            TwoSided(r, f, {{Ws + sh - 1, 1}, {W, 21}, {W, H - 19}, {Ws + sh - 1, H - 1}});
            TwoSided(r, s, {{sh, 20}, {sh + Ws, 0}, {sh + Ws, H}, {sh, H - 20}});
        } else {
            TwoSided(r, f, {{0, 19}, {Wf, 0}, {Wf, H}, {0, H - 19}});
            TwoSided(r, s, {{Wf - 1, 1}, {W - sh, 22}, {W - sh, H - 20}, {Wf - 1, H - 1}});
        }
        break;
    }
    case bxThreeSideBox: {
        const int sh = shadow ? 45 : 0;
        ThreeSide(r, s, {{sh, 12}, {Ws + sh + 1, 40}, {Ws + sh + 11, H - 1}, {sh + 15, H - 41}});
        ThreeSide(r, f, {{Ws + sh, 39}, {W, 20}, {W - 6, H - 24}, {Ws + sh + 10, H - 1}});
        if (preview) Darken(t);
        ThreeSide(r, t, {{sh, 12}, {W - Ws - 15, 0}, {W - 1, 20}, {Ws + sh, 39}});
        break;
    }
    case bxBookCover: {
        const int sh = shadow ? 60 : 0;
        Book(r, s, {{sh + 2, 32}, {sh + 31, 40}, {sh + 31, H - 1}, {sh + 2, H - 20}});
        Book(r, f, {{sh + 30, 40}, {sh + 254, 11}, {sh + 254, H - 35}, {sh + 30, H - 1}});
        break;
    }
    }
}

// "" when equal, else the size or the first differing pixel and the count.
std::string Difference(const TBitmap32& actual, const TBitmap32& expected)
{
    if (actual.Width() != expected.Width() || actual.Height() != expected.Height())
        return "size " + std::to_string(actual.Width()) + "x" + std::to_string(actual.Height()) +
               ", expected " + std::to_string(expected.Width()) + "x" +
               std::to_string(expected.Height());
    std::string first;
    int count = 0;
    for (int y = 0; y < actual.Height(); ++y)
        for (int x = 0; x < actual.Width(); ++x)
            if (actual.PixelAt(x, y) != expected.PixelAt(x, y) && count++ == 0)
                first = "first at (" + std::to_string(x) + ", " + std::to_string(y) + ")";
    return count ? std::to_string(count) + " pixels differ, " + first : "";
}

} // namespace

TEST(BoxCompositionExact, EveryStyleOrientationAndOptionMatchesThePlacementTables)
{
    for (TBoxStyle style : {bxTwoSidedBox, bxThreeSideBox, bxBookCover})
        for (TBoxOrientation o : {boLeft, boRight})
            for (bool defaultSize : {false, true})
                for (bool shadow : {false, true}) {
                    TFaces faces;
                    MakeFaces(faces);
                    TBitmap32 actual, expected;
                    ComposeBox(actual, faces.F, faces.S, faces.T, style, o, defaultSize, kDefaultW,
                               kDefaultH, shadow);
                    Expected(expected, style, o, defaultSize, shadow);
                    EXPECT_EQ(Difference(actual, expected), "")
                        << "style " << style << " orientation " << o << " default size "
                        << defaultSize << " shadow " << shadow;
                }
}

TEST(BoxCompositionExact, PreviewMatchesThePlacementTables)
{
    for (TBoxStyle style : {bxTwoSidedBox, bxThreeSideBox, bxBookCover}) {
        TFaces faces;
        MakeFaces(faces);
        TBitmap32 actual, expected;
        ComposePreview(actual, faces.F, faces.S, faces.T, style, kDefaultW, kDefaultH);
        Expected(expected, style, boLeft, true, false, true);
        EXPECT_EQ(Difference(actual, expected), "") << "style " << style;
    }
}
