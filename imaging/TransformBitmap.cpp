// TransformBitmap: walks the destination pixels row by row, maps each back
// into the source, samples it and writes it in the source's draw mode.
//
// A row is handled in chunks: first all positions (the row function of the
// active kernel set), then all samples, then the writes. Large calls split
// their rows over threads; every pixel depends only on its own position, so
// the result is the same however the rows are shared out.
#include "imaging/Transformation.h"

#include "imaging/TransformKernels.h"

#include <algorithm>
#include <atomic>
#include <system_error>
#include <thread>
#include <vector>

namespace tk = transform_kernels;

namespace {

std::atomic<int> gThreads{0};
std::atomic<std::int64_t> gThreadMinPixels{100'000};

const tk::TKernelSet* KernelsFor(TTransformPath path)
{
    switch (path) {
    case TTransformPath::Plain: return &tk::PlainKernels();
    case TTransformPath::Sse2: return tk::Sse2Kernels();
    case TTransformPath::Avx2: return tk::Avx2Kernels();
    }
    return nullptr;
}

std::atomic<const tk::TKernelSet*>& ActiveKernels()
{
    static std::atomic<const tk::TKernelSet*> active{KernelsFor(BestTransformPath())};
    return active;
}

// Pixels per chunk: the position, colour and flag buffers stay in L1.
constexpr int kChunk = 256;
// Rows a thread takes at a time.
constexpr int kBand = 8;
// More threads than this are never asked for.
constexpr int kMaxThreads = 64;

enum class TMapping { Projective, Affine, Other };

struct TJob {
    TMapping Mapping = TMapping::Other;
    const TTransformation* T = nullptr;
    const TFloatMatrix* R = nullptr;
    TAffineTransformation::TFixedCoefficients A{};
    bool Bilinear = false;
    tk::TSampleSource Src;
    TColor32* DstBits = nullptr;
    int DstWidth = 0;
    int Left = 0, Right = 0, Top = 0, Bottom = 0; // inclusive
    TDrawMode Mode = dmOpaque;
    std::uint32_t Master = 255;
    const TPixelCombineEvent* Combine = nullptr;
    const tk::TKernelSet* Kernels = nullptr;
};

void MapAffineRow(const TAffineTransformation::TFixedCoefficients& a, bool fine, int j, int x0,
                  int n, std::int32_t* X, std::int32_t* Y)
{
    const int shift = fine ? 4 : 12;
    const std::int64_t round = fine ? 7 : 2047;
    std::int64_t sx = std::int64_t(a.r1) * x0 + std::int64_t(a.r2) * j + a.r3 + round;
    std::int64_t sy = std::int64_t(a.r4) * x0 + std::int64_t(a.r5) * j + a.r6 + round;
    for (int k = 0; k < n; ++k, sx += a.r1, sy += a.r4) {
        X[k] = tk::AffinePosition(sx, shift);
        Y[k] = tk::AffinePosition(sy, shift);
    }
}

void MapRow(const TJob& job, int j, int x0, int n, std::int32_t* X, std::int32_t* Y)
{
    switch (job.Mapping) {
    case TMapping::Projective:
        job.Kernels->MapRow(*job.R, j, x0, n, job.Bilinear ? 256.0f : 1.0f, X, Y);
        break;
    case TMapping::Affine: MapAffineRow(job.A, job.Bilinear, j, x0, n, X, Y); break;
    case TMapping::Other:
        for (int k = 0; k < n; ++k) {
            const TFixedPoint p =
                job.Bilinear ? job.T->ReverseMapFine(x0 + k, j) : job.T->ReverseMap(x0 + k, j);
            X[k] = p.X;
            Y[k] = p.Y;
        }
        break;
    }
}

// Nearest neighbour: the whole-pixel position is used only inside the clip.
void SampleNearestRow(const tk::TSampleSource& s, const std::int32_t* X, const std::int32_t* Y,
                      int n, TColor32* colour, std::uint8_t* draw)
{
    for (int k = 0; k < n; ++k) {
        const int x = X[k], y = Y[k];
        const bool inside = x >= s.SL && x <= s.SR && y >= s.ST && y <= s.SB;
        draw[k] = inside ? 1 : 0;
        if (inside) colour[k] = s.Bits[std::size_t(y) * s.Width + x];
    }
}

// Blend and custom modes (opaque samples go straight into the row).
void CombineRow(const TJob& job, TColor32* dst, const TColor32* colour, const std::uint8_t* draw,
                int n)
{
    if (job.Mode == dmBlend) {
        for (int k = 0; k < n; ++k)
            if (draw[k]) BlendOverMaster(colour[k], dst[k], job.Master);
    } else {
        for (int k = 0; k < n; ++k)
            if (draw[k]) (*job.Combine)(colour[k], dst[k], job.Master);
    }
}

// Rows top..bottom, inclusive.
void RunRows(const TJob& job, int top, int bottom)
{
    alignas(32) std::int32_t X[kChunk];
    alignas(32) std::int32_t Y[kChunk];
    alignas(32) TColor32 colour[kChunk];
    alignas(32) std::uint8_t draw[kChunk];
    const tk::TSampleRowFn sample = job.Bilinear ? job.Kernels->SampleRow : SampleNearestRow;
    for (int j = top; j <= bottom; ++j) {
        TColor32* row = job.DstBits + std::size_t(j) * job.DstWidth;
        for (int x0 = job.Left; x0 <= job.Right; x0 += kChunk) {
            const int n = std::min(kChunk, job.Right - x0 + 1);
            MapRow(job, j, x0, n, X, Y);
            if (job.Mode == dmOpaque) {
                // Samples land in the row directly; skipped pixels stay as they are.
                sample(job.Src, X, Y, n, row + x0, draw);
            } else {
                sample(job.Src, X, Y, n, colour, draw);
                CombineRow(job, row + x0, colour, draw, n);
            }
            if (job.Right - x0 < kChunk) break; // no overflow past INT_MAX
        }
    }
}

int ThreadsFor(const TJob& job)
{
    // Custom handlers and unknown transformations are user code that need
    // not be thread-safe.
    if (job.Mode == dmCustom || job.Mapping == TMapping::Other) return 1;
    const std::int64_t pixels =
        std::int64_t(job.Right - job.Left + 1) * std::int64_t(job.Bottom - job.Top + 1);
    if (pixels < gThreadMinPixels.load()) return 1;
    const int wanted = TransformThreads();
    const int rows = job.Bottom - job.Top + 1;
    return std::max(1, std::min(wanted, (rows + kBand - 1) / kBand));
}

void RunJob(const TJob& job)
{
    const int threads = ThreadsFor(job);
    if (threads <= 1) {
        RunRows(job, job.Top, job.Bottom);
        return;
    }
    std::atomic<int> next{job.Top};
    RunOnThreads(threads, [&] {
        for (;;) {
            const int top = next.fetch_add(kBand);
            if (top > job.Bottom) break;
            RunRows(job, top, std::min(job.Bottom, top + kBand - 1));
        }
    });
}

} // namespace

void TransformBitmap(TBitmap32& Dst, const TBitmap32& Src, TTransformation& T)
{
    if (!T.TransformValid) T.PrepareMatrix();

    TJob job;
    job.T = &T;
    if (const auto* p = dynamic_cast<const TProjectiveTransformation*>(&T)) {
        job.Mapping = TMapping::Projective;
        job.R = &p->ReverseMatrix();
    } else if (const auto* a = dynamic_cast<const TAffineTransformation*>(&T)) {
        job.Mapping = TMapping::Affine;
        job.A = a->FixedCoefficients();
    }
    job.Mode = Src.DrawMode;
    if (job.Mode == dmCustom && !Src.OnPixelCombine) job.Mode = dmOpaque;
    job.Master = Src.MasterAlpha;
    job.Combine = &Src.OnPixelCombine;
    job.Bilinear = Src.StretchFilter != sfNearest;
    job.Kernels = ActiveKernels().load();

    // Source clip, inclusive.
    const TRealRect& sr = T.SourceRect();
    tk::TSampleSource& s = job.Src;
    s.Width = Src.Width();
    s.Height = Src.Height();
    s.Outer = Src.OuterColor;
    s.SL = std::max(tk::RoundSaturated(sr.Left), 0);
    s.ST = std::max(tk::RoundSaturated(sr.Top), 0);
    s.SR = std::min(tk::RoundSaturated(sr.Right), s.Width - 1);
    s.SB = std::min(tk::RoundSaturated(sr.Bottom), s.Height - 1);

    // Destination clip, inclusive.
    const TRect bounds = T.TransformedBounds();
    job.Left = std::max(bounds.Left, 0);
    job.Top = std::max(bounds.Top, 0);
    job.Right = std::min(bounds.Right, Dst.Width() - 1);
    job.Bottom = std::min(bounds.Bottom, Dst.Height() - 1);
    job.DstBits = Dst.Bits();
    job.DstWidth = Dst.Width();

    // An empty source clip can give no position that is drawn.
    if (job.Right > job.Left && job.Bottom > job.Top && s.SR >= s.SL && s.SB >= s.ST) {
        // Mapping an image onto itself reads a copy, so that no pixel is
        // sampled after it has been overwritten.
        std::vector<TColor32> ownCopy;
        if (&Src == &Dst) {
            ownCopy.assign(Src.Bits(), Src.Bits() + std::size_t(s.Width) * s.Height);
            s.Bits = ownCopy.data();
        } else {
            s.Bits = Src.Bits();
        }
        RunJob(job);
    }
    Dst.NotifyChanged();
}

// --- path and thread choice ---------------------------------------------------

const tk::TKernelSet& tk::ActiveKernelSet()
{
    return *ActiveKernels().load();
}

bool UseTransformPath(TTransformPath path)
{
    const tk::TKernelSet* set = KernelsFor(path);
    if (!set) return false;
    ActiveKernels().store(set);
    return true;
}

TTransformPath ActiveTransformPath()
{
    return ActiveKernels().load()->Path;
}

TTransformPath BestTransformPath()
{
    if (tk::Avx2Kernels()) return TTransformPath::Avx2;
    if (tk::Sse2Kernels()) return TTransformPath::Sse2;
    return TTransformPath::Plain;
}

const char* TransformPathName(TTransformPath path)
{
    switch (path) {
    case TTransformPath::Plain: return "plain";
    case TTransformPath::Sse2: return "sse2";
    case TTransformPath::Avx2: return "avx2";
    }
    return "?";
}

void SetTransformThreads(int count)
{
    gThreads.store(std::clamp(count, 0, kMaxThreads));
}

int TransformThreads()
{
    const int n = gThreads.load();
    if (n > 0) return n;
    return std::clamp(int(std::thread::hardware_concurrency()), 1, kMaxThreads);
}

void RunOnThreads(int threads, const std::function<void()>& work)
{
    std::vector<std::thread> helpers;
    try {
        for (int k = 1; k < threads; ++k) helpers.emplace_back(work);
    } catch (const std::system_error&) {
        // No more threads to be had: the ones running and this one finish.
    }
    work();
    for (auto& t : helpers) t.join();
}

void SetTransformThreadMinPixels(std::int64_t pixels)
{
    gThreadMinPixels.store(std::max<std::int64_t>(0, pixels));
}

std::int64_t TransformThreadMinPixels()
{
    return gThreadMinPixels.load();
}
