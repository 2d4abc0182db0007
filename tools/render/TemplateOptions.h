// cubiform-render and the user's template store: --template NAME takes the
// faces and the default size from a stored template, --list-templates prints
// the stored names. As in the wizard, an empty store gets the sample template
// (and is saved with it).
#pragma once

#include "RenderOptions.h"

#include <cstdio>
#include <vector>

// Prints the stored template names, one a line. Exit status: 0, or 1 when the
// store cannot be read (the message on err).
int ListTemplates(std::FILE* out, std::FILE* err);

// Fills the faces not given on the command line, and the default size unless
// one was given, from the template named options.Template (letter case
// ignored). Exit status: 0, or 1 with a message on err for an unknown name, a
// template without the faces the style needs, or a store that cannot be read.
int ApplyTemplate(TRenderOptions& options, std::FILE* err);

// The same for many jobs with one read of the store: problems[i] receives the
// message for jobs[i], or an empty text. Status 1 (the message on err) when
// the store cannot be read, and then no job's template applied.
int ApplyTemplates(const std::vector<TRenderOptions*>& jobs, std::vector<QString>& problems, std::FILE* err);
