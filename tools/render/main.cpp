// cubiform-render: the wizard's rendering from the command line.
//
//   cubiform-render [--front F --side S [--top T]] [--style two-sided|three-sided|book]
//                   [--orientation left|right] [--shadow] [--default-size[=WxH]]
//                   [--preview] [--template NAME] [--memory-limit N]
//                   [--view classic|free] [--yaw DEG] [--pitch DEG] [--fov DEG]
//                   [--size WxH | --scale S] [--reflection[=PCT]] [--geometry FILE.json]
//                   -o OUT.jpg|OUT.gif|OUT.bmp|OUT.png
//   cubiform-render --list-templates
//
// Without faces it renders the sample faces from the Samples folder beside
// the executable. Exit status: 0 done, 1 failure, 2 usage error.
#include "RenderJob.h"
#include "RenderOptions.h"
#include "TemplateOptions.h"

#include "platform/MemoryBudget.h"
#include "resources/StringTable.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);

    // The arguments stay the system's bytes: a file name that is not valid in
    // the local encoding still opens.
    QByteArrayList arguments;
    for (int i = 1; i < argc; ++i) arguments.append(QByteArray(argv[i]));

    TRenderOptions options;
    const TParseResult parsed = ParseRenderArguments(arguments, options);
    const QByteArray usage = LoadStr(StrId::RenderUsage).toLocal8Bit();
    if (!parsed.Ok) {
        std::fprintf(stderr, "cubiform-render: %s\n\n%s", qPrintable(parsed.Error), usage.constData());
        return 2;
    }
    if (options.Help) {
        std::fputs(usage.constData(), stdout);
        return 0;
    }
    membudget::SetLimit(options.MemoryLimit);
    if (options.ListTemplates) return ListTemplates(stdout, stderr);
    if (!options.Template.isEmpty() && ApplyTemplate(options, stderr) != 0) return 1;
    return RunRender(options, stdout, stderr);
}
