// Errors that escape a command: the command ends, the user sees what went
// wrong in an error box, and the program goes on.
#pragma once

#include <QString>

#include <exception>

class QWidget;

// The text the user sees for an error: its own message; for running out of
// memory, or a message that is empty, a text of the program's own.
QString ErrorBoxText(const std::exception& error);
// The same for the exception being handled (inside a catch block), whatever it is.
QString CurrentErrorText();

// A critical message box with the text, captioned with the application title,
// over parent (or the active window when parent is null). While an error box
// is open, further errors go to the standard error output instead, so an
// error that repeats on every repaint cannot stack boxes.
void ShowErrorMessage(QWidget* parent, const QString& text);
void ShowErrorBox(QWidget* parent, const std::exception& error);
// For a `catch (...)` block: shows the exception being handled.
void ShowCurrentErrorBox(QWidget* parent);

// Runs a command; an error it raises is shown and ends only the command.
// Returns whether the command ran to its end.
template <class F> bool RunCommand(QWidget* parent, F&& command)
{
    try {
        command();
        return true;
    } catch (...) {
        ShowCurrentErrorBox(parent);
        return false;
    }
}
