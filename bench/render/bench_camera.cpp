// The free view ("Camera"): an interactive frame on one core, a print-size
// frame with shadow and reflection on two threads, what a change of face
// costs (copying it and building the levels a frame needs), and the peer:
// QPainter drawing the same faces onto the same quads with smooth
// transforms. The peer and our mapping also report their mean absolute
// error against a 16 x 16 supersampled reference, on a photo face and on a
// face of one-pixel stripes.
#include "bench/PhotoLikeFace.h"
#include "codecs/ImageFiles.h"
#include "imaging/Transformation.h"
#include "render/FreeView.h"
#include "render/FreeViewRaster.h"
#include "tests/render/SupersampledReference.h"

#include <QImage>
#include <QPainter>
#include <QPolygonF>
#include <QTransform>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace {

using freeview::TPoint2;

constexpr int kFaceW = 2000, kFaceH = 2400;

// Upright black and white stripes one pixel wide: the worst case for aliasing.
void PaintStripes(TBitmap32& face)
{
    face.SetSize(kFaceW, kFaceH);
    for (int y = 0; y < kFaceH; ++y) {
        TColor32* row = face.ScanLine(y);
        for (int x = 0; x < kFaceW; ++x) row[x] = x % 2 ? clWhite32 : clBlack32;
    }
}

QString PhotoFile() { return QStringLiteral(CUBIFORM_SOURCE_DIR "/Samples/GreyfinchFront.jpg"); }

void Report(benchmark::State& state, const char* what, double value)
{
    state.counters[what] = benchmark::Counter(value);
}

struct TBoxScene {
    TBitmap32 Front, Side;
    freeview::TFreeViewBox Box;

    explicit TBoxScene(bool stripes = false)
    {
        if (stripes) {
            PaintStripes(Front);
            PaintStripes(Side);
        } else {
            PaintPhotoLikeFace(Front, kFaceW, kFaceH);
            PaintPhotoLikeFace(Side, kFaceW, kFaceH);
        }
        Box.SetFace(fkFront, Front);
        Box.SetFace(fkSide, Side);
    }
};

TBoxScene& Scene()
{
    static TBoxScene scene;
    return scene;
}

freeview::TFreeViewSettings Interactive()
{
    freeview::TFreeViewSettings s;
    s.Width = 800;
    s.Height = 600;
    s.Threads = 1;
    return s;
}

// --- speed -------------------------------------------------------------------------------------

void BM_CameraInteractiveFrame(benchmark::State& state)
{
    TBoxScene& scene = Scene();
    freeview::TFreeViewSettings s = Interactive();
    s.Shadow = s.Reflection = state.range(0) != 0;
    TBitmap32 out;
    freeview::Render(scene.Box, s, out); // the levels, made once per face change
    for (auto _ : state) {
        freeview::Render(scene.Box, s, out);
        benchmark::DoNotOptimize(out.Bits());
    }
    state.counters["frames/s"] = benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_CameraInteractiveFrame)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

// A changed front and side: copying them in and the first frame, which
// makes the levels the pose needs (the rest is one interactive frame). Kept:
// the wizard's box, whose edited faces keep their size; new: a box made for
// the faces, all its storage new.
void BM_CameraFaceChange(benchmark::State& state)
{
    TBoxScene& scene = Scene();
    const freeview::TFreeViewSettings s = Interactive();
    const bool kept = state.range(0) != 0;
    freeview::TFreeViewBox box;
    TBitmap32 out;
    for (auto _ : state) {
        freeview::TFreeViewBox fresh;
        freeview::TFreeViewBox& b = kept ? box : fresh;
        b.SetFace(fkFront, scene.Front);
        b.SetFace(fkSide, scene.Side);
        freeview::Render(b, s, out);
        benchmark::DoNotOptimize(out.Bits());
    }
}
BENCHMARK(BM_CameraFaceChange)->ArgName("kept")->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime();

// Every level of one 2000 x 2400 face, as a long drag through all angles
// would make them.
void BM_CameraAllLevels(benchmark::State& state)
{
    TBoxScene& scene = Scene();
    for (auto _ : state) {
        TFaceLevels levels;
        levels.Assign(scene.Front);
        for (int ly = 0; ly <= levels.MaxLevelY(); ++ly)
            for (int lx = 0; lx <= levels.MaxLevelX(); ++lx) levels.Level(lx, ly);
        benchmark::DoNotOptimize(levels.Bytes());
    }
}
BENCHMARK(BM_CameraAllLevels)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_CameraPrintFrame(benchmark::State& state)
{
    TBoxScene& scene = Scene();
    freeview::TFreeViewSettings s;
    s.Width = s.Height = 4000;
    s.Shadow = s.Reflection = true;
    s.Threads = int(state.range(0));
    TBitmap32 out;
    freeview::Render(scene.Box, s, out);
    for (auto _ : state) {
        freeview::Render(scene.Box, s, out);
        benchmark::DoNotOptimize(out.Bits());
    }
}
BENCHMARK(BM_CameraPrintFrame)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();

