// Speed of the box compositions against their main cost, one projective
// mapping of the front face into a result of the same size.
#include "imaging/Transformation.h"
#include "render/Bitmap32Utils.h"

#include <benchmark/benchmark.h>

namespace {

void MakeFace(TBitmap32& face, int w, int h, TColor32 c)
{
    face.SetSize(w, h);
    face.Clear(c);
    face.StretchFilter = sfLinear;
}

// Artwork at a typical size: the compositions resize it to 250 x 300.
void BM_ComposeBox(benchmark::State& state)
{
    const auto style = TBoxStyle(state.range(0));
    const bool shadow = state.range(1) != 0;
    TBitmap32 f, s, t, r;
    for (auto _ : state) {
        MakeFace(f, 600, 720, 0xFF3060C0u);
        MakeFace(s, 60, 720, 0xFFC03020u);
        MakeFace(t, 600, 80, 0xFF30A040u);
        ComposeBox(r, f, s, t, style, boLeft, true, 250, 300, shadow);
        benchmark::DoNotOptimize(r.Bits());
    }
}
BENCHMARK(BM_ComposeBox)
    ->ArgsProduct({{bxTwoSidedBox, bxThreeSideBox, bxBookCover}, {0, 1}})
    ->Unit(benchmark::kMicrosecond);

// The peer: refilling the same faces and one front mapping, nothing else.
void BM_FrontMappingOnly(benchmark::State& state)
{
    TBitmap32 f, s, t, r;
    r.SetSize(250, 300);
    for (auto _ : state) {
        MakeFace(f, 600, 720, 0xFF3060C0u);
        MakeFace(s, 60, 720, 0xFFC03020u);
        MakeFace(t, 600, 80, 0xFF30A040u);
        TProjectiveTransformation tr;
        tr.SetSourceRect(TRealRect{0, 0, 600, 720});
        tr.SetCorners(16, 1, 250, 21, 250, 281, 16, 299);
        TransformBitmap(r, f, tr);
        benchmark::DoNotOptimize(r.Bits());
    }
}
BENCHMARK(BM_FrontMappingOnly)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
