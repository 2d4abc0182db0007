#include "codecs/ImageFiles.h"

#include "codecs/BmpReader.h"
#include "codecs/BmpWriter.h"
#include "codecs/GifReader.h"
#include "codecs/GifWriter.h"
#include "codecs/JpegReader.h"
#include "codecs/JpegWriter.h"
#include "codecs/PngReader.h"
#include "codecs/PngWriter.h"
#include "platform/MemoryBudget.h"
#include "platform/SafeFile.h"
#include "resources/StringTable.h"

#include <QFile>
#include <QFileInfo>
#include <QImage>

#include <algorithm>
#include <cerrno>
#include <cstring>
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

// Each pixel as a blended draw onto opaque white leaves it, made opaque.
void FlattenOntoWhite(TPixelBuffer& pixels)
{
    for (TColor32& c : pixels.Pixels) {
        if (AlphaComponent(c) == 255) continue;
        TColor32 onWhite = clWhite32;
        BlendOverInto(c, onWhite);
        c = onWhite | 0xFF000000u;
    }
}

bool HasSeeThroughPixels(const TPixelBuffer& pixels)
{
    return std::any_of(pixels.Pixels.begin(), pixels.Pixels.end(),
                       [](TColor32 c) { return AlphaComponent(c) != 255; });
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
    case ikPng: return startsWith({0x89, 'P', 'N', 'G'});
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

// The file is read as a stream from its start: the decoders stop at the end
// of the picture and never hold the file itself.
TLoadResult DecodeFile(int fd, std::size_t size, TImageFileKind kind, TTransparency transparency, TBitmap32& target,
                       const QString& name, const TAdmitHeader& callerAdmit, QString* why)
{
    // The first bytes decide before anything large is allocated or read.
    std::uint8_t head[4] = {};
    const std::size_t headSize = std::min(size, sizeof head);
    if (!ReadExactly(fd, head, headSize)) return TLoadResult::CannotRead;
    if (!HasSignature(kind, {head, headSize})) return TLoadResult::NotAnImage;
    if (::lseek(fd, 0, SEEK_SET) != 0) return TLoadResult::CannotRead;

    // The header's size against the memory budget, before any pixel memory.
    bool overBudget = false;
    const TAdmitHeader admit = [&](const TImageHeader& header) {
        const std::int64_t need = ImageLoadNeed(header);
        const std::int64_t limit = membudget::Limit();
        if (need <= limit) {
            if (!callerAdmit || callerAdmit(header)) return true;
            overBudget = true;
            return false;
        }
        overBudget = true;
        if (why) {
            const QString what = LoadStr(StrId::MemoryFilePicture)
                                     .arg(name, membudget::PictureSizeText(header.Width, header.Height));
            *why = EMemoryBudgetError(what, need, limit).Message();
        }
        return false;
    };
    TFileSource source(fd, size);
    TPixelBuffer pixels;
    bool decoded = false;
    switch (kind) {
    case ikBmp: decoded = DecodeBmp(source, pixels, {}, admit); break;
    case ikJpg:
    case ikJpeg: decoded = DecodeJpeg(source, pixels, {}, admit); break;
    case ikGif:
        decoded = transparency == TTransparency::AsDecoded
                      ? DecodeGif(source, ViewOfBitmap(target), pixels, {}, admit)
                      : DecodeGifWithAlpha(source, pixels, {}, admit);
        break;
    case ikPng: decoded = DecodePng(source, pixels, {}, admit); break;
    case ikUnknown: break;
    }
    if (overBudget) return TLoadResult::TooLarge;
    if (!decoded) return TLoadResult::NotAnImage;
    bool blend = false;
    if (kind == ikGif || kind == ikPng) {
        if (transparency == TTransparency::OnWhite) FlattenOntoWhite(pixels);
        if (transparency == TTransparency::Blended) blend = HasSeeThroughPixels(pixels);
    }
    AssignPixels(target, pixels);
    if (blend) target.DrawMode = dmBlend;
    return TLoadResult::Loaded;
}

// Writes the bytes to a temporary file beside the target and renames it over
// the target once everything is on disk. On failure the temporary is removed
// and `why` receives the system's reason.
bool WriteFileSafely(const QString& fileName, TByteSpan bytes, QString* why = nullptr)
{
    const int error = WriteWholeFile(QFile::encodeName(fileName).constData(), bytes.data(), bytes.size());
    if (error && why) *why = QString::fromLocal8Bit(std::strerror(error));
    return error == 0;
}

} // namespace

