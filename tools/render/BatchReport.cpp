#include "BatchReport.h"

#include "resources/StringTable.h"

#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

constexpr qint64 kLineRedrawMs = 100;

// "0:42", "12:05", "1:02:03"
QString Duration(double seconds)
{
    const qint64 s = qint64(seconds + 0.5);
    if (s < 3600) return QStringLiteral("%1:%2").arg(s / 60).arg(s % 60, 2, 10, QLatin1Char('0'));
    return QStringLiteral("%1:%2:%3").arg(s / 3600).arg(s / 60 % 60, 2, 10, QLatin1Char('0')).arg(s % 60, 2, 10, QLatin1Char('0'));
}

} // namespace

TBatchReport::TBatchReport(int total, TProgressStyle style, const QElapsedTimer& clock, std::FILE* out,
                           std::FILE* err)
    : FTotal(total), FStyle(style), FClock(clock), FOut(out), FErr(err)
{
}

int TBatchReport::Done() const
{
    const std::lock_guard lock(FMutex);
    return FDone;
}

int TBatchReport::Failed() const
{
    const std::lock_guard lock(FMutex);
    return FFailed;
}

void TBatchReport::Finished(const TBatchJob& job, const QString& written, const QString& error)
{
    const std::lock_guard lock(FMutex);
    const bool done = !written.isEmpty();
    ++(done ? FDone : FFailed);
    if (!done) Write(LoadStr(StrId::BatchOnLine).arg(job.Line).arg(error));
    if (FStyle == TProgressStyle::Json) {
        QJsonObject object{{"line", job.Line}, {"index", job.Index}, {"status", done ? "done" : "failed"}};
        if (done)
            object.insert("output", QFileInfo(written).absoluteFilePath());
        else
            object.insert("error", error);
        std::fprintf(FOut, "%s\n", QJsonDocument(object).toJson(QJsonDocument::Compact).constData());
        std::fflush(FOut);
    }
    DrawLine(FDone + FFailed == FTotal);
}

void TBatchReport::Note(const QString& message)
{
    const std::lock_guard lock(FMutex);
    Write(message);
}

void TBatchReport::Write(const QString& message)
{
    if (FLineDrawnMs >= 0) std::fputs("\r\033[K", FErr);
    std::fprintf(FErr, "cubiform-render: %s\n", qPrintable(message));
    if (FLineDrawnMs >= 0) DrawLine(true);
    std::fflush(FErr);
}

void TBatchReport::DrawLine(bool always)
{
    if (FStyle != TProgressStyle::Line) return;
    const qint64 now = FClock.elapsed();
    if (!always && FLineDrawnMs >= 0 && now - FLineDrawnMs < kLineRedrawMs) return;
    FLineDrawnMs = now;
    const int finished = FDone + FFailed;
    const double seconds = std::max(now, qint64(1)) / 1000.0;
    const double rate = finished / seconds;
    const QString left = rate > 0 ? Duration((FTotal - finished) / rate) : QStringLiteral("-");
    const QString line = LoadStr(StrId::BatchProgress).arg(finished).arg(FTotal).arg(rate, 0, 'f', 1).arg(left);
    std::fprintf(FErr, "\r%s\033[K", qPrintable(line));
    std::fflush(FErr);
}

void TBatchReport::Summary(int notRun)
{
    const std::lock_guard lock(FMutex);
    if (FLineDrawnMs >= 0) std::fputs("\r\033[K", FErr);
    FLineDrawnMs = -1;
    const double seconds = FClock.elapsed() / 1000.0;
    QString summary = LoadStr(StrId::BatchSummary)
                          .arg(FDone)
                          .arg(FFailed)
                          .arg(seconds, 0, 'f', seconds < 10 ? 2 : 1)
                          .arg(seconds > 0 ? FDone / seconds : 0.0, 0, 'f', 1);
    if (notRun > 0) summary += LoadStr(StrId::BatchNotRun).arg(notRun);
    std::fprintf(FErr, "cubiform-render: %s\n", qPrintable(summary));
    std::fflush(FErr);
}
