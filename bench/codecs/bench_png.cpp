// Our PNG writer and reader against Qt's (QImageWriter / QImageReader at
// their defaults) in the same run. Written: the 2000 x 2400 two-sided box
// with its shadow, composed from the sample artwork on a transparent ground,
// as `-o box.png` saves it; read: a 2000 x 2400 face. The counters give each
// file's size.
#include "codecs/ImageFiles.h"
#include "codecs/PngReader.h"
#include "codecs/PngWriter.h"
#include "render/Bitmap32Utils.h"
#include "render/BoxMatte.h"

#include <QBuffer>
#include <QImage>
#include <QImageReader>
#include <QImageWriter>

#include <benchmark/benchmark.h>

#include <cstdlib>

namespace {

constexpr int kWidth = 2000, kHeight = 2400;

void LoadSample(TBitmap32& face, const char* name)
{
    if (!LoadImageFile(QStringLiteral(CUBIFORM_SAMPLES "/%1").arg(QLatin1String(name)), face)) std::abort();
    face.StretchFilter = sfLinear;
}

const TBitmap32& Box()
{
    static TBitmap32 box;
    if (box.IsEmpty()) {
        TBitmap32 onGround[2];
        for (TBoxGround ground : {bgWhite, bgBlack}) {
            TBitmap32 f, s, t;
            LoadSample(f, "GreyfinchFront.jpg");
            LoadSample(s, "GreyfinchSide.jpg");
            LoadSample(t, "GreyfinchTop.jpg");
            ComposeBox(onGround[ground], f, s, t, bxTwoSidedBox, boLeft, true, kWidth, kHeight, true, ground);
        }
        MatteFromGrounds(onGround[bgWhite], onGround[bgBlack], box);
    }
    return box;
}

QImage AsQImage(const TBitmap32& b)
{
    return QImage(reinterpret_cast<const uchar*>(b.Bits()), b.Width(), b.Height(), qsizetype(b.Width()) * 4,
                  QImage::Format_ARGB32);
}

void BM_PngWriteOurs(benchmark::State& state)
{
    const TBitmap32& box = Box();
    TPngSettings settings;
    if (state.range(0) >= 0) {
        settings.Level = int(state.range(0));
        settings.Filters = int(state.range(1));
        settings.Strategy = int(state.range(2));
    }
    TByteVector bytes;
    for (auto _ : state) {
        if (!EncodePng({box.Bits(), box.Width(), box.Height()}, bytes, settings)) state.SkipWithError("failed");
        benchmark::DoNotOptimize(bytes.data());
    }
    state.counters["bytes"] = double(bytes.size());
}
// The defaults, then the settings they were chosen among: zlib level, filter
// mask (0x08 none, 0x10 sub, 0x20 up, 0x40 average, 0x80 Paeth, 0xF8 adaptive)
// and strategy (0 default, 1 filtered, 3 RLE).
BENCHMARK(BM_PngWriteOurs)->Args({-1, 0, 0})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PngWriteOurs)
    ->ArgsProduct({{1, 3, 6}, {0x20, 0x80, 0xF8}, {0}})
    ->Args({1, 0x20, 3})
    ->Args({1, 0xF8, 3})
    ->Unit(benchmark::kMillisecond);

void BM_PngWriteQt(benchmark::State& state)
{
    const QImage image = AsQImage(Box());
    QByteArray bytes;
    for (auto _ : state) {
        bytes.clear();
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        QImageWriter writer(&buffer, "png");
        if (!writer.write(image)) state.SkipWithError("failed");
        benchmark::DoNotOptimize(bytes.data());
    }
    state.counters["bytes"] = double(bytes.size());
}
BENCHMARK(BM_PngWriteQt)->Unit(benchmark::kMillisecond);

// The front artwork stretched to 2000 x 2400, saved by Qt: a face as a user
// would bring it.
const QByteArray& FaceFile()
{
    static const QByteArray file = [] {
        TBitmap32 front;
        LoadSample(front, "GreyfinchFront.jpg");
        const QImage face = AsQImage(front).scaled(kWidth, kHeight, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        if (!QImageWriter(&buffer, "png").write(face)) std::abort();
        return bytes;
    }();
    return file;
}

void BM_PngReadOurs(benchmark::State& state)
{
    const QByteArray& file = FaceFile();
    for (auto _ : state) {
        TPixelBuffer pixels;
        if (!DecodePng(TByteSpan(reinterpret_cast<const std::uint8_t*>(file.constData()), std::size_t(file.size())),
                       pixels))
            state.SkipWithError("failed");
        benchmark::DoNotOptimize(pixels.Pixels.data());
    }
    state.counters["bytes"] = double(file.size());
}
BENCHMARK(BM_PngReadOurs)->Unit(benchmark::kMillisecond);

void BM_PngReadQt(benchmark::State& state)
{
    QByteArray file = FaceFile();
    for (auto _ : state) {
        QBuffer buffer(&file);
        buffer.open(QIODevice::ReadOnly);
        QImageReader reader(&buffer, "png");
        const QImage image = reader.read();
        if (image.isNull()) state.SkipWithError("failed");
        benchmark::DoNotOptimize(image.constBits());
    }
    state.counters["bytes"] = double(file.size());
}
BENCHMARK(BM_PngReadQt)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
