// Draws the program's artwork from geometry alone, the same pixels on every
// run: the program icon, the project file's icon, the banner behind the
// wizard's title lines and the Save button's glyph.
//
//   cubiform-artgen <output folder>
//
// writes cubiform.png (256 x 256), banner.png (300 x 50) and save.png (16 x 16).
//
//   cubiform-artgen --icons <output folder>
//
// writes the program icon (cubiform-<N>.png) and the project file's icon
// (cubiform-project-<N>.png) at the sizes of a desktop icon theme (see
// IconSet.h).
#include "DialogArt.h"
#include "IconSet.h"
#include "PageArtGen.h"

#include <QDir>
#include <QImage>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string_view>
#include <vector>

namespace {

struct Rgba {
    double R, G, B, A;  // 0..1, not premultiplied
};

struct Pt {
    double X, Y;
};

// A floating-point canvas with "over" compositing.
class Canvas {
public:
    Canvas(int w, int h) : FW(w), FH(h), FPix(std::size_t(w) * h, Rgba{0, 0, 0, 0}) {}

    int Width() const { return FW; }
    int Height() const { return FH; }

    void Blend(int x, int y, const Rgba& c, double coverage)
    {
        if (x < 0 || y < 0 || x >= FW || y >= FH) return;
        const double a = c.A * coverage;
        if (a <= 0) return;
        Rgba& d = FPix[std::size_t(y) * FW + x];
        const double outA = a + d.A * (1 - a);
        d.R = (c.R * a + d.R * d.A * (1 - a)) / outA;
        d.G = (c.G * a + d.G * d.A * (1 - a)) / outA;
        d.B = (c.B * a + d.B * d.A * (1 - a)) / outA;
        d.A = outA;
    }

    // Lays another canvas of the same size over this one at the given opacity.
    void Over(const Canvas& layer, double opacity)
    {
        for (int y = 0; y < FH; ++y)
            for (int x = 0; x < FW; ++x) {
                const Rgba& p = layer.FPix[std::size_t(y) * FW + x];
                Blend(x, y, p, opacity);
            }
    }

