#include "RenderJob.h"

#include "codecs/ImageFiles.h"
#include "resources/StringTable.h"
#include "templates/TemplateList.h"

#include <QFileInfo>

namespace {

constexpr const char* kToolName = "cubiform-render";

void Report(std::FILE* err, const QString& message)
{
    std::fprintf(err, "%s: %s\n", kToolName, qPrintable(message));
}

QString KindName(TImageFileKind kind)
{
    switch (kind) {
    case ikBmp: return QStringLiteral("BMP");
    case ikJpg:
    case ikJpeg: return QStringLiteral("JPEG");
    case ikGif: return QStringLiteral("GIF");
    case ikUnknown: break;
    }
    return {};
}

// Loads a face; on failure says which file and why.
bool LoadFace(const QString& fileName, TBitmap32& face, std::FILE* err)
{
    switch (ReadImageFile(fileName, face)) {
    case TLoadResult::Loaded: return true;
    case TLoadResult::UnknownKind: Report(err, LoadStr(StrId::RenderUnknownImageKind).arg(fileName)); break;
    case TLoadResult::CannotRead: {
        const QFileInfo info(fileName);
        const StrId why = !info.exists() ? StrId::RenderNoSuchFile
                          : info.isDir() ? StrId::RenderIsFolder
                                         : StrId::RenderUnreadable;
        Report(err, LoadStr(StrId::RenderCannotRead).arg(fileName, LoadStr(why)));
        break;
    }
    case TLoadResult::NotAnImage:
        Report(err, LoadStr(StrId::RenderNotImageOfKind).arg(fileName, KindName(FileKindOf(fileName))));
        break;
    }
    return false;
}

// Saves through the program's own save functions; returns the written name,
// or an empty string after reporting the failure.
QString Save(const TBitmap32& image, const QString& output, std::FILE* err)
{
    QString written;
    QString why;
    switch (OutputFormatOf(output)) {
    case TOutputFormat::Jpeg:
        written = ChangeFileExt(output, QStringLiteral(".jpg"));
        if (!SaveAsJpeg(output, image)) written.clear();
        break;
    case TOutputFormat::Gif:
        written = ChangeFileExt(output, QStringLiteral(".gif"));
        if (!SaveAsGif(output, image)) written.clear();
        break;
    case TOutputFormat::Bitmap:
        written = ChangeFileExt(output, QStringLiteral(".bmp"));
        try {
            SaveAsBitmap(output, image);
        } catch (const EImageFileError& e) {
            why = QString::fromStdString(e.what());
            written.clear();
        }
        break;
    case TOutputFormat::Unknown: break;
    }
    if (written.isEmpty()) {
        if (why.isEmpty()) {
            why = QFileInfo(QFileInfo(output).absolutePath()).isDir() ? LoadStr(StrId::RenderWriteFailed)
                                                                      : LoadStr(StrId::RenderNoSuchFolder);
            why = LoadStr(StrId::RenderCannotWrite).arg(output, why);
        }
        Report(err, why);
    }
    return written;
}

} // namespace

int RunRender(const TRenderOptions& options, std::FILE* out, std::FILE* err)
{
    const bool samples = options.UsesSamples();
    const QString front = samples ? SampleFacePath(1) : options.Front;
    const QString side = samples ? SampleFacePath(2) : options.Side;
    const QString top = samples ? SampleFacePath(3) : options.Top;

    TBitmap32 F, S, T, result;
    if (!LoadFace(front, F, err) || !LoadFace(side, S, err)) return 1;
    if (!top.isEmpty() && options.Style == bxThreeSideBox && !LoadFace(top, T, err)) return 1;

    try {
        if (options.Preview) {
            ComposePreview(result, F, S, T, options.Style, options.DefaultWidth, options.DefaultHeight);
        } else {
            ComposeBox(result, F, S, T, options.Style, options.Orientation, options.DefaultSize,
                       options.DefaultWidth, options.DefaultHeight, options.Shadow);
        }
    } catch (const std::exception& e) {
        Report(err, LoadStr(StrId::RenderRenderFailed).arg(QString::fromLocal8Bit(e.what())));
        return 1;
    }

    const QString written = Save(result, options.Output, err);
    if (written.isEmpty()) return 1;
    std::fprintf(out, "%s\n", qPrintable(QFileInfo(written).absoluteFilePath()));
    return 0;
}
