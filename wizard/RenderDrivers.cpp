#include "wizard/RenderDrivers.h"

#include "codecs/ImageFiles.h"
#include "imaging/ViewUpdateHold.h"
#include "platform/MemoryBudget.h"
#include "render/BoxMatte.h"
#include "render/LayerUtils.h"
#include "render/RenderGeometry.h"
#include "templates/TemplateList.h"

#include <QFileInfo>
#include <QGuiApplication>

#include <cmath>
#include <vector>

namespace {

// Keeps a face view's selection frame out of its flattened picture and puts
// it back afterwards, also when flattening fails.
class TSelectionHidden {
public:
    TSelectionHidden(TLayerSelection& selection, int index) : FSelection(selection), FIndex(index)
    {
        FSelection.HideSelection(FIndex);
    }
    ~TSelectionHidden() { FSelection.RestoreSelection(FIndex); }
    TSelectionHidden(const TSelectionHidden&) = delete;
    TSelectionHidden& operator=(const TSelectionHidden&) = delete;

private:
    TLayerSelection& FSelection;
    int FIndex;
};

// The layer shown by the view's selection frame, if any.
TPositionedLayer* FindTarget(TImgView32* view)
{
    TRubberbandLayer* frame = FindRubberbandLayer(view);
    return frame ? frame->Target() : nullptr;
}

bool HasImage(TImgView32* view) { return view && !view->Bitmap().IsEmpty(); }

// Switches off, for one flattening, the paint stages that run before the
// face image: an opaque face overwrites every pixel they paint (the white
// ground, the page's checkerboard), so on a large face they are whole passes
// over memory for nothing.
class TStagesUnderOpaqueFaceSkipped {
public:
    explicit TStagesUnderOpaqueFaceSkipped(TCustomImage32* view) : FStages(view->PaintStages())
    {
        int bitmapStage = -1;
        for (int i = 0; i < FStages.Count() && bitmapStage < 0; ++i)
            if (FStages[i].RunTime && FStages[i].Stage == stageDrawBitmap) bitmapStage = i;
        for (int i = 0; i < bitmapStage; ++i)
            if (FStages[i].RunTime) {
                FStages[i].RunTime = false;
                FSkipped.push_back(i);
            }
        FApplies = bitmapStage >= 0;
    }
    ~TStagesUnderOpaqueFaceSkipped()
    {
        for (int i : FSkipped) FStages[i].RunTime = true;
    }
    TStagesUnderOpaqueFaceSkipped(const TStagesUnderOpaqueFaceSkipped&) = delete;
    TStagesUnderOpaqueFaceSkipped& operator=(const TStagesUnderOpaqueFaceSkipped&) = delete;
    // False when the view draws no face image at all.
    bool Applies() const { return FApplies; }

private:
    TPaintStages& FStages;
    std::vector<int> FSkipped;
    bool FApplies = false;
};

// FlattenView, without the passes an opaque face hides.
void FlattenOpaqueFace(TImgView32* view, TBitmap32& copy)
{
    const TBitmap32& face = view->Bitmap();
    if (face.DrawMode == dmOpaque) {
        TStagesUnderOpaqueFaceSkipped skipped(view);
        if (skipped.Applies()) {
            copy.SetSize(face.Width(), face.Height());
            view->RenderInto(copy, TRect{0, 0, face.Width(), face.Height()});
            return;
        }
    }
    FlattenView(view, copy);
}

// The face properties the composition expects of its copies.
void SetFaceCopyProperties(TBitmap32& copy)
{
    copy.StretchFilter = sfLinear;
    copy.DrawMode = dmOpaque;
    copy.MasterAlpha = 255;
    copy.OuterColor = clTransparent32;
}

// A face view's flattened picture, kept from one render to the next: the
// result step re-renders on every click of its options while the faces stay
// as they are. It is good while the view still reports the content
// generation it was made at and paints with the same stages.
struct TFlatFace {
    const TImgView32* View = nullptr;
    std::uint64_t Generation = 0;
    TPaintStages Stages;
    TBitmap32 Picture;
    // Moves on whenever Picture changes (made again, or emptied).
    std::uint64_t Made = 0;

