#include "RenderJob.h"

#include "codecs/ImageFiles.h"
#include "platform/MemoryBudget.h"
#include "platform/SafeFile.h"
#include "render/RenderGeometry.h"
#include "resources/StringTable.h"
#include "ProjectJob.h"
#include "templates/TemplateList.h"

#include <QFileInfo>

#include <cstring>
#include <string>

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
    case ikPng: return QStringLiteral("PNG");
    case ikUnknown: break;
    }
    return {};
}

// Loads a face, its see-through pixels laid on white as in the wizard; on
// failure says which file and why.
bool LoadFace(const TFileArgument& file, TBitmap32& face, std::FILE* err)
{
    QString why;
    const TLoadResult result = ReadImageFile(file.Local, face, TTransparency::OnWhite, &why);
    if (result == TLoadResult::Loaded) return true;
    Report(err, FaceLoadMessage(file, result, why));
    return false;
}

// What stands in the way of writing the file, or an empty text: an entry
// that is not a regular file under its name (it would be replaced), or a
// folder on the way that is missing or is a file.
QString OutputProblem(const QString& fileName)
{
    const QFileInfo target(fileName);
    if (target.exists() && !target.isFile())
        return LoadStr(target.isDir() ? StrId::RenderIsFolder : StrId::RenderNotRegularFile);
    QFileInfo folder(target.absolutePath());
    if (folder.isDir()) return {};
    // The nearest entry on the way that exists says what is wrong.
    while (!folder.exists() && folder.absolutePath() != folder.absoluteFilePath()) folder = QFileInfo(folder.absolutePath());
    if (folder.exists() && !folder.isDir()) return LoadStr(StrId::RenderNotAFolder).arg(folder.absoluteFilePath());
    return LoadStr(StrId::RenderNoSuchFolder);
}

// Saves through the program's own save functions; returns the written name,
// or an empty string with the reason in `error`.
QString Save(const TBitmap32& image, const TFileArgument& output, QString& error)
{
    const QString& name = output.Name;
    const TOutputFormat format = OutputFormatOf(name);
    const QString written = WrittenFileName(output);
    // The save functions take text, which cannot name such a file.
    QString why = output.IsEncodable() ? OutputProblem(written) : LoadStr(StrId::RenderNameNotEncodable);
    if (why.isEmpty()) {
        bool saved = false;
        switch (format) {
        case TOutputFormat::Jpeg: saved = SaveAsJpeg(name, image, &why); break;
        case TOutputFormat::Gif: saved = SaveAsGif(name, image, &why); break;
        case TOutputFormat::Png: saved = SaveAsPng(name, image, &why); break;
        case TOutputFormat::Bitmap:
            try {
                SaveAsBitmap(name, image);
                saved = true;
            } catch (const EImageFileError& e) {
                why = e.Reason();
            }
            break;
        case TOutputFormat::Unknown: break;
        }
        if (saved) return written;
        if (why.isEmpty()) why = LoadStr(StrId::RenderWriteFailed);
    }
    error = LoadStr(StrId::RenderCannotWrite).arg(written, why);
    return {};
}

// The composition the options ask for, on one ground. The faces are the
// composition's own copies.
void Compose(const TRenderOptions& options, TBitmap32& F, TBitmap32& S, TBitmap32& T, TBoxGround ground,
             TBitmap32& result)
{
    if (options.Preview)
        ComposePreview(result, F, S, T, options.Style, options.DefaultWidth, options.DefaultHeight, ground);
    else
        ComposeBox(result, F, S, T, options.Style, options.Orientation, options.DefaultSize, options.DefaultWidth,
                   options.DefaultHeight, options.Shadow, ground);
}

