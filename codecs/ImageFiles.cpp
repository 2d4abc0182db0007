#include "codecs/ImageFiles.h"

#include "codecs/BmpReader.h"
#include "codecs/BmpWriter.h"
#include "codecs/GifReader.h"
#include "codecs/GifWriter.h"
#include "codecs/JpegReader.h"
#include "codecs/JpegWriter.h"
#include "resources/StringTable.h"

#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QSaveFile>

namespace {

TByteSpan SpanOf(const QByteArray& bytes)
{
    return {reinterpret_cast<const std::uint8_t*>(bytes.constData()), std::size_t(bytes.size())};
}

TPixelView ViewOfBitmap(const TBitmap32& image)
{
    if (image.IsEmpty()) return {};
    return {image.Bits(), image.Width(), image.Height()};
}

// The decoded pixels become the target's, with the target's own properties
// kept. The copy is made aside first, so running out of memory leaves the
// target as it was.
void AssignPixels(TBitmap32& target, const TPixelBuffer& pixels)
{
    const QImage view(reinterpret_cast<const uchar*>(pixels.Pixels.data()), pixels.Width, pixels.Height,
                      qsizetype(pixels.Width) * 4, QImage::Format_ARGB32);
    TBitmap32 decoded;
    decoded.CopyFrom(view);
    target.SwapPixels(decoded);
}

// Writes the bytes to a temporary file beside the target and renames it over
// the target once everything is on disk. On failure the temporary is removed.
bool WriteFileSafely(const QString& fileName, TByteSpan bytes, QString* why = nullptr)
{
    QSaveFile file(fileName);
    file.setDirectWriteFallback(false);
    bool ok = file.open(QIODevice::WriteOnly);
    if (ok) {
        const char* data = reinterpret_cast<const char*>(bytes.data());
        qint64 left = qint64(bytes.size());
        while (ok && left > 0) {
            const qint64 n = file.write(data, left);
            ok = n > 0;
            data += n;
            left -= n;
        }
        if (ok) {
            ok = file.commit();
        } else {
            file.cancelWriting();
        }
    }
    if (!ok && why) *why = file.errorString();
    return ok;
}

} // namespace

TImageFileKind FileKindOf(const QString& fileName)
{
    const QString name = QFileInfo(fileName).fileName();
    const qsizetype dot = name.lastIndexOf(u'.');
    if (dot < 0) return ikUnknown;
    const QString ext = name.mid(dot);
    static constexpr const char* kExtensions[] = {".bmp", ".jpg", ".jpeg", ".gif"};
    for (int kind = 0; kind < 4; ++kind) {
        if (ext.compare(QLatin1String(kExtensions[kind]), Qt::CaseInsensitive) == 0)
            return TImageFileKind(kind);
    }
    return ikUnknown;
}

TLoadResult ReadImageFile(const QString& fileName, TBitmap32& target)
{
    const TImageFileKind kind = FileKindOf(fileName);
    if (kind == ikUnknown) return TLoadResult::UnknownKind;
    try {
        QFile file(fileName);
        if (!QFileInfo(fileName).isFile() || !file.open(QIODevice::ReadOnly)) return TLoadResult::CannotRead;
        const QByteArray bytes = file.readAll();
        if (file.error() != QFileDevice::NoError) return TLoadResult::CannotRead;

        TPixelBuffer pixels;
        bool decoded = false;
        switch (kind) {
        case ikBmp: decoded = DecodeBmp(SpanOf(bytes), pixels); break;
        case ikJpg:
        case ikJpeg: decoded = DecodeJpeg(SpanOf(bytes), pixels); break;
        case ikGif: decoded = DecodeGif(SpanOf(bytes), ViewOfBitmap(target), pixels); break;
        case ikUnknown: break;
        }
        if (!decoded) return TLoadResult::NotAnImage;
        AssignPixels(target, pixels);
        return TLoadResult::Loaded;
    } catch (...) {
        // Only running out of memory gets here.
        return TLoadResult::NotAnImage;
    }
}

bool LoadImageFile(const QString& fileName, TBitmap32& target)
{
    return ReadImageFile(fileName, target) == TLoadResult::Loaded;
}

QString ChangeFileExt(const QString& fileName, const QString& extension)
{
    const qsizetype slash = fileName.lastIndexOf(u'/');
    const qsizetype dot = fileName.lastIndexOf(u'.');
    if (dot > slash) return fileName.left(dot) + extension;
    return fileName + extension;
}

bool SaveAsJpeg(const QString& fileName, const TBitmap32& image)
{
    try {
        TByteVector bytes;
        return EncodeJpeg(ViewOfBitmap(image), bytes) &&
               WriteFileSafely(ChangeFileExt(fileName, QStringLiteral(".jpg")), bytes);
    } catch (...) {
        return false;
    }
}

QString GifStageCaption(TGifStage stage)
{
    return LoadStr(stage == TGifStage::Converting ? StrId::ProgressConverting : StrId::ProgressSaving);
}

bool SaveAsGif(const QString& fileName, const TBitmap32& image)
{
    try {
        if (image.IsEmpty()) return false;
        const TByteVector bytes = WriteGif(ViewOfBitmap(image));
        return WriteFileSafely(ChangeFileExt(fileName, QStringLiteral(".gif")), bytes);
    } catch (...) {
        return false;
    }
}

void SaveAsBitmap(const QString& fileName, const TBitmap32& image)
{
    const QString target = ChangeFileExt(fileName, QStringLiteral(".bmp"));
    auto fail = [&](const QString& why) {
        throw EImageFileError(LoadStr(StrId::CannotWriteImageFile).arg(target, why).toStdString());
    };
    if (image.IsEmpty()) fail(LoadStr(StrId::ImageIsEmpty));
    TByteVector bytes;
    try {
        bytes = EncodeBmp32(ViewOfBitmap(image));
    } catch (const std::exception& e) {
        fail(QString::fromLocal8Bit(e.what()));
    }
    QString why;
    if (!WriteFileSafely(target, bytes, &why)) fail(why);
}
