// The wizard page through its real widgets: steps, Next and Back, close rules,
// Reset, zoom, settings and the template picker.
#include "PageTestSupport.h"

#include "editing/LayerSelection.h"
#include "imaging/ImgView32.h"
#include "platform/Registry.h"
#include "settings/AppSettings.h"
#include "settings/ProgramKey.h"
#include "settings/StoreWarnings.h"
#include "templates/TemplateList.h"
#include "templates/TemplatesDlg.h"
#include "widgets/EnhCombo.h"
#include "widgets/HTMLabel.h"
#include "wizard/TemplatePicker.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QColorDialog>
#include <QLineEdit>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <memory>

namespace {

bool Empty(TImgView32* view)
{
    return view->Bitmap().IsEmpty();
}

void ChooseRow(QComboBox* combo, Qt::Key key)
{
    combo->setFocus();
    QTest::keyClick(combo, key);
}

// Picks the entry of that name in the Templates dialog from the keyboard.
void PickEntry(TTemplatesFrm* dialog, const QString& name)
{
    QComboBox* entries = dialog->cbTemplates;
    QTest::keyClick(entries, Qt::Key_Home);
    while (entries->currentText() != name && entries->currentIndex() + 1 < entries->count())
        QTest::keyClick(entries, Qt::Key_Down);
    EXPECT_EQ(entries->currentText(), name);
}

// Answers the Templates dialog: deletes the entry of that name (Yes to the
// question) and cancels. The question opens from the dialog's own loop, so
// it is answered as a dialog of its own.
TAnswer DeleteInTemplatesDialog(const QString& name)
{
    auto asked = std::make_shared<int>(0); // 1: delete clicked, 2: question answered
    return modal_answers::Queue([name, asked](QWidget* w, TAnswered& seen) {
        using modal_answers::TOutcome;
        if (auto* box = qobject_cast<QMessageBox*>(w); box && *asked == 1) {
            seen.Text = box->text();
            box->button(QMessageBox::Yes)->click();
            *asked = 2;
            return TOutcome::Retry;
        }
        auto* dialog = qobject_cast<TTemplatesFrm*>(w);
        if (!dialog) return TOutcome::WrongKind;
        if (*asked == 0) {
            PickEntry(dialog, name);
            QTimer::singleShot(0, dialog->btnDelete, &QToolButton::click);
            *asked = 1;
        }
        if (*asked == 1) return TOutcome::Retry;
        dialog->reject();
        return TOutcome::Done;
    });
}

} // namespace

TEST_F(PageTest, StepSequencesFollowTheStyleAndTheTitleCountsFive)
{
    EXPECT_EQ(TitleLine(), "Cubiform (Step 1 of 5)");
    EXPECT_EQ(Host->lblCaptionTop->text(), "Create a New Cubiform Image");
    EXPECT_EQ(Host->windowTitle(), "Cubiform");
    EXPECT_FALSE(Host->Button1->isEnabled());
    PickLastTemplate();
    ASSERT_FALSE(Empty(Page->ImgView3));

    // Two Sided Box: 0 1 2 4 and back 4 2 1 0.
    QStringList titles;
    QList<int> steps;
    for (int i = 0; i < 3; ++i) {
        ClickNext();
        titles << TitleLine();
        steps << Page->Step();
    }
    EXPECT_EQ(steps, QList<int>({1, 2, 4}));
    EXPECT_EQ(titles, QStringList({"Cubiform (Step 2 of 5)", "Cubiform (Step 3 of 5)", "Cubiform (Step 5 of 5)"}));
    EXPECT_EQ(Host->lblCaptionTop->text(), "Save the Cubiform Image");
    EXPECT_EQ(Host->btnNext->text(), "Finish");
    EXPECT_TRUE(Host->btnDialogs->isVisible());
    EXPECT_TRUE(Page->pnlStep[4]->isVisible());
    EXPECT_FALSE(Page->pnlStep[2]->isVisible());
    EXPECT_FALSE(Page->ResultImage().IsEmpty());
    steps.clear();
    for (int i = 0; i < 3; ++i) {
        ClickBack();
        steps << Page->Step();
    }
    EXPECT_EQ(steps, QList<int>({2, 1, 0}));
    EXPECT_EQ(Host->btnNext->text(), "Next >");
    EXPECT_FALSE(Host->btnDialogs->isVisible());

    // Three Side Box visits the top face; Book Cover skips it again.
    ChooseRow(Page->cbBookType, Qt::Key_Down);
    EXPECT_EQ(Page->cbeBookType->currentIndex(), 1);
    steps.clear();
    for (int i = 0; i < 4; ++i) {
        ClickNext();
        steps << Page->Step();
    }
    EXPECT_EQ(steps, QList<int>({1, 2, 3, 4}));
    ClickBack();
    EXPECT_EQ(Page->Step(), 3);
    EXPECT_EQ(TitleLine(), "Cubiform (Step 4 of 5)");
    EXPECT_EQ(Page->btnDialogs->text(), "Select Top Box Image...");
}

