#include "wizard/ResultOutput.h"

#include "codecs/ImageFiles.h"
#include "codecs/PngWriter.h"
#include "render/LayerUtils.h"
#include "resources/StringTable.h"
#include "widgets/ErrorBox.h"
#include "wizard/DialogFolders.h"

#include <QClipboard>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QMessageBox>
#include <QMimeData>
#include <QSaveFile>
#include <QStringList>

namespace {

const char* ExtensionOf(TResultSaver::TFileType type)
{
    switch (type) {
    case TResultSaver::ftGif: return ".gif";
    case TResultSaver::ftBitmap: return ".bmp";
    case TResultSaver::ftPng: return ".png";
    case TResultSaver::ftJpeg: break;
    }
    return ".jpg";
}

QStringList SaveFilters()
{
    return {LoadStr(StrId::SaveFilterJpeg), LoadStr(StrId::SaveFilterGif), LoadStr(StrId::SaveFilterBitmap),
            LoadStr(StrId::SaveFilterPng)};
}

// When a writer gives no reason, the usual causes (no folder, no permission)
// show up when the file is opened for writing.
QString WriteFailureReason(const QString& target)
{
    QSaveFile probe(target);
    probe.setDirectWriteFallback(false);
    if (!probe.open(QIODevice::WriteOnly)) return probe.errorString();
    probe.cancelWriting();
    return LoadStr(StrId::SaveResultUnknownReason);
}

// The frame of the result view has a picture to save.
bool ResultViewHasPicture(TImgView32* resultView)
{
    if (!resultView) return false;
    TRubberbandLayer* frame = FindRubberbandLayer(resultView);
    auto* picture = frame ? dynamic_cast<TBitmapLayer*>(frame->Target()) : nullptr;
    return picture && !picture->Bitmap().IsEmpty();
}

} // namespace

bool ReplaceAllowed(QWidget* parent, const QString& target)
{
    const QFileInfo info(target);
    // A folder in the way is not replaced: the write fails and says so.
    if (!info.exists() || info.isDir()) return true;
    return QMessageBox::warning(parent, LoadStr(StrId::WizAppTitle), LoadStr(StrId::SaveResultReplace).arg(info.fileName()),
                                QMessageBox::Yes | QMessageBox::No, QMessageBox::No) == QMessageBox::Yes;
}

TResultSaver::TResultSaver(QString initialFolder, QString fallbackFolder)
    : FInitialFolder(std::move(initialFolder)), FFallbackFolder(std::move(fallbackFolder))
{
}

QString TResultSaver::InitialFolder() const { return FInitialFolder; }

QString TResultSaver::ForceExtension(const QString& fileName, TFileType type)
{
    return ChangeFileExt(fileName, QLatin1String(ExtensionOf(type)));
}

bool TResultSaver::WriteImage(const TBitmap32& image, const QString& fileName, TFileType type, QString* error)
{
    const QString target = ForceExtension(fileName, type);
    if (type == ftBitmap) {
        // The bitmap writer raises with a text that names the file and the reason.
        try {
            SaveAsBitmap(target, image);
            return true;
        } catch (const std::exception& e) {
            if (error) *error = ErrorBoxText(e);
            return false;
        }
    }
    QString reason;
    bool ok = false;
    if (image.IsEmpty()) {
        reason = LoadStr(StrId::ImageIsEmpty);
    } else {
        ok = type == ftGif   ? SaveAsGif(target, image, &reason)
             : type == ftPng ? SaveAsPng(target, image, &reason)
                             : SaveAsJpeg(target, image, &reason);
        if (!ok && reason.isEmpty()) reason = WriteFailureReason(target);
    }
    if (!ok && error) *error = LoadStr(StrId::SaveResultFailed).arg(QDir::toNativeSeparators(target), reason);
    return ok;
}

