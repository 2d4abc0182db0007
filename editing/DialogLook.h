// Shared look of the dialogs: font, glyphs and icons from the program's art.
#pragma once

#include "widgets/BusyCursor.h"

#include <QIcon>
#include <QPixmap>
#include <QString>

class QPushButton;
class QWidget;

// The dialogs keep "Tahoma" when it is installed; otherwise they take the
// desktop's default font instead of a stand-in for the designed bitmap font.
void UseDialogFont(QWidget* form);

// A picture of the dialogs' art by its resource name ("INFO", "btnAdd", ...);
// null when there is none of that name.
QPixmap DialogArt(const QString& name);
QIcon DialogGlyph(const QString& name);

// The dialogs' OK button ("btnOk", the default button) and their Cancel
// button under its form's component name; the caller connects them.
QPushButton* MakeOkButton(QWidget* dialog, bool enabled);
QPushButton* MakeCancelButton(QWidget* dialog, const char* objectName);
