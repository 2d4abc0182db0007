#include "render/FaceLevels.h"

#include <algorithm>
#include <cstring>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

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
    int i = 0;
#ifdef __SSE2__
    // The rounded-up byte mean is Mean2 exactly.
    for (; i + 4 <= half - 1; i += 4) {
        const __m128 a = _mm_castsi128_ps(_mm_loadu_si128(reinterpret_cast<const __m128i*>(in + 2 * i)));
        const __m128 b = _mm_castsi128_ps(_mm_loadu_si128(reinterpret_cast<const __m128i*>(in + 2 * i + 4)));
        const __m128i even = _mm_castps_si128(_mm_shuffle_ps(a, b, _MM_SHUFFLE(2, 0, 2, 0)));
        const __m128i odd = _mm_castps_si128(_mm_shuffle_ps(a, b, _MM_SHUFFLE(3, 1, 3, 1)));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_avg_epu8(even, odd));
    }
#endif
    for (; i < half - 1; ++i) out[i] = Mean2(in[2 * i], in[2 * i + 1]);
    const int last = half - 1;
    out[last] = n % 2 ? Mean3(in[2 * last], in[2 * last + 1], in[2 * last + 2]) : Mean2(in[2 * last], in[2 * last + 1]);
}

// Rows a and b (and c, when given) of n pixels into one.
void MergeRows(const TColor32* a, const TColor32* b, const TColor32* c, int n, TColor32* out)
{
    if (c) {
        for (int i = 0; i < n; ++i) out[i] = Mean3(a[i], b[i], c[i]);
        return;
    }
    int i = 0;
#ifdef __SSE2__
    for (; i + 4 <= n; i += 4)
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i),
                         _mm_avg_epu8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(a + i)),
                                      _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + i))));
#endif
    for (; i < n; ++i) out[i] = Mean2(a[i], b[i]);
}

// Repeats the edge pixels into the one-pixel border.
void FillBorder(TFaceLevels::TLevel& level)
{
    const int w = level.Width, h = level.Height, stride = level.Stride();
    TColor32* p = level.Pixels.get();
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
    // Every pixel is written before it is read: no need to clear them.
    level->Pixels = std::make_unique_for_overwrite<TColor32[]>(level->Count());
    return level;
}

} // namespace

void TFaceLevels::Assign(const TColor32* pixels, int width, int height, int stride, TColor32 (*convert)(TColor32))
{
    if (width <= 0 || height <= 0) {
        Clear();
        return;
    }
    if (width != FWidth || height != FHeight) {
        Clear();
        FWidth = width;
        FHeight = height;
        FCountX = LevelCount(width);
        FCountY = LevelCount(height);
        FLevels.resize(std::size_t(FCountX) * FCountY);
    }
    // A picture of the same size (a face edited) is written into the levels
    // it had: they are remade when next asked for.
    for (auto& level : FLevels)
        if (level) level->Stale = true, level->Used = false;
    TLevel& base = Fresh(0, 0, width, height);
    for (int y = 0; y < height; ++y) {
        TColor32* to = base.Pixels.get() + std::size_t(y + 1) * base.Stride() + 1;
        std::memcpy(to, pixels + std::size_t(y) * stride, sizeof(TColor32) * width);
        // Faces are mostly opaque: only the others need converting.
        if (!convert) continue;
        TColor32 all = 0xFF000000u;
        for (int x = 0; x < width; ++x) all &= to[x];
        if (all < 0xFF000000u)
            for (int x = 0; x < width; ++x)
                if (to[x] < 0xFF000000u) to[x] = convert(to[x]);
    }
    FillBorder(base);
}

TFaceLevels::TLevel& TFaceLevels::Fresh(int lx, int ly, int width, int height)
{
    std::unique_ptr<TLevel>& slot = Slot(lx, ly);
    if (!slot) slot = NewLevel(width, height);
    slot->Stale = false;
    return *slot;
}

void TFaceLevels::Clear()
{
    FLevels.clear();
    FWidth = FHeight = FCountX = FCountY = 0;
}

bool TFaceLevels::HasLevel(int lx, int ly) const
{
    if (lx < 0 || ly < 0 || lx >= FCountX || ly >= FCountY) return false;
    const auto& level = FLevels[std::size_t(ly) * FCountX + lx];
    return level && !level->Stale;
}

const TFaceLevels::TLevel& TFaceLevels::Level(int lx, int ly)
{
    lx = std::clamp(lx, 0, FCountX - 1);
    ly = std::clamp(ly, 0, FCountY - 1);
    if (!HasLevel(lx, ly)) {
        // Halve a made neighbour if there is one, else walk the diagonal,
        // so that a level costs about one read of the picture at most.
        bool fromLeft = ly == 0;
        if (lx > 0 && ly > 0)
            fromLeft = HasLevel(lx - 1, ly) || (!HasLevel(lx, ly - 1) && lx >= ly);
        if (fromLeft) {
            const TLevel& from = Level(lx - 1, ly);
            TLevel& level = Fresh(lx, ly, std::max(1, from.Width / 2), from.Height);
            for (int y = 1; y <= from.Height; ++y)
                HalveRow(from.Pixels.get() + std::size_t(y) * from.Stride() + 1, from.Width,
                         level.Pixels.get() + std::size_t(y) * level.Stride() + 1);
            FillBorder(level);
        } else {
            const TLevel& from = Level(lx, ly - 1);
            TLevel& level = Fresh(lx, ly, from.Width, std::max(1, from.Height / 2));
            auto row = [&](int y) { return from.Pixels.get() + std::size_t(y + 1) * from.Stride() + 1; };
            for (int y = 0; y < level.Height; ++y) {
                const bool three = y == level.Height - 1 && from.Height % 2;
                MergeRows(row(2 * y), row(2 * y + 1), three ? row(2 * y + 2) : nullptr, from.Width,
                          level.Pixels.get() + std::size_t(y + 1) * level.Stride() + 1);
            }
            FillBorder(level);
        }
    }
    std::unique_ptr<TLevel>& slot = Slot(lx, ly);
    slot->Used = true;
    return *slot;
}

std::int64_t TFaceLevels::Bytes() const
{
    std::int64_t bytes = 0;
    for (const auto& level : FLevels)
        if (level) bytes += std::int64_t(level->Count() * sizeof(TColor32));
    return bytes;
}

void TFaceLevels::Trim(std::int64_t keepBytes)
{
    std::int64_t bytes = Bytes();
    for (std::size_t i = 1; i < FLevels.size() && bytes > keepBytes; ++i)
        if (FLevels[i] && !FLevels[i]->Used) {
            bytes -= std::int64_t(FLevels[i]->Count() * sizeof(TColor32));
            FLevels[i].reset();
        }
    for (auto& level : FLevels)
        if (level) level->Used = false;
}
