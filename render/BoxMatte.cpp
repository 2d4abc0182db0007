#include "render/BoxMatte.h"

#include <QRegularExpression>

#include <algorithm>
#include <stdexcept>

namespace {

constexpr TColor32 kRgbMask = 0x00FFFFFFu;

int Channel(TColor32 c, int shift) { return int((c >> shift) & 0xFFu); }

// x / 255 rounded to nearest, for 0 <= x <= 255 * 255.
constexpr int Div255(int x) { return (x + 127) / 255; }

// One pixel of the transparent picture.
TColor32 MattePixel(TColor32 w, TColor32 b)
{
    if (((w ^ b) & kRgbMask) == 0) return w | 0xFF000000u;
    // The ground shows through by the channels' mean difference: rounding
    // makes the three differ by a step, and the mean keeps each within one.
    int sum = 0;
    for (int shift = 0; shift <= 16; shift += 8) sum += std::max(0, Channel(w, shift) - Channel(b, shift));
    const int through = (sum + 1) / 3;
    const int alpha = 255 - through;
    if (alpha <= 0) return 0;
    if (alpha == 255) return w | 0xFF000000u;
    TColor32 out = TColor32(alpha) << 24;
    for (int shift = 0; shift <= 16; shift += 8) {
        const int straight = std::min(255, (Channel(b, shift) * 255 + alpha / 2) / alpha);
        out |= TColor32(straight) << shift;
    }
    return out;
}

TColor32 OverColor(TColor32 m, TColor32 ground)
{
    const int a = int(m >> 24);
    TColor32 out = 0xFF000000u;
    for (int shift = 0; shift <= 16; shift += 8)
        out |= TColor32(Div255(Channel(m, shift) * a + Channel(ground, shift) * (255 - a))) << shift;
    return out;
}

} // namespace

bool ParseBoxBackground(const QString& text, TBoxBackground& background)
{
    const QString t = text.trimmed().toLower();
    if (t == QLatin1String("transparent")) {
        background = {TBoxBackground::Transparent, clWhite32};
        return true;
    }
    if (t == QLatin1String("white")) {
        background = TBoxBackground::Of(clWhite32);
        return true;
    }
    static const QRegularExpression hex(QStringLiteral("^#[0-9a-f]{6}$"));
    if (!hex.match(t).hasMatch()) return false;
    background = TBoxBackground::Of(TColor32(t.mid(1).toUInt(nullptr, 16)));
    return true;
}

QString BoxBackgroundText(const TBoxBackground& background)
{
    switch (background.Kind) {
    case TBoxBackground::Automatic: return {};
    case TBoxBackground::Transparent: return QStringLiteral("transparent");
    case TBoxBackground::Solid: break;
    }
    if ((background.Color & kRgbMask) == kRgbMask) return QStringLiteral("white");
    return QStringLiteral("#%1").arg(background.Color & kRgbMask, 6, 16, QLatin1Char('0'));
}

TBoxBackground ResolveBoxBackground(TBoxBackground background, bool formatKeepsAlpha)
{
    if (background.Kind == TBoxBackground::Automatic)
        return formatKeepsAlpha ? TBoxBackground{TBoxBackground::Transparent, clWhite32} : TBoxBackground::Of(clWhite32);
    if (background.Kind == TBoxBackground::Transparent && !formatKeepsAlpha) return TBoxBackground::Of(clWhite32);
    return background;
}

bool NeedsBlackGround(const TBoxBackground& resolved)
{
    return resolved.Kind == TBoxBackground::Transparent ||
           (resolved.Kind == TBoxBackground::Solid && (resolved.Color & kRgbMask) != kRgbMask);
}

void MatteFromGrounds(const TBitmap32& onWhite, const TBitmap32& onBlack, TBitmap32& matte)
{
    if (onWhite.Width() != onBlack.Width() || onWhite.Height() != onBlack.Height())
        throw std::logic_error("the two grounds' drawings differ in size");
    const int w = onWhite.Width(), h = onWhite.Height();
    matte.SetSize(w, h);
    for (int y = 0; y < h; ++y) {
        const TColor32* pw = onWhite.ScanLine(y);
        const TColor32* pb = onBlack.ScanLine(y);
        TColor32* out = matte.ScanLine(y);
        for (int x = 0; x < w; ++x) out[x] = MattePixel(pw[x], pb[x]);
    }
    matte.NotifyChanged();
}

void FlattenMatte(const TBitmap32& matte, TColor32 color, TBitmap32& dest)
{
    const int w = matte.Width(), h = matte.Height();
    if (&dest != &matte) dest.SetSize(w, h);
    for (int y = 0; y < h; ++y) {
        const TColor32* in = matte.ScanLine(y);
        TColor32* out = dest.ScanLine(y);
        for (int x = 0; x < w; ++x) out[x] = OverColor(in[x], color);
    }
    dest.NotifyChanged();
}

void MakeOpaque(TBitmap32& image)
{
    TColor32* p = image.Bits();
    const std::size_t count = std::size_t(image.Width()) * std::size_t(image.Height());
    for (std::size_t i = 0; i < count; ++i) p[i] |= 0xFF000000u;
    image.NotifyChanged();
}

void BoxOnBackground(const TBitmap32& onWhite, const TBitmap32* onBlack, const TBoxBackground& resolved,
                     bool formatKeepsAlpha, TBitmap32& out)
{
    if (!NeedsBlackGround(resolved)) {
        out.CopyFrom(onWhite);
        if (formatKeepsAlpha) MakeOpaque(out);
        return;
    }
    if (!onBlack) throw std::logic_error("a transparent or coloured background needs the black-ground drawing");
    MatteFromGrounds(onWhite, *onBlack, out);
    if (resolved.Kind == TBoxBackground::Solid) FlattenMatte(out, resolved.Color, out);
}
