// Test support for the wizard page: a real host with the real page, answers
// for the message boxes and file dialogs the page opens, and test images.
#pragma once

#include "imaging/Bitmap32.h"
#include "wizard/CodexaCli.h"
#include "wizard/Main.h"

#include <QMessageBox>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <memory>
#include <ostream>

class QAbstractButton;

// Readable failure messages for Qt strings.
inline void PrintTo(const QString& s, std::ostream* os)
{
    *os << '"' << s.toStdString() << '"';
}
class THTMLabel;

// What a box said when it was answered.
struct TAnswered {
    bool Seen = false;
    QString Text;
};

// Queues an answer for the next modal message box: records its text and
// presses button. Answers are used in the order queued.
std::shared_ptr<TAnswered> AnswerBox(QMessageBox::StandardButton button);
// Queues an answer for the next modal file dialog: selects the name filter of
// filterIndex (-1 keeps it), types fileName and accepts; an empty fileName cancels.
std::shared_ptr<TAnswered> AnswerFileDialog(const QString& fileName, int filterIndex = -1);
// Queues an answer for the next modal dialog of any kind: accepts or rejects it.
std::shared_ptr<TAnswered> AnswerDialog(bool accept);
// Answers still waiting (an expected box that never opened).
int PendingAnswers();
void DropPendingAnswers();
// Texts of boxes that opened with no answer queued (they were closed with Cancel/No).
QStringList TakeUnexpectedBoxes();

// Deletes everything the program stored.
void ClearStore();

// A w x h image file of one colour; the kind follows the extension (.bmp, .jpg, .gif).
QString WriteImage(const QString& path, int w, int h, TColor32 color);

class PageTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Closes the current host (if any) and starts a new one on the same store.
    void NewHost();
    // The idle-time update of the host and the page, then pending events.
    void Idle();
    void Click(QAbstractButton* button);
    void ClickNext();
    void ClickBack();
    // Picks the last row of the template list (the sample template when it is the only one).
    void PickLastTemplate();
    // Loads a file into a face through the page's Select command and the open dialog.
    void SelectFace(const QString& fileName);
    // A point of the instruction label on the anchor href, found by scanning.
    QPoint AnchorPoint(THTMLabel* label, const QString& href);
    QString TitleLine() const;
    QString Path(const QString& name) const { return Dir.filePath(name); }

    std::unique_ptr<TWin2kWizFrm> Host;
    TCodexaCliFrm* Page = nullptr;
    QTemporaryDir Dir;
};
