// A project saved and opened, against the same pictures kept as separate PNG
// files. The project: three 2000 x 2400 photo-like faces with ten layers
// each, seven photo-like pictures of 400 to 800 pixels with soft see-through
// edges and three lines of text as the text layers draw them, 33 pictures in
// all. Both ways encode with our PNG writer at its defaults, write with the
// program's safe write (a temporary file, synced, renamed into place; one
// file against 33) and decode with our PNG reader; the project adds the zip
// and its manifest. BM_ProjectBuild and BM_PngEncode are the same work in
// memory, without the files. Counters: the bytes written, the project's or
// the PNG files' together.
#include "bench/PhotoLikeFace.h"
#include "codecs/ImageFiles.h"
#include "codecs/PngWriter.h"
#include "editing/ProjectFile.h"
#include "editing/TextLayer.h"

#include <QFile>
#include <QFont>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <memory>
#include <vector>

namespace {

constexpr int kFaceW = 2000, kFaceH = 2400;

TPixelBuffer PixelsOf(const TBitmap32& b)
{
    TPixelBuffer p;
    p.Width = b.Width();
    p.Height = b.Height();
    p.Pixels.assign(b.Bits(), b.Bits() + std::size_t(b.Width()) * b.Height());
    return p;
}

// A photo cut out with a soft edge: opaque inside, fading to nothing over
// the outer 40 pixels.
TPixelBuffer PhotoLayer(int w, int h, std::uint32_t seed)
{
    TBitmap32 b;
    PaintPhotoLikeFace(b, w, h, seed);
    TPixelBuffer p = PixelsOf(b);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const int edge = std::min(std::min(x, w - 1 - x), std::min(y, h - 1 - y));
            const TColor32 alpha = TColor32(std::min(255, edge * 255 / 40));
            TColor32& c = p.Row(y)[x];
            c = (c & 0x00FFFFFFu) | (alpha << 24);
        }
    return p;
}

TProjectLayer TextLayer(const QString& text, const QFont& font, TColor32 color, float left, float top)
{
    TBitmap32 b;
    const TBitmap32::TSize size = TextLayerSize(text, font);
    b.SetSize(size.cx, size.cy);
    b.SetFont(font);
    constexpr int level = 2;
    DrawTextCoverage(b, text, level, color);
    TProjectLayer layer;
    layer.Kind = TProjectLayerKind::Text;
    layer.Bounds = {left, top, left + size.cx, top + size.cy};
    layer.Picture = PixelsOf(b);
    layer.Text = {text, font.toString(), color, level, 0};
    return layer;
}

const TProjectDocument& Document()
{
    static const TProjectDocument doc = [] {
        TProjectDocument d;
        struct Size {
            int W, H;
        };
        const Size photos[] = {{640, 480}, {800, 600}, {480, 640}, {720, 540}, {400, 400}, {800, 533}, {600, 800}};
        QFont title(QStringLiteral("DejaVu Sans"), 48, QFont::Bold), body(QStringLiteral("DejaVu Sans"), 20);
        std::uint32_t seed = 1;
        for (TProjectFace& face : d.Faces) {
            TBitmap32 base;
            PaintPhotoLikeFace(base, kFaceW, kFaceH, seed++);
            face.Base = PixelsOf(base);
            float y = 100;
            for (const Size& s : photos) {
                TProjectLayer layer;
                layer.Picture = PhotoLayer(s.W, s.H, seed++);
                layer.Bounds = {200, y, 200.0f + s.W, y + s.H};
                face.Layers.push_back(std::move(layer));
                y += 250;
            }
            face.Layers.push_back(TextLayer(QStringLiteral("Greyfinch Studio 2026"), title, 0xFF1B3A66, 120, 60));
            face.Layers.push_back(TextLayer(QStringLiteral("Everything you need to turn flat artwork into boxes"),
                                            body, clBlack32, 120, 2000));
            face.Layers.push_back(
                TextLayer(QStringLiteral("For Linux desktops - version 2.0"), body, 0xFFB5402F, 120, 2200));
        }
        return d;
    }();
    return doc;
}

std::vector<const TPixelBuffer*> Pictures()
{
    std::vector<const TPixelBuffer*> all;
    for (const TProjectFace& face : Document().Faces) {
        all.push_back(&face.Base);
        for (const TProjectLayer& layer : face.Layers) all.push_back(&layer.Picture);
    }
    return all;
}

double FileBytes(const QString& path) { return double(QFile(path).size()); }