TEST_F(PageTest, NextNeedsTheFaceImageOfTheStep)
{
    ChooseRow(Page->cbBookType, Qt::Key_Down); // Three Side Box
    ClickNext();
    Idle();
    EXPECT_FALSE(Host->btnNext->isEnabled());
    // An empty face shows the checkerboard; the preview keeps its white background.
    Page->ImgView1->RepaintBuffer();
    EXPECT_EQ(Page->ImgView1->Buffer().PixelAt(0, 0), 0xFFB0B0B0u);
    EXPECT_EQ(Page->ImgView1->Buffer().PixelAt(8, 0), 0xFFFFFFFFu);
    EXPECT_EQ(Page->ImgView0->PaintStages()[0].Stage, stageClearBackground);
    SelectFace(WriteImage(Path("front.bmp"), 40, 50, 0xFF2060A0));
    Idle();
    EXPECT_TRUE(Host->btnNext->isEnabled());
    EXPECT_TRUE(Page->Modified());
    ClickNext();
    EXPECT_FALSE(Host->btnNext->isEnabled());
    SelectFace(WriteImage(Path("side.bmp"), 10, 50, 0xFF802020));
    ClickNext();
    EXPECT_EQ(Page->Step(), 3);
    Idle();
    EXPECT_FALSE(Host->btnNext->isEnabled());
    SelectFace(WriteImage(Path("top.bmp"), 50, 10, 0xFF208020));
    Idle();
    EXPECT_TRUE(Host->btnNext->isEnabled());
}

TEST_F(PageTest, StyleChangeOnTheResultStep)
{
    ClickNext();
    SelectFace(WriteImage(Path("front.bmp"), 40, 50, 0xFF2060A0));
    ClickNext();
    SelectFace(WriteImage(Path("side.bmp"), 10, 50, 0xFF802020));
    ClickNext();
    ASSERT_EQ(Page->Step(), 4);
    EXPECT_TRUE(Page->btnOrientLeft->isVisible());
    // Without a top image the three-sided box goes back to the top face.
    ChooseRow(Page->cbeBookType, Qt::Key_Down);
    EXPECT_EQ(Page->Step(), 3);
    EXPECT_EQ(Page->cbBookType->currentIndex(), 1);
    SelectFace(WriteImage(Path("top.bmp"), 50, 10, 0xFF208020));
    ClickNext();
    const QImage threeSided = Page->ResultImage().ToImage();
    // With a top image a style change renders again in place.
    ChooseRow(Page->cbeBookType, Qt::Key_Down); // Book Cover
    EXPECT_EQ(Page->Step(), 4);
    EXPECT_NE(Page->ResultImage().ToImage(), threeSided);
    EXPECT_FALSE(Page->btnOrientLeft->isVisible());
}

