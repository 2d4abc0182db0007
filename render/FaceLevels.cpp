#include "render/FaceLevels.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr TColor32 kLanes = 0x00FF00FFu;

// Rounded mean of two colour words, channel by channel.
inline TColor32 Mean2(TColor32 a, TColor32 b)
{
    const TColor32 rb = (((a & kLanes) + (b & kLanes) + 0x00010001u) >> 1) & kLanes;
    const TColor32 ag = ((((a >> 8) & kLanes) + ((b >> 8) & kLanes) + 0x00010001u) << 7) & 0xFF00FF00u;
    return rb | ag;
}

// Rounded mean of three colour words, channel by channel.
TColor32 Mean3(TColor32 a, TColor32 b, TColor32 c)
{
    TColor32 out = 0;
    for (int shift = 0; shift < 32; shift += 8) {
        const TColor32 sum = ((a >> shift) & 255) + ((b >> shift) & 255) + ((c >> shift) & 255);
        out |= ((sum + 1) / 3) << shift;
    }
    return out;
}

int LevelCount(int size)
{
    int count = 1;
    while (size > 1) {
        size /= 2;
        ++count;
    }
    return count;
}

// A row of n pixels into n / 2; the last of an odd count joins the last pair.
void HalveRow(const TColor32* in, int n, TColor32* out)
{
    const int half = n / 2;
    for (int i = 0; i < half - 1; ++i) out[i] = Mean2(in[2 * i], in[2 * i + 1]);
    const int last = half - 1;
    out[last] = n % 2 ? Mean3(in[2 * last], in[2 * last + 1], in[2 * last + 2]) : Mean2(in[2 * last], in[2 * last + 1]);
}

// Rows a and b (and c, when given) of n pixels into one.
void MergeRows(const TColor32* a, const TColor32* b, const TColor32* c, int n, TColor32* out)
{
    if (c)
        for (int i = 0; i < n; ++i) out[i] = Mean3(a[i], b[i], c[i]);
    else
        for (int i = 0; i < n; ++i) out[i] = Mean2(a[i], b[i]);
}

// Repeats the edge pixels into the one-pixel border.
void FillBorder(TFaceLevels::TLevel& level)
{
    const int w = level.Width, h = level.Height, stride = level.Stride();
    TColor32* p = level.Pixels.data();
    for (int y = 1; y <= h; ++y) {
        TColor32* row = p + std::size_t(y) * stride;
        row[0] = row[1];
        row[w + 1] = row[w];
    }
    std::memcpy(p, p + stride, sizeof(TColor32) * stride);
    std::memcpy(p + std::size_t(h + 1) * stride, p + std::size_t(h) * stride, sizeof(TColor32) * stride);
}

std::unique_ptr<TFaceLevels::TLevel> NewLevel(int w, int h)
{
    auto level = std::make_unique<TFaceLevels::TLevel>();
    level->Width = w;
    level->Height = h;
    level->Pixels.resize(std::size_t(w + 2) * std::size_t(h + 2));
    return level;
}

} // namespace

void TFaceLevels::Assign(const TColor32* pixels, int width, int height, int stride, TColor32 (*convert)(TColor32))
{
    Clear();
    if (width <= 0 || height <= 0) return;
    FWidth = width;
    FHeight = height;
    FCountX = LevelCount(width);
    FCountY = LevelCount(height);
    FLevels.resize(std::size_t(FCountX) * FCountY);
    auto base = NewLevel(width, height);
    for (int y = 0; y < height; ++y) {
        TColor32* to = base->Pixels.data() + std::size_t(y + 1) * base->Stride() + 1;
        std::memcpy(to, pixels + std::size_t(y) * stride, sizeof(TColor32) * width);
        // Faces are mostly opaque: only the others need converting.
        if (convert)
            for (int x = 0; x < width; ++x)
                if (to[x] < 0xFF000000u) to[x] = convert(to[x]);
    }
    FillBorder(*base);
    Slot(0, 0) = std::move(base);
}

void TFaceLevels::Clear()
{
    FLevels.clear();
    FWidth = FHeight = FCountX = FCountY = 0;
}

bool TFaceLevels::HasLevel(int lx, int ly) const
{
    if (lx < 0 || ly < 0 || lx >= FCountX || ly >= FCountY) return false;
    return FLevels[std::size_t(ly) * FCountX + lx] != nullptr;
}

const TFaceLevels::TLevel& TFaceLevels::Level(int lx, int ly)
{
    lx = std::clamp(lx, 0, FCountX - 1);
    ly = std::clamp(ly, 0, FCountY - 1);
    std::unique_ptr<TLevel>& slot = Slot(lx, ly);
    if (!slot) {
        // Halve a made neighbour if there is one, else walk the diagonal,
        // so that a level costs about one read of the picture at most.
        bool fromLeft = ly == 0;
        if (lx > 0 && ly > 0)
            fromLeft = HasLevel(lx - 1, ly) || (!HasLevel(lx, ly - 1) && lx >= ly);
        if (fromLeft) {
            const TLevel& from = Level(lx - 1, ly);
            auto level = NewLevel(std::max(1, from.Width / 2), from.Height);
            for (int y = 1; y <= from.Height; ++y)
                HalveRow(from.Pixels.data() + std::size_t(y) * from.Stride() + 1, from.Width,
                         level->Pixels.data() + std::size_t(y) * level->Stride() + 1);
            FillBorder(*level);
            slot = std::move(level);
        } else {
            const TLevel& from = Level(lx, ly - 1);
            auto level = NewLevel(from.Width, std::max(1, from.Height / 2));
            auto row = [&](int y) { return from.Pixels.data() + std::size_t(y + 1) * from.Stride() + 1; };
            for (int y = 0; y < level->Height; ++y) {
                const bool three = y == level->Height - 1 && from.Height % 2;
                MergeRows(row(2 * y), row(2 * y + 1), three ? row(2 * y + 2) : nullptr, from.Width,
                          level->Pixels.data() + std::size_t(y + 1) * level->Stride() + 1);
            }
            FillBorder(*level);
            slot = std::move(level);
        }
    }
    slot->Used = true;
    return *slot;
}

std::int64_t TFaceLevels::Bytes() const
{
    std::int64_t bytes = 0;
    for (const auto& level : FLevels)
        if (level) bytes += std::int64_t(level->Pixels.size() * sizeof(TColor32));
    return bytes;
}

void TFaceLevels::Trim(std::int64_t keepBytes)
{
    std::int64_t bytes = Bytes();
    for (std::size_t i = 1; i < FLevels.size() && bytes > keepBytes; ++i)
        if (FLevels[i] && !FLevels[i]->Used) {
            bytes -= std::int64_t(FLevels[i]->Pixels.size() * sizeof(TColor32));
            FLevels[i].reset();
        }
    for (auto& level : FLevels)
        if (level) level->Used = false;
}
