// Between a project's plain pictures and the bitmaps the faces are drawn
// with. The wizard and cubiform-render both go through here, so a face drawn
// from a project has the same pixels in either.
#pragma once

#include "editing/ProjectFile.h"
#include "imaging/Bitmap32.h"

// A layer's picture as the face draws it: text layers and see-through
// pictures blend, a picture without any see-through pixel is drawn opaque;
// stretched linearly, master alpha 255.
void ProjectLayerBitmap(const TProjectLayer& layer, TBitmap32& bitmap);
// A face's picture as the face view holds it: opaque, stretched linearly.
void ProjectBaseBitmap(const TProjectFace& face, TBitmap32& bitmap);
// What a project keeps of a bitmap: its pixels with straight alpha, or with
// alpha made 255 when the bitmap is drawn opaque (its alpha byte is then
// not part of what is seen).
void ProjectPictureOf(const TBitmap32& bitmap, TPixelBuffer& picture);

// The face as the result composes it: the picture with its visible layers
// drawn on it bottom to top, each stretched to its bounds rounded to whole
// pixels. Empty when the face has no picture (its layers then show nowhere).
void FlattenProjectFace(const TProjectFace& face, TBitmap32& flat);

// The size front and side are stretched to when the default size is on: the
// project's own, or 250 x 300 when it gives none.
void ProjectDefaultSize(const TProjectDocument& doc, int& width, int& height);
