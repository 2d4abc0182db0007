#include "SampleArt.h"

#include <QFont>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace samples {

namespace {

// The colour scheme: a deep slate-teal box with an amber accent.
constexpr TColor32 kDeepTop = Color32(0x24, 0x44, 0x58);
constexpr TColor32 kDeepBottom = Color32(0x12, 0x24, 0x31);
constexpr TColor32 kLid = Color32(0x1A, 0x33, 0x44);
constexpr TColor32 kAmber = Color32(0xF0, 0xA8, 0x3A);
constexpr TColor32 kAmberPale = Color32(0xF6, 0xD2, 0x8E);
constexpr TColor32 kInk = Color32(0x10, 0x1E, 0x28);
constexpr TColor32 kWhite = clWhite32;

constexpr TColor32 kBirdBody = Color32(0x92, 0x9A, 0xA1);
constexpr TColor32 kBirdBreast = Color32(0xCF, 0xD3, 0xD6);
constexpr TColor32 kBirdHead = Color32(0x7E, 0x87, 0x8E);
constexpr TColor32 kBirdWing = Color32(0x5E, 0x67, 0x6E);
constexpr TColor32 kBirdTail = Color32(0x4A, 0x52, 0x59);
constexpr TColor32 kBranch = Color32(0x6B, 0x4A, 0x2F);
constexpr TColor32 kLeaf = Color32(0x6F, 0x9E, 0x5A);

constexpr const char* kTitle = "GREYFINCH";
constexpr const char* kFontFamily = "DejaVu Sans";

void BlendPixel(TBitmap32& image, int x, int y, TColor32 color, double coverage)
{
    if (x < 0 || y < 0 || x >= image.Width() || y >= image.Height() || coverage <= 0) return;
    const std::uint32_t w = std::uint32_t(std::lround(std::min(coverage, 1.0) * 255));
    if (w >= 255) {
        image.SetPixelAt(x, y, color);
    } else if (w > 0) {
        image.SetPixelAt(x, y, plain::CombineColors(color, image.PixelAt(x, y), w) | 0xFF000000u);
    }
}

QFont Font(int pixels, bool bold)
{
    QFont font(QString::fromLatin1(kFontFamily));
    font.setPixelSize(pixels);
    font.setBold(bold);
    font.setLetterSpacing(QFont::AbsoluteSpacing, bold ? pixels * 0.08 : 0);
    return font;
}

void TextCentred(TBitmap32& image, int centreX, int y, const QString& text, int pixels, bool bold, TColor32 color)
{
    image.SetFont(Font(pixels, bold), QColor::fromRgb(RedComponent(color), GreenComponent(color), BlueComponent(color)));
    const int width = image.TextWidth(text);
    image.PaintText(centreX - width / 2, y, text);
}

// A thick line as a filled quadrilateral.
void ThickLine(TBitmap32& image, double x1, double y1, double x2, double y2, double width, TColor32 color)
{
    const double dx = x2 - x1, dy = y2 - y1, len = std::hypot(dx, dy);
    if (len <= 0) return;
    const double nx = -dy / len * width / 2, ny = dx / len * width / 2;
    FillPolygon(image, {{x1 + nx, y1 + ny}, {x2 + nx, y2 + ny}, {x2 - nx, y2 - ny}, {x1 - nx, y1 - ny}}, color);
}

// The bird mark: a finch facing right on a twig, `s` pixels per unit.
void DrawFinch(TBitmap32& image, double cx, double cy, double s)
{
    auto P = [&](double x, double y) { return TPointF{cx + x * s, cy + y * s}; };
    ThickLine(image, cx - 1.9 * s, cy + 1.02 * s, cx + 1.9 * s, cy + 0.86 * s, 0.13 * s, kBranch);
    FillEllipse(image, cx - 1.45 * s, cy + 0.82 * s, 0.28 * s, 0.11 * s, -25, kLeaf);
    FillEllipse(image, cx + 1.55 * s, cy + 1.05 * s, 0.26 * s, 0.1 * s, 30, kLeaf);

    FillPolygon(image, {P(-0.7, -0.15), P(-1.95, -0.6), P(-1.72, -0.1), P(-1.95, 0.32), P(-0.7, 0.28)}, kBirdTail);
    FillEllipse(image, cx, cy, 1.0 * s, 0.62 * s, -15, kBirdBody);
    FillEllipse(image, cx + 0.38 * s, cy + 0.16 * s, 0.56 * s, 0.38 * s, -25, kBirdBreast);
    FillEllipse(image, cx + 0.86 * s, cy - 0.56 * s, 0.43 * s, 0.43 * s, 0, kBirdHead);
    FillEllipse(image, cx - 0.18 * s, cy - 0.1 * s, 0.74 * s, 0.34 * s, -18, kBirdWing);
    for (int i = 0; i < 3; ++i) {
        const double y = -0.12 + 0.12 * i;
        image.DrawSmoothLine(cx - 0.75 * s, cy + (y + 0.08) * s, cx + 0.15 * s, cy + (y - 0.12) * s,
                             Color32(0x84, 0x8D, 0x94), true);
    }
    FillPolygon(image, {P(1.2, -0.66), P(1.58, -0.52), P(1.2, -0.42)}, kAmber);
    FillEllipse(image, cx + 0.98 * s, cy - 0.63 * s, 0.075 * s, 0.075 * s, 0, kInk);
    FillEllipse(image, cx + 1.0 * s, cy - 0.655 * s, 0.025 * s, 0.025 * s, 0, kWhite);
    ThickLine(image, cx + 0.1 * s, cy + 0.55 * s, cx + 0.02 * s, cy + 0.97 * s, 0.06 * s, kInk);
    ThickLine(image, cx + 0.34 * s, cy + 0.52 * s, cx + 0.34 * s, cy + 0.94 * s, 0.06 * s, kInk);
}

// Text drawn white on black, turned a quarter to the left, used as coverage.
void VerticalText(TBitmap32& image, int centreX, int centreY, const QString& text, int pixels, TColor32 color)
{
    TBitmap32 mask;
    mask.SetFont(Font(pixels, true), Qt::white);
    const TBitmap32::TSize size = mask.TextExtent(text);
    mask.SetSize(size.cx + 2, size.cy + 2);
    mask.Clear(clBlack32);
    mask.PaintText(1, 1, text);
    // Mask pixel (x, y) lands at (left + y, bottom - x): the text reads upwards.
    const int left = centreX - mask.Height() / 2, bottom = centreY + mask.Width() / 2;
    for (int y = 0; y < mask.Height(); ++y)
        for (int x = 0; x < mask.Width(); ++x)
            BlendPixel(image, left + y, bottom - x, color, GreenComponent(mask.PixelAt(x, y)) / 255.0);
}

} // namespace

