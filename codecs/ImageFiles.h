// Image files in and out: the kind of a file from its name, loading a file
// into an image, and saving an image as JPEG, GIF, BMP or PNG.
//
// Loading never raises and leaves the target untouched on failure. Saving
// writes a temporary file beside the target and renames it over the target
// only once complete, so a failed save leaves any earlier file as it was.
#pragma once

#include "codecs/GifWriter.h"
#include "codecs/PixelBuffer.h"
#include "imaging/Bitmap32.h"

#include <QString>

#include <stdexcept>

// Decided by the extension alone (the text from the last dot of the name),
// ignoring letter case.
// ikPng comes after ikUnknown so that the older values keep their meaning.
enum TImageFileKind { ikBmp = 0, ikJpg = 1, ikJpeg = 2, ikGif = 3, ikUnknown = 4, ikPng = 5 };
TImageFileKind FileKindOf(const QString& fileName);

// Why a load failed.
enum class TLoadResult {
    Loaded,
    UnknownKind,    // the name has none of the image extensions
    NoSuchFile,     // nothing of that name
    IsFolder,
    NotRegularFile, // a FIFO, device or socket: never opened
    CannotRead,     // permission denied or a read error
    NotAnImage,     // damaged, truncated, too large or unsupported for its kind
    TooLarge,       // would need more memory than the limit (platform/MemoryBudget.h)
};
// What becomes of the see-through pixels of a PNG or GIF. A BMP is always
// read as it is: the fourth byte of many 32-bit bitmaps is not meant as alpha.
enum class TTransparency {
    // A PNG keeps its alpha; a GIF ends opaque, as ReadImageFile describes.
    AsDecoded,
    // For layers: a GIF's transparent and undrawn pixels get alpha 0 as well,
    // and a picture with any pixel not fully opaque gets DrawMode dmBlend, so
    // that it blends where it is drawn.
    Blended,
    // For faces: every pixel composited over opaque white (as a blended
    // draw onto white gives it); the picture ends opaque.
    OnWhite,
};

// Reads the file (decoder chosen by extension) into a temporary and only
// then replaces the target's size and pixels; the target's other properties
// stay, but for the draw mode TTransparency::Blended may set. As decoded, a
// BMP of 32 bits per pixel and a PNG keep their alpha; every other picture
// is opaque. A GIF gives its first image on its logical screen; pixels it
// does not draw, transparent ones included, keep the target's colour when
// the target already has the screen's size, else black.
// A file that does not start as its kind must, or is larger than any
// picture within the decoders' limits needs, is refused before it is read.
// The file is read as a stream, no further than its picture. A picture
// whose header asks for more memory than the limit is refused before its
// pixels are allocated (TooLarge); `why` (when given) then receives a
// message naming the file, its size and the memory it would need.
TLoadResult ReadImageFile(const QString& fileName, TBitmap32& target, QString* why = nullptr);
// The same for a name held as the system's bytes (a command-line argument),
// which opens files whose names are not valid in the local encoding.
TLoadResult ReadImageFile(const QByteArray& localFileName, TBitmap32& target, QString* why = nullptr);
bool LoadImageFile(const QString& fileName, TBitmap32& target, QString* why = nullptr);
// The same with a PNG's or GIF's see-through pixels treated as asked.
TLoadResult ReadImageFile(const QByteArray& localFileName, TBitmap32& target, TTransparency transparency,
                          QString* why = nullptr);
bool LoadImageFile(const QString& fileName, TBitmap32& target, TTransparency transparency, QString* why = nullptr);
// The same with the caller's say on the header once it is within the memory
// limit, before any pixel memory is taken: a batch reserves what the load
// needs (ImageLoadNeed) from the budget its jobs share. A refusal ends the
// load as TooLarge; the caller gives the reason.
TLoadResult ReadImageFile(const QByteArray& localFileName, TBitmap32& target, TTransparency transparency,
                          const TAdmitHeader& admit, QString* why = nullptr);
// The memory loading a picture with that header takes: the decoder's pixels
// and working memory, and the target's copy of the pixels.
std::int64_t ImageLoadNeed(const TImageHeader& header);

// The name with its extension (from the last dot of the file name) replaced,
// or the extension added when there is none.
QString ChangeFileExt(const QString& fileName, const QString& extension);

// Saved under the name with its extension replaced by ".jpg" / ".gif";
// false on any failure, nothing raised, and `why` (when given) receives the
// system's reason. An empty image writes nothing.
bool SaveAsJpeg(const QString& fileName, const TBitmap32& image, QString* why = nullptr);
bool SaveAsGif(const QString& fileName, const TBitmap32& image, QString* why = nullptr);
// The same under ".png": 8-bit RGBA with the image's alpha as it is.
bool SaveAsPng(const QString& fileName, const TBitmap32& image, QString* why = nullptr);

// The progress caption of a GIF writing stage ("Converting...", "Saving...").
// The program shows no progress for GIF saves.
QString GifStageCaption(TGifStage stage);

// Raised by SaveAsBitmap; the text names the file and the reason, which
// Reason() gives alone.
class EImageFileError : public std::runtime_error {
public:
    EImageFileError(const QString& message, const QString& reason)
        : std::runtime_error(message.toStdString()), FReason(reason)
    {
    }
    const QString& Reason() const { return FReason; }

private:
    QString FReason;
};
// Uncompressed 32-bit bitmap under the name with its extension replaced by
// ".bmp", every pixel's fourth byte 255 (the image's alpha is not saved);
// raises EImageFileError on failure, an empty image included.
void SaveAsBitmap(const QString& fileName, const TBitmap32& image);