TEST_F(PageTest, InstructionAnchors)
{
    QTest::mouseClick(Page->lblImage, Qt::LeftButton, {}, AnchorPoint(Page->lblImage, "new"));
    EXPECT_EQ(Page->Step(), 1);
    ClickBack();
    ToResultStep();
    auto dialog = AnswerFileDialog(QString());
    QTest::mouseClick(Page->lblImage, Qt::LeftButton, {}, AnchorPoint(Page->lblImage, "save"));
    EXPECT_TRUE(dialog->Seen);
}

TEST_F(PageTest, CloseRules)
{
    // Exit without unsaved work closes at once.
    Click(Host->Button3);
    EXPECT_FALSE(Host->isVisible());

    // Exit with unsaved work: No closes without saving.
    NewHost();
    PickLastTemplate();
    EXPECT_FALSE(Page->Modified());
    ClickNext();
    EXPECT_TRUE(Page->Modified());
    auto question = AnswerBox(QMessageBox::No);
    Click(Host->Button3);
    EXPECT_EQ(question->Text, "Do you want to Save the current Cubiform Image?");
    EXPECT_FALSE(Host->isVisible());
    EXPECT_FALSE(Page->Modified());

    // Yes opens the save dialog; cancelling it keeps the window open.
    NewHost();
    ToResultStep();
    AnswerBox(QMessageBox::Yes);
    auto cancelled = AnswerFileDialog(QString());
    Click(Host->Button3);
    EXPECT_TRUE(cancelled->Seen);
    EXPECT_TRUE(Host->isVisible());
    EXPECT_TRUE(Page->Modified());

    // Finish with unsaved work opens the save dialog without a question;
    // cancelled, the page stays on the result step with Finish offered.
    AnswerFileDialog(QString());
    ClickNext();
    EXPECT_TRUE(Host->isVisible());
    EXPECT_EQ(Page->Step(), 4);
    Idle();
    EXPECT_EQ(Host->btnNext->text(), "Finish");

    // A completed save, then Yes to another image starts again at step 0 with
    // the options kept.
    Click(Page->chkShadow);
    AnswerFileDialog(Path("box.jpg"), 0);
    auto another = AnswerBox(QMessageBox::Yes);
    ClickNext();
    EXPECT_EQ(another->Text, "Would you like to create another Cubiform Image?");
    EXPECT_TRUE(QFileInfo::exists(Path("box.jpg")));
    EXPECT_TRUE(Host->isVisible());
    EXPECT_EQ(Page->Step(), 0);
    EXPECT_FALSE(Page->Modified());
    for (int i = 1; i <= 4; ++i) EXPECT_TRUE(Empty(Page->FaceView(i))) << i;
    EXPECT_EQ(Page->cbTemplates->currentIndex(), 0);
    EXPECT_EQ(Page->ImgView0->Bitmap().Width(), 225); // "No Preview Available"
    EXPECT_TRUE(Page->chkShadow->isChecked());
    EXPECT_EQ(TitleLine(), "Cubiform (Step 1 of 5)");

    // Exit with Yes and a completed save closes; so does Finish answered No.
    ToResultStep();
    AnswerBox(QMessageBox::Yes);
    AnswerFileDialog(Path("box2.jpg"));
    Click(Host->Button3);
    EXPECT_TRUE(QFileInfo::exists(Path("box2.jpg")));
    EXPECT_FALSE(Page->Modified());
    EXPECT_FALSE(Host->isVisible());
    NewHost();
    ToResultStep();
    AnswerFileDialog(Path("box3.jpg"));
    AnswerBox(QMessageBox::No);
    ClickNext();
    EXPECT_FALSE(Host->isVisible());
}