TImageFileKind FileKindOf(const QString& fileName)
{
    const QString name = QFileInfo(fileName).fileName();
    const qsizetype dot = name.lastIndexOf(u'.');
    if (dot < 0) return ikUnknown;
    const QString ext = name.mid(dot);
    static constexpr struct {
        const char* Extension;
        TImageFileKind Kind;
    } kKinds[] = {{".bmp", ikBmp}, {".jpg", ikJpg}, {".jpeg", ikJpeg}, {".gif", ikGif}, {".png", ikPng}};
    for (const auto& k : kKinds) {
        if (ext.compare(QLatin1String(k.Extension), Qt::CaseInsensitive) == 0) return k.Kind;
    }
    return ikUnknown;
}

TLoadResult ReadImageFile(const QString& fileName, TBitmap32& target, QString* why)
{
    return ReadImageFile(QFile::encodeName(fileName), target, TTransparency::AsDecoded, why);
}

TLoadResult ReadImageFile(const QByteArray& localFileName, TBitmap32& target, QString* why)
{
    return ReadImageFile(localFileName, target, TTransparency::AsDecoded, why);
}

std::int64_t ImageLoadNeed(const TImageHeader& header)
{
    return membudget::Sum(membudget::Times(2, membudget::PictureBytes(header.Width, header.Height)),
                          header.WorkBytes);
}

TLoadResult ReadImageFile(const QByteArray& localFileName, TBitmap32& target, TTransparency transparency, QString* why)
{
    return ReadImageFile(localFileName, target, transparency, TAdmitHeader{}, why);
}

TLoadResult ReadImageFile(const QByteArray& localFileName, TBitmap32& target, TTransparency transparency,
                          const TAdmitHeader& admit, QString* why)
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
        return DecodeFile(file.Fd(), std::size_t(info.st_size), kind, transparency, target,
                          QFile::decodeName(localFileName), admit, why);
    } catch (...) {
        // Only running out of memory gets here.
        return TLoadResult::NotAnImage;
    }
}

bool LoadImageFile(const QString& fileName, TBitmap32& target, QString* why)
{
    return LoadImageFile(fileName, target, TTransparency::AsDecoded, why);
}

bool LoadImageFile(const QString& fileName, TBitmap32& target, TTransparency transparency, QString* why)
{
    return ReadImageFile(QFile::encodeName(fileName), target, transparency, why) == TLoadResult::Loaded;
}

QString ChangeFileExt(const QString& fileName, const QString& extension)
{
    const qsizetype slash = fileName.lastIndexOf(u'/');
    const qsizetype dot = fileName.lastIndexOf(u'.');
    if (dot > slash) return fileName.left(dot) + extension;
    return fileName + extension;
}

namespace {

// Encodes the image and writes it whole under the name with its extension
// replaced; false on any failure, with the reason in `why` when known.
template <class Encode>
bool SaveEncoded(const QString& fileName, const TBitmap32& image, const QString& extension, QString* why, Encode encode)
{
    try {
        if (image.IsEmpty()) {
            if (why) *why = LoadStr(StrId::ImageIsEmpty);
            return false;
        }
        TByteVector bytes;
        return encode(ViewOfBitmap(image), bytes) && WriteFileSafely(ChangeFileExt(fileName, extension), bytes, why);
    } catch (...) {
        return false;
    }
}

} // namespace

bool SaveAsJpeg(const QString& fileName, const TBitmap32& image, QString* why)
{
    return SaveEncoded(fileName, image, QStringLiteral(".jpg"), why, EncodeJpeg);
}

QString GifStageCaption(TGifStage stage)
{
    return LoadStr(stage == TGifStage::Converting ? StrId::ProgressConverting : StrId::ProgressSaving);
}

bool SaveAsGif(const QString& fileName, const TBitmap32& image, QString* why)
{
    return SaveEncoded(fileName, image, QStringLiteral(".gif"), why, [](TPixelView view, TByteVector& bytes) {
        bytes = WriteGif(view);
        return true;
    });
}

bool SaveAsPng(const QString& fileName, const TBitmap32& image, QString* why)
{
    return SaveEncoded(fileName, image, QStringLiteral(".png"), why,
                       [](TPixelView view, TByteVector& bytes) { return EncodePng(view, bytes); });
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
