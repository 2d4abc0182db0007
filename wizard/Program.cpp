#include "wizard/Program.h"

#include "resources/StringTable.h"

#include <QApplication>
#include <QMessageBox>
#include <QScreen>
#include <QTimer>
#include <QWindow>

#include <cstdio>

namespace {

// Hooks for the program's own tests, not for users: CUBIFORM_TEST_SNAPSHOT
// names a PNG file for a picture of the window once it shows, and
// CUBIFORM_TEST_CLOSE_MS closes the window (as the title-bar button would)
// that many milliseconds after the event loop starts.
void InstallTestHooks(TWin2kWizFrm& host)
{
    const QString snapshot = qEnvironmentVariable("CUBIFORM_TEST_SNAPSHOT");
    bool hasDelay = false;
    const int closeMs = qEnvironmentVariableIntValue("CUBIFORM_TEST_CLOSE_MS", &hasDelay);
    if (!snapshot.isEmpty()) {
        QTimer::singleShot(std::max(0, closeMs / 2), &host, [&host, snapshot] {
            QPixmap shot;
            if (QScreen* screen = host.screen()) shot = screen->grabWindow(host.winId());
            if (shot.isNull()) shot = host.grab();
            if (!shot.save(snapshot, "PNG"))
                std::fprintf(stderr, "cubiform: cannot write %s\n", qPrintable(snapshot));
        });
    }
    if (hasDelay) QTimer::singleShot(std::max(0, closeMs), &host, [&host] { host.close(); });
}

} // namespace

int RunCubiform(int argc, char** argv, const TPageFactory& createPage)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Cubiform"));
    QApplication::setApplicationDisplayName(LoadStr(StrId::WizAppTitle));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/art/cubiform.png")));

    TWin2kWizFrm host(createPage);
    host.show();
    if (!host.SettingsError().isEmpty()) QMessageBox::warning(&host, LoadStr(StrId::WizAppTitle), host.SettingsError());
    InstallTestHooks(host);
    return app.exec();
}