bool TResultSaver::Execute(QWidget* parent, TImgView32* resultView, TBitmap32& result,
                           const TResultDrawings& drawings)
{
    const QString title = LoadStr(StrId::WizAppTitle);
    // Before the result step was ever rendered there is nothing to write.
    if (result.IsEmpty() && !ResultViewHasPicture(resultView)) {
        QMessageBox::warning(parent, title, LoadStr(StrId::SaveResultEmpty));
        return false;
    }

    QFileDialog dialog(parent, LoadStr(StrId::SaveResultCaption), ExistingFolderOr(FInitialFolder, FFallbackFolder));
    dialog.setObjectName(QStringLiteral("dlgSave"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    const QStringList filters = SaveFilters();
    dialog.setNameFilters(filters);
    dialog.selectNameFilter(filters.at(int(FFileType)));
    QString fileName;
    for (;;) {
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return false;
        const qsizetype chosen = filters.indexOf(dialog.selectedNameFilter());
        if (chosen >= 0) FFileType = TFileType(chosen);
        fileName = ForceExtension(dialog.selectedFiles().constFirst(), FFileType);
        // A folder that does not exist (a typing error) is not remembered.
        if (const QString folder = FolderOfFile(fileName); QFileInfo(folder).isDir()) FInitialFolder = folder;
        if (ReplaceAllowed(parent, fileName)) break;
        // Back to the dialog, in the folder of the file refused, with its name to change.
        const QFileInfo refused(fileName);
        dialog.setDirectory(refused.absolutePath());
        dialog.selectFile(refused.fileName());
    }

    QString error;
    try {
        OutputPicture(resultView, drawings, FFileType == ftPng, result);
    } catch (const std::exception& e) {
        ShowErrorMessage(parent, ErrorBoxText(e));
        return false;
    }
    if (WriteImage(result, fileName, FFileType, &error)) return true;
    if (FFileType == ftBitmap)
        ShowErrorMessage(parent, error);
    else
        QMessageBox::warning(parent, title, error);
    return false;
}

void CopyImageToClipboard(const TBitmap32& image)
{
    if (image.IsEmpty()) return;
    // Other programs take a pasted bitmap as opaque; the result's cleared
    // border alpha must not turn into a transparent edge there.
    const QImage picture = image.ToImage().convertToFormat(QImage::Format_RGB32);
    QGuiApplication::clipboard()->setImage(picture);
}

void CopyResultToClipboard(const TBitmap32& opaque, const TBitmap32& withAlpha)
{
    if (opaque.IsEmpty()) return;
    auto data = std::make_unique<QMimeData>();
    data->setImageData(opaque.ToImage().convertToFormat(QImage::Format_RGB32));
    std::vector<std::uint8_t> png;
    if (!withAlpha.IsEmpty() && EncodePng(TPixelView{withAlpha.Bits(), withAlpha.Width(), withAlpha.Height()}, png))
        data->setData(QStringLiteral("image/png"), QByteArray(reinterpret_cast<const char*>(png.data()), qsizetype(png.size())));
    QGuiApplication::clipboard()->setMimeData(data.release());
}

void ResultForOutput(TImgView32* resultView, TBitmap32& result)
{
    if (!resultView) return;
    if (TRubberbandLayer* frame = FindRubberbandLayer(resultView)) RenderLayerToSize(frame, result);
}

void OutputPicture(TImgView32* resultView, const TResultDrawings& drawings, bool keepsAlpha, TBitmap32& out)
{
    const TBoxBackground background = ResolveBoxBackground(drawings.Background, keepsAlpha);
    TRubberbandLayer* frame = resultView ? FindRubberbandLayer(resultView) : nullptr;
    TBitmap32 onWhite;
    if (drawings.OnWhite)
        ScalePictureToLayer(frame, *drawings.OnWhite, onWhite, clWhite32);
    else
        ResultForOutput(resultView, onWhite);
    TBitmap32 onBlack;
    if (NeedsBlackGround(background)) {
        const TBitmap32* black = drawings.OnBlack ? drawings.OnBlack() : nullptr;
        const TBitmap32* white = drawings.OnWhite;
        if (!black || (white && (black->Width() != white->Width() || black->Height() != white->Height())))
            throw std::runtime_error(LoadStrRaw(StrId::SaveResultEmpty));
        ScalePictureToLayer(frame, *black, onBlack, clBlack32);
    }
    BoxOnBackground(onWhite, &onBlack, background, keepsAlpha, out);
    out.StretchFilter = sfLinear;
}