// The picture to save: the composition on white, and for a transparent or
// coloured background on black too (from second copies of the faces, since
// a composition changes its faces).
void ComposeOnBackground(const TRenderOptions& options, TBitmap32& F, TBitmap32& S, TBitmap32& T,
                         TBitmap32& picture)
{
    const bool keepsAlpha = OutputFormatOf(options.Output.Name) == TOutputFormat::Png;
    const TBoxBackground background = ResolveBoxBackground(options.Background, keepsAlpha);
    if (!NeedsBlackGround(background)) {
        Compose(options, F, S, T, bgWhite, picture);
        if (keepsAlpha) MakeOpaque(picture);
        return;
    }
    // Room for the second face copies and the second drawing, asked before any is made.
    using namespace membudget;
    const std::int64_t copies = Sum(Sum(PictureBytes(F.Width(), F.Height()), PictureBytes(S.Width(), S.Height())),
                                    PictureBytes(T.Width(), T.Height()));
    const TComposedSize size = ComposedBoxSize(options.Style, options.DefaultSize || options.Preview,
                                               options.DefaultWidth, options.DefaultHeight, F.Width(), F.Height(),
                                               S.Width());
    CheckComposeMemory(options.Style, options.DefaultSize || options.Preview, options.DefaultWidth,
                       options.DefaultHeight, F.Width(), F.Height(), S.Width(),
                       Sum(copies, Times(2, PictureBytes(ClampedSum(size.Width, box::ShadowWidening), size.Height))));
    TBitmap32 F2, S2, T2, onWhite, onBlack;
    F2.CopyFrom(F);
    S2.CopyFrom(S);
    T2.CopyFrom(T);
    Compose(options, F, S, T, bgWhite, onWhite);
    Compose(options, F2, S2, T2, bgBlack, onBlack);
    BoxOnBackground(onWhite, &onBlack, background, keepsAlpha, picture);
}

// The free view on the background the format gets, and where its faces went.
void ComposeFreeView(const TRenderOptions& options, const TBitmap32& F, const TBitmap32& S, const TBitmap32& T,
                     TBitmap32& picture, std::string& geometryJson)
{
    freeview::TFreeViewBox box;
    box.SetStyle(options.Style);
    box.SetDefaultSize(options.DefaultSize, options.DefaultWidth, options.DefaultHeight);
    box.SetFace(fkFront, F);
    box.SetFace(fkSide, S);
    if (options.Style == bxThreeSideBox) box.SetFace(fkTop, T);
    freeview::TFreeViewSettings settings = options.View;
    settings.Shadow = options.Shadow;
    settings.Threads = 0;
    freeview::TFreeViewGeometry geometry;
    freeview::Render(box, settings, picture, &geometry);
    const TBoxBackground background =
        ResolveBoxBackground(options.Background, OutputFormatOf(options.Output.Name) == TOutputFormat::Png);
    if (background.Kind == TBoxBackground::Solid) FlattenMatte(picture, background.Color, picture);
    geometryJson = freeview::GeometryJson(geometry);
}

// Writes the geometry file whole or not at all; false with the reason in `error`.
bool SaveGeometry(const TFileArgument& file, const std::string& json, QString& error)
{
    const int code = WriteWholeFile(file.Local.constData(), json.data(), json.size());
    if (code == 0) return true;
    error = LoadStr(StrId::RenderCannotWrite).arg(file.Name, QString::fromLocal8Bit(std::strerror(code)));
    return false;
}

} // namespace

TRenderNeed RenderMemoryNeed(const TRenderOptions& options, const TBitmap32& F, const TBitmap32& S,
                             const TBitmap32& T)
{
    using namespace membudget;
    if (options.FreeView) {
        // The render's copies of the faces come on top of its own need.
        const freeview::TFreeViewNeed need = freeview::MemoryNeed(
            options.Style, options.DefaultSize, options.DefaultWidth, options.DefaultHeight, {F.Width(), F.Height()},
            {S.Width(), S.Height()}, {T.Width(), T.Height()}, options.View);
        const std::int64_t copies = Sum(Sum(PictureBytes(F.Width(), F.Height()), PictureBytes(S.Width(), S.Height())),
                                        PictureBytes(T.Width(), T.Height()));
        return {Sum(need.Bytes, copies), PictureSizeText(need.Width, need.Height)};
    }
    const bool keepsAlpha = OutputFormatOf(options.Output.Name) == TOutputFormat::Png;
    const std::int64_t grounds = NeedsBlackGround(ResolveBoxBackground(options.Background, keepsAlpha)) ? 2 : 1;
    const bool sized = options.DefaultSize || options.Preview;
    const std::int64_t copies = Sum(Sum(PictureBytes(F.Width(), F.Height()), PictureBytes(S.Width(), S.Height())),
                                    PictureBytes(T.Width(), T.Height()));
    const TComposedSize size = ComposedBoxSize(options.Style, sized, options.DefaultWidth, options.DefaultHeight,
                                               F.Width(), F.Height(), S.Width());
    const std::int64_t drawing = ComposeMemoryNeed(options.Style, sized, options.DefaultWidth, options.DefaultHeight,
                                                   F.Width(), F.Height(), S.Width());
    // Each ground has its face copies and its drawing; the saved picture comes on top.
    return {Sum(Times(grounds, Sum(copies, drawing)), PictureBytes(ClampedSum(size.Width, box::ShadowWidening), size.Height)),
            PictureSizeText(size.Width, size.Height)};
}

