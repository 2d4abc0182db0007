// The open dialog for picture files: a Qt file dialog (never the native one,
// which cannot show a preview) with a pane at the side that shows a scaled
// thumbnail and the pixel size of the selected BMP, JPEG or GIF file.
//
// Used by the face and layer commands and by the Templates dialog, so every
// picture chosen in the program goes through the same filters and preview.
#pragma once

#include <QFileDialog>
#include <QString>

class QLabel;
class QWidget;

class TOpenPictureDialog : public QFileDialog {
    Q_OBJECT
public:
    explicit TOpenPictureDialog(QWidget* parent = nullptr);

    // The preview pane, the thumbnail label and the size label (object names
    // "pnlPreview", "imgPreview", "lblPreviewSize"); tests read them.
    QWidget* PreviewPane() const { return FPreviewPane; }
    QLabel* PreviewImage() const { return FPreviewImage; }
    QLabel* PreviewSize() const { return FPreviewSize; }

    // Shows the given file in the preview pane, or clears the pane when the
    // name is empty, a folder, or a file that does not load as a picture.
    void ShowPreview(const QString& fileName);

private:
    QWidget* FPreviewPane = nullptr;
    QLabel* FPreviewImage = nullptr;
    QLabel* FPreviewSize = nullptr;
};

// Runs the dialog modally, starting in initialFolder (when it exists). Gives
// the chosen file, or an empty string when the user cancels. On success the
// folder of the chosen file, with a trailing "/", is stored in *chosenFolder
// when given (left alone on cancel).
QString ExecuteOpenPicture(QWidget* parent, const QString& initialFolder,
                           QString* chosenFolder = nullptr);
