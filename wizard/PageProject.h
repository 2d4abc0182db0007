// The wizard page's faces and their layers as a project keeps them, and back.
#pragma once

#include "editing/ProjectFile.h"
#include "imaging/Bitmap32.h"
#include "imaging/Layers.h"

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

class TImgView32;
class TLayerSelection;

// Front, side and top face views.
using TFaceViews = std::array<TImgView32*, 3>;

// The views' pictures and layers, bottom to top, into doc.Faces; selection
// frames are left out. A face is kept opaque, as it is drawn.
void FacesToProject(const TFaceViews& views, TProjectDocument& doc);

// A project's faces made ready to go into the views: every picture and layer
// is made here, so that putting them in cannot fail halfway (this may throw
// std::bad_alloc and then leaves the views as they were).
struct TProjectFacesReady {
    std::array<TBitmap32, 3> Bases;
    std::array<std::vector<std::unique_ptr<TPositionedLayer>>, 3> Layers;
};
void PrepareProjectFaces(TProjectDocument& doc, TProjectFacesReady& ready);
// Replaces the views' pictures and layers by the ready ones (nothing selected).
void PutProjectFaces(TProjectFacesReady& ready, TLayerSelection& selection, const TFaceViews& views,
                     const std::array<int, 3>& steps);

// A digest of everything a project keeps: the same document gives the same
// number, any change in a setting, a bound or a pixel another (but for chance).
std::uint64_t ProjectDigest(const TProjectDocument& doc);
