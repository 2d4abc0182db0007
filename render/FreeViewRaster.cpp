#include "render/FreeViewRaster.h"

#include "imaging/TransformKernels.h"
#include "imaging/Transformation.h"
#include "render/FaceLevels.h"

#include <algorithm>
#include <atomic>
#include <climits>
#include <cmath>

namespace tk = transform_kernels;

namespace freeview {

void TDrawItem::AddOutline(const TPoint2* points, int count)
{
    Points.insert(Points.end(), points, points + count);
    Ends.push_back(int(Points.size()));
}

// --- projective mapping of the unit square --------------------------------------

THomography THomography::SquareToQuad(const TPoint2 (&q)[4])
{
    THomography h;
    double(&m)[3][3] = h.M;
    const double sx = q[0].X - q[1].X + q[2].X - q[3].X;
    const double sy = q[0].Y - q[1].Y + q[2].Y - q[3].Y;
    double g = 0, k = 0;
    if (sx != 0 || sy != 0) {
        const double dx1 = q[1].X - q[2].X, dx2 = q[3].X - q[2].X;
        const double dy1 = q[1].Y - q[2].Y, dy2 = q[3].Y - q[2].Y;
        const double den = dx1 * dy2 - dx2 * dy1;
        if (den != 0) {
            g = (sx * dy2 - sy * dx2) / den;
            k = (dx1 * sy - dy1 * sx) / den;
        }
    }
    m[0][0] = q[1].X - q[0].X + g * q[1].X, m[0][1] = q[3].X - q[0].X + k * q[3].X, m[0][2] = q[0].X;
    m[1][0] = q[1].Y - q[0].Y + g * q[1].Y, m[1][1] = q[3].Y - q[0].Y + k * q[3].Y, m[1][2] = q[0].Y;
    m[2][0] = g, m[2][1] = k, m[2][2] = 1;
    return h;
}

TPoint2 THomography::Map(double s, double t) const
{
    const double z = M[2][0] * s + M[2][1] * t + M[2][2];
    return {(M[0][0] * s + M[0][1] * t + M[0][2]) / z, (M[1][0] * s + M[1][1] * t + M[1][2]) / z};
}

THomography THomography::Inverse() const
{
    const auto& a = M;
    THomography r;
    double(&m)[3][3] = r.M;
    m[0][0] = a[1][1] * a[2][2] - a[1][2] * a[2][1];
    m[0][1] = a[0][2] * a[2][1] - a[0][1] * a[2][2];
    m[0][2] = a[0][1] * a[1][2] - a[0][2] * a[1][1];
    m[1][0] = a[1][2] * a[2][0] - a[1][0] * a[2][2];
    m[1][1] = a[0][0] * a[2][2] - a[0][2] * a[2][0];
    m[1][2] = a[0][2] * a[1][0] - a[0][0] * a[1][2];
    m[2][0] = a[1][0] * a[2][1] - a[1][1] * a[2][0];
    m[2][1] = a[0][1] * a[2][0] - a[0][0] * a[2][1];
    m[2][2] = a[0][0] * a[1][1] - a[0][1] * a[1][0];
    // The adjugate is the inverse up to a factor, which a projective
    // mapping does not care about.
    return r;
}

namespace {

constexpr int kChunk = 256;
constexpr int kBand = 16;
constexpr int kMaxThreads = 64;

// --- colour arithmetic on premultiplied words --------------------------------------

constexpr TColor32 kLanes = 0x00FF00FFu;

// Every channel times f / 256 (f <= 256), rounded.
inline TColor32 Scale(TColor32 c, std::uint32_t f)
{
    const TColor32 rb = (((c & kLanes) * f + 0x00800080u) >> 8) & kLanes;
    const TColor32 ag = (((c >> 8) & kLanes) * f + 0x00800080u) & 0xFF00FF00u;
    return rb | ag;
}

// Every channel times (255 - a) / 255, rounded.
inline TColor32 Remaining(TColor32 c, std::uint32_t a)
{
    const std::uint32_t f = 255 - a;
    TColor32 rb = (c & kLanes) * f + 0x00800080u;
    rb = ((rb + ((rb >> 8) & kLanes)) >> 8) & kLanes;
    TColor32 ag = ((c >> 8) & kLanes) * f + 0x00800080u;
    ag = (ag + ((ag >> 8) & kLanes)) & 0xFF00FF00u;
    return rb | ag;
}

// Premultiplied s over d.
inline TColor32 Over(TColor32 s, TColor32 d)
{
    const std::uint32_t a = s >> 24;
    if (a == 255) return s;
    if (a == 0) return d;
    return s + Remaining(d, a);
}

// 255 / a in 16.16 fixed point, rounded.
struct TReciprocals {
    std::uint32_t Of[256] = {};
    constexpr TReciprocals()
    {
        for (std::uint32_t a = 1; a < 256; ++a) Of[a] = (255u * 65536u + a / 2) / a;
    }
};
constexpr TReciprocals kReciprocals;

// Premultiplied to straight alpha.
void Unpremultiply(TColor32* row, int n)
{
    for (int x = 0; x < n; ++x) {
        const TColor32 c = row[x];
        const std::uint32_t a = c >> 24;
        if (a == 255) continue;
        if (a == 0) {
            row[x] = 0;
            continue;
        }
        const std::uint32_t r = kReciprocals.Of[a];
        TColor32 out = c & 0xFF000000u;
        for (int shift = 0; shift <= 16; shift += 8)
            out |= std::min<std::uint32_t>(255, (((c >> shift) & 255) * r + 32768) >> 16) << shift;
        row[x] = out;
    }
}

// --- area coverage -------------------------------------------------------------------

// Adds what the edge p -> q contributes to the coverage of row band
// [y, y + 1) into acc, cells x0 .. x0 + n - 1 (acc has n + 1 cells). A cell's
// coverage is the running sum of acc from the left: an edge piece of signed
// height d adds d times the part of its cell right of it, and the rest of d
// to the next cell. Pieces left of x0 count in full at cell 0; pieces right
// of the cells matter to no cell and are left out. lo and hi widen to the
// cells touched.
void AccumulateEdge(TPoint2 p, TPoint2 q, int y, int x0, int n, float* acc, int& lo, int& hi)
{
    if (p.Y == q.Y) return;
    const double top = y, bottom = y + 1.0;
    const double ymin = std::min(p.Y, q.Y), ymax = std::max(p.Y, q.Y);
    if (ymax <= top || ymin >= bottom) return;
    const double ya = std::max(ymin, top), yb = std::min(ymax, bottom);
    const double slope = (q.X - p.X) / (q.Y - p.Y);
    const double xlo = std::min(p.X, q.X), xhi = std::max(p.X, q.X);
    double xa = std::clamp(p.X + (ya - p.Y) * slope, xlo, xhi);
    double xb = std::clamp(p.X + (yb - p.Y) * slope, xlo, xhi);
    const double height = (yb - ya) * (q.Y > p.Y ? 1.0 : -1.0);
    if (xa > xb) std::swap(xa, xb);

    auto add = [&](double cellX, double d, double meanX) {
        const double cellLeft = std::floor(cellX);
        if (cellLeft < x0) {
            acc[0] += float(d);
            lo = 0;
            hi = std::max(hi, 0);
            return;
        }
        if (cellLeft >= double(x0) + n) return;
        const int i = int(cellLeft) - x0;
        const double f = meanX - cellLeft;
        acc[i] += float(d * (1.0 - f));
        acc[i + 1] += float(d * f);
        lo = std::min(lo, i);
        hi = std::max(hi, i + 1);
    };

    const double width = xb - xa;
    if (std::floor(xa) == std::floor(xb) || width < 1e-9) {
        add(xa, height, 0.5 * (xa + xb));
        return;
    }
    const double perX = height / width;
    // The part left of the cells, in one piece.
    if (xa < x0) {
        const double e = std::min(xb, double(x0));
        add(xa, perX * (e - xa), 0.5 * (xa + e));
        xa = e;
        if (xa >= xb) return;
    }
    const double end = std::min(xb, double(x0) + n);
    for (double cell = std::floor(xa); cell < end; cell += 1.0) {
        const double a = std::max(xa, cell), b = std::min(xb, cell + 1.0);
        if (b > a) add(cell, perX * (b - a), 0.5 * (a + b));
    }
}

// --- prepared items ------------------------------------------------------------------

struct TPrepared {
    const TDrawItem* Item = nullptr;
    int Left = 0, Top = 0, Right = -1, Bottom = -1; // inclusive, inside the output
    bool HasPicture = false;
    TFloatMatrix R = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}; // local pixel -> level position
    tk::TSampleSource Source;
    std::int32_t MaxX = 0, MaxY = 0; // largest positions with both neighbours inside
    bool VaryingOpacity = false;
    float OpacityA = 1, OpacityX = 0, OpacityY = 0; // over positions in 1/256 pixel
    std::uint32_t Opacity = 256;                     // when constant
    std::uint32_t Shade = 256;
    // A picture of one pixel, or no picture: every sample is Colour.
    bool OneColour = false;
    TColor32 Colour = 0;
};

double SignedArea(const TPoint2* p, int n)
{
    double a = 0;
    for (int i = 0; i < n; ++i) {
        const TPoint2& u = p[i];
        const TPoint2& v = p[(i + 1) % n];
        a += u.X * v.Y - v.X * u.Y;
    }
    return 0.5 * a;
}

// The level that matches the shrinking at the picture's middle, per axis.
void ChooseLevel(const TDrawItem& item, const THomography& toUnit, int& lx, int& ly)
{
    const TFaceLevels& picture = *item.Picture;
    const TPoint2 c = THomography::SquareToQuad(item.Corners).Map(0.5, 0.5);
    const auto& m = toUnit.M;
    const double u = m[0][0] * c.X + m[0][1] * c.Y + m[0][2];
    const double v = m[1][0] * c.X + m[1][1] * c.Y + m[1][2];
    const double z = m[2][0] * c.X + m[2][1] * c.Y + m[2][2];
    const double z2 = z * z;
    const double sx = std::hypot((m[0][0] * z - u * m[2][0]) / z2, (m[0][1] * z - u * m[2][1]) / z2) * picture.Width();
    const double sy = std::hypot((m[1][0] * z - v * m[2][0]) / z2, (m[1][1] * z - v * m[2][1]) / z2) * picture.Height();
    // Positions are counted in 1/256 pixel in 32 bits: a level at most
    // 2^22 pixels across can be reached all over.
    auto level = [&](double texelsPerPixel, int size, int most) {
        int least = 0;
        while ((size >> least) > (1 << 22)) ++least;
        const double l = texelsPerPixel > 0 ? std::floor(std::log2(texelsPerPixel) + 0.5 + item.LevelBias) : 0;
        return int(std::clamp(l, double(least), double(most)));
    };
    lx = level(sx, picture.Width(), picture.MaxLevelX());
    ly = level(sy, picture.Height(), picture.MaxLevelY());
}

TPrepared Prepare(const TDrawItem& item, int destWidth, int destHeight)
{
    TPrepared p;
    p.Item = &item;
    if (item.Points.empty()) return p;
    double x0 = item.Points[0].X, x1 = x0, y0 = item.Points[0].Y, y1 = y0;
    for (const TPoint2& q : item.Points) {
        if (!std::isfinite(q.X) || !std::isfinite(q.Y)) return p;
        x0 = std::min(x0, q.X), x1 = std::max(x1, q.X);
        y0 = std::min(y0, q.Y), y1 = std::max(y1, q.Y);
    }
    p.Left = int(std::clamp(std::floor(x0), 0.0, double(destWidth)));
    p.Right = int(std::clamp(std::ceil(x1), 0.0, double(destWidth))) - 1;
    p.Top = int(std::clamp(std::floor(y0), 0.0, double(destHeight)));
    p.Bottom = int(std::clamp(std::ceil(y1), 0.0, double(destHeight))) - 1;
    p.Shade = std::uint32_t(std::clamp(item.Shade, 0, 256));
    const bool varying = item.OpacityS != 0 || item.OpacityT != 0;
    p.Opacity = std::uint32_t(std::lround(256 * std::clamp(item.Opacity0, 0.0, 1.0)));
    p.Colour = item.Colour;
    if (!item.Picture || item.Picture->IsEmpty() || p.Right < p.Left || p.Bottom < p.Top) return p;

    p.HasPicture = true;
    const THomography toUnit = THomography::SquareToQuad(item.Corners).Inverse();
    int lx = 0, ly = 0;
    ChooseLevel(item, toUnit, lx, ly);
    const TFaceLevels::TLevel& level = item.Picture->Level(lx, ly);
    const double wl = level.Width, hl = level.Height;

    // Local pixel (i, j) -> its centre in the output -> unit square -> the
    // level's position, whose pixel centres lie at whole numbers with the
    // border pixel at 0.
    const double ox = p.Left + 0.5, oy = p.Top + 0.5;
    const double(&h)[3][3] = toUnit.M;
    double r[3][3];
    for (int row = 0; row < 3; ++row) {
        r[row][0] = h[row][0];
        r[row][1] = h[row][1];
        r[row][2] = h[row][0] * ox + h[row][1] * oy + h[row][2];
    }
    for (int col = 0; col < 3; ++col) {
        const double s = r[0][col], t = r[1][col], z = r[2][col];
        r[0][col] = s * wl + 0.5 * z;
        r[1][col] = t * hl + 0.5 * z;
    }
    // Scaled so that z is 1 in the middle of the item: the floats keep
    // their precision where they are used.
    const double ci = 0.5 * (p.Right - p.Left), cj = 0.5 * (p.Bottom - p.Top);
    const double zc = r[2][0] * ci + r[2][1] * cj + r[2][2];
    if (!(std::fabs(zc) > 0)) {
        p.Right = p.Left - 1;
        return p;
    }
    for (int row = 0; row < 3; ++row)
        for (int col = 0; col < 3; ++col) p.R[col][row] = float(r[row][col] / zc);

    p.Source.Bits = level.Pixels.get();
    p.Source.Width = level.Width + 2;
    p.Source.Height = level.Height + 2;
    p.Source.SR = level.Width + 1;
    p.Source.SB = level.Height + 1;
    p.MaxX = (level.Width + 1) * 256 - 1;
    p.MaxY = (level.Height + 1) * 256 - 1;
    if (level.Width == 1 && level.Height == 1) {
        p.OneColour = true;
        p.Colour = level.Pixels[0];
    }

    if (varying) {
        p.VaryingOpacity = true;
        // s = (X / 256 - 0.5) / wl, t likewise.
        p.OpacityA = float(item.Opacity0 - 0.5 * item.OpacityS / wl - 0.5 * item.OpacityT / hl);
        p.OpacityX = float(item.OpacityS / (256 * wl));
        p.OpacityY = float(item.OpacityT / (256 * hl));
    }
    return p;
}

// --- rows ----------------------------------------------------------------------------

// Cells an edge touched in a row.
struct TCells {
    int Lo, Hi;
};

// A run of pixels with coverage: all `Constant`, or (0) each its own.
struct TSpan {
    int A, B;
    std::uint16_t Constant;
};

struct TScratch {
    std::vector<float> Acc;
    std::vector<TCells> Cells;
    std::vector<TSpan> Spans;
    std::vector<std::uint16_t> Coverage;
    std::vector<TColor32> Layer;
    alignas(32) std::int32_t X[kChunk];
    alignas(32) std::int32_t Y[kChunk];
    alignas(32) TColor32 Colour[kChunk];
    alignas(32) std::uint8_t Drawn[kChunk];