QString FaceLoadMessage(const TFileArgument& file, TLoadResult result, const QString& why)
{
    auto cannotRead = [&](StrId reason) { return LoadStr(StrId::RenderCannotRead).arg(file.Name, LoadStr(reason)); };
    switch (result) {
    case TLoadResult::Loaded: break;
    case TLoadResult::UnknownKind: return LoadStr(StrId::RenderUnknownImageKind).arg(file.Name);
    case TLoadResult::NoSuchFile: return cannotRead(StrId::RenderNoSuchFile);
    case TLoadResult::IsFolder: return cannotRead(StrId::RenderIsFolder);
    case TLoadResult::NotRegularFile: return cannotRead(StrId::RenderNotRegularFile);
    case TLoadResult::CannotRead: return cannotRead(StrId::RenderUnreadable);
    case TLoadResult::NotAnImage:
        return LoadStr(StrId::RenderNotImageOfKind).arg(file.Name, KindName(FileKindOf(file.Name)));
    case TLoadResult::TooLarge: return why;
    }
    return {};
}

TFaceFiles FaceFilesOf(const TRenderOptions& options)
{
    const bool samples = options.UsesSamples();
    auto face = [&](int index, const TFileArgument& given) {
        return samples ? TFileArgument::FromName(SampleFacePath(index)) : given;
    };
    // Only the three-sided box has a lid to read.
    return {face(1, options.Front), face(2, options.Side),
            options.Style == bxThreeSideBox ? face(3, options.Top) : TFileArgument{}};
}

QString WrittenFileName(const TFileArgument& output)
{
    const TOutputFormat format = OutputFormatOf(output.Name);
    return ChangeFileExt(output.Name, format == TOutputFormat::Jpeg  ? QStringLiteral(".jpg")
                                      : format == TOutputFormat::Gif ? QStringLiteral(".gif")
                                      : format == TOutputFormat::Png ? QStringLiteral(".png")
                                                                     : QStringLiteral(".bmp"));
}

QString RenderFaces(const TRenderOptions& options, TBitmap32& F, TBitmap32& S, TBitmap32& T, QString& error)
{
    // A geometry file that cannot be written is found before the render.
    if (!options.Geometry.IsEmpty()) {
        const QString why = OutputProblem(options.Geometry.Name);
        if (!why.isEmpty()) {
            error = LoadStr(StrId::RenderCannotWrite).arg(options.Geometry.Name, why);
            return {};
        }
    }
    TBitmap32 result;
    std::string geometryJson;
    try {
        if (options.FreeView)
            ComposeFreeView(options, F, S, T, result, geometryJson);
        else
            ComposeOnBackground(options, F, S, T, result);
    } catch (const std::exception& e) {
        error = LoadStr(StrId::RenderRenderFailed).arg(QString::fromLocal8Bit(e.what()));
        return {};
    }
    const QString written = Save(result, options.Output, error);
    if (written.isEmpty()) return {};
    if (!options.Geometry.IsEmpty() && !SaveGeometry(options.Geometry, geometryJson, error)) return {};
    return written;
}

int RunRender(const TRenderOptions& options, std::FILE* out, std::FILE* err)
{
    TBitmap32 F, S, T;
    QString error;
    TRenderOptions settled = options;
    if (!options.Project.IsEmpty()) {
        if (!LoadProjectJob(settled, F, S, T, error)) {
            Report(err, error);
            return 1;
        }
    } else {
        const TFaceFiles faces = FaceFilesOf(options);
        if (!LoadFace(faces.Front, F, err) || !LoadFace(faces.Side, S, err)) return 1;
        if (!faces.Top.IsEmpty() && !LoadFace(faces.Top, T, err)) return 1;
    }

    const QString written = RenderFaces(settled, F, S, T, error);
    if (written.isEmpty()) {
        Report(err, error);
        return 1;
    }
    std::fprintf(out, "%s\n", qPrintable(QFileInfo(written).absoluteFilePath()));
    return 0;
}
