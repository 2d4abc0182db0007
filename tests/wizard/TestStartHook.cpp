// The start hook of the program's test build (cubiform_testhooks), never of
// the program itself: CUBIFORM_TEST_SNAPSHOT names a PNG file for a picture of
// the window once it is on the screen, and CUBIFORM_TEST_CLOSE_MS closes the
// window (as the title-bar button would) that many milliseconds after the
// event loop starts, or after the picture.
#include "wizard/Program.h"

#include <QScreen>
#include <QTimer>
#include <QWindow>

#include <cstdio>

namespace {

void InstallTestHooks(TWin2kWizFrm& host)
{
    const QString snapshot = qEnvironmentVariable("CUBIFORM_TEST_SNAPSHOT");
    bool hasDelay = false;
    const int closeMs = std::max(0, qEnvironmentVariableIntValue("CUBIFORM_TEST_CLOSE_MS", &hasDelay));
    auto closeLater = [&host, hasDelay, closeMs] {
        if (hasDelay) QTimer::singleShot(closeMs, &host, [&host] { host.close(); });
    };
    if (snapshot.isEmpty()) {
        closeLater();
        return;
    }
    // Wait (at most 5 s) until the window is exposed, then let it paint.
    auto* poll = new QTimer(&host);
    poll->setInterval(50);
    QObject::connect(poll, &QTimer::timeout, &host, [&host, poll, snapshot, closeLater, tries = 0]() mutable {
        const bool exposed = host.windowHandle() && host.windowHandle()->isExposed();
        if (!exposed && ++tries < 100) return;
        poll->stop();
        QTimer::singleShot(100, &host, [&host, snapshot, closeLater] {
            QPixmap shot;
            if (QScreen* screen = host.screen()) shot = screen->grabWindow(host.winId());
            if (shot.isNull()) shot = host.grab();
            if (!shot.save(snapshot, "PNG"))
                std::fprintf(stderr, "cubiform: cannot write %s\n", qPrintable(snapshot));
            closeLater();
        });
    });
    poll->start();
}

} // namespace

TStartHook ProgramStartHook()
{
    return InstallTestHooks;
}
