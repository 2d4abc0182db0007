// The drivers that turn the page's face views into the final box picture and
// the template preview.
#pragma once

#include "editing/LayerSelection.h"
#include "imaging/Bitmap32.h"
#include "imaging/ImgView32.h"
#include "imaging/RubberbandLayer.h"
#include "render/Bitmap32Utils.h"
#include "render/BoxMatte.h"
#include "render/FreeView.h"
#include "widgets/BusyCursor.h"

#include <cstdint>
#include <memory>

class TTemplateItem;

struct TBoxRenderInput {
    TImgView32* Faces[4] = {}; // [1] front, [2] side, [3] top
    TBoxStyle Style = bxTwoSidedBox;
    TBoxOrientation Orientation = boLeft;
    bool DefaultSize = false, Shadow = false;
    int DefaultWidth = 250, DefaultHeight = 300;
};

// The faces' flattened pictures kept from one render to the next, and the
// copies the composition works on. Each page owns one: the pictures belong
// to that page's views and die with them.
class TFaceCache {
public:
    TFaceCache();
    ~TFaceCache();
    TFaceCache(const TFaceCache&) = delete;
    TFaceCache& operator=(const TFaceCache&) = delete;
    // How many faces the renders through this cache have flattened so far
    // (for tests of the kept pictures).
    std::uint64_t FacesFlattened() const;
    struct TData; // opaque outside the render drivers

private:
    std::unique_ptr<TData> FData;
    friend void RenderBox(const TBoxRenderInput&, TLayerSelection&, TImgView32*, TBitmap32&, TFaceCache&);
    friend void RenderBoxOnBlack(const TBoxRenderInput&, TLayerSelection&, TBitmap32&, TFaceCache&, std::int64_t);
    friend class TFreeViewFaces;
};

// The free view's box kept in step with a page's faces: the faces come from
// the same kept pictures as the classic render's, and the box is given a
// face again only when its picture was made again (the box then drops that
// face's levels; the others stay).
class TFreeViewFaces {
public:
    freeview::TFreeViewBox Box;
    // Brings Box up to date with the faces, the style and the size rule of
    // in; true when any of them changed since the last call.
    bool Update(const TBoxRenderInput& in, TLayerSelection& selection, TFaceCache& cache);

private:
    static constexpr std::uint64_t kNone = ~std::uint64_t(0);
    std::uint64_t FMade[3] = {kNone, kNone, kNone}; // front, side, top: the picture each was set from
    bool FStarted = false;
    TBoxStyle FStyle = bxTwoSidedBox;
    bool FDefaultSize = false;
    int FDefaultWidth = 0, FDefaultHeight = 0;
};

// The final render: flattens the faces (selection frames hidden), ComposeBox into result, shows it in resultView
// as one selected image layer (through selection.AddImageLayer), with the busy cursor and the view's updates held;
// everything restored on every path, also when an exception escapes (which it then rethrows).
// Does nothing when the front or side image is empty. The page calls it only on step 4.
// Each face's flattened picture is kept in cache for the next render and made again only
// when the view's content generation (or its paint stages) changed since.
void RenderBox(const TBoxRenderInput& in, TLayerSelection& selection, TImgView32* resultView,
               TBitmap32& result, TFaceCache& cache);
// The same composition on the black ground (render/BoxMatte.h), from the same kept faces; `extra` is the
// memory the caller holds besides, checked with the composition's own. Empty when the front or side is.
void RenderBoxOnBlack(const TBoxRenderInput& in, TLayerSelection& selection, TBitmap32& onBlack,
                      TFaceCache& cache, std::int64_t extra);
// Makes the result view's picture show the background chosen: the drawing on white for Automatic and white
// (the pixels the render left), else the box over the transparency checkerboard or on the colour, from both
// grounds' drawings. Does nothing without a result picture.
void ShowResultOnBackground(TImgView32* resultView, const TBitmap32& onWhite, const TBitmap32* onBlack,
                            const TBoxBackground& background);
// The template preview into view0's bitmap (DrawNoPreview when item is null or its front/side file is missing).
// A preview that fails leaves the placeholder drawn and rethrows.
void RenderTemplatePreview(TImgView32* view0, const TTemplateItem* item, TBoxStyle style);
// Re-centres the result's selection frame on the visible area (the result view's resize handler).
void CentreResultSelection(TImgView32* resultView, TRubberbandLayer* handle);

