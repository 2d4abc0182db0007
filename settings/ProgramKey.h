// Where the program keeps its settings, and the program folder.
#pragma once

#include <QString>

// "Software\Quillmere Software\Quillmere Cubiform\", relative to HKEY_CURRENT_USER.
QString ProgramKey();
// The key of a dialog's position below the program key:
// DialogKey("New Image") is ProgramKey() + "Dialogs\New Image\".
QString DialogKey(const QString& dialogName);
// The Templates dialog keeps its position at the top of the user's hive.
QString TemplatesDialogKey();
// The folder of the running executable, with a trailing "/".
QString ProgramFolder();
// ProgramFolder() + "Samples/" when that folder exists; otherwise the samples
// of an installed program (<prefix>/share/cubiform/Samples/ beside <prefix>/bin)
// when they exist; otherwise ProgramFolder() + "Samples/" still.
QString SamplesFolder();