    bool Shows(TImgView32* view) const
    {
        return view && view == View && view->ContentGeneration() == Generation &&
               view->PaintStages() == Stages;
    }
};

// Brings a kept picture up to date with its view: flattened with the
// selection frame hidden, so the frame is never part of it.
bool UpdateFlatFace(TLayerSelection& selection, TImgView32* view, TFlatFace& flat)
{
    if (flat.Shows(view)) return false;
    flat.View = nullptr; // a failed flatten leaves nothing that looks valid
    SetFaceCopyProperties(flat.Picture);
    if (!view) {
        if (!flat.Picture.IsEmpty()) ++flat.Made;
        flat.Picture.SetSize(0, 0);
        return false;
    }
    {
        TSelectionHidden hidden(selection, selection.IndexOf(view));
        FlattenOpaqueFace(view, flat.Picture);
    }
    // Read after the frame is back: hiding and showing it move the
    // generation on without changing what the picture shows.
    flat.View = view;
    flat.Generation = view->ContentGeneration();
    flat.Stages = view->PaintStages();
    ++flat.Made;
    return true;
}

// The composition first stretches front and side to the default size.
// Stretching from the kept picture here gives the same pixels (the
// composition's own stretch is then a plain copy) without copying a large
// face in full first.
void StretchedFaceCopy(const TBitmap32& flat, TBitmap32& copy, int width, int height)
{
    if (width < 1 || height < 1 || flat.IsEmpty()) {
        copy.SetSize(0, 0);
    } else {
        copy.SetSize(width, height);
        copy.DrawScaled(copy.BoundsRect(), flat.BoundsRect(), flat);
    }
    SetFaceCopyProperties(copy);
}

// Loads a template face; a missing or unreadable file leaves it empty.
void LoadPreviewFace(const QString& fileName, TBitmap32& face)
{
    face.StretchFilter = sfLinear;
    LoadImageFile(fileName, face, TTransparency::OnWhite);
}

} // namespace

// Front, side and top: the kept pictures, and the copies the composition
// works on (it resizes and darkens its faces). The copies keep their memory
// from one render to the next instead of taking tens of megabytes of fresh
// pages each time.
struct TFaceCache::TData {
    TFlatFace Flat[3];
    TBitmap32 Work[3];
    std::uint64_t Flattened = 0;
};

TFaceCache::TFaceCache() : FData(std::make_unique<TData>()) {}

TFaceCache::~TFaceCache() = default;

std::uint64_t TFaceCache::FacesFlattened() const { return FData->Flattened; }

namespace {

// The composition of the faces' kept pictures on one ground. `extra` is the
// memory the caller holds besides (checked with the composition's own).
void ComposeFromCache(const TBoxRenderInput& in, TLayerSelection& selection, TFaceCache::TData& cache,
                      TBitmap32& result, TBoxGround ground, std::int64_t extra)
{
    const int faceCount = in.Style == bxThreeSideBox ? 3 : 2;
    // Refused before any copy is made; the face copies at their own size count too.
    std::int64_t copies = extra;
    for (int k = 1; k <= faceCount && !in.DefaultSize; ++k)
        copies += membudget::PictureBytes(in.Faces[k] ? in.Faces[k]->Bitmap().Width() : 0,
                                          in.Faces[k] ? in.Faces[k]->Bitmap().Height() : 0);
    CheckComposeMemory(in.Style, in.DefaultSize, in.DefaultWidth, in.DefaultHeight, in.Faces[1]->Bitmap().Width(),
                       in.Faces[1]->Bitmap().Height(), in.Faces[2]->Bitmap().Width(), copies);
    for (int k = 0; k < 3; ++k) {
        TBitmap32& work = cache.Work[k];
        if (k >= faceCount) {
            work.SetSize(0, 0);
            continue;
        }
        TFlatFace& flat = cache.Flat[k];
        if (UpdateFlatFace(selection, in.Faces[k + 1], flat)) ++cache.Flattened;
        if (in.DefaultSize && k == 0)
            StretchedFaceCopy(flat.Picture, work, ClampedSum(in.DefaultWidth, -box::SideStripWidth), in.DefaultHeight);
        else if (in.DefaultSize && k == 1)
            StretchedFaceCopy(flat.Picture, work, box::SideStripWidth, in.DefaultHeight);
        else
            work.CopyFrom(flat.Picture);
    }
    ComposeBox(result, cache.Work[0], cache.Work[1], cache.Work[2], in.Style, in.Orientation, in.DefaultSize,
               in.DefaultWidth, in.DefaultHeight, in.Shadow, ground);
}

} // namespace

