// Answers the modal dialogs a test sets off, one scripted step per dialog, in
// the order they open. A step receives the dialog and must close it.
#pragma once

#include <QApplication>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <deque>
#include <ostream>
#include <functional>
#include <vector>

class TModalScript {
public:
    using TStep = std::function<void(QWidget*)>;

    // Modal widgets already open (the dialog under test) are not answered.
    // The newest script answers; an earlier one waits until it is gone.
    TModalScript() : FPrevious(sActive)
    {
        sActive = this;
        if (QWidget* open = QApplication::activeModalWidget()) FSeen.emplace_back(open);
        QObject::connect(&FTimer, &QTimer::timeout, [this] { Poll(); });
        FTimer.start(5);
    }

    ~TModalScript() { sActive = FPrevious; }
    TModalScript(const TModalScript&) = delete;
    TModalScript& operator=(const TModalScript&) = delete;

    TModalScript& Then(TStep step)
    {
        FSteps.push_back(std::move(step));
        return *this;
    }

    // Answers no more dialogs (so that a later script gets them).
    void Stop() { FTimer.stop(); }

    // Every step taken, and no dialog opened that the script had no step for.
    bool Finished() const { return FSteps.empty() && FUnexpected == 0; }
    int Answered() const { return FAnswered; }

    // Steps for the usual answers.
    static TStep AnswerMessage(QString* text, QMessageBox::Icon* icon, QMessageBox::StandardButtons* buttons,
                               QMessageBox::StandardButton answer)
    {
        return [=](QWidget* w) {
            auto* box = qobject_cast<QMessageBox*>(w);
            if (!box) return w->close();
            if (text) *text = box->text();
            if (icon) *icon = box->icon();
            if (buttons) *buttons = box->standardButtons();
            QTest::mouseClick(box->button(answer), Qt::LeftButton);
            return true;
        };
    }
    // Types text into the dialog's edit of that name (after clearing it) and
    // clicks the button of that name. initial receives the text it found.
    static TStep TypeAndClick(const char* edit, const QString& text, const char* button, QString* initial = nullptr)
    {
        return [=](QWidget* w) {
            auto* field = w->findChild<QLineEdit*>(QLatin1String(edit));
            auto* press = w->findChild<QPushButton*>(QLatin1String(button));
            if (!field || !press) return w->close();
            if (initial) *initial = field->text();
            field->selectAll();
            QTest::keyClick(field, Qt::Key_Backspace);
            TypeText(field, text);
            QTest::mouseClick(press, Qt::LeftButton);
            return true;
        };
    }

    // Types text key by key; letters beyond ASCII arrive as text only, as
    // from a keyboard layout that has them.
    static void TypeText(QWidget* widget, const QString& text)
    {
        for (const QChar c : text) {
            if (c.unicode() < 128)
                QTest::keyClick(widget, char(c.unicode()));
            else
                QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(c), Qt::NoModifier);
        }
    }

    // Puts the path into a file dialog's name field and presses Enter (set
    // rather than typed, so that no completion list takes the key).
    static TStep ChooseFile(const QString& path)
    {
        return [=](QWidget* w) {
            auto* name = w->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            if (!name) return w->close();
            name->setFocus();
            name->setText(path);
            QTest::keyClick(name, Qt::Key_Return);
            return true;
        };
    }

private:
    void Poll()
    {
        if (sActive != this) return;
        QWidget* w = QApplication::activeModalWidget();
        if (!w || !w->isVisible()) return;
        for (const QPointer<QWidget>& seen : FSeen)
            if (seen == w) return;
        FSeen.emplace_back(w);
        if (FSteps.empty()) {
            ++FUnexpected;
            w->close();
            return;
        }
        TStep step = std::move(FSteps.front());
        FSteps.pop_front();
        ++FAnswered;
        const QPointer<QWidget> guard(w);
        step(w);
        // A step that failed half-way must not leave the test waiting.
        if (guard && guard->isVisible()) guard->close();
    }

    static inline TModalScript* sActive = nullptr;
    TModalScript* FPrevious;
    QTimer FTimer;
    std::deque<TStep> FSteps;
    std::vector<QPointer<QWidget>> FSeen;
    int FAnswered = 0;
    int FUnexpected = 0;
};

// Readable QStrings in test failures.
inline void PrintTo(const QString& text, std::ostream* os)
{
    *os << '"' << text.toStdString() << '"';
}
