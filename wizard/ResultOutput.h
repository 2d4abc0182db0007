// Saving and copying the finished box picture.
#pragma once

#include "imaging/Bitmap32.h"
#include "imaging/ImgView32.h"
#include "render/BoxMatte.h"

#include <QString>

#include <functional>

class QWidget;

// What a save or copy of the result is made from: the render on white and, for a transparent or coloured
// background, the same render on black, both at the size they were rendered; the view's frame gives the size
// written. Without OnWhite the picture the view shows is taken (it is the render on white unless the page
// shows another background).
struct TResultDrawings {
    const TBitmap32* OnWhite = nullptr;
    std::function<const TBitmap32*()> OnBlack; // drawn when first needed; may return null when it cannot be
    TBoxBackground Background;                 // the page's choice, resolved for each format
};

// The save command's dialog and writers. Keeps the chosen file type and the folder of the last save for the next
// save in the run.
class TResultSaver {
public:
    // The dialog opens in initialFolder, or in fallbackFolder while that folder does not exist.
    explicit TResultSaver(QString initialFolder, QString fallbackFolder = QString());
    // The folder last used (to be kept across runs), as given until the dialog was accepted once.
    QString InitialFolder() const;
    // Runs the save dialog, brings result to the size shown by resultView's selection frame (RenderLayerToSize),
    // writes JPEG/GIF/BMP/PNG by the chosen type with the extension forced, on the background `drawings` gives
    // resolved for that type (PNG keeps alpha). The written picture is left in result. When the file that will be written
    // exists, the user is asked whether to replace it; No goes back to the dialog. Returns true when a file was written
    // (the page then clears Modified). Cancel returns false silently; a failed write shows a warning
    // (JPEG/GIF: naming the file and reason; BMP: an error box with the error's text) and returns false;
    // an empty result writes nothing, warns and returns false.
    bool Execute(QWidget* parent, TImgView32* resultView, TBitmap32& result, const TResultDrawings& drawings = {});

    // The file types of the dialog, in filter order.
    enum TFileType { ftJpeg = 0, ftGif = 1, ftBitmap = 2, ftPng = 3 };
    TFileType FileType() const { return FFileType; }
    // The file name with the type's extension forced ("shot.png" -> "shot.jpg").
    static QString ForceExtension(const QString& fileName, TFileType type);
    // Writes image as the given type; on failure returns false with the reason in *error.
    static bool WriteImage(const TBitmap32& image, const QString& fileName, TFileType type,
                           QString* error);

private:
    QString FInitialFolder;
    QString FFallbackFolder;
    TFileType FFileType = ftJpeg;
};

// Asks before target is replaced (a save dialog's own question is off: it
// would ask about the name as typed, before the extension is forced).
bool ReplaceAllowed(QWidget* parent, const QString& target);

// Copy Image: puts image on the clipboard (nothing when empty). For step 4 the caller passes the result after
// ResultForOutput.
void CopyImageToClipboard(const TBitmap32& image);
// Copy Image of the result: the opaque picture as the bitmap other programs paste, and the picture with its
// alpha as "image/png" beside it (nothing when opaque is empty).
void CopyResultToClipboard(const TBitmap32& opaque, const TBitmap32& withAlpha);
// The picture a save or copy writes: the drawings brought to the size of resultView's frame (as
// ResultForOutput does) on the background resolved for a format that keeps alpha or not. Raises when the
// drawing on black is needed but cannot be made.
void OutputPicture(TImgView32* resultView, const TResultDrawings& drawings, bool keepsAlpha, TBitmap32& out);
// The result as sized by the user with the handles (RenderLayerToSize with the first frame of resultView).
void ResultForOutput(TImgView32* resultView, TBitmap32& result);
