// Program start: the application object, the host window, the event loop.
#pragma once

#include "wizard/Main.h"

// Runs the program with the wizard page made by createPage (none when empty)
// and returns the exit status.
int RunCubiform(int argc, char** argv, const TPageFactory& createPage);
