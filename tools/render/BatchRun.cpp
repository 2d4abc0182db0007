#include "BatchRun.h"

#include "BatchManifest.h"
#include "BatchReport.h"
#include "FaceCache.h"
#include "ProjectJob.h"
#include "RenderJob.h"
#include "TemplateOptions.h"

#include "imaging/Transformation.h"
#include "platform/MemoryBudget.h"
#include "resources/StringTable.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <atomic>
#include <csignal>
#include <thread>
#include <unistd.h>

namespace {

void Report(std::FILE* err, const QString& message)
{
    std::fprintf(err, "cubiform-render: %s\n", qPrintable(message));
}

// Ctrl-C or a TERM lets the jobs under way end and starts no other; the
// second one ends the program at once.
std::atomic<int> gSignal{0};
static_assert(std::atomic<int>::is_always_lock_free);

void OnSignal(int signal) { gSignal = signal; }

void CatchSignals()
{
    gSignal = 0;
    struct sigaction action {};
    action.sa_handler = OnSignal;
    action.sa_flags = SA_RESETHAND;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

// Opens the manifest; false with the reason.
bool OpenManifest(const QString& name, QFile& file, QString& folder, QString& why)
{
    if (name == QLatin1String("-")) {
        folder = QDir::currentPath();
        if (file.open(stdin, QIODevice::ReadOnly)) return true;
        why = LoadStr(StrId::RenderUnreadable);
        return false;
    }
    const QFileInfo info(name);
    folder = info.absolutePath();
    if (!info.exists()) why = LoadStr(StrId::RenderNoSuchFile);
    else if (info.isDir()) why = LoadStr(StrId::RenderIsFolder);
    file.setFileName(name);
    if (why.isEmpty() && file.open(QIODevice::ReadOnly)) return true;
    if (why.isEmpty()) why = LoadStr(StrId::RenderUnreadable);
    return false;
}

struct TPlannedJob {
    TBatchJob Job;
    TFaceFiles Faces;
    QString Problem; // known before it runs (its template)
};

// Renders one job with its faces from the cache: the written file, or an
// empty name with the reason in `error`.
QString RenderPlannedJob(const TPlannedJob& planned, TFaceCache& cache, QString& error)
{
    if (!planned.Problem.isEmpty()) {
        error = planned.Problem;
        return {};
    }
    const TRenderOptions& options = planned.Job.Options;
    const membudget::TThreadLimit limit(options.MemoryLimit);
    TBitmap32 F, S, T;
    if (!options.Project.IsEmpty()) {
        // A project's faces are its own: they do not go through the cache.
        TRenderOptions settled = options;
        if (!LoadProjectJob(settled, F, S, T, error)) return {};
        return RenderFaces(settled, F, S, T, error);
    }
    const TFaceCache::TJobScope running(cache);
    TFaceCache::TReservation work;
    {
        const TFileArgument* files[3] = {&planned.Faces.Front, &planned.Faces.Side, &planned.Faces.Top};
        TFaceCache::TFace faces[3];
        for (int i = 0; i < 3; ++i) {
            if (files[i]->IsEmpty()) continue;
            TFaceCache::TLoad load = cache.Get(files[i]->Local);
            if (!load.Face) {
                error = FaceLoadMessage(*files[i], load.Result, load.Why);
                return {};
            }
            faces[i] = std::move(load.Face);
        }
        const TBitmap32 noTop;
        const TBitmap32& top = faces[2] ? *faces[2] : noTop;
        const TRenderNeed need = RenderMemoryNeed(options, *faces[0], *faces[1], top);
        // The render's own checks decide as in a single render: a job never
        // asks for more than it could have alone, beside the faces it holds.
        std::int64_t held = 0;
        for (int i = 0; i < 3; ++i)
            if (faces[i] && (i == 0 || faces[i] != faces[i - 1]) && (i < 2 || faces[i] != faces[0]))
                held += membudget::PictureBytes(faces[i]->Width(), faces[i]->Height());
        try {
            work = cache.Reserve(std::clamp(cache.Budget() - held, std::int64_t(0), need.Bytes), need.What);
            F.CopyFrom(*faces[0]);
            S.CopyFrom(*faces[1]);
            T.CopyFrom(top);
        } catch (const EMemoryBudgetError& e) {
            error = e.Message();
            return {};
        } catch (const std::exception& e) {
            error = LoadStr(StrId::RenderRenderFailed).arg(QString::fromLocal8Bit(e.what()));
            return {};
        }
    } // the cache may give the faces up now: the job has its copies
    return RenderFaces(options, F, S, T, error);
}

// The shard's jobs with their templates applied (the store is read once,
// here, before any worker starts) and their face files.
std::vector<TPlannedJob> PlanJobs(TManifest& manifest, const TBatchCommand& command, std::FILE* err)
{
    std::vector<TPlannedJob> plan;
    for (TBatchJob& job : manifest.Jobs)
        if (InShard(job, command.Shard, command.Shards)) plan.push_back({std::move(job), {}, {}});

    std::vector<TRenderOptions*> templated;
    std::vector<TPlannedJob*> owners;
    for (TPlannedJob& planned : plan) {
        if (planned.Job.Options.Template.isEmpty()) continue;
        templated.push_back(&planned.Job.Options);
        owners.push_back(&planned);
    }
    if (!templated.empty()) {
        std::vector<QString> problems;
        const bool read = ApplyTemplates(templated, problems, err) == 0;
        for (std::size_t i = 0; i < owners.size(); ++i)
            owners[i]->Problem = read ? problems[i] : LoadStr(StrId::BatchTemplateStoreFailed);
    }
    for (TPlannedJob& planned : plan)
        if (planned.Problem.isEmpty()) planned.Faces = FaceFilesOf(planned.Job.Options);
    return plan;
}

} // namespace

int RunBatch(const TBatchCommand& command, std::FILE* out, std::FILE* err)
{
    QElapsedTimer clock;
    clock.start();
    membudget::SetLimit(command.DefaultOptions.MemoryLimit);

    QFile file;
    QString folder, why;
    if (!OpenManifest(command.Manifest, file, folder, why)) {
        Report(err, LoadStr(StrId::BatchCannotReadManifest).arg(command.Manifest, why));
        return 2;
    }
    TManifest manifest = ReadManifest(file, folder, command.Defaults);
    file.close();
    if (!manifest.Problems.empty()) {
        for (const TManifestProblem& problem : manifest.Problems)
            Report(err, LoadStr(StrId::BatchOnLine).arg(problem.Line).arg(problem.Message));
        Report(err, LoadStr(StrId::BatchManifestRefused));
        return 2;
    }

    const std::vector<TPlannedJob> plan = PlanJobs(manifest, command, err);
    TFaceCache cache(membudget::Limit());
    for (const TPlannedJob& planned : plan)
        for (const TFileArgument* face : {&planned.Faces.Front, &planned.Faces.Side, &planned.Faces.Top})
            if (!face->IsEmpty()) cache.ExpectUse(face->Local);

    // One job a worker, each on its own thread alone: the workers share the cores.
    SetTransformThreads(1);
    const int cores = int(std::max(1u, std::thread::hardware_concurrency()));
    const int workers = std::max(1, std::min(command.Jobs > 0 ? command.Jobs : cores, int(plan.size())));
    const TProgressStyle style = command.JsonProgress                    ? TProgressStyle::Json
                                 : command.Quiet || !::isatty(::fileno(err)) ? TProgressStyle::None
                                                                          : TProgressStyle::Line;
    TBatchReport report(int(plan.size()), style, clock, out, err);
    std::atomic<std::size_t> next{0};
    std::atomic<bool> stop{false};
    std::atomic<int> started{0};
    CatchSignals();
    auto work = [&] {
        for (;;) {
            if (gSignal && !stop.exchange(true)) report.Note(LoadStr(StrId::BatchInterrupted));
            if (stop) return;
            const std::size_t i = next++;
            if (i >= plan.size()) return;
            ++started;
            QString error;
            const QString written = RenderPlannedJob(plan[i], cache, error);
            report.Finished(plan[i].Job, written, error);
            if (written.isEmpty() && command.FailFast) stop = true;
        }
    };
    std::vector<std::thread> threads;
    for (int i = 0; i < workers; ++i) threads.emplace_back(work);
    for (std::thread& thread : threads) thread.join();

    const int notRun = int(plan.size()) - started;
    report.Summary(notRun);
    if (gSignal) return 128 + gSignal;
    return report.Failed() > 0 || notRun > 0 ? 1 : 0;
}
