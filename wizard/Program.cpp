#include "wizard/Program.h"

#include "resources/StringTable.h"
#include "settings/StoreWarnings.h"
#include "widgets/ErrorBox.h"

#include <QMessageBox>
#include <QTimer>

#include <cstdio>
#include <memory>

TCubiformApplication::TCubiformApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool TCubiformApplication::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        // The box waits until the event is done: an error inside a paint or a
        // mouse press must not run a dialog in the middle of it. One box at a
        // time; errors meanwhile go to the standard error output.
        const QString text = CurrentErrorText();
        if (FErrorPending) {
            std::fprintf(stderr, "cubiform: %s\n", qPrintable(text));
            return false;
        }
        FErrorPending = true;
        QTimer::singleShot(0, this, [this, text] {
            ShowErrorMessage(nullptr, text);
            FErrorPending = false;
        });
        return false;
    }
}

int RunCubiform(int argc, char** argv, const TPageFactory& createPage, const TStartHook& started)
{
    TCubiformApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Cubiform"));
    QApplication::setApplicationDisplayName(LoadStr(StrId::WizAppTitle));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/art/cubiform.png")));

    // A host or page that cannot be made ends the program with its error shown.
    std::unique_ptr<TWin2kWizFrm> hostWindow;
    if (!RunCommand(nullptr, [&] { hostWindow = std::make_unique<TWin2kWizFrm>(createPage); })) return 1;
    TWin2kWizFrm& host = *hostWindow;
    host.show();
    if (!host.SettingsError().isEmpty()) QMessageBox::warning(&host, LoadStr(StrId::WizAppTitle), host.SettingsError());
    WarnOfDamagedSettings(&host);
    if (started) started(host);
    const int status = app.exec();
    // The host and its page save the settings as they go; a save refused
    // then reaches the user while the application still stands.
    hostWindow.reset();
    WarnOfUnsavedSettings(nullptr);
    return status;
}
