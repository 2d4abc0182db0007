// The smooth text of text layers: a 40-character line at 24 points drawn
// with each anti-aliasing level, against the plain way of "Highest" (the
// whole text at 16 times the size into one 32-bit image, then the 16 x 16
// average). Both give the same layer; the run checks that first.
// BM_PreviewHighest is the dialog's preview of the same line, as re-rendered
// on every keystroke.
#include "editing/TextLayer.h"

#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <benchmark/benchmark.h>

#include <cstring>

namespace {

const QString kLine = QStringLiteral("The quick brown fox jumps over the lazy d");

QFont LineFont()
{
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setPointSizeF(24);
    return f;
}

void PrepareLayer(TBitmap32& layer)
{
    const TBitmap32::TSize size = TextLayerSize(kLine, LineFont());
    layer.SetSize(size.cx, size.cy);
    layer.Clear(clWhite32);
    layer.SetFont(LineFont());
}

// The plain way of "Highest", onto a layer prepared as above.
void NaiveHighest(TBitmap32& layer, TColor32 color)
{
    constexpr int level = 4, n = 16;
    QFont big = LineFont();
    big.setPointSizeF(24 * n);
    QImage device(1, 1, QImage::Format_ARGB32_Premultiplied);
    const QFontMetrics fm(big, &device);
    const int cx = ((fm.horizontalAdvance(kLine + QLatin1Char(' ')) >> level) + 1) << level;
    const int cy = fm.height();
    QImage large(cx, cy, QImage::Format_ARGB32_Premultiplied);
    large.fill(0);
    {
        QPainter p(&large);
        p.setFont(big);
        p.setPen(Qt::white);
        p.drawText(QPoint(0, fm.ascent()), kLine);
    }
    TBitmap32 m;
    m.SetSize(cx >> level, cy >> level);
    const TColor32 rgb = color & 0x00FFFFFFu;
    for (int y = 0; y < m.Height(); ++y)
        for (int x = 0; x < m.Width(); ++x) {
            std::uint32_t s = 0;
            for (int j = 0; j < n; ++j) {
                const TColor32* row = reinterpret_cast<const TColor32*>(large.constScanLine(y * n + j)) + x * n;
                for (int i = 0; i < n; ++i) s += row[i] & 0xFFu;
            }
            m.SetPixelAt(x, y, ((s >> level >> level) << 24) + rgb);
        }
    m.DrawMode = dmBlend;
    m.MasterAlpha = color >> 24;
    layer.DrawAt(0, 0, m);
}

void BM_SmoothText(benchmark::State& state)
{
    const int level = int(state.range(0));
    TBitmap32 layer;
    for (auto _ : state) {
        state.PauseTiming();
        PrepareLayer(layer);
        state.ResumeTiming();
        DrawSmoothText(layer, 0, 0, kLine, level, clBlack32);
        benchmark::DoNotOptimize(layer.Bits());
    }
}

void BM_NaiveHighest(benchmark::State& state)
{
    TBitmap32 layer, check;
    PrepareLayer(layer);
    NaiveHighest(layer, clBlack32);
    PrepareLayer(check);
    DrawSmoothText(check, 0, 0, kLine, 4, clBlack32);
    if (std::memcmp(layer.Bits(), check.Bits(), std::size_t(layer.Width()) * layer.Height() * 4) != 0) {
        state.SkipWithError("the plain way and DrawSmoothText differ");
        return;
    }
    for (auto _ : state) {
        state.PauseTiming();
        PrepareLayer(layer);
        state.ResumeTiming();
        NaiveHighest(layer, clBlack32);
        benchmark::DoNotOptimize(layer.Bits());
    }
}

void BM_PreviewHighest(benchmark::State& state)
{
    TBitmap32 preview;
    preview.SetSize(343, 64);
    preview.SetFont(LineFont());
    for (auto _ : state) {
        preview.Clear(clWhite32);
        DrawSmoothText(preview, 10, 10, kLine, 4, clBlack32);
        benchmark::DoNotOptimize(preview.Bits());
    }
}

BENCHMARK(BM_SmoothText)->DenseRange(0, 4)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_NaiveHighest)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PreviewHighest)->Unit(benchmark::kMillisecond);

} // namespace
