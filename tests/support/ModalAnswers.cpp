#include "ModalAnswers.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QLineEdit>
#include <QPointer>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <vector>

using modal_answers::TAnswerFn;
using modal_answers::TOutcome;

namespace {

struct TPending {
    TAnswerFn Answer;
    std::shared_ptr<TAnswered> Seen;
};

std::deque<TPending>& Pending()
{
    static std::deque<TPending> queue;
    return queue;
}

// Dialogs an answer is working on: a dialog it opens in turn is answered
// from inside it, the working one is left alone meanwhile.
std::vector<QPointer<QWidget>>& Busy()
{
    static std::vector<QPointer<QWidget>> busy;
    return busy;
}

std::string Describe(QWidget* w)
{
    const QString what = QString::fromLatin1(w->metaObject()->className());
    if (auto* box = qobject_cast<QMessageBox*>(w)) return (what + QStringLiteral(": ") + box->text()).toStdString();
    return (what + QStringLiteral(" \"") + w->windowTitle() + QLatin1Char('"')).toStdString();
}

void Dismiss(QWidget* w)
{
    if (auto* dialog = qobject_cast<QDialog*>(w))
        dialog->reject();
    else
        w->close();
}

void Poll()
{
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal || !modal->isVisible()) return;
    if (std::find(Busy().begin(), Busy().end(), modal) != Busy().end()) return;
    if (Pending().empty()) {
        ADD_FAILURE() << "a dialog opened with no answer queued: " << Describe(modal);
        Dismiss(modal);
        return;
    }
    TPending next = std::move(Pending().front());
    Pending().pop_front();
    const QPointer<QWidget> guard(modal);
    Busy().push_back(guard);
    const TOutcome outcome = next.Answer(modal, *next.Seen);
    Busy().erase(std::find(Busy().begin(), Busy().end(), guard));
    if (outcome == TOutcome::WrongKind) {
        ADD_FAILURE() << "the next answer is for another kind of dialog than " << Describe(modal);
        Dismiss(modal);
        return;
    }
    next.Seen->Seen = true;
    if (outcome == TOutcome::Retry) {
        Pending().push_front(std::move(next));
    } else if (guard && guard->isVisible()) {
        ADD_FAILURE() << "the answer left the dialog open: " << Describe(guard);
        Dismiss(guard);
    }
}

// Every test of a program that uses answers gets the watch for dialogs and
// the check that all its answers were used.
class TAnswerCheck : public testing::EmptyTestEventListener {
    void OnTestStart(const testing::TestInfo&) override
    {
        Pending().clear();
        static QTimer* timer = [] {
            auto* t = new QTimer(qApp);
            QObject::connect(t, &QTimer::timeout, &Poll);
            t->start(5);
            return t;
        }();
        (void)timer;
    }
    void OnTestEnd(const testing::TestInfo&) override
    {
        if (Pending().empty()) return;
        ADD_FAILURE() << Pending().size() << " answer(s) queued for dialogs that never opened";
        Pending().clear();
    }
};

[[maybe_unused]] const bool sRegistered = [] {
    testing::UnitTest::GetInstance()->listeners().Append(new TAnswerCheck);
    return true;
}();

// Types text key by key; letters beyond ASCII arrive as text only, as from a
// keyboard layout that has them.
void TypeText(QWidget* widget, const QString& text)
{
    for (const QChar c : text) {
        if (c.unicode() < 128)
            QTest::keyClick(widget, char(c.unicode()));
        else
            QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(c), Qt::NoModifier);
    }
}

} // namespace

TAnswer modal_answers::Queue(TAnswerFn answer)
{
    auto seen = std::make_shared<TAnswered>();
    Pending().push_back({std::move(answer), seen});
    return seen;
}

TAnswer AnswerBox(QMessageBox::StandardButton button)
{
    return modal_answers::Queue([button](QWidget* w, TAnswered& seen) {
        auto* box = qobject_cast<QMessageBox*>(w);
        QAbstractButton* press = box ? box->button(button) : nullptr;
        if (!press) return TOutcome::WrongKind;
        seen.Text = box->text();
        seen.Icon = box->icon();
        seen.Buttons = box->standardButtons();
        press->click();
        return TOutcome::Done;
    });
}

TAnswer AnswerFileDialog(const QString& fileName, int filterIndex)
{
    return modal_answers::Queue([fileName, filterIndex](QWidget* w, TAnswered& seen) {
        auto* dialog = qobject_cast<QFileDialog*>(w);
        if (!dialog) return TOutcome::WrongKind;
        if (!seen.Seen) {
            seen.Text = dialog->selectedNameFilter();
            seen.Folder = dialog->directory().absolutePath();
        }
        if (fileName.isEmpty()) {
            dialog->reject();
            return TOutcome::Done;
        }
        if (filterIndex >= 0) dialog->selectNameFilter(dialog->nameFilters().at(filterIndex));
        dialog->selectFile(fileName);
        // selectFile leaves a focused name field alone: type the name as a user would.
        if (auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))) edit->setText(fileName);
        static_cast<QDialog*>(dialog)->accept(); // checks the name as the OK button does
        // A dialog still busy with its folder keeps the name: again at the next tick.
        return dialog->isVisible() ? TOutcome::Retry : TOutcome::Done;
    });
}

TAnswer AnswerDialog(bool accept)
{
    return modal_answers::Queue([accept](QWidget* w, TAnswered& seen) {
        auto* dialog = qobject_cast<QDialog*>(w);
        if (!dialog) return TOutcome::WrongKind;
        seen.Text = dialog->windowTitle();
        accept ? dialog->accept() : dialog->reject();
        return TOutcome::Done;
    });
}

TAnswer AnswerInput(const char* edit, const QString& text, const char* button)
{
    return modal_answers::Queue([=](QWidget* w, TAnswered& seen) {
        auto* field = w->findChild<QLineEdit*>(QLatin1String(edit));
        auto* press = w->findChild<QAbstractButton*>(QLatin1String(button));
        if (!field || !press) return TOutcome::WrongKind;
        seen.Text = field->text();
        field->selectAll();
        QTest::keyClick(field, Qt::Key_Backspace);
        TypeText(field, text);
        QTest::mouseClick(press, Qt::LeftButton);
        return TOutcome::Done;
    });
}
