// Image files in and out: the kind of a file from its name, loading a file
// into an image, and saving an image as JPEG, GIF or BMP.
//
// Loading never raises and leaves the target untouched on failure. Saving
// writes a temporary file beside the target and renames it over the target
// only once complete, so a failed save leaves any earlier file as it was.
#pragma once

#include "codecs/GifWriter.h"
#include "imaging/Bitmap32.h"

#include <QString>

#include <stdexcept>

// Decided by the extension alone (the text from the last dot of the name),
// ignoring letter case.
enum TImageFileKind { ikBmp = 0, ikJpg = 1, ikJpeg = 2, ikGif = 3, ikUnknown = 4 };
TImageFileKind FileKindOf(const QString& fileName);

// Why a load failed.
enum class TLoadResult {
    Loaded,
    UnknownKind, // the name has none of the image extensions
    CannotRead,  // missing, a folder, or unreadable
    NotAnImage,  // damaged, truncated, too large or unsupported for its kind
};
// Reads the file (decoder chosen by extension) into a temporary and only
// then replaces the target's size and pixels. A BMP of 32 bits per pixel
// keeps its alpha; every other picture is opaque. A GIF gives its first
// image on its logical screen; pixels it does not draw keep the target's
// colour when the target already has the screen's size, else black.
TLoadResult ReadImageFile(const QString& fileName, TBitmap32& target);
bool LoadImageFile(const QString& fileName, TBitmap32& target);

// The name with its extension (from the last dot of the file name) replaced,
// or the extension added when there is none.
QString ChangeFileExt(const QString& fileName, const QString& extension);

// Saved under the name with its extension replaced by ".jpg" / ".gif";
// false on any failure, nothing raised. An empty image writes nothing.
bool SaveAsJpeg(const QString& fileName, const TBitmap32& image);
bool SaveAsGif(const QString& fileName, const TBitmap32& image);

// The progress caption of a GIF writing stage ("Converting...", "Saving...").
// The program shows no progress for GIF saves.
QString GifStageCaption(TGifStage stage);

// Raised by SaveAsBitmap; the text names the file and the reason.
class EImageFileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};
// Uncompressed 32-bit bitmap under the name with its extension replaced by
// ".bmp"; raises EImageFileError on failure, an empty image included.
void SaveAsBitmap(const QString& fileName, const TBitmap32& image);