void BM_ProjectBuild(benchmark::State& state)
{
    const TProjectDocument& doc = Document();
    TByteVector bytes;
    for (auto _ : state) {
        if (!BuildProject(doc, bytes, nullptr)) state.SkipWithError("BuildProject failed");
        benchmark::DoNotOptimize(bytes.data());
    }
    state.counters["bytes"] = double(bytes.size());
}
BENCHMARK(BM_ProjectBuild)->Unit(benchmark::kMillisecond);

void BM_PngEncode(benchmark::State& state)
{
    const std::vector<const TPixelBuffer*> pictures = Pictures();
    double total = 0;
    for (auto _ : state) {
        total = 0;
        for (const TPixelBuffer* p : pictures) {
            TByteVector bytes;
            if (!EncodePng(ViewOf(*p), bytes)) state.SkipWithError("EncodePng failed");
            total += double(bytes.size());
            benchmark::DoNotOptimize(bytes.data());
        }
    }
    state.counters["bytes"] = total;
}
BENCHMARK(BM_PngEncode)->Unit(benchmark::kMillisecond);

void BM_ProjectSave(benchmark::State& state)
{
    const TProjectDocument& doc = Document();
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("box.cubiform"));
    QString why;
    for (auto _ : state) {
        if (!SaveProject(path, doc, &why)) state.SkipWithError(qPrintable(why));
    }
    state.counters["bytes"] = FileBytes(path);
}
BENCHMARK(BM_ProjectSave)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ProjectOpen(benchmark::State& state)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("box.cubiform"));
    QString why;
    if (!SaveProject(path, Document(), &why)) {
        state.SkipWithError(qPrintable(why));
        return;
    }
    TProjectDocument doc;
    for (auto _ : state) {
        doc = {};
        if (!OpenProject(path, doc, &why)) state.SkipWithError(qPrintable(why));
        benchmark::DoNotOptimize(doc.Faces[0].Base.Pixels.data());
    }
    // What was timed read the pictures back as they were.
    if (doc.Faces[2].Layers.back().Picture.Pixels != Document().Faces[2].Layers.back().Picture.Pixels ||
        doc.Faces[1].Base.Pixels != Document().Faces[1].Base.Pixels)
        state.SkipWithError("the project read back differs");
    state.counters["bytes"] = FileBytes(path);
}
BENCHMARK(BM_ProjectOpen)->Unit(benchmark::kMillisecond)->UseRealTime();

// The pictures as TBitmap32, as the program saves and loads PNG files; made
// before the timing starts.
const std::vector<std::unique_ptr<TBitmap32>>& Bitmaps()
{
    static const std::vector<std::unique_ptr<TBitmap32>> bitmaps = [] {
        std::vector<std::unique_ptr<TBitmap32>> all;
        for (const TPixelBuffer* p : Pictures()) {
            auto b = std::make_unique<TBitmap32>();
            b->SetSize(p->Width, p->Height);
            std::copy(p->Pixels.begin(), p->Pixels.end(), b->Bits());
            all.push_back(std::move(b));
        }
        return all;
    }();
    return bitmaps;
}

QString PngPath(const QTemporaryDir& dir, std::size_t i)
{
    return dir.filePath(QStringLiteral("picture-%1.png").arg(i));
}

void BM_PngFilesWrite(benchmark::State& state)
{
    const std::vector<std::unique_ptr<TBitmap32>>& bitmaps = Bitmaps();
    QTemporaryDir dir;
    QString why;
    for (auto _ : state) {
        for (std::size_t i = 0; i < bitmaps.size(); ++i)
            if (!SaveAsPng(PngPath(dir, i), *bitmaps[i], &why)) state.SkipWithError(qPrintable(why));
    }
    double total = 0;
    for (std::size_t i = 0; i < bitmaps.size(); ++i) total += FileBytes(PngPath(dir, i));
    state.counters["bytes"] = total;
}
BENCHMARK(BM_PngFilesWrite)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_PngFilesRead(benchmark::State& state)
{
    const std::vector<std::unique_ptr<TBitmap32>>& bitmaps = Bitmaps();
    QTemporaryDir dir;
    QString why;
    double total = 0;
    for (std::size_t i = 0; i < bitmaps.size(); ++i) {
        if (!SaveAsPng(PngPath(dir, i), *bitmaps[i], &why)) {
            state.SkipWithError(qPrintable(why));
            return;
        }
        total += FileBytes(PngPath(dir, i));
    }
    for (auto _ : state) {
        for (std::size_t i = 0; i < bitmaps.size(); ++i) {
            TBitmap32 picture;
            if (!LoadImageFile(PngPath(dir, i), picture, &why)) state.SkipWithError(qPrintable(why));
            benchmark::DoNotOptimize(picture.Bits());
        }
    }
    state.counters["bytes"] = total;
}
BENCHMARK(BM_PngFilesRead)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
