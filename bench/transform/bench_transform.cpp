// The front face of a two-sided box: a 2000 x 2400 face mapped onto its quad
// in a 2300 x 2400 result (side face 300 wide on the left), bilinear, opaque.
// Every variant reports destination pixels per second, counting the pixels
// of the quad's bounding box inside the result.
#include "bench/PhotoLikeFace.h"
#include "imaging/Transformation.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstdint>
#include <memory>

#ifdef CUBIFORM_HAVE_PIXMAN
#include <pixman.h>
#endif

namespace {

constexpr int kFaceW = 2000, kFaceH = 2400, kSideW = 300;
constexpr int kDstW = kFaceW + kSideW, kDstH = kFaceH;

void PaintFace(TBitmap32& face) { PaintPhotoLikeFace(face, kFaceW, kFaceH); }

struct TScene {
    TBitmap32 Face;
    TBitmap32 Result;
    TProjectiveTransformation T;
    TRect Box; // inclusive bounding box of the quad inside the result
    std::int64_t Pixels = 0;

    TScene()
    {
        PaintFace(Face);
        Face.StretchFilter = sfLinear;
        Face.DrawMode = dmOpaque;
        Result.SetSize(kDstW, kDstH);
        Result.Clear(clWhite32);
        T.SetSourceRect({0, 0, float(kFaceW), float(kFaceH)});
        T.SetCorners(kSideW - 1, 1, kDstW, 21, kDstW, kDstH - 19, kSideW - 1, kDstH - 1);
        T.PrepareMatrix();
        const TRect b = T.TransformedBounds();
        Box = {std::max(b.Left, 0), std::max(b.Top, 0), std::min(b.Right, kDstW - 1),
               std::min(b.Bottom, kDstH - 1)};
        Pixels = std::int64_t(Box.Right - Box.Left + 1) * (Box.Bottom - Box.Top + 1);
    }
};

TScene& Scene()
{
    static TScene scene;
    return scene;
}

void Report(benchmark::State& state, std::int64_t pixels)
{
    state.SetItemsProcessed(state.iterations() * pixels);
    state.counters["pixels/s"] =
        benchmark::Counter(double(state.iterations() * pixels), benchmark::Counter::kIsRate);
}

// threads: 1 keeps the work on the calling thread, 0 uses every processor.
void BM_TransformBitmap(benchmark::State& state, TTransformPath path, int threads)
{
    TScene& s = Scene();
    if (!UseTransformPath(path)) {
        state.SkipWithError("the processor lacks this path");
        return;
    }
    SetTransformThreads(threads);
    for (auto _ : state) {
        s.T.TransformValid = false;
        TransformBitmap(s.Result, s.Face, s.T);
        benchmark::ClobberMemory();
    }
    Report(state, s.Pixels);
    UseTransformPath(BestTransformPath());
    SetTransformThreads(0);
}

BENCHMARK_CAPTURE(BM_TransformBitmap, plain_1thread, TTransformPath::Plain, 1)
    ->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_TransformBitmap, sse2_1thread, TTransformPath::Sse2, 1)
    ->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_TransformBitmap, avx2_1thread, TTransformPath::Avx2, 1)
    ->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_TransformBitmap, sse2_threads, TTransformPath::Sse2, 0)
    ->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_TransformBitmap, avx2_threads, TTransformPath::Avx2, 0)
    ->Unit(benchmark::kMillisecond)->UseRealTime();

#ifdef CUBIFORM_HAVE_PIXMAN
// The same reverse mapping for pixman: it maps destination pixel centres to
// source coordinates whose pixel centres lie at +0.5, with column vectors.
pixman_transform ReverseForPixman(const TFloatMatrix& r)
{
    pixman_f_transform m;
    for (int row = 0; row < 3; ++row)
        for (int col = 0; col < 3; ++col) m.m[row][col] = r[col][row];
    pixman_f_transform toCorner, toCentre, fromCorner, t;
    pixman_f_transform_init_translate(&toCorner, -0.5, -0.5);
    pixman_f_transform_init_translate(&toCentre, 0.5, 0.5);
    pixman_f_transform_multiply(&fromCorner, &m, &toCorner);
    pixman_f_transform_multiply(&t, &toCentre, &fromCorner);
    // A projective matrix may be scaled freely: the largest entry 4096 keeps
    // the small perspective terms precise in 16.16 without overflowing
    // pixman's intermediate products (16384 already does).
    double largest = 0;
    for (auto& row : t.m)
        for (double v : row) largest = std::fmax(largest, std::fabs(v));
    for (auto& row : t.m)
        for (double& v : row) v *= 4096.0 / largest;
    pixman_transform fixed;
    pixman_transform_from_pixman_f_transform(&fixed, &t);
    return fixed;
}

// Mean channel difference between pixman's picture and ours over the pixels
// we draw fully inside the face: shows that both map the same way (pixman's
// 16.16 matrix places pixels a little differently, and the grain of the face
// turns that into small differences).
template <typename Draw>
double MeanDifferenceFromOurs(TScene& s, Draw drawWithPixman)
{
    constexpr TColor32 kUnset = 0x00010203;
    TBitmap32 ours;
    ours.SetSize(kDstW, kDstH);
    ours.Clear(kUnset);
    TransformBitmap(ours, s.Face, s.T);
    drawWithPixman();
    double sum = 0;
    std::int64_t count = 0;
    for (int y = 0; y < kDstH; ++y)
        for (int x = 0; x < kDstW; ++x) {
            const TColor32 a = ours.PixelAt(x, y), b = s.Result.PixelAt(x, y);
            if (a == kUnset || AlphaComponent(a) != 255) continue;
            for (int shift = 0; shift < 32; shift += 8)
                sum += std::abs(int((a >> shift) & 255) - int((b >> shift) & 255));
            count += 4;
        }
    return count ? sum / double(count) : 0;
}

void BM_Pixman(benchmark::State& state)
{
    TScene& s = Scene();
    pixman_image_t* src = pixman_image_create_bits(PIXMAN_a8r8g8b8, kFaceW, kFaceH,
                                                   reinterpret_cast<std::uint32_t*>(s.Face.Bits()),
                                                   kFaceW * 4);
    pixman_image_t* dst = pixman_image_create_bits(PIXMAN_a8r8g8b8, kDstW, kDstH,
                                                   reinterpret_cast<std::uint32_t*>(s.Result.Bits()),
                                                   kDstW * 4);
    const pixman_transform t = ReverseForPixman(s.T.ReverseMatrix());
    pixman_image_set_transform(src, &t);
    pixman_image_set_filter(src, PIXMAN_FILTER_BILINEAR, nullptr, 0);
    const int w = s.Box.Right - s.Box.Left + 1, h = s.Box.Bottom - s.Box.Top + 1;
    state.counters["mean_channel_diff"] = MeanDifferenceFromOurs(s, [&] {
        pixman_image_composite32(PIXMAN_OP_SRC, src, nullptr, dst, s.Box.Left, s.Box.Top, 0, 0,
                                 s.Box.Left, s.Box.Top, w, h);
    });
    for (auto _ : state) {
        pixman_image_composite32(PIXMAN_OP_SRC, src, nullptr, dst, s.Box.Left, s.Box.Top, 0, 0,
                                 s.Box.Left, s.Box.Top, w, h);
        benchmark::ClobberMemory();
    }
    Report(state, s.Pixels);
    pixman_image_unref(src);
    pixman_image_unref(dst);
}
BENCHMARK(BM_Pixman)->Unit(benchmark::kMillisecond)->UseRealTime();
#endif

} // namespace

BENCHMARK_MAIN();
