#include "BatchManifest.h"

#include "RenderJob.h"

#include "platform/MemoryBudget.h"
#include "resources/StringTable.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>

#include <cmath>
#include <map>

namespace {

// A number as an option's text: whole numbers without a fraction.
QString NumberText(double value)
{
    if (std::isfinite(value) && value == std::trunc(value) && std::fabs(value) < 9.0e15)
        return QString::number(qint64(value));
    return QString::number(value, 'g', 17);
}

// The argument a key's value stands for. False: the option is left out
// (`remove`), or the value does not fit the option (`problem`).
bool ArgumentOf(const TRenderOptionInfo& info, const QString& key, const QJsonValue& value, const QString& folder,
                TRenderArgument& argument, bool& remove, QString& problem)
{
    const StrId expected = info.Value == TOptionValue::None       ? StrId::BatchFlagValue
                           : info.Value == TOptionValue::Required ? StrId::BatchTextValue
                                                                  : StrId::BatchOptionalValue;
    argument.Option = info.LongName;
    argument.Given = QStringLiteral("--") + key;
    QString text;
    bool hasText = false;
    switch (value.type()) {
    case QJsonValue::Bool:
        if (info.Value == TOptionValue::Required) break;
        remove = !value.toBool();
        return !remove;
    case QJsonValue::String:
        text = value.toString();
        hasText = true;
        break;
    case QJsonValue::Double:
        text = NumberText(value.toDouble());
        hasText = true;
        break;
    default: break;
    }
    if (!hasText || info.Value == TOptionValue::None) {
        problem = LoadStr(expected).arg(key);
        return false;
    }
    // The system would take a name only up to a zero byte: another file.
    if (text.contains(QChar(0))) {
        problem = LoadStr(StrId::RenderInvalidValue).arg(QString(text).replace(QChar(0), QLatin1String("\\0")), argument.Given);
        return false;
    }
    if (info.NamesFile && !text.isEmpty() && QDir::isRelativePath(text)) text = QDir(folder).filePath(text);
    argument.Value = TFileArgument::FromName(text);
    argument.HasValue = true;
    return true;
}

// The job a line's object describes, or the problem with it.
QString JobOf(const QJsonObject& object, const QString& folder, const std::vector<TRenderArgument>& defaults,
              TRenderOptions& options)
{
    std::vector<TRenderArgument> arguments = defaults;
    for (auto it = object.begin(); it != object.end(); ++it) {
        const QString& key = it.key();
        const TRenderOptionInfo* info = FindRenderOption(QStringLiteral("--") + key);
        if (!info) return LoadStr(StrId::BatchUnknownKey).arg(key);
        TRenderArgument argument;
        bool remove = false;
        QString problem;
        const bool set = ArgumentOf(*info, key, it.value(), folder, argument, remove, problem);
        if (!problem.isEmpty()) return problem;
        std::erase_if(arguments, [&](const TRenderArgument& a) { return a.Option == info->LongName; });
        if (set) arguments.push_back(argument);
    }
    for (const TRenderArgument& argument : arguments) {
        const TParseResult applied = ApplyRenderArgument(argument, options);
        if (!applied.Ok) return applied.Error;
    }
    if (options.Help) return LoadStr(StrId::BatchNotJobOption).arg("help");
    if (options.ListTemplates) return LoadStr(StrId::BatchNotJobOption).arg("list-templates");
    const TParseResult finished = FinishRenderOptions(options);
    return finished.Ok ? QString() : finished.Error;
}

// The file a job writes, under one name for all the names of it that differ
// by ".", ".." or a link to a folder that exists.
QString OutputKey(const TRenderOptions& options)
{
    const QString path = QDir::cleanPath(QFileInfo(WrittenFileName(options.Output)).absoluteFilePath());
    QString rest;
    for (QString folder = path; !folder.isEmpty() && folder != QLatin1String("/");) {
        const qsizetype slash = folder.lastIndexOf(u'/');
        rest = folder.mid(slash) + rest;
        folder = folder.left(slash);
        const QString real = QFileInfo(folder.isEmpty() ? QStringLiteral("/") : folder).canonicalFilePath();
        if (!real.isEmpty()) return (real == QLatin1String("/") ? QString() : real) + rest;
    }
    return path;
}

// The next line without its line end; false at the end. A line too long is
// read to its end and given back empty with `tooLong` set.
bool ReadLine(QIODevice& in, QByteArray& line, bool& tooLong)
{
    // readLine leaves room for a terminating zero: this gives one byte more than the most.
    line = in.readLine(kMostManifestLineBytes + 2);
    if (line.isEmpty()) return false;
    tooLong = !line.endsWith('\n') && line.size() > kMostManifestLineBytes;
    if (tooLong) {
        line.clear();
        for (QByteArray rest = in.readLine(kMostManifestLineBytes); !rest.isEmpty() && !rest.endsWith('\n');
             rest = in.readLine(kMostManifestLineBytes)) {
        }
        return true;
    }
    while (line.endsWith('\n') || line.endsWith('\r')) line.chop(1);
    return true;
}

} // namespace

TManifest ReadManifest(QIODevice& in, const QString& folder, const std::vector<TRenderArgument>& defaults)
{
    TManifest manifest;
    auto problem = [&](int line, const QString& message) { manifest.Problems.push_back({line, message}); };
    QByteArray line;
    bool tooLong = false;
    int index = 0;
    for (int number = 1; ReadLine(in, line, tooLong); ++number) {
        if (tooLong) {
            problem(number, LoadStr(StrId::BatchLineTooLong).arg(membudget::FormatSize(kMostManifestLineBytes)));
            ++index;
            continue;
        }
        const QByteArray trimmed = line.trimmed();
        if (trimmed.isEmpty() || trimmed.startsWith('#')) continue;
        TBatchJob job;
        job.Line = number;
        job.Index = index++;
        QJsonParseError error{};
        const QJsonDocument document = QJsonDocument::fromJson(line, &error);
        if (error.error != QJsonParseError::NoError) {
            problem(number, LoadStr(StrId::BatchNotJson).arg(error.errorString()).arg(error.offset + 1));
            continue;
        }
        if (!document.isObject()) {
            problem(number, LoadStr(StrId::BatchNotObject));
            continue;
        }
        const QString message = JobOf(document.object(), folder, defaults, job.Options);
        if (!message.isEmpty()) {
            problem(number, message);
            continue;
        }
        manifest.Jobs.push_back(std::move(job));
    }

    std::map<QString, int> writers; // output -> the first line writing it
    for (const TBatchJob& job : manifest.Jobs) {
        const QString key = OutputKey(job.Options);
        const auto [first, added] = writers.emplace(key, job.Line);
        if (!added) problem(job.Line, LoadStr(StrId::BatchSameOutput).arg(key).arg(first->second));
    }
    std::stable_sort(manifest.Problems.begin(), manifest.Problems.end(),
                     [](const TManifestProblem& a, const TManifestProblem& b) { return a.Line < b.Line; });
    return manifest;
}
