// The cubiform program: the wizard host window and its page.
#include "wizard/CodexaCli.h"
#include "wizard/Main.h"
#include "wizard/Program.h"
#include "wizard/ProjectDialogs.h"
#include "widgets/ErrorBox.h"

#include <QCoreApplication>
#include <QPointer>
#include <QTimer>

int main(int argc, char** argv)
{
    QPointer<TCodexaCliFrm> page;
    const TStartHook hook = ProgramStartHook();
    return RunCubiform(
        argc, argv, [&page](QWidget* owner) -> QWidget* { return page = new TCodexaCliFrm(owner); },
        [&page, hook](TWin2kWizFrm& host) {
            // A project given as the first argument (a file opened from the desktop) opens once the
            // window is up; other files are passed over.
            const QStringList arguments = QCoreApplication::arguments();
            if (arguments.size() > 1 && IsProjectFileName(arguments[1]) && page) {
                const QString project = arguments[1];
                QTimer::singleShot(0, page, [page, project] {
                    if (page) RunCommand(page, [&] { page->OpenProjectFile(project); });
                });
            }
            if (hook) hook(host);
        });
}
