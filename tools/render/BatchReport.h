// What cubiform-render --batch tells while it runs: failed jobs with their
// line, the progress, and the summary at the end. Called from the worker
// threads.
#pragma once

#include "BatchManifest.h"

#include <QElapsedTimer>
#include <QString>

#include <cstdio>
#include <mutex>

enum class TProgressStyle {
    None, // errors and the summary only (a pipe, or --quiet)
    Line, // one line on the terminal, drawn over as jobs end
    Json, // one JSON object a finished job on the standard output
};

class TBatchReport {
public:
    // `clock` runs from the start of the batch.
    TBatchReport(int total, TProgressStyle style, const QElapsedTimer& clock, std::FILE* out, std::FILE* err);

    // A job ended: `written` is its file, or it is empty and `error` says why.
    void Finished(const TBatchJob& job, const QString& written, const QString& error);
    // A message of the program's on the standard error.
    void Note(const QString& message);
    // Done, failed, the time and the rate; `notRun` jobs never started.
    void Summary(int notRun);

    int Done() const;
    int Failed() const;

private:
    void Write(const QString& message); // over the progress line, which comes back
    void DrawLine(bool always);

    const int FTotal;
    const TProgressStyle FStyle;
    const QElapsedTimer& FClock;
    std::FILE* const FOut;
    std::FILE* const FErr;
    mutable std::mutex FMutex;
    int FDone = 0, FFailed = 0;
    qint64 FLineDrawnMs = -1;
};
