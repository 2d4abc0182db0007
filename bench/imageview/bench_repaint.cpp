// Repainting an 800 x 600 viewport of a face at scales 0.1, 1 and 10: the
// view's own paint stages against QPainter drawing the same visible region
// with smooth scaled image drawing. A 4000 x 4000 face shows that the cost
// follows the viewport, not the image.
#include "imaging/ImgView32.h"

#include <QPainter>
#include <benchmark/benchmark.h>

#include <memory>

namespace {

constexpr int kViewW = 800, kViewH = 600, kStrip = 16;

void FillFace(TBitmap32& b, int size)
{
    b.SetSize(size, size);
    std::uint32_t seed = 12345;
    for (int y = 0; y < size; ++y) {
        TColor32* row = b.ScanLine(y);
        for (int x = 0; x < size; ++x) {
            seed = seed * 1664525u + 1013904223u;
            row[x] = 0xFF000000u | (seed >> 8);
        }
    }
}

std::unique_ptr<TImgView32> MakeView(int faceSize, float scale)
{
    auto view = std::make_unique<TImgView32>();
    TScrollBarSettings bars;
    bars.Size = kStrip;
    view->SetScrollBars(bars);
    view->resize(kViewW + kStrip, kViewH + kStrip);
    view->Bitmap().StretchFilter = sfLinear;
    FillFace(view->Bitmap(), faceSize);
    view->SetScale(scale);
    return view;
}

float ScaleArg(const benchmark::State& state) { return float(state.range(0)) / 10.0f; }

void BM_ViewRepaint(benchmark::State& state)
{
    const int faceSize = int(state.range(1));
    auto view = MakeView(faceSize, ScaleArg(state));
    for (auto _ : state) {
        view->RepaintBuffer();
        benchmark::DoNotOptimize(view->Buffer().Bits());
    }
    state.SetItemsProcessed(state.iterations() * kViewW * kViewH);
}

void BM_QPainterSmooth(benchmark::State& state)
{
    const int faceSize = int(state.range(1));
    auto view = MakeView(faceSize, ScaleArg(state));
    // The same visible region: the view's bitmap rectangle, clipped by the target.
    const TRect r = view->GetBitmapRect();
    const QImage face = view->Bitmap().ToImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
    QImage target(kViewW, kViewH, QImage::Format_ARGB32_Premultiplied);
    const QColor background = view->Color();
    for (auto _ : state) {
        QPainter p(&target);
        p.setRenderHint(QPainter::SmoothPixmapTransform, true);
        p.setCompositionMode(QPainter::CompositionMode_Source);
        p.fillRect(target.rect(), background);
        p.drawImage(QRectF(r.Left, r.Top, r.Width(), r.Height()), face);
        p.end();
        benchmark::DoNotOptimize(target.constBits());
    }
    state.SetItemsProcessed(state.iterations() * kViewW * kViewH);
}

// Arguments: scale x 10, face size.
void Scales(benchmark::internal::Benchmark* b)
{
    for (int s : {1, 10, 100}) b->Args({s, 2000});
    b->Args({10, 4000});
    b->Args({100, 4000});
    b->Unit(benchmark::kMicrosecond)->MeasureProcessCPUTime();
}

BENCHMARK(BM_ViewRepaint)->Apply(Scales);
BENCHMARK(BM_QPainterSmooth)->Apply(Scales);

} // namespace
