#include "RenderOptions.h"

#include "codecs/ImageFiles.h"
#include "platform/MemoryBudget.h"
#include "resources/StringTable.h"

#include <QRegularExpression>
#include <QStringList>

#include <functional>

namespace {

using TValue = TOptionValue;

// A handler returns false when the value is not acceptable. NamesFile: the
// value is a file name (a batch manifest resolves it against its folder).
struct TOptionSpec {
    QStringList Names;
    TValue Value;
    std::function<bool(TRenderOptions&, const TFileArgument& value, bool hasValue)> Apply;
    bool NamesFile = false;
};

bool ParseSize(const QString& text, int& width, int& height)
{
    static const QRegularExpression pattern(QStringLiteral("^([0-9]{1,5})[xX]([0-9]{1,5})$"));
    const QRegularExpressionMatch m = pattern.match(text);
    if (!m.hasMatch()) return false;
    const int w = m.captured(1).toInt(), h = m.captured(2).toInt();
    if (w < 1 || h < 1 || w > 30000 || h > 30000) return false;
    width = w;
    height = h;
    return true;
}

// A plain decimal number within [lo, hi] (a batch manifest's numbers come
// with up to 17 digits).
bool ParseNumber(const QString& text, double lo, double hi, double& value)
{
    static const QRegularExpression pattern(QStringLiteral("^[+-]?([0-9]{1,6}(\\.[0-9]{0,20})?|\\.[0-9]{1,20})$"));
    if (!pattern.match(text).hasMatch()) return false;
    const double v = text.toDouble();
    if (!(v >= lo && v <= hi)) return false;
    value = v;
    return true;
}

// The options of the free view, each of which asks for it.
bool FreeNumber(TRenderOptions& o, const QString& text, double lo, double hi, double& value)
{
    o.FreeView = true;
    return ParseNumber(text, lo, hi, value);
}

const std::vector<TOptionSpec>& OptionTable()
{
    static const std::vector<TOptionSpec> table = {
        {{"--front"}, TValue::Required, [](TRenderOptions& o, const TFileArgument& v, bool) { o.Front = v; return !v.IsEmpty(); }, true},
        {{"--side"}, TValue::Required, [](TRenderOptions& o, const TFileArgument& v, bool) { o.Side = v; return !v.IsEmpty(); }, true},
        {{"--top"}, TValue::Required, [](TRenderOptions& o, const TFileArgument& v, bool) { o.Top = v; return !v.IsEmpty(); }, true},
        {{"--style"}, TValue::Required,
         [](TRenderOptions& o, const TFileArgument& v, bool) {
             static const QStringList styles = {"two-sided", "three-sided", "book"};
             const qsizetype i = styles.indexOf(v.Name);
             if (i < 0) return false;
             o.Style = TBoxStyle(i);
             o.StyleGiven = true;
             return true;
         }},
        {{"--orientation"}, TValue::Required,
         [](TRenderOptions& o, const TFileArgument& v, bool) {
             if (v.Name != "left" && v.Name != "right") return false;
             o.Orientation = v.Name == "left" ? boLeft : boRight;
             return true;
         }},
        {{"--shadow"}, TValue::None, [](TRenderOptions& o, const TFileArgument&, bool) { return o.Shadow = true; }},
        {{"--default-size"}, TValue::Optional,
         [](TRenderOptions& o, const TFileArgument& v, bool hasValue) {
             o.DefaultSize = true;
             o.SizeGiven = hasValue;
             return !hasValue || ParseSize(v.Name, o.DefaultWidth, o.DefaultHeight);
         }},
        {{"--memory-limit"}, TValue::Required,
         [](TRenderOptions& o, const TFileArgument& v, bool) { return membudget::ParseSize(v.Name, o.MemoryLimit); }},
        {{"--background"}, TValue::Required,
         [](TRenderOptions& o, const TFileArgument& v, bool) { return ParseBoxBackground(v.Name, o.Background); }},
        {{"--view"}, TValue::Required,
         [](TRenderOptions& o, const TFileArgument& v, bool) {
             if (v.Name != "classic" && v.Name != "free") return false;
             (v.Name == "free" ? o.FreeView : o.ClassicView) = true;
             return true;
         }},
        {{"--yaw"}, TValue::Required,
         [](TRenderOptions& o, const TFileArgument& v, bool) {
             o.YawGiven = true;
             return FreeNumber(o, v.Name, -freeview::kMaxYaw, freeview::kMaxYaw, o.View.Yaw);
         }},
        {{"--pitch"}, TValue::Required,
         [](TRenderOptions& o, const TFileArgument& v, bool) {
             return FreeNumber(o, v.Name, -freeview::kMaxPitch, freeview::kMaxPitch, o.View.Pitch);
         }},
        {{"--fov"}, TValue::Required,
         [](TRenderOptions& o, const TFileArgument& v, bool) { return FreeNumber(o, v.Name, 0, freeview::kMaxFov, o.View.Fov); }},
        {{"--size"}, TValue::Required,
         [](TRenderOptions& o, const TFileArgument& v, bool) {
             o.FreeView = true;
             return ParseSize(v.Name, o.View.Width, o.View.Height);
         }},
        {{"--scale"}, TValue::Required,
         [](TRenderOptions& o, const TFileArgument& v, bool) {
             o.ScaleGiven = true;
             return FreeNumber(o, v.Name, freeview::kMinScale, freeview::kMaxScale, o.View.Scale);
         }},
        {{"--reflection"}, TValue::Optional,
         [](TRenderOptions& o, const TFileArgument& v, bool hasValue) {
             o.FreeView = o.View.Reflection = true;
             double percent = 100 * o.View.ReflectionOpacity;
             if (hasValue && !ParseNumber(v.Name, 0, 100, percent)) return false;
             o.View.ReflectionOpacity = percent / 100;
             return true;
         }},
        {{"--geometry"}, TValue::Required,
         [](TRenderOptions& o, const TFileArgument& v, bool) {
             o.FreeView = true;
             o.Geometry = v;
             return !v.IsEmpty();
         },
         true},
        {{"--preview"}, TValue::None, [](TRenderOptions& o, const TFileArgument&, bool) { return o.Preview = true; }},
        {{"-o", "--output"}, TValue::Required, [](TRenderOptions& o, const TFileArgument& v, bool) { o.Output = v; return !v.IsEmpty(); }, true},
        {{"--template"}, TValue::Required, [](TRenderOptions& o, const TFileArgument& v, bool) { o.Template = v.Name; return !v.IsEmpty(); }},
        {{"--project"}, TValue::Required,
         [](TRenderOptions& o, const TFileArgument& v, bool) {
             o.Project = v;
             return !v.IsEmpty();
         },
         true},
        {{"--list-templates"}, TValue::None, [](TRenderOptions& o, const TFileArgument&, bool) { return o.ListTemplates = true; }},
        {{"-h", "--help"}, TValue::None, [](TRenderOptions& o, const TFileArgument&, bool) { return o.Help = true; }},
    };
    return table;
}

const TOptionSpec* FindOption(const QString& name)
{
    for (const TOptionSpec& spec : OptionTable())
        if (spec.Names.contains(name)) return &spec;
    return nullptr;
}

QString LongNameOf(const TOptionSpec& spec)
{
    for (const QString& name : spec.Names)
        if (name.startsWith(QLatin1String("--"))) return name;
    return spec.Names.first();
}

TParseResult Fail(const QString& message) { return TParseResult{false, message}; }

// The combinations the options allow, checked once all are read.
TParseResult CheckCombination(TRenderOptions& o)
{
    if (o.ListTemplates) return TParseResult{true, {}};
    if (o.UsesSamples()) {
        // The sample job: a Three Side Box at the default size.
        if (!o.StyleGiven) o.Style = bxThreeSideBox;
        o.DefaultSize = true;
        if (o.Output.IsEmpty()) o.Output = TFileArgument::FromName(QStringLiteral("cubiform-sample.jpg"));
    } else if (!o.Project.IsEmpty()) {  // a project's faces are checked once it is read
        if (!o.Front.IsEmpty() || !o.Side.IsEmpty() || !o.Top.IsEmpty() || !o.Template.isEmpty() || o.Preview)
            return Fail(LoadStr(StrId::RenderProjectGivesFaces));
    } else if (o.Template.isEmpty()) {  // a template's faces are checked once it is read
        if (o.Front.IsEmpty() || o.Side.IsEmpty()) return Fail(LoadStr(StrId::RenderFrontAndSide));
        if (o.Style == bxThreeSideBox && o.Top.IsEmpty()) return Fail(LoadStr(StrId::RenderTopNeeded));
    }
    if (o.SizeGiven) {
        // A size the render could never have memory for is a mistake in the command.
        const std::int64_t limit = o.MemoryLimit > 0 ? o.MemoryLimit : membudget::Limit();
        const std::int64_t need = ComposeMemoryNeed(o.Style, true, o.DefaultWidth, o.DefaultHeight, 0, 0, 0);
        if (need > limit)
            return Fail(EMemoryBudgetError(membudget::PictureSizeText(o.DefaultWidth, o.DefaultHeight), need, limit)
                            .Message());
    }
    if (o.FreeView) {
        if (o.ClassicView) return Fail(LoadStr(StrId::RenderFreeViewOptions));
        if (o.Preview) return Fail(LoadStr(StrId::RenderFreeViewPreview));
        if (o.ScaleGiven && o.View.Width > 0) return Fail(LoadStr(StrId::RenderSizeOrScale));
        // A project's orientation is known once it is read, which turns the yaw then.
        if (!o.YawGiven && o.Orientation == boRight && o.Project.IsEmpty()) o.View.Yaw = -o.View.Yaw;
        // The picture and its copy on the background.
        const std::int64_t limit = o.MemoryLimit > 0 ? o.MemoryLimit : membudget::Limit();
        const std::int64_t need = membudget::Times(2, membudget::PictureBytes(o.View.Width, o.View.Height));
        if (need > limit)
            return Fail(EMemoryBudgetError(membudget::PictureSizeText(o.View.Width, o.View.Height), need, limit).Message());
    }
    if (o.Output.IsEmpty()) return Fail(LoadStr(StrId::RenderMissingOutput));
    if (OutputFormatOf(o.Output.Name) == TOutputFormat::Unknown)
        return Fail(LoadStr(StrId::RenderBadOutputType).arg(o.Output.Name));
    return TParseResult{true, {}};
}

} // namespace