    explicit TScratch(int width) : Acc(std::size_t(width) + 2, 0.0f), Coverage(std::size_t(width) + 1), Layer(width) {}
};

// The runs of the item's pixels in row y with any coverage (indices from
// p.Left), into s.Spans; false when there is none. Only the cells the edges
// touch are summed one by one; between them the coverage stays as it is.
bool RowCoverage(const TPrepared& p, int y, TScratch& s)
{
    const TDrawItem& item = *p.Item;
    const int n = p.Right - p.Left + 1;
    float* acc = s.Acc.data();
    std::vector<TCells>& cells = s.Cells;
    cells.clear();
    s.Spans.clear();
    int start = 0;
    for (int end : item.Ends) {
        for (int k = start; k < end; ++k) {
            TCells c{INT_MAX, -1};
            AccumulateEdge(item.Points[k], item.Points[k + 1 < end ? k + 1 : start], y, p.Left, n, acc, c.Lo, c.Hi);
            if (c.Hi >= 0) cells.push_back(c);
        }
        start = end;
    }
    if (cells.empty()) return false;
    std::sort(cells.begin(), cells.end(), [](const TCells& a, const TCells& b) { return a.Lo < b.Lo; });
    auto toCoverage = [](float running) { return std::uint16_t(std::min(std::fabs(running), 1.0f) * 256.0f + 0.5f); };
    // A run of one coverage, or of cells whose coverage is in s.Coverage.
    auto span = [&](int a, int b, std::uint16_t constant) {
        if (!s.Spans.empty() && constant == 0 && s.Spans.back().Constant == 0 && s.Spans.back().B + 1 == a)
            s.Spans.back().B = b;
        else
            s.Spans.push_back({a, b, constant});
    };
    float running = 0;
    int next = cells[0].Lo; // first cell not yet given its coverage
    for (std::size_t k = 0; k < cells.size(); ++k) {
        const int lo = std::max(cells[k].Lo, next);
        int hi = cells[k].Hi;
        while (k + 1 < cells.size() && cells[k + 1].Lo <= hi + 1) hi = std::max(hi, cells[++k].Hi);
        if (hi < lo) continue;
        const int gapEnd = std::min(lo, n) - 1;
        if (gapEnd >= next)
            if (const std::uint16_t c = toCoverage(running)) span(next, gapEnd, c);
        for (int i = lo; i <= hi; ++i) {
            running += acc[i];
            acc[i] = 0;
            if (i >= n) continue;
            if (const std::uint16_t c = toCoverage(running)) {
                s.Coverage[std::size_t(i)] = c;
                span(i, i, 0);
            }
        }
        next = hi + 1;
    }
    // Edges right of the cells leave the coverage on to the end.
    if (next < n)
        if (const std::uint16_t c = toCoverage(running)) span(next, n - 1, c);
    return !s.Spans.empty();
}

// Shade and opacity of the samples of a face, premultiplied.
void LightSamples(const TPrepared& p, TScratch& s, int n)
{
    if (p.Shade < 256)
        for (int k = 0; k < n; ++k) s.Colour[k] = (Scale(s.Colour[k], p.Shade) & 0x00FFFFFFu) | (s.Colour[k] & 0xFF000000u);
    if (p.VaryingOpacity) {
        for (int k = 0; k < n; ++k) {
            const float o = p.OpacityA + p.OpacityX * float(s.X[k]) + p.OpacityY * float(s.Y[k]);
            s.Colour[k] = Scale(s.Colour[k], std::uint32_t(std::clamp(o, 0.0f, 1.0f) * 256.0f + 0.5f));
        }
    } else if (p.Opacity < 256) {
        for (int k = 0; k < n; ++k) s.Colour[k] = Scale(s.Colour[k], p.Opacity);
    }
}

void DrawItemRow(const TPrepared& p, int y, TColor32* row, TScratch& s)
{
    if (!RowCoverage(p, y, s)) return;
    const TDrawItem& item = *p.Item;
    const tk::TKernelSet& kernels = tk::ActiveKernelSet();
    for (const TSpan& span : s.Spans)
        for (int a = span.A; a <= span.B; a += kChunk) {
            const int n = std::min(kChunk, span.B - a + 1);
            if (p.HasPicture && (!p.OneColour || p.VaryingOpacity)) {
                kernels.MapRow(p.R, y - p.Top, a, n, 256.0f, s.X, s.Y);
                // Along a row the positions run one way, so a chunk whose
                // ends lie inside the picture lies inside all along.
                auto inside = [](std::int32_t v, std::int32_t most) { return v > 0 && v < most; };
                if (!inside(s.X[0], p.MaxX) || !inside(s.X[n - 1], p.MaxX) || !inside(s.Y[0], p.MaxY) ||
                    !inside(s.Y[n - 1], p.MaxY))
                    for (int k = 0; k < n; ++k) {
                        s.X[k] = std::clamp(s.X[k], 0, p.MaxX);
                        s.Y[k] = std::clamp(s.Y[k], 0, p.MaxY);
                    }
            }
            if (p.HasPicture && !p.OneColour)
                kernels.SampleRow(p.Source, s.X, s.Y, n, s.Colour, s.Drawn);
            else
                std::fill(s.Colour, s.Colour + n, p.Colour);
            const std::uint16_t* cov = s.Coverage.data() + a;
            TColor32* out = row + p.Left + a;
            const std::uint32_t constant = span.Constant;
            if (item.Blend == TBlend::Over) {
                if (constant == 256)
                    for (int k = 0; k < n; ++k) out[k] = Over(s.Colour[k], out[k]);
                else
                    for (int k = 0; k < n; ++k) out[k] = Over(Scale(s.Colour[k], constant ? constant : cov[k]), out[k]);
                continue;
            }
            LightSamples(p, s, n);
            if (constant == 256) {
                std::copy(s.Colour, s.Colour + n, out);
            } else {
                for (int k = 0; k < n; ++k) {
                    const std::uint32_t c = constant ? constant : cov[k];
                    out[k] = c >= 256 ? s.Colour[k] : plain::CombineColors(s.Colour[k], out[k], c);
                }
            }
        }
}

struct TPlan {
    TBitmap32* Dest = nullptr;
    std::vector<TPrepared> Items;
    int LayerLeft = INT_MAX, LayerRight = -1;
    int Top = 0, Bottom = -1;
    TDrawOptions Options;
};

void DrawRows(const TPlan& plan, int top, int bottom, TScratch& s)
{
    TBitmap32& dest = *plan.Dest;
    const int width = dest.Width();
    for (int y = top; y <= bottom; ++y) {
        TColor32* row = dest.ScanLine(y);
        if (plan.Options.ClearRows) std::fill(row, row + width, TColor32(0));
        // The layer row, cleared and laid over the row where its items reached.
        bool layerOpen = false;
        int layerLeft = width, layerRight = -1;
        auto closeLayer = [&] {
            for (int x = layerLeft; x <= layerRight; ++x) row[x] = Over(s.Layer[x], row[x]);
            layerOpen = false;
        };
        for (const TPrepared& p : plan.Items) {
            if (p.Item->Layered && !layerOpen) {
                std::fill(s.Layer.begin() + plan.LayerLeft, s.Layer.begin() + plan.LayerRight + 1, TColor32(0));
                layerOpen = true;
                layerLeft = width, layerRight = -1;
            } else if (!p.Item->Layered && layerOpen) {
                closeLayer();
            }
            if (y < p.Top || y > p.Bottom || p.Right < p.Left) continue;
            if (p.Item->Layered) layerLeft = std::min(layerLeft, p.Left), layerRight = std::max(layerRight, p.Right);
            DrawItemRow(p, y, p.Item->Layered ? s.Layer.data() : row, s);
        }
        if (layerOpen) closeLayer();
        if (plan.Options.Unpremultiply) {
            // Only what the items reached can hold anything but clear pixels.
            int left = width, right = -1;
            for (const TPrepared& p : plan.Items)
                if (y >= p.Top && y <= p.Bottom) left = std::min(left, p.Left), right = std::max(right, p.Right);
            if (right >= left) Unpremultiply(row + left, right - left + 1);
        }
    }
}

int ThreadsFor(const TPlan& plan)
{
    const std::int64_t pixels = std::int64_t(plan.Dest->Width()) * (plan.Bottom - plan.Top + 1);
    if (pixels < TransformThreadMinPixels()) return 1;
    const int wanted = plan.Options.Threads > 0 ? std::min(plan.Options.Threads, kMaxThreads) : TransformThreads();
    const int rows = plan.Bottom - plan.Top + 1;
    return std::max(1, std::min(wanted, (rows + kBand - 1) / kBand));
}

void Run(const TPlan& plan)
{
    const int width = plan.Dest->Width();
    const int threads = ThreadsFor(plan);
    if (threads <= 1) {
        TScratch s(width);
        DrawRows(plan, plan.Top, plan.Bottom, s);
        return;
    }
    std::atomic<int> next{plan.Top};
    RunOnThreads(threads, [&] {
        TScratch s(width);
        for (;;) {
            const int top = next.fetch_add(kBand);
            if (top > plan.Bottom) break;
            DrawRows(plan, top, std::min(plan.Bottom, top + kBand - 1), s);
        }
    });
}

} // namespace

