// The final render as the result step runs it on every click of orientation,
// shadow or default size: two 2000 x 2400 faces with three image layers each
// are flattened (once: later clicks reuse the kept pictures, as the faces do
// not change), composed and shown as the result layer. Each pass is a click of
// the orientation buttons. The peer, in the same run, is ComposeBox alone on
// the already flattened faces, with the same clicks.
#include "editing/LayerSelection.h"
#include "render/LayerUtils.h"
#include "wizard/RenderDrivers.h"

#include <benchmark/benchmark.h>

#include <memory>

namespace {

constexpr int kFaceW = 2000, kFaceH = 2400;

void FillPattern(TBitmap32& b, int w, int h, std::uint32_t seed)
{
    b.SetSize(w, h);
    for (int y = 0; y < h; ++y) {
        TColor32* row = b.ScanLine(y);
        for (int x = 0; x < w; ++x) {
            seed = seed * 1664525u + 1013904223u;
            row[x] = 0xFF000000u | (seed >> 8);
        }
    }
}

struct Scene {
    std::unique_ptr<TImgView32> views[5];
    std::unique_ptr<TLayerSelection> selection;
    TBitmap32 result;
    TFaceCache faceCache; // as the page keeps it

    Scene()
    {
        for (int i = 1; i <= 4; ++i) {
            views[i] = std::make_unique<TImgView32>();
            views[i]->resize(800, 600);
        }
        selection = std::make_unique<TLayerSelection>(
            std::array<TImgView32*, 5>{nullptr, views[1].get(), views[2].get(), views[3].get(), views[4].get()},
            [] { return 4; });
        for (int i = 1; i <= 2; ++i) {
            // As on the wizard page: the first stage draws the checkerboard.
            views[i]->PaintStages()[0].Stage = stageCustom;
            views[i]->OnPaintStage = [](TCustomImage32*, TBitmap32* buffer, unsigned) {
                DrawCheckerboard(*buffer, false);
            };
            FillPattern(views[i]->Bitmap(), kFaceW, kFaceH, std::uint32_t(i));
            views[i]->Bitmap().StretchFilter = sfLinear;
            TBitmap32 layer;
            for (int n = 0; n < 3; ++n) {
                FillPattern(layer, 300 + 100 * n, 200 + 50 * n, std::uint32_t(10 * i + n));
                selection->AddImageLayer(views[i].get(), layer); // the last one stays selected
            }
        }
    }
    TBoxRenderInput Input(bool defaultSize) const
    {
        TBoxRenderInput in;
        in.Faces[1] = views[1].get();
        in.Faces[2] = views[2].get();
        in.Shadow = true;
        in.DefaultSize = defaultSize;
        return in;
    }
};

Scene& TheScene()
{
    static Scene scene;
    return scene;
}

void BM_RenderBoxDriver(benchmark::State& state)
{
    Scene& s = TheScene();
    TBoxRenderInput in = s.Input(state.range(0) != 0);
    for (auto _ : state) {
        in.Orientation = in.Orientation == boLeft ? boRight : boLeft;
        RenderBox(in, *s.selection, s.views[4].get(), s.result, s.faceCache);
        benchmark::DoNotOptimize(s.result.Bits());
    }
    state.counters["result_w"] = s.result.Width();
}

// The render after an edit of the front face (a layer changed): that face is
// flattened again, the side's kept picture is reused.
void BM_RenderBoxDriverFrontEdited(benchmark::State& state)
{
    Scene& s = TheScene();
    TBoxRenderInput in = s.Input(state.range(0) != 0);
    TCustomLayer* layer = s.views[1]->Layers().Items(0);
    for (auto _ : state) {
        layer->Changed();
        RenderBox(in, *s.selection, s.views[4].get(), s.result, s.faceCache);
        benchmark::DoNotOptimize(s.result.Bits());
    }
}

// ComposeBox resizes and darkens its faces, so each pass gets fresh copies of
// the flattened faces, made outside the timing.
void BM_ComposeBoxAlone(benchmark::State& state)
{
    Scene& s = TheScene();
    TBoxRenderInput in = s.Input(state.range(0) != 0);
    TBitmap32 flatFront, flatSide;
    FlattenView(s.views[1].get(), flatFront);
    FlattenView(s.views[2].get(), flatSide);
    TBitmap32 f, side, top, result;
    for (auto _ : state) {
        state.PauseTiming();
        f.CopyFrom(flatFront);
        side.CopyFrom(flatSide);
        f.StretchFilter = side.StretchFilter = sfLinear;
        in.Orientation = in.Orientation == boLeft ? boRight : boLeft;
        state.ResumeTiming();
        ComposeBox(result, f, side, top, in.Style, in.Orientation, in.DefaultSize, in.DefaultWidth,
                   in.DefaultHeight, in.Shadow);
        benchmark::DoNotOptimize(result.Bits());
    }
    state.counters["result_w"] = result.Width();
}

BENCHMARK(BM_RenderBoxDriver)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RenderBoxDriverFrontEdited)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ComposeBoxAlone)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

} // namespace
