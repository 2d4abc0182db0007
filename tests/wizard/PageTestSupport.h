// Test support for the wizard page: a real host with the real page, and test
// images.
#pragma once

#include "imaging/Bitmap32.h"
#include "support/ModalAnswers.h"
#include "wizard/CodexaCli.h"
#include "wizard/Main.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <memory>

class QAbstractButton;
class QComboBox;
class THTMLabel;

// Deletes everything the program stored.
void ClearStore();

// A w x h image file of one colour; the kind follows the extension (.bmp, .jpg, .gif).
QString WriteImage(const QString& path, int w, int h, TColor32 color);

// Opens the list and chooses row in it with the keyboard.
void ChooseFromList(QComboBox* combo, int row);

// Same size and the same pixel words.
bool SamePixels(const TBitmap32& a, const TBitmap32& b);

class PageTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override { Host.reset(); }

    // Closes the current host (if any) and starts a new one on the same store.
    void NewHost();
    // The idle-time update of the host and the page, then pending events.
    void Idle();
    void Click(QAbstractButton* button);
    void ClickNext();
    void ClickBack();
    // Picks the last row of the template list (the sample template when it is the only one).
    void PickLastTemplate();
    // The sample template, then Next to the result step.
    void ToResultStep();
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
