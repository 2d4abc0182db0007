// cubiform-render --project: a render whose faces, layers and settings come
// from a project file the wizard saved.
#pragma once

#include "RenderOptions.h"

#include "editing/ProjectFile.h"
#include "imaging/Bitmap32.h"

// Gives the options the project's settings where the command line gave none
// (options.Given): style, orientation, shadow, default size and the free
// view's camera.
void ApplyProjectSettings(const TProjectDocument& doc, TRenderOptions& options);

// Reads options.Project, applies its settings and flattens its faces into F,
// S and T as the wizard draws them. False, with the reason in `error`, when
// the file does not open or lacks a face the style needs.
bool LoadProjectJob(TRenderOptions& options, TBitmap32& F, TBitmap32& S, TBitmap32& T, QString& error);
