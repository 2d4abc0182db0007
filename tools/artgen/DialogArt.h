// The dialogs' icons (48 x 48) and button glyphs (16 x 16).
#pragma once

#include <QDir>

// Writes FOLDER_CLOSE.png ... INFO.png, btnAdd.png, btnDelete.png,
// btnOpen.png and btnSelect.png into the "dialogs" folder below dir.
bool WriteDialogArt(const QDir& dir);