void FillPolygon(TBitmap32& image, const std::vector<TPointF>& points, TColor32 color)
{
    if (points.size() < 3 || image.IsEmpty()) return;
    constexpr int kSub = 4;
    double minY = points[0].Y, maxY = points[0].Y;
    for (const TPointF& p : points) {
        minY = std::min(minY, p.Y);
        maxY = std::max(maxY, p.Y);
    }
    const int y0 = std::max(0, int(std::floor(minY))), y1 = std::min(image.Height() - 1, int(std::ceil(maxY)));
    std::vector<double> coverage(std::size_t(image.Width()) + 1);
    std::vector<double> crossings;
    for (int y = y0; y <= y1; ++y) {
        std::fill(coverage.begin(), coverage.end(), 0.0);
        for (int sub = 0; sub < kSub; ++sub) {
            const double sy = y + (sub + 0.5) / kSub;
            crossings.clear();
            for (std::size_t i = 0; i < points.size(); ++i) {
                const TPointF& a = points[i];
                const TPointF& b = points[(i + 1) % points.size()];
                if ((a.Y <= sy) != (b.Y <= sy)) crossings.push_back(a.X + (sy - a.Y) / (b.Y - a.Y) * (b.X - a.X));
            }
            std::sort(crossings.begin(), crossings.end());
            for (std::size_t i = 0; i + 1 < crossings.size(); i += 2) {
                const double xa = std::clamp(crossings[i], 0.0, double(image.Width()));
                const double xb = std::clamp(crossings[i + 1], 0.0, double(image.Width()));
                for (int x = int(xa); x < image.Width() && x < xb; ++x)
                    coverage[std::size_t(x)] += (std::min(xb, x + 1.0) - std::max(xa, double(x))) / kSub;
            }
        }
        for (int x = 0; x < image.Width(); ++x) BlendPixel(image, x, y, color, coverage[std::size_t(x)]);
    }
}

