// Saving and copying the finished box picture.
#pragma once

#include "imaging/Bitmap32.h"
#include "imaging/ImgView32.h"

#include <QString>

class QWidget;

// The save command's dialog and writers. Keeps the chosen file type and the folder of the last save for the next
// save in the run.
class TResultSaver {
public:
    // The dialog opens in initialFolder, or in fallbackFolder while that folder does not exist.
    explicit TResultSaver(QString initialFolder, QString fallbackFolder = QString());
    // The folder last used (to be kept across runs), as given until the dialog was accepted once.
    QString InitialFolder() const;
    // Runs the save dialog, brings result to the size shown by resultView's selection frame (RenderLayerToSize),
    // writes JPEG/GIF/BMP by the chosen type with the extension forced. When the file that will be written
    // exists, the user is asked whether to replace it; No goes back to the dialog. Returns true when a file was written
    // (the page then clears Modified). Cancel returns false silently; a failed write shows a warning
    // (JPEG/GIF: naming the file and reason; BMP: an error box with the error's text) and returns false;
    // an empty result writes nothing, warns and returns false.
    bool Execute(QWidget* parent, TImgView32* resultView, TBitmap32& result);

    // The file types of the dialog, in filter order.
    enum TFileType { ftJpeg = 0, ftGif = 1, ftBitmap = 2 };
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

// Copy Image: puts image on the clipboard (nothing when empty). For step 4 the caller passes the result after
// ResultForOutput.
void CopyImageToClipboard(const TBitmap32& image);
// The result as sized by the user with the handles (RenderLayerToSize with the first frame of resultView).
void ResultForOutput(TImgView32* resultView, TBitmap32& result);
