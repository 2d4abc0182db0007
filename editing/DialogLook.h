// Shared look of the dialogs: font, glyphs and icons from the program's art.
#pragma once

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

// The busy cursor for as long as it lives; Lift() takes it off while a modal
// run shows the normal cursor, Set() puts it back.
class TBusyCursor {
public:
    TBusyCursor() { Set(); }
    ~TBusyCursor() { Lift(); }
    TBusyCursor(const TBusyCursor&) = delete;
    TBusyCursor& operator=(const TBusyCursor&) = delete;
    void Set();
    void Lift();

private:
    bool FSet = false;
};
