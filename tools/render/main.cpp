// cubiform-render: the wizard's rendering from the command line.
//
//   cubiform-render [--front F --side S [--top T]] [--style two-sided|three-sided|book]
//                   [--orientation left|right] [--shadow] [--default-size[=WxH]]
//                   [--preview] [--template NAME] [--memory-limit N]
//                   [--view classic|free] [--yaw DEG] [--pitch DEG] [--fov DEG]
//                   [--size WxH | --scale S] [--reflection[=PCT]] [--geometry FILE.json]
//                   -o OUT.jpg|OUT.gif|OUT.bmp|OUT.png
//   cubiform-render --list-templates
//   cubiform-render --batch FILE|- [--jobs N] [--shard K/N] [--fail-fast] [--quiet]
//                   [--progress=json] [OPTION...]
//
// Without faces it renders the sample faces from the Samples folder beside
// the executable. Exit status: 0 done, 1 failure, 2 usage error.
#include "BatchCommand.h"
#include "BatchRun.h"
#include "RenderJob.h"
#include "RenderOptions.h"
#include "TemplateOptions.h"

#include "platform/MemoryBudget.h"
#include "resources/StringTable.h"

#include <QCoreApplication>

#include <cstdio>

namespace {

// A usage error (status 2), or the usage asked for by --help (status 0).
int EndWithUsage(const TParseResult& parsed)
{
    const QByteArray usage = LoadStr(StrId::RenderUsage).toLocal8Bit();
    if (parsed.Ok) {
        std::fputs(usage.constData(), stdout);
        return 0;
    }
    std::fprintf(stderr, "cubiform-render: %s\n\n%s", qPrintable(parsed.Error), usage.constData());
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);

    // The arguments stay the system's bytes: a file name that is not valid in
    // the local encoding still opens.
    QByteArrayList arguments;
    for (int i = 1; i < argc; ++i) arguments.append(QByteArray(argv[i]));

    TBatchCommand batch;
    const TParseResult batchParsed = ParseBatchCommand(arguments, batch);
    if (!batchParsed.Ok || batch.Help) return EndWithUsage(batchParsed);
    if (batch.Requested) return RunBatch(batch, stdout, stderr);

    TRenderOptions options;
    const TParseResult parsed = ParseRenderArguments(arguments, options);
    if (!parsed.Ok || options.Help) return EndWithUsage(parsed);
    membudget::SetLimit(options.MemoryLimit);
    if (options.ListTemplates) return ListTemplates(stdout, stderr);
    if (!options.Template.isEmpty() && ApplyTemplate(options, stderr) != 0) return 1;
    return RunRender(options, stdout, stderr);
}