void RenderBox(const TBoxRenderInput& in, TLayerSelection& selection, TImgView32* resultView,
               TBitmap32& result, TFaceCache& faceCache)
{
    if (!resultView || !HasImage(in.Faces[1]) || !HasImage(in.Faces[2])) return;
    TBusyCursor busy;
    TViewUpdateHold hold(resultView);
    // The picture of the last render lends its memory to the new one.
    TBitmap32 picture;
    picture.StretchFilter = sfLinear;
    if (auto* shown = dynamic_cast<TBitmapLayer*>(FindTarget(resultView))) picture.SwapPixels(shown->Bitmap());
    const int resultIndex = selection.IndexOf(resultView);
    if (resultIndex)
        selection.ClearFace(resultIndex);
    else
        resultView->Layers().Clear();
    resultView->SetScale(1.0f);
    resultView->Bitmap().SetSize(0, 0);

    // The result keeps its memory for the composition, which sizes and fills
    // it anyway; a failed render leaves it empty rather than half drawn.
    try {
        ComposeFromCache(in, selection, *faceCache.FData, result, bgWhite, 0);
    } catch (...) {
        result.SetSize(0, 0);
        throw;
    }
    picture.CopyFrom(result);
    picture.StretchFilter = sfLinear;
    selection.AddImageLayerTaking(resultView, picture);
    if (in.DefaultSize) {
        if (TRubberbandLayer* handle = FindRubberbandLayer(resultView)) {
            handle->SetBounds(handle->Bounds());
            CentreResultSelection(resultView, handle);
        }
    }
}

void RenderBoxOnBlack(const TBoxRenderInput& in, TLayerSelection& selection, TBitmap32& onBlack,
                      TFaceCache& faceCache, std::int64_t extra)
{
    onBlack.SetSize(0, 0);
    if (!HasImage(in.Faces[1]) || !HasImage(in.Faces[2])) return;
    TBusyCursor busy;
    try {
        ComposeFromCache(in, selection, *faceCache.FData, onBlack, bgBlack, extra);
    } catch (...) {
        onBlack.SetSize(0, 0);
        throw;
    }
}

bool TFreeViewFaces::Update(const TBoxRenderInput& in, TLayerSelection& selection, TFaceCache& faceCache)
{
    bool changed = !FStarted || in.Style != FStyle || in.DefaultSize != FDefaultSize ||
                   (in.DefaultSize && (in.DefaultWidth != FDefaultWidth || in.DefaultHeight != FDefaultHeight));
    FStarted = true;
    FStyle = in.Style;
    FDefaultSize = in.DefaultSize;
    FDefaultWidth = in.DefaultWidth;
    FDefaultHeight = in.DefaultHeight;
    Box.SetStyle(in.Style);
    Box.SetDefaultSize(in.DefaultSize, in.DefaultWidth, in.DefaultHeight);
    TFaceCache::TData& cache = *faceCache.FData;
    const TFaceKind kinds[3] = {fkFront, fkSide, fkTop};
    const int faceCount = in.Style == bxThreeSideBox ? 3 : 2;
    for (int k = 0; k < 3; ++k) {
        TFlatFace& flat = cache.Flat[k];
        if (k >= faceCount) {
            // Only the three-sided box has a lid picture; the others draw it flat.
            if (FMade[k] != kNone) {
                Box.SetFace(kinds[k], TBitmap32());
                FMade[k] = kNone;
                changed = true;
            }
            continue;
        }
        // A face without a picture is drawn flat.
        TImgView32* view = HasImage(in.Faces[k + 1]) ? in.Faces[k + 1] : nullptr;
        if (UpdateFlatFace(selection, view, flat)) ++cache.Flattened;
        if (flat.Made == FMade[k]) continue;
        Box.SetFace(kinds[k], flat.Picture);
        FMade[k] = flat.Made;
        changed = true;
    }
    return changed;
}

