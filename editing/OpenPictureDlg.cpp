#include "editing/OpenPictureDlg.h"

#include "codecs/ImageFiles.h"
#include "imaging/Bitmap32.h"
#include "resources/StringTable.h"

#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace {

// The thumbnail fits this square; smaller pictures are not enlarged.
constexpr int kThumbnailSide = 160;

} // namespace

TOpenPictureDialog::TOpenPictureDialog(QWidget* parent) : QFileDialog(parent)
{
    setObjectName(QStringLiteral("dlgOpen"));
    // The native dialog cannot carry the preview pane.
    setOption(QFileDialog::DontUseNativeDialog, true);
    setWindowTitle(LoadStr(StrId::OpenPictureCaption));
    setFileMode(QFileDialog::ExistingFile);
    setAcceptMode(QFileDialog::AcceptOpen);
    setNameFilters({LoadStr(StrId::OpenPictureImagesFilter), LoadStr(StrId::OpenPictureAllFilter)});
    // "PHOTO.JPG" is as much a picture as "photo.jpg".
    setFilter(filter() & ~QDir::CaseSensitive);

    FPreviewPane = new QWidget(this);
    FPreviewPane->setObjectName(QStringLiteral("pnlPreview"));
    auto* column = new QVBoxLayout(FPreviewPane);
    column->setContentsMargins(6, 0, 0, 0);
    FPreviewImage = new QLabel(FPreviewPane);
    FPreviewImage->setObjectName(QStringLiteral("imgPreview"));
    FPreviewImage->setFixedSize(kThumbnailSide, kThumbnailSide);
    FPreviewImage->setAlignment(Qt::AlignCenter);
    FPreviewImage->setFrameShape(QFrame::StyledPanel);
    FPreviewSize = new QLabel(FPreviewPane);
    FPreviewSize->setObjectName(QStringLiteral("lblPreviewSize"));
    FPreviewSize->setAlignment(Qt::AlignHCenter);
    column->addWidget(FPreviewImage);
    column->addWidget(FPreviewSize);
    column->addStretch();

    // The non-native dialog lays itself out on a grid; the pane takes a new
    // column on the right spanning every row.
    if (auto* grid = qobject_cast<QGridLayout*>(layout()))
        grid->addWidget(FPreviewPane, 0, grid->columnCount(), grid->rowCount(), 1);
    else
        FPreviewPane->hide();

    connect(this, &QFileDialog::currentChanged, this, &TOpenPictureDialog::ShowPreview);
}

void TOpenPictureDialog::ShowPreview(const QString& fileName)
{
    FPreviewImage->clear();
    FPreviewSize->clear();
    if (fileName.isEmpty() || !QFileInfo(fileName).isFile()) return;
    TBitmap32 picture;
    // See-through pixels show white, as they would on a face.
    if (!LoadImageFile(fileName, picture, TTransparency::OnWhite) || picture.Width() <= 0 || picture.Height() <= 0)
        return;
    const QImage image = picture.ToImage();
    const QImage thumbnail = image.width() > kThumbnailSide || image.height() > kThumbnailSide
                                 ? image.scaled(kThumbnailSide, kThumbnailSide, Qt::KeepAspectRatio,
                                                Qt::SmoothTransformation)
                                 : image;
    FPreviewImage->setPixmap(QPixmap::fromImage(thumbnail));
    FPreviewSize->setText(LoadStr(StrId::OpenPictureSize).arg(picture.Width()).arg(picture.Height()));
}

QString ExecuteOpenPicture(QWidget* parent, const QString& initialFolder, QString* chosenFolder)
{
    TOpenPictureDialog dialog(parent);
    if (!initialFolder.isEmpty() && QFileInfo(initialFolder).isDir()) dialog.setDirectory(initialFolder);
    if (dialog.exec() != QDialog::Accepted) return QString();
    const QStringList files = dialog.selectedFiles();
    if (files.isEmpty()) return QString();
    const QString file = files.first();
    if (chosenFolder) *chosenFolder = QFileInfo(file).absolutePath() + QLatin1Char('/');
    return file;
}
