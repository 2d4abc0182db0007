// Shared look of the dialogs: font, glyphs and icons from the program's art.
#pragma once

#include "widgets/BusyCursor.h"

#include <QIcon>
#include <QPixmap>
#include <QString>

class QWidget;

// The dialogs keep "Tahoma" when it is installed; otherwise they take the
// desktop's default font instead of a stand-in for the designed bitmap font.
void UseDialogFont(QWidget* form);

// A picture of the dialogs' art by its resource name ("INFO", "btnAdd", ...);
// null when there is none of that name.
QPixmap DialogArt(const QString& name);
QIcon DialogGlyph(const QString& name);