void ShowResultOnBackground(TImgView32* resultView, const TBitmap32& onWhite, const TBitmap32* onBlack,
                            const TBoxBackground& background)
{
    auto* shown = resultView ? dynamic_cast<TBitmapLayer*>(FindTarget(resultView)) : nullptr;
    if (!shown) return;
    TBitmap32& picture = shown->Bitmap();
    const bool plain = !onBlack || onBlack->Width() != onWhite.Width() || onBlack->Height() != onWhite.Height();
    if (background.Kind == TBoxBackground::Automatic || !NeedsBlackGround(background) || plain) {
        picture.CopyFrom(onWhite);
    } else {
        MatteFromGrounds(onWhite, *onBlack, picture);
        if (background.Kind == TBoxBackground::Solid) {
            FlattenMatte(picture, background.Color, picture);
        } else {
            // Transparent: shown over the checkerboard the faces use for it.
            TBitmap32 ground;
            ground.SetSize(picture.Width(), picture.Height());
            DrawCheckerboard(ground, false);
            picture.DrawMode = dmBlend;
            ground.DrawAt(0, 0, picture);
            picture.SwapPixels(ground);
        }
    }
    picture.DrawMode = dmOpaque;
    picture.StretchFilter = sfLinear;
    ClearBorderAlpha(picture, picture.BoundsRect());
    picture.NotifyChanged();
}

void RenderTemplatePreview(TImgView32* view0, const TTemplateItem* item, TBoxStyle style)
{
    if (!view0) return;
    TViewUpdateHold hold(view0);
    TBitmap32& preview = view0->Bitmap();
    preview.SetSize(0, 0);
    if (!item || !QFileInfo(item->FrontImage()).isFile() || !QFileInfo(item->SideImage()).isFile()) {
        DrawNoPreview(preview, view0->font());
        return;
    }
    TBusyCursor busy;
    try {
        TBitmap32 front, side, top;
        LoadPreviewFace(item->FrontImage(), front);
        LoadPreviewFace(item->SideImage(), side);
        LoadPreviewFace(item->TopImage(), top);
        // A template made in code may not have its size set yet.
        const int w = item->DefaultWidth() > 0 ? item->DefaultWidth() : TTemplateItem::kFallbackWidth;
        const int h = item->DefaultHeight() > 0 ? item->DefaultHeight() : TTemplateItem::kFallbackHeight;
        ComposePreview(preview, front, side, top, style, w, h);
    } catch (...) {
        // The caller reports the error; the view shows the placeholder, not a blank.
        preview.SetSize(0, 0);
        DrawNoPreview(preview, view0->font());
        throw;
    }
}

void CentreResultSelection(TImgView32* resultView, TRubberbandLayer* handle)
{
    if (!resultView || !handle) return;
    const TRect vp = resultView->GetViewportRect();
    const TViewPoint c = resultView->ViewToBitmap((vp.Left + vp.Right) / 2, (vp.Top + vp.Bottom) / 2);
    const TRealRect& b = handle->Bounds();
    const float w = b.Right - b.Left, h = b.Bottom - b.Top;
    // The frame starts on a whole pixel: centred on half a pixel, a picture
    // of odd size would round to one pixel more or less and be resampled.
    const float left = std::floor(float(c.X) - w / 2), top = std::floor(float(c.Y) - h / 2);
    handle->SetBounds(TRealRect{left, top, left + w, top + h});
}
