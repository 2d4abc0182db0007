#include "resources/StringTable.h"

#include <QCoreApplication>

#include <array>

namespace {

struct Entry {
    StrId Id;
    const char* Text;
};

// Keep each group in the order of the enumeration; the table is checked at start-up.
constexpr Entry kEntries[] = {
    // imaging
    {StrId::CantAllocateDib, QT_TRANSLATE_NOOP("Cubiform", "Can't allocate the DIB handle")},
    {StrId::CantCreateCompatibleDc, QT_TRANSLATE_NOOP("Cubiform", "Can't create compatible DC")},
    {StrId::CantSelectObject, QT_TRANSLATE_NOOP("Cubiform", "Can't select an object into DC")},
    {StrId::SourceRectInvalid, QT_TRANSLATE_NOOP("Cubiform", "Source rectangle is invalid")},

    // render
    {StrId::NoPreviewAvailable, QT_TRANSLATE_NOOP("Cubiform", "No Preview Available")},
    {StrId::ShadowResourceLeft, "SHADOW"},
    {StrId::ShadowResourceRight, "SHADOW_R"},

    // codecs and files
    {StrId::ProgressConverting, QT_TRANSLATE_NOOP("Cubiform", "Converting...")},
    {StrId::ProgressSaving, QT_TRANSLATE_NOOP("Cubiform", "Saving...")},
    {StrId::ColorNotInColorTable, QT_TRANSLATE_NOOP("Cubiform", "Color not in color table")},
    {StrId::CannotWriteImageFile, QT_TRANSLATE_NOOP("Cubiform", "Cannot write the file '%1': %2")},
    {StrId::ImageIsEmpty, QT_TRANSLATE_NOOP("Cubiform", "the image is empty")},
    {StrId::RenderUsage, QT_TRANSLATE_NOOP("Cubiform",
                         "Usage: cubiform-render [--front F --side S [--top T]] [--style two-sided|three-sided|book]\n"
                         "                       [--orientation left|right] [--shadow] [--default-size[=WxH]]\n"
                         "                       [--preview] [--template NAME] -o OUT.jpg|OUT.gif|OUT.bmp\n"
                         "       cubiform-render --list-templates\n"
                         "\n"
                         "Renders a product box from face images (BMP, JPEG or GIF) and saves it as\n"
                         "JPEG, GIF or BMP, chosen by the output file's extension.\n"
                         "Without face arguments it renders the bundled sample faces as a Three Side\n"
                         "Box at the default size 250x300 to cubiform-sample.jpg in the current folder.\n"
                         "\n"
                         "  --front F, --side S, --top T  face images (the top only for three-sided)\n"
                         "  --style S                     two-sided (default), three-sided or book\n"
                         "  --orientation O               left (default) or right; two-sided only\n"
                         "  --shadow                      lay a drop shadow under the box\n"
                         "  --default-size[=WxH]          resize the faces to WxH (250x300 if not given)\n"
                         "  --preview                     the template preview, always at the default size\n"
                         "  --template NAME               faces and default size from a stored template\n"
                         "  --list-templates              print the stored template names, one a line\n"
                         "  -o, --output OUT              the file to write\n"
                         "  -h, --help                    show this text\n")},
    {StrId::RenderUnknownOption, QT_TRANSLATE_NOOP("Cubiform", "unknown option '%1'")},
    {StrId::RenderMissingValue, QT_TRANSLATE_NOOP("Cubiform", "option '%1' needs a value")},
    {StrId::RenderInvalidValue, QT_TRANSLATE_NOOP("Cubiform", "invalid value '%1' for option '%2'")},
    {StrId::RenderUnexpectedArgument, QT_TRANSLATE_NOOP("Cubiform", "unexpected argument '%1'")},
    {StrId::RenderMissingOutput, QT_TRANSLATE_NOOP("Cubiform", "no output file given (-o OUT)")},
    {StrId::RenderBadOutputType, QT_TRANSLATE_NOOP("Cubiform", "the output file must end in .jpg, .jpeg, .gif or .bmp: '%1'")},
    {StrId::RenderFrontAndSide, QT_TRANSLATE_NOOP("Cubiform", "--front and --side must be given together")},
    {StrId::RenderTopNeeded, QT_TRANSLATE_NOOP("Cubiform", "a three-sided box needs --top")},
    {StrId::RenderCannotRead, QT_TRANSLATE_NOOP("Cubiform", "cannot read '%1': %2")},
    {StrId::RenderNoSuchFile, QT_TRANSLATE_NOOP("Cubiform", "no such file")},
    {StrId::RenderIsFolder, QT_TRANSLATE_NOOP("Cubiform", "it is a folder")},
    {StrId::RenderUnreadable, QT_TRANSLATE_NOOP("Cubiform", "permission denied or read error")},
    {StrId::RenderNotImageOfKind, QT_TRANSLATE_NOOP("Cubiform", "'%1' is not a valid %2 image (damaged, truncated, too large or unsupported)")},
    {StrId::RenderUnknownImageKind, QT_TRANSLATE_NOOP("Cubiform", "'%1' is not an image file name (expected .bmp, .jpg, .jpeg or .gif)")},
    {StrId::RenderCannotWrite, QT_TRANSLATE_NOOP("Cubiform", "cannot write '%1': %2")},
    {StrId::RenderRenderFailed, QT_TRANSLATE_NOOP("Cubiform", "rendering failed: %1")},
    {StrId::RenderNoSuchFolder, QT_TRANSLATE_NOOP("Cubiform", "the folder does not exist")},
    {StrId::RenderWriteFailed, QT_TRANSLATE_NOOP("Cubiform", "the file could not be written")},

    // settings and templates
    {StrId::RegCreateFailed, QT_TRANSLATE_NOOP("Cubiform", "Failed to create key %s")},
    {StrId::RegSetDataFailed, QT_TRANSLATE_NOOP("Cubiform", "Failed to set data for '%s'")},
    {StrId::RegGetDataFailed, QT_TRANSLATE_NOOP("Cubiform", "Failed to get data for '%s'")},
    {StrId::InvalidRegType, QT_TRANSLATE_NOOP("Cubiform", "Invalid data type for '%s'")},
    {StrId::HiveReadFailed, QT_TRANSLATE_NOOP("Cubiform", "Failed to read the settings file '%s'")},
    {StrId::HiveWriteFailed, QT_TRANSLATE_NOOP("Cubiform", "Failed to write the settings file '%s'")},
    {StrId::HiveSetAside, QT_TRANSLATE_NOOP("Cubiform", "The settings file was damaged and has been set aside as '%s'")},
    {StrId::StreamPositionFrmCaption, QT_TRANSLATE_NOOP("Cubiform", "StreamPositionFrm")},
    {StrId::SampleTemplateName, QT_TRANSLATE_NOOP("Cubiform", "Sample Template")},
    {StrId::UnknownTemplate, QT_TRANSLATE_NOOP("Cubiform", "Unknown template '%s'")},
    {StrId::TemplateWithoutFaces, QT_TRANSLATE_NOOP("Cubiform", "The template '%s' has no front or no side image")},
    {StrId::TemplateWithoutTop, QT_TRANSLATE_NOOP("Cubiform", "The template '%s' has no top image for a three-sided box")},

    // widgets and wizard
    {StrId::WizAppTitle, QT_TRANSLATE_NOOP("Cubiform", "Cubiform 2.0")},
    {StrId::WizDesignCaption, QT_TRANSLATE_NOOP("Cubiform", "Quillmere Cubiform Image Wizard")},
    {StrId::WizBack, QT_TRANSLATE_NOOP("Cubiform", "< Back")},
    {StrId::WizNext, QT_TRANSLATE_NOOP("Cubiform", "Next >")},
    {StrId::WizFinish, QT_TRANSLATE_NOOP("Cubiform", "Finish")},
    {StrId::WizExit, QT_TRANSLATE_NOOP("Cubiform", "Exit")},
    {StrId::WizSaveDesign, QT_TRANSLATE_NOOP("Cubiform", "Save the Cubiform Image...")},
    {StrId::WizSave, QT_TRANSLATE_NOOP("Cubiform", "Save Cubiform Image...")},
    {StrId::WizSettingsUnreadable, QT_TRANSLATE_NOOP("Cubiform", "The window position could not be read: %1")},
};

const std::array<const char*, int(StrId::Count)>& Table()
{
    static const auto table = [] {
        std::array<const char*, int(StrId::Count)> t{};
        for (const Entry& e : kEntries) t[std::size_t(e.Id)] = e.Text;
        return t;
    }();
    return table;
}

} // namespace

const char* LoadStrRaw(StrId id)
{
    const int i = int(id);
    if (i < 0 || i >= int(StrId::Count) || !Table()[std::size_t(i)]) return "";
    return Table()[std::size_t(i)];
}

QString LoadStr(StrId id)
{
    return QCoreApplication::translate("Cubiform", LoadStrRaw(id));
}