TOutputFormat OutputFormatOf(const QString& fileName)
{
    switch (FileKindOf(fileName)) {
    case ikJpg:
    case ikJpeg: return TOutputFormat::Jpeg;
    case ikGif: return TOutputFormat::Gif;
    case ikBmp: return TOutputFormat::Bitmap;
    case ikPng: return TOutputFormat::Png;
    case ikUnknown: break;
    }
    return TOutputFormat::Unknown;
}

const std::vector<TRenderOptionInfo>& RenderOptionInfos()
{
    static const std::vector<TRenderOptionInfo> infos = [] {
        std::vector<TRenderOptionInfo> list;
        for (const TOptionSpec& spec : OptionTable()) list.push_back({LongNameOf(spec), spec.Names, spec.Value, spec.NamesFile});
        return list;
    }();
    return infos;
}

const TRenderOptionInfo* FindRenderOption(const QString& name)
{
    for (const TRenderOptionInfo& info : RenderOptionInfos())
        if (info.Names.contains(name)) return &info;
    return nullptr;
}

namespace {

// Reads the option at arguments[i], and its value, leaving i on the last
// argument taken.
TParseResult NextArgument(const QByteArrayList& arguments, qsizetype& i, TRenderArgument& argument)
{
    const QByteArray& arg = arguments[i];
    if (!arg.startsWith('-') || arg == "-")
        return Fail(LoadStr(StrId::RenderUnexpectedArgument).arg(QFile::decodeName(arg)));
    const qsizetype eq = arg.startsWith("--") ? arg.indexOf('=') : -1;
    argument.Given = QFile::decodeName(eq < 0 ? arg : arg.left(eq));
    const TOptionSpec* spec = FindOption(argument.Given);
    if (!spec) return Fail(LoadStr(StrId::RenderUnknownOption).arg(argument.Given));
    argument.Option = LongNameOf(*spec);

    argument.HasValue = eq >= 0;
    if (argument.HasValue) {
        argument.Value = TFileArgument::FromLocal(arg.mid(eq + 1));
        if (spec->Value == TValue::None)
            return Fail(LoadStr(StrId::RenderInvalidValue).arg(argument.Value.Name, argument.Given));
    } else if (spec->Value == TValue::Required) {
        if (i + 1 >= arguments.size()) return Fail(LoadStr(StrId::RenderMissingValue).arg(argument.Given));
        argument.Value = TFileArgument::FromLocal(arguments[++i]);
        argument.HasValue = true;
    }
    return TParseResult{true, {}};
}

} // namespace

