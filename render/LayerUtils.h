// The layer helpers of Bitmap32Utils: creating image and text layers centred
// on what the user sees, flattening a view, the transparency checkerboard,
// and finding and rendering the selection frame.
#pragma once

#include "imaging/Image32.h"
#include "imaging/Layers.h"
#include "imaging/RubberbandLayer.h"

// A new image layer on top of the view's layers.
TBitmapLayer* AddBitmapLayer(TCustomImage32* View);
// A new image layer holding a copy of Source, centred on the middle of the
// viewport at one image pixel per layer pixel.
TBitmapLayer* AddBitmapLayerFrom(TCustomImage32* View, const TBitmap32& Source);
// A new text layer (Tag 1): a Width x Height bitmap cleared to Background,
// drawn with the pixel-combine event when CustomCombine, centred as above.
TBitmapTextLayer* AddTextLayer(TCustomImage32* View, int Width, int Height, bool CustomCombine,
                               TColor32 Background);
// Paints the view's bitmap and all its visible layers into Dest at the
// bitmap's own size, over opaque white.
void FlattenView(TCustomImage32* View, TBitmap32& Dest);
// 8 x 8 cells, grey 0xFFB0B0B0 in the top-left cell, white in its neighbours.
void DrawCheckerboard(TBitmap32& Buffer, bool ClearFirst);
// The first selection frame of the view, from index 0 upward, or null.
TRubberbandLayer* FindRubberbandLayer(TCustomImage32* View);
// Makes Dest the layer's picture at the size the layer is shown: an exact
// copy at an unchanged size, otherwise resampled onto opaque white. A frame
// uses its target's picture.
void RenderLayerToSize(TPositionedLayer* Layer, TBitmap32& Dest);
// Makes Dest Picture at the size Layer is shown: an exact copy at the same size, otherwise resampled onto the
// opaque Ground colour. Without a layer, a copy.
void ScalePictureToLayer(TPositionedLayer* Layer, const TBitmap32& Picture, TBitmap32& Dest, TColor32 Ground);
