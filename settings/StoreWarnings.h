// What the program tells the user about its settings store: a damaged
// settings file set aside at start, and settings that could not be saved.
#pragma once

class QWidget;

// One warning box naming the copies of damaged settings files set aside since
// the last call; nothing when there are none.
void WarnOfDamagedSettings(QWidget* parent);

// Writes what the store still holds unwritten (a save that failed as the
// program closed) and, when that fails again, says so in a warning box.
// True when nothing is left unsaved.
bool WarnOfUnsavedSettings(QWidget* parent);