QImage ToQImage(const TBitmap32& picture)
{
    return QImage(reinterpret_cast<const uchar*>(picture.Bits()), picture.Width(), picture.Height(),
                  picture.Width() * 4, QImage::Format_ARGB32).convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

void PeerDraw(QPainter& painter, const QImage& picture, const TPoint2 (&q)[4])
{
    QTransform t;
    const double w = picture.width(), h = picture.height();
    const QPolygonF from({QPointF(0, 0), QPointF(w, 0), QPointF(w, h), QPointF(0, h)});
    QPolygonF to;
    for (const TPoint2& p : q) to << QPointF(p.X, p.Y);
    if (!QTransform::quadToQuad(from, to, t)) return;
    painter.setTransform(t);
    painter.drawImage(QPointF(0, 0), picture);
}

// The peer: every face of the interactive frame drawn by QPainter through
// quadToQuad with smooth transforms, into an output of the same size.
void BM_CameraQPainterPeer(benchmark::State& state)
{
    TBoxScene& scene = Scene();
    const freeview::TFreeViewGeometry g = freeview::LayOut(scene.Box, Interactive());
    const QImage front = ToQImage(scene.Front), side = ToQImage(scene.Side);
    QImage flat(1, 1, QImage::Format_ARGB32_Premultiplied);
    flat.fill(Qt::gray);
    QImage out(g.Width, g.Height, QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        out.fill(Qt::transparent);
        QPainter painter(&out);
        painter.setRenderHints(QPainter::SmoothPixmapTransform | QPainter::Antialiasing);
        for (const freeview::TFaceGeometry& f : g.Faces) {
            const TPoint2 q[4] = {{f.X[0], f.Y[0]}, {f.X[1], f.Y[1]}, {f.X[2], f.Y[2]}, {f.X[3], f.Y[3]}};
            PeerDraw(painter, f.Name == "front" ? front : f.Name == "side" ? side : flat, q);
        }
        painter.end();
        benchmark::DoNotOptimize(out.bits());
    }
    state.counters["frames/s"] = benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_CameraQPainterPeer)->Unit(benchmark::kMillisecond)->UseRealTime();

// --- accuracy ------------------------------------------------------------------------------------

struct TErrors {
    double Ours = 0, Peer = 0;
};

// Both drawers map `picture` onto the box's front and side quads of a frame
// of the given size; the errors are the means over both faces.
TErrors ErrorsOf(const TBitmap32& picture, int width, int height)
{
    freeview::TFreeViewBox box;
    box.SetFace(fkFront, picture);
    box.SetFace(fkSide, picture);
    freeview::TFreeViewSettings s;
    s.Width = width;
    s.Height = height;
    const freeview::TFreeViewGeometry g = freeview::LayOut(box, s);
    TFaceLevels levels;
    levels.Assign(picture);
    const QImage source = ToQImage(picture);
    TErrors e;
    int faces = 0;
    for (const freeview::TFaceGeometry& f : g.Faces) {
        if (f.Name != "front" && f.Name != "side") continue;
        const TPoint2 q[4] = {{f.X[0], f.Y[0]}, {f.X[1], f.Y[1]}, {f.X[2], f.Y[2]}, {f.X[3], f.Y[3]}};
        TBitmap32 ours;
        ours.SetSize(width, height);
        ours.Clear(clWhite32);
        freeview::MapPictureFiltered(ours, levels, q);
        QImage peer(width, height, QImage::Format_ARGB32_Premultiplied);
        peer.fill(Qt::white);
        QPainter painter(&peer);
        painter.setRenderHints(QPainter::SmoothPixmapTransform | QPainter::Antialiasing);
        PeerDraw(painter, source, q);
        painter.end();
        e.Ours += reference::MeanError(picture, q, [&](int x, int y) { return ours.PixelAt(x, y); }, width, height);
        e.Peer += reference::MeanError(picture, q, [&](int x, int y) { return TColor32(peer.pixel(x, y)); }, width, height);
        ++faces;
    }
    e.Ours /= faces;
    e.Peer /= faces;
    return e;
}

void BM_CameraAccuracy(benchmark::State& state)
{
    TBitmap32 photo, stripes;
    if (!LoadImageFile(PhotoFile(), photo)) {
        state.SkipWithError("cannot read the sample photo");
        return;
    }
    PaintStripes(stripes);
    // The photo shown at about a quarter of its size, the stripes at about a fifth.
    const TErrors p = ErrorsOf(photo, 240, 180);
    const TErrors s = ErrorsOf(stripes, 800, 600);
    for (auto _ : state) benchmark::DoNotOptimize(p.Ours);
    Report(state, "mae_photo_ours", p.Ours);
    Report(state, "mae_photo_qpainter", p.Peer);
    Report(state, "mae_stripes_ours", s.Ours);
    Report(state, "mae_stripes_qpainter", s.Peer);
}
BENCHMARK(BM_CameraAccuracy)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