    QImage ToImage() const
    {
        QImage img(FW, FH, QImage::Format_ARGB32);
        for (int y = 0; y < FH; ++y)
            for (int x = 0; x < FW; ++x) {
                const Rgba& p = FPix[std::size_t(y) * FW + x];
                auto byte = [](double v) { return int(std::lround(std::clamp(v, 0.0, 1.0) * 255)); };
                img.setPixel(x, y, qRgba(byte(p.R), byte(p.G), byte(p.B), byte(p.A)));
            }
        return img;
    }

private:
    int FW, FH;
    std::vector<Rgba> FPix;
};

bool Inside(const std::vector<Pt>& poly, double x, double y)
{
    bool in = false;
    for (std::size_t i = 0, j = poly.size() - 1; i < poly.size(); j = i++) {
        const Pt& a = poly[i];
        const Pt& b = poly[j];
        if ((a.Y > y) != (b.Y > y) && x < (b.X - a.X) * (y - a.Y) / (b.Y - a.Y) + a.X) in = !in;
    }
    return in;
}

// Fills with 4 x 4 samples per pixel for smooth edges. `shade` gives the
// colour at a point, so faces can carry gradients.
template <class Shade> void FillPolygon(Canvas& c, const std::vector<Pt>& poly, Shade shade)
{
    double x0 = 1e9, y0 = 1e9, x1 = -1e9, y1 = -1e9;
    for (const Pt& p : poly) {
        x0 = std::min(x0, p.X);
        y0 = std::min(y0, p.Y);
        x1 = std::max(x1, p.X);
        y1 = std::max(y1, p.Y);
    }
    constexpr int kSamples = 4;
    for (int y = int(std::floor(y0)); y <= int(std::ceil(y1)); ++y)
        for (int x = int(std::floor(x0)); x <= int(std::ceil(x1)); ++x) {
            int hits = 0;
            for (int sy = 0; sy < kSamples; ++sy)
                for (int sx = 0; sx < kSamples; ++sx)
                    hits += Inside(poly, x + (sx + 0.5) / kSamples, y + (sy + 0.5) / kSamples);
            if (hits) c.Blend(x, y, shade(x + 0.5, y + 0.5), double(hits) / (kSamples * kSamples));
        }
}

void FillPolygon(Canvas& c, const std::vector<Pt>& poly, const Rgba& colour)
{
    FillPolygon(c, poly, [&](double, double) { return colour; });
}

void FillRect(Canvas& c, double x, double y, double w, double h, const Rgba& colour)
{
    FillPolygon(c, {{x, y}, {x + w, y}, {x + w, y + h}, {x, y + h}}, colour);
}

Rgba Mix(const Rgba& a, const Rgba& b, double t)
{
    t = std::clamp(t, 0.0, 1.0);
    return {a.R + (b.R - a.R) * t, a.G + (b.G - a.G) * t, a.B + (b.B - a.B) * t, a.A + (b.A - a.A) * t};
}

Rgba Hex(unsigned rgb, double alpha = 1.0)
{
    return {((rgb >> 16) & 0xFF) / 255.0, ((rgb >> 8) & 0xFF) / 255.0, (rgb & 0xFF) / 255.0, alpha};
}

// A box seen corner-on: a lid, a front face on the left and a darker side on
// the right, from the lid's front corner (cx, cy) with face width w, depth d
// and height h.
void DrawBox(Canvas& c, double cx, double cy, double w, double d, double h, const Rgba& front, const Rgba& side,
             const Rgba& lid, bool label)
{
    const double dy = 0.5;  // rise of the receding edges
    const Pt frontTop{cx, cy};
    const Pt leftTop{cx - w, cy - w * dy};
    const Pt rightTop{cx + d, cy - d * dy};
    const Pt backTop{cx + d - w, cy - (w + d) * dy};
    const double top = backTop.Y, bottom = cy + h;

    FillPolygon(c, {leftTop, frontTop, {cx, cy + h}, {leftTop.X, leftTop.Y + h}}, [&](double, double y) {
        return Mix(front, Mix(front, Hex(0x000000), 0.25), (y - top) / (bottom - top));
    });
    FillPolygon(c, {frontTop, rightTop, {rightTop.X, rightTop.Y + h}, {cx, cy + h}}, [&](double, double y) {
        return Mix(side, Mix(side, Hex(0x000000), 0.3), (y - top) / (bottom - top));
    });
    FillPolygon(c, {leftTop, backTop, rightTop, frontTop}, lid);
    if (label) {
        // A pale band across the front face, following its slant.
        const double b0 = h * 0.38, b1 = h * 0.56;
        FillPolygon(c, {{leftTop.X + w * 0.12, leftTop.Y + w * 0.12 * dy + b0},
                        {cx - w * 0.12, cy - w * 0.12 * dy + b0},
                        {cx - w * 0.12, cy - w * 0.12 * dy + b1},
                        {leftTop.X + w * 0.12, leftTop.Y + w * 0.12 * dy + b1}},
                    Hex(0xFFFFFF, 0.85));
    }
}

void SoftEllipse(Canvas& c, double cx, double cy, double rx, double ry, const Rgba& colour)
{
    for (int y = int(cy - ry) - 1; y <= int(cy + ry) + 1; ++y)
        for (int x = int(cx - rx) - 1; x <= int(cx + rx) + 1; ++x) {
            const double u = (x + 0.5 - cx) / rx, v = (y + 0.5 - cy) / ry;
            const double r = std::sqrt(u * u + v * v);
            if (r < 1) c.Blend(x, y, colour, (1 - r) * (1 - r));
        }
}

QImage Icon()
{
    Canvas c(256, 256);
    SoftEllipse(c, 134, 214, 118, 30, Hex(0x000000, 0.45));
    DrawBox(c, 112, 86, 96, 104, 130, Hex(0x2F6DB5), Hex(0xE8892B), Hex(0xDCE8F5), true);
    return c.ToImage();
}

// The project file's icon: a sheet of paper with its top right corner folded
// down and the program's box standing on it. The outline is thick enough to
// stay a visible edge at 16 pixels.
QImage ProjectIcon()
{
    Canvas c(256, 256);
    const double left = 40, right = 216, top = 12, bottom = 244, fold = 60, edge = 7;
    const Rgba outline = Hex(0x6B7A8C), paper = Hex(0xFBFCFE), paperShade = Hex(0xDDE4EE);
    // A soft shadow below and right of the sheet.
    Canvas shadow(256, 256);
    FillPolygon(shadow, {{left + 6, top + 8}, {right - fold + 6, top + 8}, {right + 6, top + fold + 8},
                         {right + 6, bottom + 6}, {left + 6, bottom + 6}},
                Hex(0x000000));
    c.Over(shadow, 0.18);
    FillPolygon(c, {{left, top}, {right - fold, top}, {right, top + fold}, {right, bottom}, {left, bottom}}, outline);
    // The paper inside the outline; along the 45-degree cut the corners move
    // in by edge * tan(22.5 degrees).
    FillPolygon(c,
                {{left + edge, top + edge},
                 {right - fold + edge * 0.41, top + edge},
                 {right - edge, top + fold - edge * 0.41},
                 {right - edge, bottom - edge},
                 {left + edge, bottom - edge}},
                [&](double x, double y) { return Mix(paper, paperShade, ((x - left) + (y - top)) / 520); });
    // The folded flap: its back shows, darker, bordered like the sheet.
    FillPolygon(c, {{right - fold, top}, {right - fold, top + fold}, {right, top + fold}}, outline);
    FillPolygon(c, {{right - fold + edge, top + edge * 2.4}, {right - fold + edge, top + fold - edge},
                    {right - edge * 2.4, top + fold - edge}},
                Hex(0xC3CEDC));
    // Two ruled lines of text above the box.
    FillRect(c, left + 28, 46, 84, 10, Hex(0xA9B6C6));
    FillRect(c, left + 28, 78, 120, 10, Hex(0xA9B6C6));
    // The box, in the program icon's colours but with a deeper lid, which
    // would vanish into the paper in the icon's pale blue.
    DrawBox(c, 124, 164, 66, 70, 66, Hex(0x2F6DB5), Hex(0xE8892B), Hex(0x9DB9DE), false);
    return c.ToImage();
}

QImage Banner()
{
    Canvas c(300, 50);
    // Pale enough for black text on top: white on the left into a light blue
    // glow that fades out again towards every edge, so the banner has no
    // visible border on the white panel, nor where the page's picture (from
    // x 284 in a window of the design width) covers it.
    FillPolygon(c, {{0, 0}, {300, 0}, {300, 50}, {0, 50}}, [&](double x, double y) {
        auto ramp = [](double v) { return std::clamp(v, 0.0, 1.0); };
        const double t = ramp((x - 100) / 110) * ramp((282 - x) / 40) * ramp(y / 12) * ramp((50 - y) / 12);
        return Mix(Hex(0xFFFFFF), Hex(0xE4EEF9), t);
    });
    // Two boxes at the right end, just left of the page's picture, as a
    // watermark: the host's text lines run across the whole banner and wrap,
    // so the boxes stay too faint to compete with them.
    Canvas boxes(300, 50);
    DrawBox(boxes, 250, 21, 20, 22, 18, Hex(0x2F6DB5), Hex(0xE8892B), Hex(0xDCE8F5), false);
    DrawBox(boxes, 271, 31, 11, 12, 10, Hex(0x2F6DB5), Hex(0xE8892B), Hex(0xDCE8F5), false);
    c.Over(boxes, 0.10);
    return c.ToImage();
}

QImage SaveGlyph()
{
    Canvas c(16, 16);
    const Rgba body = Hex(0x2F5C99), edge = Hex(0x1B3A66);
    // A disk with its top right corner cut off.
    FillPolygon(c, {{1, 1}, {13, 1}, {15, 3}, {15, 15}, {1, 15}}, edge);
    FillPolygon(c, {{2, 2}, {12.5, 2}, {14, 3.5}, {14, 14}, {2, 14}}, body);
    FillRect(c, 4, 2, 8, 5, Hex(0xF4F7FB));    // label
    FillRect(c, 4, 3, 8, 1, Hex(0xB7C6DA));    // a ruled line on it
    FillRect(c, 5, 10, 6, 4, Hex(0xC9CED6));   // shutter
    FillRect(c, 9, 11, 1, 2, Hex(0x2F5C99));   // its window
    return c.ToImage();
}

bool Write(const QImage& img, const QDir& dir, const char* name)
{
    const QString path = dir.filePath(QString::fromLatin1(name));
    if (img.save(path, "PNG")) return true;
    std::fprintf(stderr, "cubiform-artgen: cannot write %s\n", qPrintable(path));
    return false;
}

} // namespace

int main(int argc, char** argv)
{
    const bool icons = argc == 3 && std::string_view(argv[1]) == "--icons";
    if (argc != 2 && !icons) {
        std::fprintf(stderr, "usage: cubiform-artgen [--icons] <output folder>\n");
        return 2;
    }
    const QDir dir(QString::fromLocal8Bit(argv[argc - 1]));
    if (!dir.exists() && !QDir().mkpath(dir.path())) {
        std::fprintf(stderr, "cubiform-artgen: cannot create %s\n", argv[argc - 1]);
        return 1;
    }
    if (icons) {
        const bool ok = WriteIconSet(Icon(), dir, QStringLiteral("cubiform")) &&
                        WriteIconSet(ProjectIcon(), dir, QStringLiteral("cubiform-project"));
        return ok ? 0 : 1;
    }
    const bool ok = Write(Icon(), dir, "cubiform.png") && Write(Banner(), dir, "banner.png") &&
                    Write(SaveGlyph(), dir, "save.png") && WritePageArt(dir) && WriteDialogArt(dir);
    return ok ? 0 : 1;
}
