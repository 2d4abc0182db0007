#include "RenderJob.h"

#include "codecs/ImageFiles.h"
#include "platform/MemoryBudget.h"
#include "platform/SafeFile.h"
#include "render/RenderGeometry.h"
#include "resources/StringTable.h"
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
    auto cannotRead = [&](StrId why) { Report(err, LoadStr(StrId::RenderCannotRead).arg(file.Name, LoadStr(why))); };
    QString why;
    switch (ReadImageFile(file.Local, face, TTransparency::OnWhite, &why)) {
    case TLoadResult::Loaded: return true;
    case TLoadResult::UnknownKind: Report(err, LoadStr(StrId::RenderUnknownImageKind).arg(file.Name)); break;
    case TLoadResult::NoSuchFile: cannotRead(StrId::RenderNoSuchFile); break;
    case TLoadResult::IsFolder: cannotRead(StrId::RenderIsFolder); break;
    case TLoadResult::NotRegularFile: cannotRead(StrId::RenderNotRegularFile); break;
    case TLoadResult::CannotRead: cannotRead(StrId::RenderUnreadable); break;
    case TLoadResult::NotAnImage:
        Report(err, LoadStr(StrId::RenderNotImageOfKind).arg(file.Name, KindName(FileKindOf(file.Name))));
        break;
    case TLoadResult::TooLarge: Report(err, why); break;
    }
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
// or an empty string after reporting the failure.
QString Save(const TBitmap32& image, const TFileArgument& output, std::FILE* err)
{
    const QString& name = output.Name;
    const TOutputFormat format = OutputFormatOf(name);
    const QString written = ChangeFileExt(name, format == TOutputFormat::Jpeg  ? QStringLiteral(".jpg")
                                                : format == TOutputFormat::Gif ? QStringLiteral(".gif")
                                                : format == TOutputFormat::Png ? QStringLiteral(".png")
                                                                               : QStringLiteral(".bmp"));
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
    Report(err, LoadStr(StrId::RenderCannotWrite).arg(written, why));
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

// Writes the geometry file whole or not at all; false after reporting.
bool SaveGeometry(const TFileArgument& file, const std::string& json, std::FILE* err)
{
    const int error = WriteWholeFile(file.Local.constData(), json.data(), json.size());
    if (error == 0) return true;
    Report(err, LoadStr(StrId::RenderCannotWrite).arg(file.Name, QString::fromLocal8Bit(std::strerror(error))));
    return false;
}

} // namespace

int RunRender(const TRenderOptions& options, std::FILE* out, std::FILE* err)
{
    const bool samples = options.UsesSamples();
    auto face = [&](int index, const TFileArgument& given) {
        return samples ? TFileArgument::FromName(SampleFacePath(index)) : given;
    };
    const TFileArgument front = face(1, options.Front), side = face(2, options.Side), top = face(3, options.Top);

    TBitmap32 F, S, T, result;
    if (!LoadFace(front, F, err) || !LoadFace(side, S, err)) return 1;
    if (!top.IsEmpty() && options.Style == bxThreeSideBox && !LoadFace(top, T, err)) return 1;

    // A geometry file that cannot be written is found before the render.
    if (!options.Geometry.IsEmpty()) {
        const QString why = OutputProblem(options.Geometry.Name);
        if (!why.isEmpty()) {
            Report(err, LoadStr(StrId::RenderCannotWrite).arg(options.Geometry.Name, why));
            return 1;
        }
    }
    std::string geometryJson;
    try {
        if (options.FreeView)
            ComposeFreeView(options, F, S, T, result, geometryJson);
        else
            ComposeOnBackground(options, F, S, T, result);
    } catch (const std::exception& e) {
        Report(err, LoadStr(StrId::RenderRenderFailed).arg(QString::fromLocal8Bit(e.what())));
        return 1;
    }

    const QString written = Save(result, options.Output, err);
    if (written.isEmpty()) return 1;
    if (!options.Geometry.IsEmpty() && !SaveGeometry(options.Geometry, geometryJson, err)) return 1;
    std::fprintf(out, "%s\n", qPrintable(QFileInfo(written).absoluteFilePath()));
    return 0;
}