TEST_F(PageTest, ResetCountsAsUnsavedWorkExceptOnAnEmptyBox)
{
    ClickNext();
    SelectFace(WriteImage(Path("front.bmp"), 40, 50, 0xFF2060A0));
    Page->ScaleBar->setValue(30);
    Idle();
    Click(Page->BitBtn1);
    EXPECT_TRUE(Empty(Page->ImgView1));
    EXPECT_FALSE(Page->Modified());
    EXPECT_EQ(Page->ScaleBar->value(), 0);
    EXPECT_FLOAT_EQ(Page->ImgView1->Scale(), 1.0f);
    Idle();
    EXPECT_FALSE(Page->BitBtn1->isEnabled());
    EXPECT_FALSE(Page->ScaleBar->isEnabled());

    SelectFace(Path("front.bmp"));
    ClickNext();
    SelectFace(WriteImage(Path("side.bmp"), 10, 50, 0xFF802020));
    Page->SetModified(false);
    Click(Page->BitBtn1);
    EXPECT_TRUE(Empty(Page->ImgView2));
    EXPECT_TRUE(Page->Modified());
}

TEST_F(PageTest, ZoomIsKeptPerFace)
{
    ClickNext();
    SelectFace(WriteImage(Path("front.bmp"), 40, 50, 0xFF2060A0));
    EXPECT_EQ(Page->lblZoom->text(), " Zoom: 1x");
    Idle();
    EXPECT_TRUE(Page->ScaleBar->isEnabled());
    Page->ScaleBar->setFocus();
    Page->ScaleBar->setValue(50);
    EXPECT_EQ(Page->lblZoom->text(), " Zoom: 3.2x");
    EXPECT_NEAR(Page->ImgView1->Scale(), 3.1623, 1e-4);
    ClickNext();
    EXPECT_EQ(Page->ScaleBar->value(), 0);
    EXPECT_EQ(Page->lblZoom->text(), " Zoom: 1x");
    ClickBack();
    EXPECT_EQ(Page->ScaleBar->value(), 50);
    EXPECT_EQ(Page->lblZoom->text(), " Zoom: 3.2x");
    EXPECT_NEAR(Page->ImgView1->Scale(), 3.1623, 1e-4);
    Page->ScaleBar->setValue(-100);
    EXPECT_EQ(Page->lblZoom->text(), " Zoom: 0.1x");
    Page->ScaleBar->setValue(100);
    EXPECT_EQ(Page->lblZoom->text(), " Zoom: 10x");
}

TEST_F(PageTest, FirstRunDefaultsAndChoicesKeptAcrossRuns)
{
    EXPECT_TRUE(Page->chkDefaultSize->isChecked());
    EXPECT_FALSE(Page->chkShadow->isChecked());
    EXPECT_EQ(Page->cbBookType->currentIndex(), 0);
    ChooseRow(Page->cbBookType, Qt::Key_End); // Book Cover
    Page->btnOrientRight->click();
    NewHost();
    EXPECT_EQ(Page->cbBookType->currentIndex(), 2);
    EXPECT_EQ(Page->cbeBookType->currentIndex(), 2);
    EXPECT_TRUE(Page->btnOrientRight->isChecked());
    Host.reset();
    TAppSettings* settings = AppSettings(0);
    EXPECT_EQ(settings->OpenInitDir(), SamplesFolder());
    EXPECT_EQ(settings->SaveInitDir(), SamplesFolder());
    EXPECT_TRUE(settings->DefaultSize());
    EXPECT_FALSE(settings->LeftOrientation());
    AppSettings(1);
}

TEST_F(PageTest, PageWithoutHostIsInert)
{
    ClearStore();
    {
        TCodexaCliFrm page(nullptr);
        EXPECT_FALSE(page.HasHost());
        page.Next();
        page.Back();
        EXPECT_EQ(page.Step(), 0);
        EXPECT_TRUE(page.CanGoNext());
        EXPECT_FALSE(page.CanGoBack());
    }
    TRegistry reg;
    EXPECT_FALSE(reg.KeyExists(ProgramKey()));
}