TParseResult SplitRenderArguments(const QByteArrayList& arguments, std::vector<TRenderArgument>& split)
{
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        TRenderArgument argument;
        const TParseResult read = NextArgument(arguments, i, argument);
        if (!read.Ok) return read;
        split.push_back(argument);
    }
    return TParseResult{true, {}};
}

TParseResult ApplyRenderArgument(const TRenderArgument& argument, TRenderOptions& options)
{
    const TOptionSpec* spec = FindOption(argument.Option);
    if (!spec) return Fail(LoadStr(StrId::RenderUnknownOption).arg(argument.Given));
    if (!argument.HasValue && spec->Value == TValue::Required)
        return Fail(LoadStr(StrId::RenderMissingValue).arg(argument.Given));
    if ((argument.HasValue && spec->Value == TValue::None) || !spec->Apply(options, argument.Value, argument.HasValue))
        return Fail(LoadStr(StrId::RenderInvalidValue).arg(argument.Value.Name, argument.Given));
    if (!options.Given.contains(argument.Option)) options.Given << argument.Option;
    return TParseResult{true, {}};
}

TParseResult FinishRenderOptions(TRenderOptions& options) { return CheckCombination(options); }

TParseResult ParseRenderArguments(const QByteArrayList& arguments, TRenderOptions& options)
{
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        TRenderArgument argument;
        TParseResult step = NextArgument(arguments, i, argument);
        if (step.Ok) step = ApplyRenderArgument(argument, options);
        if (!step.Ok) return step;
        if (options.Help) return TParseResult{true, {}};
    }
    return CheckCombination(options);
}