void DrawItems(TBitmap32& dest, std::vector<TDrawItem>& items, const TDrawOptions& options)
{
    if (dest.IsEmpty()) return;
    TPlan plan;
    plan.Dest = &dest;
    plan.Options = options;
    plan.Items.reserve(items.size());
    const bool wholeRows = options.ClearRows || options.Unpremultiply;
    plan.Top = wholeRows ? 0 : dest.Height();
    plan.Bottom = wholeRows ? dest.Height() - 1 : -1;
    for (TDrawItem& item : items) {
        // Outlines all turn the same way, so that overlapping ones add up.
        int start = 0;
        for (int end : item.Ends) {
            if (SignedArea(item.Points.data() + start, end - start) < 0)
                std::reverse(item.Points.begin() + start, item.Points.begin() + end);
            start = end;
        }
        plan.Items.push_back(Prepare(item, dest.Width(), dest.Height()));
        const TPrepared& p = plan.Items.back();
        if (p.Right < p.Left || p.Bottom < p.Top) continue;
        plan.Top = std::min(plan.Top, p.Top);
        plan.Bottom = std::max(plan.Bottom, p.Bottom);
        if (item.Layered) {
            plan.LayerLeft = std::min(plan.LayerLeft, p.Left);
            plan.LayerRight = std::max(plan.LayerRight, p.Right);
        }
    }
    if (plan.LayerRight < 0) plan.LayerLeft = 0;
    if (plan.Bottom >= plan.Top) Run(plan);
    dest.NotifyChanged();
}

void MapPictureFiltered(TBitmap32& dest, TFaceLevels& picture, const TPoint2 (&corners)[4], int threads)
{
    std::vector<TDrawItem> items(1);
    TDrawItem& item = items[0];
    item.AddOutline(corners, 4);
    item.Picture = &picture;
    std::copy(std::begin(corners), std::end(corners), std::begin(item.Corners));
    TDrawOptions options;
    options.Threads = threads;
    options.ClearRows = false;
    options.Unpremultiply = false;
    DrawItems(dest, items, options);
}

} // namespace freeview