void FillEllipse(TBitmap32& image, double cx, double cy, double rx, double ry, double degrees, TColor32 color)
{
    const double turn = degrees * std::numbers::pi / 180;
    std::vector<TPointF> points;
    constexpr int kSteps = 120;
    for (int i = 0; i < kSteps; ++i) {
        const double t = 2 * std::numbers::pi * i / kSteps;
        const double x = rx * std::cos(t), y = ry * std::sin(t);
        points.push_back({cx + x * std::cos(turn) - y * std::sin(turn), cy + x * std::sin(turn) + y * std::cos(turn)});
    }
    FillPolygon(image, points, color);
}

void FillVerticalGradient(TBitmap32& image, int y1, int y2, TColor32 top, TColor32 bottom)
{
    y1 = std::max(y1, 0);
    y2 = std::min(y2, image.Height());
    for (int y = y1; y < y2; ++y) {
        const std::uint32_t w = y2 - y1 > 1 ? std::uint32_t(255 * (y - y1) / (y2 - y1 - 1)) : 0;
        image.FillArea(0, y, image.Width(), y + 1, plain::CombineColors(bottom, top, w) | 0xFF000000u);
    }
}

void DrawFront(TBitmap32& image)
{
    const int w = FrontWidth, h = FrontHeight;
    image.SetSize(w, h);
    FillVerticalGradient(image, 0, h, kDeepTop, kDeepBottom);
    image.FillArea(0, 22, w, 26, kAmber);

    FillEllipse(image, w / 2.0, 250, 158, 158, 0, Color32(0x2E, 0x55, 0x6C));
    FillEllipse(image, w / 2.0, 250, 142, 142, 0, kAmberPale);
    DrawFinch(image, w / 2.0 - 4, 240, 74);

    TextCentred(image, w / 2, 425, QString::fromLatin1(kTitle), 56, true, kWhite);
    TextCentred(image, w / 2, 494, QStringLiteral("Photo Organiser"), 24, false, kAmberPale);

    image.FillArea(0, h - 64, w, h, kAmber);
    TextCentred(image, w / 2, h - 46, QStringLiteral("VERSION 2.0  \u00B7  FOR DESKTOP"), 18, true, kInk);
}

void DrawSide(TBitmap32& image)
{
    const int w = SideWidth, h = SideHeight;
    image.SetSize(w, h);
    FillVerticalGradient(image, 0, h, kDeepTop, kDeepBottom);
    image.FillArea(0, 22, w, 26, kAmber);
    FillEllipse(image, w / 2.0, 78, 30, 30, 0, kAmberPale);
    DrawFinch(image, w / 2.0 - 2, 76, 13);
    VerticalText(image, w / 2, 300, QString::fromLatin1(kTitle), 40, kWhite);
    image.FillArea(0, h - 64, w, h, kAmber);
}

void DrawTop(TBitmap32& image)
{
    const int w = TopWidth, h = TopHeight;
    image.SetSize(w, h);
    image.Clear(kLid);
    image.FillArea(0, h - 8, w, h, kAmber);
    FillEllipse(image, 44, 36, 24, 24, 0, kAmberPale);
    DrawFinch(image, 42, 34, 10);
    TextCentred(image, w / 2 + 20, 16, QString::fromLatin1(kTitle), 34, true, kWhite);
}

} // namespace samples
