// The file dialogs of Save Project and Open Project.
#pragma once

#include <QString>

class QWidget;

// The project file to save to, with the ".cubiform" extension, asked in
// `folder` with `name` filled in; the user is asked before a file is
// replaced (No goes back to the dialog). Empty when cancelled.
QString AskProjectSaveName(QWidget* parent, const QString& folder, const QString& name);
// The project file to open, asked in `folder`. Empty when cancelled.
QString AskProjectOpenName(QWidget* parent, const QString& folder);
// Whether fileName names a project file (by its extension).
bool IsProjectFileName(const QString& fileName);
