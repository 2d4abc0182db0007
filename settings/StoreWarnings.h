// What the program tells the user about its settings store: a damaged
// settings file set aside at start, and settings that could not be saved.
#pragma once

class QString;
class QWidget;

// One warning box naming the copies of damaged settings files set aside since
// the last call, and saying once that the settings file is not a regular file
// (so that nothing is saved); nothing when there is nothing to tell.
void WarnOfDamagedSettings(QWidget* parent);

// Remembers the error of a save that failed as the program closed (a
// settings object freed in a destructor), for WarnOfUnsavedSettings to show.
void NoteFailedSave(const QString& message);

// Writes what the store still holds unwritten (a save that failed as the
// program closed) and, when that fails again or a failed save was noted, says
// so in one warning box. True when nothing is left unsaved.
bool WarnOfUnsavedSettings(QWidget* parent);
