// Program start: the application object, the host window, the event loop.
#pragma once

#include "wizard/Main.h"

#include <QApplication>

#include <functional>

// The application object. An error that escapes an event handler (a command,
// a slot, a paint) ends that handler only: it is shown in an error box once
// the event is done, and the program goes on.
class TCubiformApplication : public QApplication {
public:
    TCubiformApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;

private:
    bool FErrorPending = false;  // an error box is queued
};

// Runs once the host window is shown, before the event loop starts.
using TStartHook = std::function<void(TWin2kWizFrm& host)>;

// What the program runs at start: nothing in the program itself; the build of
// the program for its tests links its own (tests/wizard).
TStartHook ProgramStartHook();

// Runs the program with the wizard page made by createPage (none when empty)
// and returns the exit status.
int RunCubiform(int argc, char** argv, const TPageFactory& createPage, const TStartHook& started = {});
