// Answers the modal dialogs a test sets off. Answers are queued before the
// action that opens the dialogs and are used in the order the dialogs open.
// A dialog that opens with no answer queued, or of another kind than the
// next answer is for, fails the test and is closed (as with Esc) so that the
// test goes on instead of hanging; an answer still queued when the test ends
// fails it too, and is dropped.
#pragma once

#include <QMessageBox>
#include <QString>
#include <QWidget>

#include <functional>
#include <memory>
#include <ostream>

// What a dialog showed when it was answered.
struct TAnswered {
    bool Seen = false;
    // A box's text, a file dialog's name filter at opening, an input's text
    // before typing, any other dialog's title.
    QString Text;
    // A file dialog's folder at opening.
    QString Folder;
    QMessageBox::Icon Icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons Buttons;
};
using TAnswer = std::shared_ptr<const TAnswered>;

// Presses button on the next message box.
TAnswer AnswerBox(QMessageBox::StandardButton button);
// Selects the name filter of filterIndex (-1 keeps it), puts fileName in the
// name field and accepts, as the OK button does; an empty fileName cancels.
TAnswer AnswerFileDialog(const QString& fileName, int filterIndex = -1);
// Accepts or rejects the next dialog of any kind.
TAnswer AnswerDialog(bool accept);
// Types text into the dialog's edit of that name (after clearing it) and
// clicks its button of that name.
TAnswer AnswerInput(const char* edit, const QString& text, const char* button);

namespace modal_answers {
enum class TOutcome { Done, Retry, WrongKind };
using TAnswerFn = std::function<TOutcome(QWidget*, TAnswered&)>;
TAnswer Queue(TAnswerFn answer);
} // namespace modal_answers

// Hands the next dialog, which must be a T, to step; step must close it.
template <class T, class Step>
TAnswer AnswerWith(Step step)
{
    return modal_answers::Queue([step](QWidget* w, TAnswered& seen) {
        T* dialog = qobject_cast<T*>(w);
        if (!dialog) return modal_answers::TOutcome::WrongKind;
        seen.Text = dialog->windowTitle();
        step(dialog);
        return modal_answers::TOutcome::Done;
    });
}

// Readable Qt strings in test failures.
inline void PrintTo(const QString& text, std::ostream* os)
{
    *os << '"' << text.toStdString() << '"';
}
