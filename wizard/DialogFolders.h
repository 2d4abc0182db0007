// Where the page's open and save dialogs start: the folder last used there,
// kept for the run and across runs in the application settings.
#pragma once

#include <QString>

// The save dialog's folder on a first run: samplesFolder when the program
// may write there (a build tree, an unpacked copy); otherwise, as for an
// installed program, the user's Pictures folder, or the home folder when
// there is none.
QString FirstRunSaveFolder(const QString& samplesFolder);
// folder while it exists; fallback when it is empty or gone (deleted, or on
// a drive no longer there). The stored folder itself is kept, so a drive
// that comes back is used again.
QString ExistingFolderOr(const QString& folder, const QString& fallback);
// The folder of fileName, with a trailing "/".
QString FolderOfFile(const QString& fileName);