TEST_F(PageTest, TemplatePickerRowsAndTheDiscardQuestion)
{
    QComboBox* list = Page->cbTemplates;
    ASSERT_EQ(list->count(), 5);
    EXPECT_EQ(list->itemText(0), "None Selected");
    EXPECT_EQ(list->itemText(1), "");
    EXPECT_EQ(list->itemText(2), "Edit Templates..." + QString(15, ' '));
    EXPECT_EQ(list->itemText(3), "");
    EXPECT_EQ(list->itemText(4), "Sample Template");
    EXPECT_EQ(list->currentIndex(), 0);
    EXPECT_EQ(Page->ImgView0->Bitmap().Width(), 225);

    PickLastTemplate();
    EXPECT_NE(Page->ImgView0->Bitmap().Width(), 225);
    EXPECT_FALSE(Empty(Page->ImgView1) || Empty(Page->ImgView2) || Empty(Page->ImgView3));
    EXPECT_FALSE(Page->Modified());

    // No keeps the faces and the flag while the list shows the new row.
    ClickNext();
    ClickBack();
    ASSERT_TRUE(Page->Modified());
    auto discard = AnswerBox(QMessageBox::No);
    ChooseRow(list, Qt::Key_Home);
    EXPECT_EQ(discard->Text, "Do you want to discard the current Cubiform?");
    EXPECT_EQ(list->currentIndex(), 0);
    EXPECT_FALSE(Empty(Page->ImgView1));
    EXPECT_TRUE(Page->Modified());
    // Yes to "None Selected" empties every face.
    AnswerBox(QMessageBox::Yes);
    ChooseRow(list, Qt::Key_End);
    EXPECT_FALSE(Page->Modified());
    ClickNext();
    ClickBack();
    AnswerBox(QMessageBox::Yes);
    ChooseRow(list, Qt::Key_Home);
    for (int i = 1; i <= 3; ++i) EXPECT_TRUE(Empty(Page->FaceView(i))) << i;
    EXPECT_FALSE(Page->Modified());
    EXPECT_EQ(Page->ImgView0->Bitmap().Width(), 225);
}

TEST_F(PageTest, TemplateWithAMissingFrontFileLoadsTheOtherFaces)
{
    TTemplateItem* broken = TemplateContainer(0)->AddTemplate();
    broken->SetItemName("Broken");
    broken->SetFrontImage(Path("gone.jpg"));
    broken->SetSideImage(SampleFacePath(2));
    broken->SetTopImage(SampleFacePath(3));
    broken->SetDefaultHeight(300);
    broken->SetDefaultWidth(250);
    Page->FillTemplates(0);
    QComboBox* list = Page->cbTemplates;
    ASSERT_EQ(list->itemText(4), "Broken");
    list->setCurrentIndex(3);
    ChooseRow(list, Qt::Key_Down);
    EXPECT_EQ(list->currentIndex(), 4);
    EXPECT_TRUE(Empty(Page->ImgView1));
    EXPECT_FALSE(Empty(Page->ImgView2) || Empty(Page->ImgView3));
    EXPECT_EQ(Page->ImgView0->Bitmap().Width(), 225); // no preview without the front file

    // The separator under "None Selected" opens the Templates dialog; cancelled,
    // the list goes back to the row it showed before.
    ChooseRow(list, Qt::Key_Home);
    auto dialog = AnswerDialog(false);
    ChooseRow(list, Qt::Key_Down);
    EXPECT_TRUE(dialog->Seen);
    EXPECT_EQ(list->currentIndex(), 0);
    EXPECT_EQ(list->count(), 6);
}

