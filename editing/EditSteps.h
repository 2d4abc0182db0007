// The steps of the page's undo history (TEditHistory): what each edit of a
// face changes, made so that undoing and redoing swap pictures and move
// layers in and out of the face rather than copy them.
//
// Layers are found again by their place among the face's layers, the
// selection frame not counted: the frame moves to the top with each
// selection, so whole indexes would not mean the same later.
#pragma once

#include "editing/EditHistory.h"
#include "imaging/Bitmap32.h"
#include "imaging/Layers.h"

#include <vector>

class TLayerSelection;

// Place of a layer among the layers of its collection that are not frames.
int LayerPlace(const TCustomLayer* layer);

// Layers already added to the face (the step is pushed after adding them);
// undone they leave the face and the step keeps them.
std::unique_ptr<TEditStep> LayersAddedStep(TLayerSelection* selection, int face, std::vector<TBitmapLayer*> layers,
                                           QString text);
// Takes the layer out of the face when pushed; undone it comes back to its place.
std::unique_ptr<TEditStep> LayerRemovedStep(TLayerSelection* selection, int face, TBitmapLayer* layer,
                                            QString text);
// Moves or resizes the layer from before to after. A nudge merges with the
// nudges of the same layer that follow it within a second.
std::unique_ptr<TEditStep> LayerBoundsStep(TLayerSelection* selection, int face, TPositionedLayer* layer,
                                           const TRealRect& before, const TRealRect& after, QString text,
                                           bool nudge);
// Moves the layer to another place in the stack.
std::unique_ptr<TEditStep> LayerPlaceStep(TLayerSelection* selection, int face, TCustomLayer* layer, int place,
                                          QString text);
// Gives the layer another picture (its pixels are taken, with its draw
// settings) and bounds, and a text layer other parameters (params may be
// null for an image layer).
std::unique_ptr<TEditStep> LayerPictureStep(TLayerSelection* selection, int face, TBitmapLayer* layer,
                                            TBitmap32& picture, const TRealRect& bounds,
                                            const TTextLayerParams* params, QString text);
// Gives the face another picture (its pixels are taken). With layers the
// face's layers go too (a reset, a new blank image), and come back on undo.
std::unique_ptr<TEditStep> FacePictureStep(TLayerSelection* selection, int face, TBitmap32& picture,
                                           bool withLayers, QString text);
