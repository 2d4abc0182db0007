// Our GIF writer against giflib's encoder on the same 2000 x 2400 photo-like
// picture. giflib is handed the already mapped index image; ours is timed
// both from the 32-bit picture (mapping included) and from the same indices.
#include "codecs/GifWriter.h"

#include <benchmark/benchmark.h>
#include <gif_lib.h>

#include <cmath>
#include <random>

namespace {

constexpr int kWidth = 2000, kHeight = 2400;

// Smooth shading, soft shapes and sensor-like noise: what a rendered box
// photo or a scanned cover looks like to the encoder.
const TPixelBuffer& Photo()
{
    static const TPixelBuffer photo = [] {
        TPixelBuffer b;
        b.Width = kWidth;
        b.Height = kHeight;
        b.Pixels.resize(std::size_t(kWidth) * kHeight);
        std::mt19937 rng(2024);
        std::normal_distribution<double> noise(0.0, 3.0);
        auto clamp = [](double v) { return std::uint8_t(v < 0 ? 0 : v > 255 ? 255 : v); };
        for (int y = 0; y < kHeight; ++y) {
            for (int x = 0; x < kWidth; ++x) {
                const double u = double(x) / kWidth, v = double(y) / kHeight;
                const double blob = std::exp(-((u - 0.4) * (u - 0.4) + (v - 0.45) * (v - 0.45)) * 12);
                const double r = 60 + 150 * u + 40 * blob + noise(rng);
                const double g = 80 + 90 * v + 70 * blob * std::sin(u * 9) + noise(rng);
                const double bl = 150 - 90 * u * v + 60 * blob + noise(rng);
                b.Row(y)[x] = Color32(clamp(r), clamp(g), clamp(bl));
            }
        }
        return b;
    }();
    return photo;
}

const std::vector<std::uint8_t>& Indices()
{
    static const std::vector<std::uint8_t> indices = MapToColorCube(ViewOf(Photo()));
    return indices;
}

extern "C" int AppendOutput(GifFileType* gif, const GifByteType* data, int length)
{
    auto* out = static_cast<TByteVector*>(gif->UserData);
    out->insert(out->end(), data, data + length);
    return length;
}

void BM_OurGifWriter(benchmark::State& state)
{
    const TPixelView view = ViewOf(Photo());
    for (auto _ : state) {
        TByteVector file = WriteGif(view);
        benchmark::DoNotOptimize(file.data());
    }
    state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
}

void BM_OurEncoderSameIndices(benchmark::State& state)
{
    const auto& indices = Indices();
    for (auto _ : state) {
        TByteVector file = EncodeCubeGif(indices.data(), kWidth, kHeight);
        benchmark::DoNotOptimize(file.data());
    }
    state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
}

void BM_GiflibEncoder(benchmark::State& state)
{
    const auto& indices = Indices();
    GifColorType colors[256] = {};
    for (int i = 0; i < kCubeColorCount; ++i) {
        const TColor32 c = CubeColorOf(i);
        colors[i] = {RedComponent(c), GreenComponent(c), BlueComponent(c)};
    }
    std::vector<GifPixelType> line(kWidth);
    for (auto _ : state) {
        TByteVector file;
        file.reserve(std::size_t(kWidth) * kHeight / 2);
        int error = 0;
        GifFileType* gif = EGifOpen(&file, AppendOutput, &error);
        ColorMapObject* map = GifMakeMapObject(256, colors);
        EGifPutScreenDesc(gif, kWidth, kHeight, 8, 0, nullptr);
        EGifPutImageDesc(gif, 0, 0, kWidth, kHeight, false, map);
        for (int y = 0; y < kHeight; ++y) {
            std::copy_n(indices.data() + std::size_t(y) * kWidth, kWidth, line.data());
            EGifPutLine(gif, line.data(), kWidth);
        }
        EGifCloseFile(gif, &error);
        GifFreeMapObject(map);
        benchmark::DoNotOptimize(file.data());
    }
    state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
}

} // namespace

BENCHMARK(BM_OurGifWriter)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OurEncoderSameIndices)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GiflibEncoder)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
