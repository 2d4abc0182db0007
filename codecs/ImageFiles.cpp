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

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace {

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

// The bytes every file of the kind starts with.
bool HasSignature(TImageFileKind kind, TByteSpan head)
{
    auto startsWith = [&](std::initializer_list<std::uint8_t> bytes) {
        return head.size() >= bytes.size() && std::equal(bytes.begin(), bytes.end(), head.begin());
    };
    switch (kind) {
    case ikBmp: return startsWith({'B', 'M'});
    case ikJpg:
    case ikJpeg: return startsWith({0xFF, 0xD8});
    case ikGif: return startsWith({'G', 'I', 'F'});
    case ikUnknown: break;
    }
    return false;
}

class TFileHandle {
public:
    explicit TFileHandle(int fd) : FFd(fd) {}
    ~TFileHandle()
    {
        if (FFd >= 0) ::close(FFd);
    }
    TFileHandle(const TFileHandle&) = delete;
    TFileHandle& operator=(const TFileHandle&) = delete;
    int Fd() const { return FFd; }

private:
    int FFd;
};

// False on a read error or when the file ends first.
bool ReadExactly(int fd, std::uint8_t* data, std::size_t size)
{
    while (size > 0) {
        const ssize_t n = ::read(fd, data, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        data += n;
        size -= std::size_t(n);
    }
    return true;
}

TLoadResult KindOfEntry(const struct stat& info)
{
    if (S_ISDIR(info.st_mode)) return TLoadResult::IsFolder;
    if (!S_ISREG(info.st_mode)) return TLoadResult::NotRegularFile;
    return TLoadResult::Loaded;
}

TLoadResult DecodeFile(int fd, std::size_t size, TImageFileKind kind, TBitmap32& target)
{
    // The first bytes decide before anything large is allocated or read.
    std::uint8_t head[4] = {};
    const std::size_t headSize = std::min(size, sizeof head);
    if (!ReadExactly(fd, head, headSize)) return TLoadResult::CannotRead;
    if (!HasSignature(kind, {head, headSize})) return TLoadResult::NotAnImage;

    const auto bytes = std::make_unique_for_overwrite<std::uint8_t[]>(size);
    std::copy(head, head + headSize, bytes.get());
    if (!ReadExactly(fd, bytes.get() + headSize, size - headSize)) return TLoadResult::CannotRead;
    const TByteSpan data(bytes.get(), size);

    TPixelBuffer pixels;
    bool decoded = false;
    switch (kind) {
    case ikBmp: decoded = DecodeBmp(data, pixels); break;
    case ikJpg:
    case ikJpeg: decoded = DecodeJpeg(data, pixels); break;
    case ikGif: decoded = DecodeGif(data, ViewOfBitmap(target), pixels); break;
    case ikUnknown: break;
    }
    if (!decoded) return TLoadResult::NotAnImage;
    AssignPixels(target, pixels);
    return TLoadResult::Loaded;
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
    return ReadImageFile(QFile::encodeName(fileName), target);
}

TLoadResult ReadImageFile(const QByteArray& localFileName, TBitmap32& target)
{
    const TImageFileKind kind = FileKindOf(QFile::decodeName(localFileName));
    if (kind == ikUnknown) return TLoadResult::UnknownKind;
    // The system would take the name only up to a zero byte: another file.
    if (localFileName.contains('\0')) return TLoadResult::NoSuchFile;
    const char* name = localFileName.constData();

    // Looked at before opening: opening a FIFO or a device can block or act.
    struct stat info {};
    if (::stat(name, &info) != 0)
        return errno == ENOENT || errno == ENOTDIR ? TLoadResult::NoSuchFile : TLoadResult::CannotRead;
    if (const TLoadResult entry = KindOfEntry(info); entry != TLoadResult::Loaded) return entry;

    const TFileHandle file(::open(name, O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    if (file.Fd() < 0) return TLoadResult::CannotRead;
    // Looked at again: the name may have been replaced in between.
    if (::fstat(file.Fd(), &info) != 0) return TLoadResult::CannotRead;
    if (const TLoadResult entry = KindOfEntry(info); entry != TLoadResult::Loaded) return entry;
    if (info.st_size < 0 || info.st_size > TImageLimits{}.MaxFileBytes()) return TLoadResult::NotAnImage;
    try {
        return DecodeFile(file.Fd(), std::size_t(info.st_size), kind, target);
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

bool SaveAsJpeg(const QString& fileName, const TBitmap32& image, QString* why)
{
    try {
        if (image.IsEmpty()) {
            if (why) *why = LoadStr(StrId::ImageIsEmpty);
            return false;
        }
        TByteVector bytes;
        return EncodeJpeg(ViewOfBitmap(image), bytes) &&
               WriteFileSafely(ChangeFileExt(fileName, QStringLiteral(".jpg")), bytes, why);
    } catch (...) {
        return false;
    }
}

QString GifStageCaption(TGifStage stage)
{
    return LoadStr(stage == TGifStage::Converting ? StrId::ProgressConverting : StrId::ProgressSaving);
}

bool SaveAsGif(const QString& fileName, const TBitmap32& image, QString* why)
{
    try {
        if (image.IsEmpty()) {
            if (why) *why = LoadStr(StrId::ImageIsEmpty);
            return false;
        }
        const TByteVector bytes = WriteGif(ViewOfBitmap(image));
        return WriteFileSafely(ChangeFileExt(fileName, QStringLiteral(".gif")), bytes, why);
    } catch (...) {
        return false;
    }
}

void SaveAsBitmap(const QString& fileName, const TBitmap32& image)
{
    const QString target = ChangeFileExt(fileName, QStringLiteral(".bmp"));
    auto fail = [&](const QString& why) {
        throw EImageFileError(LoadStr(StrId::CannotWriteImageFile).arg(target, why), why);
    };
    if (image.IsEmpty()) fail(LoadStr(StrId::ImageIsEmpty));
    TByteVector bytes;
    try {
        bytes = EncodeBmp32(ViewOfBitmap(image), TBmpFourthByte::Opaque);
    } catch (const std::exception& e) {
        fail(QString::fromLocal8Bit(e.what()));
    }
    QString why;
    if (!WriteFileSafely(target, bytes, &why)) fail(why);
}
