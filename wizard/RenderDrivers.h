// The drivers that turn the page's face views into the final box picture and
// the template preview.
#pragma once

#include "editing/LayerSelection.h"
#include "imaging/Bitmap32.h"
#include "imaging/ImgView32.h"
#include "imaging/RubberbandLayer.h"
#include "render/Bitmap32Utils.h"
#include "widgets/BusyCursor.h"

class TTemplateItem;

struct TBoxRenderInput {
    TImgView32* Faces[4] = {}; // [1] front, [2] side, [3] top
    TBoxStyle Style = bxTwoSidedBox;
    TBoxOrientation Orientation = boLeft;
    bool DefaultSize = false, Shadow = false;
    int DefaultWidth = 250, DefaultHeight = 300;
};

// The final render: flattens the faces (selection frames hidden), ComposeBox into result, shows it in resultView
// as one selected image layer (through selection.AddImageLayer), with the busy cursor and the view's updates held;
// everything restored on every path, also when an exception escapes (which it then rethrows).
// Does nothing when the front or side image is empty. The page calls it only on step 4.
// Each face's flattened picture is kept for the next render and made again only
// when the view's content generation (or its paint stages) changed since.
void RenderBox(const TBoxRenderInput& in, TLayerSelection& selection, TImgView32* resultView,
               TBitmap32& result);
// How many faces RenderBox has flattened so far (for tests of the kept pictures).
std::uint64_t RenderBoxFacesFlattened();
// The template preview into view0's bitmap (DrawNoPreview when item is null or its front/side file is missing).
void RenderTemplatePreview(TImgView32* view0, const TTemplateItem* item, TBoxStyle style);
// Re-centres the result's selection frame on the visible area (the result view's resize handler).
void CentreResultSelection(TImgView32* resultView, TRubberbandLayer* handle);