// A preview that fails (here at a size no picture may have) is reported and
// leaves the placeholder; the template's faces load all the same.
TEST_F(PageTest, TemplateWhosePreviewFailsStillLoadsItsFaces)
{
    TTemplateItem* huge = TemplateContainer(0)->AddTemplate();
    huge->SetItemName("Huge");
    huge->SetFrontImage(SampleFacePath(1));
    huge->SetSideImage(SampleFacePath(2));
    huge->SetDefaultHeight(100000);
    huge->SetDefaultWidth(100000);
    Page->FillTemplates(0);
    const TAnswer error = AnswerBox(QMessageBox::Ok);
    ChooseFromList(Page->cbTemplates, picker::rowFirstTemplate);
    EXPECT_TRUE(error->Seen);
    EXPECT_EQ(error->Icon, QMessageBox::Critical);
    EXPECT_EQ(Page->cbTemplates->currentText(), "Huge");
    EXPECT_EQ(Page->ImgView0->Bitmap().Width(), box::NoPreviewWidth);
    EXPECT_FALSE(Empty(Page->ImgView1) || Empty(Page->ImgView2));
    ClickNext();
    ASSERT_EQ(Page->Step(), 1);
    Idle();
    EXPECT_TRUE(Host->btnNext->isEnabled());
}

// After the Templates dialog the picker names the template whose faces are
// loaded, wherever deletes and renames moved its row, and "None Selected"
// once it is gone. The faces stay as they are.
TEST_F(PageTest, PickerNamesTheLoadedTemplateAfterTheTemplatesDialog)
{
    int width = 10;
    for (const QString name : {"Alpha", "Beta", "Gamma"}) {
        TTemplateItem* item = TemplateContainer(0)->AddTemplate();
        item->SetItemName(name);
        item->SetFrontImage(WriteImage(Path(name + ".bmp"), width, 20, 0xFF336699));
        item->SetSideImage(SampleFacePath(2));
        width += 10;
    }
    Page->FillTemplates(0);
    QComboBox* list = Page->cbTemplates;
    ChooseFromList(list, picker::rowFirstTemplate + 1);
    ASSERT_EQ(list->currentText(), "Beta");
    ASSERT_EQ(Page->ImgView1->Bitmap().Width(), 20);
    auto deleteEntry = [&](const QString& name) {
        const TAnswer question = DeleteInTemplatesDialog(name);
        ChooseFromList(list, picker::rowEdit);
        Idle();
        EXPECT_EQ(question->Text, "Do you really want to delete the selected item?");
    };

    deleteEntry("Alpha");
    EXPECT_EQ(list->currentText(), "Beta");
    AnswerWith<TTemplatesFrm>([](TTemplatesFrm* dialog) {
        PickEntry(dialog, "Gamma");
        dialog->txtItemName->selectAll();
        QTest::keyClicks(dialog->txtItemName, "Aardvark");
        dialog->reject(); // Cancel keeps the rename
    });
    ChooseFromList(list, picker::rowEdit);
    Idle();
    EXPECT_EQ(FindTemplateRow(list, "Aardvark"), picker::rowFirstTemplate);
    EXPECT_EQ(list->currentText(), "Beta");
    EXPECT_EQ(Page->ImgView1->Bitmap().Width(), 20);

    deleteEntry("Beta");
    EXPECT_EQ(list->currentIndex(), picker::rowNone);
    EXPECT_EQ(FindTemplateRow(list, "Beta"), -1);
    EXPECT_EQ(Page->ImgView1->Bitmap().Width(), 20);
    EXPECT_FALSE(Empty(Page->ImgView2));
}

TEST_F(PageTest, UnreadableSettingsAreReportedAndLeftAsStored)
{
    Host.reset();
    {
        TRegistry reg;
        ASSERT_TRUE(reg.OpenKey(ProgramKey(), true));
        reg.WriteBinaryData("OpenInitDir", QByteArray("\x01\x02", 2));
        reg.CloseKey();
    }
    auto error = AnswerBox(QMessageBox::Ok);
    NewHost();
    EXPECT_TRUE(error->Text.contains("OpenInitDir")) << error->Text.toStdString();
    EXPECT_EQ(Page->Step(), 0);
    ClickNext();
    EXPECT_EQ(Page->Step(), 1);
    Host.reset();
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey(ProgramKey(), false));
    EXPECT_EQ(reg.ReadBinaryData("OpenInitDir"), QByteArray("\x01\x02", 2));
}

