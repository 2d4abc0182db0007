// A project of the sample faces with layers of each kind, for the tests of
// the programs that read projects.
#pragma once

#include "editing/ProjectFile.h"

// The Greyfinch faces of samplesFolder as a three-sided box with a shadow:
// on the front a see-through picture at fractional bounds, a text layer and
// a hidden layer; on the side a picture reaching past the face's edge.
TProjectDocument SampleProject(const QString& samplesFolder);
