#include "BatchCommand.h"

#include "resources/StringTable.h"

#include <QFile>
#include <QRegularExpression>

#include <functional>

namespace {

constexpr int kMostJobs = 1024;

TParseResult Fail(const QString& message) { return TParseResult{false, message}; }

struct TBatchOption {
    const char* Name;
    bool TakesValue;
    // False when the value is not acceptable.
    std::function<bool(TBatchCommand&, const QString& value)> Apply;
};

bool ParseJobs(const QString& text, int& jobs)
{
    static const QRegularExpression pattern(QStringLiteral("^[0-9]{1,5}$"));
    if (!pattern.match(text).hasMatch()) return false;
    jobs = text.toInt();
    return jobs >= 1 && jobs <= kMostJobs;
}

bool ParseShard(const QString& text, int& shard, int& shards)
{
    static const QRegularExpression pattern(QStringLiteral("^([0-9]{1,6})/([0-9]{1,6})$"));
    const QRegularExpressionMatch m = pattern.match(text);
    if (!m.hasMatch()) return false;
    const int k = m.captured(1).toInt(), n = m.captured(2).toInt();
    if (k < 1 || k > n) return false;
    shard = k;
    shards = n;
    return true;
}

const std::vector<TBatchOption>& BatchOptions()
{
    static const std::vector<TBatchOption> options = {
        {"--batch", true, [](TBatchCommand& c, const QString& v) { c.Manifest = v; return c.Requested = !v.isEmpty(); }},
        {"--jobs", true, [](TBatchCommand& c, const QString& v) { return ParseJobs(v, c.Jobs); }},
        {"--shard", true, [](TBatchCommand& c, const QString& v) { return ParseShard(v, c.Shard, c.Shards); }},
        {"--fail-fast", false, [](TBatchCommand& c, const QString&) { return c.FailFast = true; }},
        {"--quiet", false, [](TBatchCommand& c, const QString&) { return c.Quiet = true; }},
        {"--progress", true,
         [](TBatchCommand& c, const QString& v) {
             c.JsonProgress = v == QLatin1String("json");
             return c.JsonProgress || v == QLatin1String("auto");
         }},
    };
    return options;
}

const TBatchOption* FindBatchOption(const QString& name)
{
    for (const TBatchOption& option : BatchOptions())
        if (name == QLatin1String(option.Name)) return &option;
    return nullptr;
}

} // namespace

TParseResult ParseBatchCommand(const QByteArrayList& arguments, TBatchCommand& command)
{
    QByteArrayList rest;
    QString firstBatchOption;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QByteArray& arg = arguments[i];
        const qsizetype eq = arg.startsWith("--") ? arg.indexOf('=') : -1;
        const QString name = QFile::decodeName(eq < 0 ? arg : arg.left(eq));
        const TBatchOption* option = FindBatchOption(name);
        if (!option) {
            // A render option keeps its value with it, whatever the value looks like.
            rest.append(arg);
            const TRenderOptionInfo* render = FindRenderOption(name);
            if (render && render->Value == TOptionValue::Required && eq < 0 && i + 1 < arguments.size())
                rest.append(arguments[++i]);
            continue;
        }
        if (firstBatchOption.isEmpty()) firstBatchOption = name;
        QString value;
        if (eq >= 0) {
            value = QFile::decodeName(arg.mid(eq + 1));
            if (!option->TakesValue) return Fail(LoadStr(StrId::RenderInvalidValue).arg(value, name));
        } else if (option->TakesValue) {
            if (i + 1 >= arguments.size()) return Fail(LoadStr(StrId::RenderMissingValue).arg(name));
            value = QFile::decodeName(arguments[++i]);
        }
        if (!option->Apply(command, value)) return Fail(LoadStr(StrId::RenderInvalidValue).arg(value, name));
    }
    if (firstBatchOption.isEmpty()) return TParseResult{true, {}};
    if (!command.Requested) return Fail(LoadStr(StrId::BatchOptionWithoutBatch).arg(firstBatchOption));

    // The defaults are checked as far as they go alone; a job completes them.
    const TParseResult split = SplitRenderArguments(rest, command.Defaults);
    if (!split.Ok) return split;
    for (const TRenderArgument& argument : command.Defaults) {
        const TParseResult applied = ApplyRenderArgument(argument, command.DefaultOptions);
        if (!applied.Ok) return applied;
        if (command.DefaultOptions.Help) break;
    }
    command.Help = command.DefaultOptions.Help;
    if (command.DefaultOptions.ListTemplates) return Fail(LoadStr(StrId::BatchNotWithBatch).arg("--list-templates"));
    return TParseResult{true, {}};
}