TEST_F(PageTest, TemplateOfTheWrongTypeIsReportedAndThePickerKeepsTheOthers)
{
    Host.reset();
    for (const char* name : {"Bad", "Good"}) {
        TRegistry reg;
        ASSERT_TRUE(reg.OpenKey(ProgramKey() + "Templates\\" + name, true));
        reg.WriteString("ItemName", name);
        if (QByteArray(name) == "Bad") reg.WriteInteger("DefaultWidth", 250);
        reg.CloseKey();
    }
    auto error = AnswerBox(QMessageBox::Ok);
    NewHost();
    EXPECT_EQ(error->Text, "Invalid data type for 'DefaultWidth'");
    QComboBox* list = Page->cbTemplates;
    ASSERT_EQ(list->count(), 6);
    EXPECT_EQ(list->itemText(0), "None Selected");
    EXPECT_EQ(list->itemText(2), "Edit Templates..." + QString(15, ' '));
    EXPECT_EQ(list->itemText(4), "Good");
    EXPECT_EQ(list->itemText(5), "Sample Template");
    EXPECT_EQ(list->currentIndex(), 0);
    Host.reset();
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey(ProgramKey() + "Templates\\Bad", false));
    EXPECT_EQ(reg.ReadInteger("DefaultWidth"), 250) << "left as stored, to be repaired";
}

TEST_F(PageTest, TemplateSaveRefusedAtExitIsToldInABox)
{
    TTemplateItem* item = TemplateContainer(0)->AddTemplate();
    item->SetItemName("two\nlines");
    Host.reset();
    auto box = AnswerBox(QMessageBox::Ok);
    EXPECT_FALSE(WarnOfUnsavedSettings(nullptr));
    EXPECT_TRUE(box->Text.contains("two\nlines")) << box->Text.toStdString();
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey(ProgramKey() + "Templates", false));
    EXPECT_EQ(reg.GetKeyNames(), QStringList{"Sample Template"}) << "the others are written";
}

// The background list: the view shows the choice (checkerboard, colour), a
// colour comes from the colour dialog (Cancel keeps the last choice), and the
// choice is kept across runs.
TEST_F(PageTest, BackgroundChoiceShowsOnTheResultAndIsKept)
{
    ToResultStep();
    ASSERT_EQ(Page->Step(), 4);
    ASSERT_TRUE(Page->cbBackground->isVisible());
    auto shownCorner = [&] {
        auto* shown = dynamic_cast<TBitmapLayer*>(Page->Selection()->SelectedLayer(4));
        return shown ? shown->Bitmap().PixelAt(1, 1) | 0xFF000000u : 0u;
    };
    EXPECT_EQ(shownCorner(), clWhite32);
    ChooseFromList(Page->cbBackground, 1); // Transparent
    EXPECT_EQ(Page->Background().Kind, TBoxBackground::Transparent);
    EXPECT_EQ(shownCorner(), 0xFFB0B0B0u); // the checkerboard's grey cell

    AnswerWith<QColorDialog>([](QColorDialog* d) {
        d->setCurrentColor(QColor(0x12, 0x34, 0x56));
        d->accept();
    });
    ChooseFromList(Page->cbBackground, 3); // Color...
    EXPECT_EQ(Page->Background(), TBoxBackground::Of(0xFF123456u));
    EXPECT_EQ(shownCorner(), 0xFF123456u);
    EXPECT_EQ(Page->cbBackground->currentText(), "#123456");
    AnswerDialog(false);
    ChooseFromList(Page->cbBackground, 3);
    EXPECT_EQ(Page->Background(), TBoxBackground::Of(0xFF123456u));

    NewHost();
    EXPECT_EQ(Page->Background(), TBoxBackground::Of(0xFF123456u));
    ChooseFromList(Page->cbBackground, 0);
    Host.reset();
    EXPECT_EQ(AppSettings(0)->ResultBackground(), QString());
    AppSettings(1);
}
