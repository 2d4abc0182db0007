#include "tools/assetgen/AssetArt.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

// Only exactly rounded operations (+ - * /, sqrt, fmod) are used, so the
// pictures come out the same byte for byte on every IEEE machine.

namespace assetart {

namespace {

struct TVec {
    double X, Y;
};
double Cross(TVec a, TVec b) { return a.X * b.Y - a.Y * b.X; }

double SmoothStep(double edge0, double edge1, double x)
{
    const double t = std::clamp((x - edge0) / (edge1 - edge0), 0.0, 1.0);
    return t * t * (3.0 - 2.0 * t);
}

int RoundToByte(double v) { return std::clamp(int(std::floor(v + 0.5)), 0, 255); }

// The page block as a parallelogram in picture coordinates: the corner where
// spine and cover meet, the long edge along the cover's top and the edge
// across the pages towards the back cover. The corner lies below the picture;
// the cover, drawn later, hides the near side anyway.
constexpr TVec NearCorner{30, 38};
constexpr TVec AlongCover{224, -29};
constexpr TVec AcrossPages{-29, -8};
// Fraction of the block's thickness taken by the back board's edge.
constexpr double BackBoardFrom = 0.88;
// Page edges seen across the block.
constexpr double PageStripes = 5;
constexpr int Supersampling = 4;

struct TRgb {
    double R, G, B;
};

TRgb BookTopSample(double px, double py)
{
    const TVec d{px - NearCorner.X, py - NearCorner.Y};
    const double area = Cross(AlongCover, AcrossPages);
    const double s = Cross(d, AcrossPages) / area; // 0 at the spine, 1 at the fore-edge
    const double t = Cross(AlongCover, d) / area;  // 0 at the cover, 1 at the back
    if (s < 0 || s > 1 || t < 0 || t > 1) return {255, 255, 255};
    if (t >= BackBoardFrom) return {72, 72, 78};
    // Alternating light and darker page edges, a little darker towards the back.
    const double frac = std::fmod(t * PageStripes, 1.0);
    const double stripe = std::fabs(2.0 * frac - 1.0);
    const double shade = 14.0 * stripe + 8.0 * t;
    return {250 - shade, 247 - shade, 236 - shade};
}

int ShadowGrey(int x, int y, bool mirrored)
{
    const int fromCorner = mirrored ? x : ShadowWidth - 1 - x;
    const double u = double(fromCorner) / (ShadowWidth - 1);
    const double v = double(ShadowHeight - 1 - y) / (ShadowHeight - 1);
    // Distance from the dark corner, 1 on the rounded outline.
    const double r = std::sqrt(u * u + v * v);
    const double strength = 1.0 - SmoothStep(0.2, 1.0, r);
    return 255 - RoundToByte(strength * (255 - DarkestShadowGrey));
}

void Put16(std::vector<std::uint8_t>& out, std::uint32_t v)
{
    out.push_back(std::uint8_t(v));
    out.push_back(std::uint8_t(v >> 8));
}
void Put32(std::vector<std::uint8_t>& out, std::uint32_t v)
{
    Put16(out, v & 0xFFFFu);
    Put16(out, v >> 16);
}

// File and info headers of an uncompressed bottom-up BMP.
std::vector<std::uint8_t> BmpHeaders(int width, int height, int bitsPerPixel, int paletteSize)
{
    const std::uint32_t rowBytes = ((std::uint32_t(width) * bitsPerPixel + 31) / 32) * 4;
    const std::uint32_t imageBytes = rowBytes * std::uint32_t(height);
    const std::uint32_t offset = 14 + 40 + 4 * std::uint32_t(paletteSize);
    std::vector<std::uint8_t> out;
    out.push_back('B');
    out.push_back('M');
    Put32(out, offset + imageBytes);
    Put32(out, 0);
    Put32(out, offset);
    Put32(out, 40);
    Put32(out, std::uint32_t(width));
    Put32(out, std::uint32_t(height));
    Put16(out, 1);
    Put16(out, std::uint32_t(bitsPerPixel));
    Put32(out, 0); // uncompressed
    Put32(out, imageBytes);
    Put32(out, 2835); // 72 dpi
    Put32(out, 2835);
    Put32(out, std::uint32_t(paletteSize));
    Put32(out, 0);
    return out;
}

void PadRow(std::vector<std::uint8_t>& out, std::size_t rowStart)
{
    while ((out.size() - rowStart) % 4 != 0) out.push_back(0);
}

} // namespace

void DrawBookTop(TBitmap32& image)
{
    image.SetSize(BookTopWidth, BookTopHeight);
    const double step = 1.0 / Supersampling;
    for (int y = 0; y < BookTopHeight; ++y)
        for (int x = 0; x < BookTopWidth; ++x) {
            TRgb sum{0, 0, 0};
            for (int j = 0; j < Supersampling; ++j)
                for (int i = 0; i < Supersampling; ++i) {
                    const TRgb c = BookTopSample(x + (i + 0.5) * step, y + (j + 0.5) * step);
                    sum.R += c.R;
                    sum.G += c.G;
                    sum.B += c.B;
                }
            const double n = Supersampling * Supersampling;
            image.SetPixelAt(x, y,
                             Color32(std::uint8_t(RoundToByte(sum.R / n)),
                                     std::uint8_t(RoundToByte(sum.G / n)),
                                     std::uint8_t(RoundToByte(sum.B / n))));
        }
    image.NotifyChanged();
}

void DrawShadow(TBitmap32& image, bool mirrored)
{
    image.SetSize(ShadowWidth, ShadowHeight);
    for (int y = 0; y < ShadowHeight; ++y)
        for (int x = 0; x < ShadowWidth; ++x) {
            const auto g = std::uint8_t(ShadowGrey(x, y, mirrored));
            image.SetPixelAt(x, y, Color32(g, g, g));
        }
    image.NotifyChanged();
}

std::vector<std::uint8_t> EncodeBmp24(const TBitmap32& image)
{
    std::vector<std::uint8_t> out = BmpHeaders(image.Width(), image.Height(), 24, 0);
    for (int y = image.Height() - 1; y >= 0; --y) {
        const std::size_t rowStart = out.size();
        for (int x = 0; x < image.Width(); ++x) {
            const TColor32 c = image.PixelAt(x, y);
            out.push_back(BlueComponent(c));
            out.push_back(GreenComponent(c));
            out.push_back(RedComponent(c));
        }
        PadRow(out, rowStart);
    }
    return out;
}

std::vector<std::uint8_t> EncodeShadowBmp8(const TBitmap32& image)
{
    std::vector<std::uint8_t> out =
        BmpHeaders(image.Width(), image.Height(), 8, ShadowPaletteSize);
    for (int i = 0; i < ShadowPaletteSize; ++i) {
        const auto g = std::uint8_t(FirstPaletteGrey + i);
        out.insert(out.end(), {g, g, g, 0});
    }
    for (int y = image.Height() - 1; y >= 0; --y) {
        const std::size_t rowStart = out.size();
        for (int x = 0; x < image.Width(); ++x) {
            const TColor32 c = image.PixelAt(x, y);
            const int g = BlueComponent(c);
            if (RedComponent(c) != g || GreenComponent(c) != g || g < FirstPaletteGrey)
                throw std::invalid_argument("shadow pixel is not a grey of the palette");
            out.push_back(std::uint8_t(g - FirstPaletteGrey));
        }
        PadRow(out, rowStart);
    }
    return out;
}

} // namespace assetart
