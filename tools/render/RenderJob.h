// The work of cubiform-render once its options are read: load the faces,
// compose the box as the wizard does, save the result.
#pragma once

#include "RenderOptions.h"

#include <QString>

#include <cstdio>

// Exit status: 0 done, 1 failure (the message names the file and the reason).
// Without faces the bundled samples beside the program are rendered.
int RunRender(const TRenderOptions& options, std::FILE* out, std::FILE* err);
