// The work of cubiform-render once its options are read: load the faces,
// compose the box as the wizard does, save the result.
#pragma once

#include "RenderOptions.h"

#include "codecs/ImageFiles.h"

#include <QString>

#include <cstdio>

// Exit status: 0 done, 1 failure (the message names the file and the reason).
// Without faces the bundled samples beside the program are rendered.
int RunRender(const TRenderOptions& options, std::FILE* out, std::FILE* err);

// The steps of a render, for a batch that reads its faces through a cache.

// The face files a render reads: those given, or the bundled samples; Top is
// empty unless the style has a lid.
struct TFaceFiles {
    TFileArgument Front, Side, Top;
};
TFaceFiles FaceFilesOf(const TRenderOptions& options);
// What the render reports for a face that did not load; `why` is what
// ReadImageFile gave.
QString FaceLoadMessage(const TFileArgument& file, TLoadResult result, const QString& why);
// The file a render writes: the output under its format's extension.
QString WrittenFileName(const TFileArgument& output);
// Composes the box from faces as read (the render's own copies, which it
// changes) and saves it. Returns the written file's name, or an empty one
// with the reason in `error`.
QString RenderFaces(const TRenderOptions& options, TBitmap32& F, TBitmap32& S, TBitmap32& T, QString& error);
// The memory a render of these faces takes at most, its copies of the faces
// included, and the picture it makes for messages ("a picture of W x H pixels").
struct TRenderNeed {
    std::int64_t Bytes = 0;
    QString What;
};
TRenderNeed RenderMemoryNeed(const TRenderOptions& options, const TBitmap32& F, const TBitmap32& S,
                             const TBitmap32& T);
