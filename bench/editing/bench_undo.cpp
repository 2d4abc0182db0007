// Undo and redo of a move on a front face of 2000 x 2400 with 20 layers of
// the same size: the steps swap bounds and selection, never pixels, so their
// time does not grow with the pictures. The repaint that follows is the
// view's and is not counted.
#include "editing/EditHistory.h"
#include "editing/EditSteps.h"
#include "editing/LayerSelection.h"
#include "imaging/ImgView32.h"
#include "render/LayerUtils.h"

#include <QUndoStack>
#include <benchmark/benchmark.h>

#include <memory>

namespace {

constexpr int kWidth = 2000, kHeight = 2400, kLayers = 20;

struct Face {
    std::unique_ptr<TImgView32> view = std::make_unique<TImgView32>();
    TLayerSelection selection{{nullptr, view.get(), nullptr, nullptr, nullptr}, [] { return 1; }};
    TEditHistory history;
    TBitmapLayer* moved = nullptr;

    Face()
    {
        view->resize(480, 360);
        view->Bitmap().SetSize(kWidth, kHeight);
        view->Bitmap().Clear(0xFF336699);
        TBitmap32 picture;
        picture.SetSize(kWidth, kHeight);
        for (int i = 0; i < kLayers; ++i) {
            picture.Clear(0x80000000u | TColor32(i * 12345));
            moved = selection.AddImageLayerTaking(view.get(), picture);
            picture.SetSize(kWidth, kHeight);
        }
        const TRealRect b = moved->Bounds();
        history.Push(LayerBoundsStep(&selection, 1, moved, b,
                                     TRealRect{b.Left + 40, b.Top + 30, b.Right + 40, b.Bottom + 30},
                                     QStringLiteral("Move Layer"), false));
    }
};

Face& SharedFace()
{
    static Face face;
    return face;
}

void BM_UndoMove(benchmark::State& state)
{
    Face& face = SharedFace();
    QUndoStack* stack = face.history.Stack();
    for (auto _ : state) {
        stack->undo();
        state.PauseTiming();
        stack->redo();
        state.ResumeTiming();
    }
    if (!stack->canUndo()) state.SkipWithError("the move was not redone");
}
BENCHMARK(BM_UndoMove)->Unit(benchmark::kMicrosecond);

void BM_RedoMove(benchmark::State& state)
{
    Face& face = SharedFace();
    QUndoStack* stack = face.history.Stack();
    for (auto _ : state) {
        state.PauseTiming();
        stack->undo();
        state.ResumeTiming();
        stack->redo();
    }
    if (!stack->canUndo()) state.SkipWithError("the move was not redone");
}
BENCHMARK(BM_RedoMove)->Unit(benchmark::kMicrosecond);

} // namespace
