// The Templates dialog on the live template store, driven through its widgets.
#include "editing/InputDlg.h"
#include "editing/NewImageDlg.h"
#include "editing/UpDown.h"
#include "platform/HiveTestSupport.h"
#include "platform/Registry.h"
#include "settings/AppSettings.h"
#include "settings/ProgramKey.h"
#include "support/ModalAnswers.h"
#include "templates/TemplateList.h"
#include "templates/TemplatesDlg.h"
#include "widgets/UPTFrame.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

#include <memory>

namespace {

const QString kSorry = QStringLiteral("Sorry, \"%1\" is not a valid name: a name cannot be empty nor contain any of the following characters:\n"
                                      "\\, /, :, *, ?, \", <, >");

class TemplatesDialogTest : public THiveTest {
protected:
    void TearDown() override
    {
        try {
            TemplateContainer(1);
            AppSettings(1);
        } catch (const ERegistryException&) {
        }
        THiveTest::TearDown();
    }

    static TTemplateItem* Add(const QString& name)
    {
        TTemplateItem* item = TemplateContainer(0)->AddTemplate();
        item->SetItemName(name);
        item->SetFrontImage(QStringLiteral("/img/") + name + QStringLiteral(".jpg"));
        item->SetDefaultHeight(400);
        item->SetDefaultWidth(320);
        return item;
    }

    static std::unique_ptr<TTemplatesFrm> Open()
    {
        auto dlg = std::make_unique<TTemplatesFrm>(nullptr, TemplatesDialogKey(), TemplateContainer(0), QString());
        dlg->show();
        QApplication::setActiveWindow(dlg.get());
        EXPECT_TRUE(QTest::qWaitForWindowActive(dlg.get()));
        return dlg;
    }

    // Opens the dialog and picks the entry from the keyboard, as a user would.
    static std::unique_ptr<TTemplatesFrm> OpenOn(const QString& name)
    {
        auto dlg = Open();
        dlg->cbTemplates->setFocus();
        QTest::keyClick(dlg->cbTemplates, Qt::Key_Home);
        while (dlg->cbTemplates->currentText() != name && dlg->cbTemplates->currentIndex() + 1 < dlg->cbTemplates->count())
            QTest::keyClick(dlg->cbTemplates, Qt::Key_Down);
        EXPECT_EQ(dlg->cbTemplates->currentText(), name);
        return dlg;
    }

    static void Retype(QLineEdit* edit, const QString& text)
    {
        edit->setFocus();
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_Backspace);
        QTest::keyClicks(edit, text);
    }
    // Types a new name for the selected template and leaves the field with key.
    static void Rename(TTemplatesFrm* dlg, const QString& name, Qt::Key key = Qt::Key_Tab)
    {
        Retype(dlg->txtItemName, name);
        QTest::keyClick(dlg->txtItemName, key);
    }

    // The template names in the settings file as another process would read it.
    QStringList NamesInFile() const
    {
        THive fresh(HivePath());
        fresh.Refresh();
        TRegistry reg(fresh);
        return reg.OpenKeyReadOnly(QLatin1Char('\\') + ProgramKey() + QStringLiteral("Templates")) ? reg.GetKeyNames()
                                                                                                   : QStringList();
    }
};

} // namespace

TEST_F(TemplatesDialogTest, AddRefusesTakenAndInvalidNames)
{
    // Accented letters fold like the settings file's key names do.
    Add(QStringLiteral("Über Template"));
    auto dlg = Open();
    AnswerInput("txtValue", QStringLiteral("üBER template"), "btnOk");
    const TAnswer taken = AnswerBox(QMessageBox::Ok);
    const TAnswer again = AnswerInput("txtValue", QStringLiteral("x"), "Button2");
    QTest::mouseClick(dlg->btnAdd, Qt::LeftButton);
    EXPECT_EQ(taken->Text, "'üBER template' already exists. Please select a unique name.");
    EXPECT_EQ(taken->Icon, QMessageBox::Information);
    EXPECT_EQ(taken->Buttons, QMessageBox::Ok);
    EXPECT_TRUE(again->Seen);
    EXPECT_EQ(again->Text, "") << "prompted again with an empty field";

    // Refused without a second prompt: the listed characters, the vertical
    // bar, and blanks at either end that would make two names look alike.
    for (const QString& bad : {QStringLiteral("a/b"), QStringLiteral("a|b"), QStringLiteral(" Lead")}) {
        AnswerInput("txtValue", bad, "btnOk");
        const TAnswer sorry = AnswerBox(QMessageBox::Ok);
        QTest::mouseClick(dlg->btnAdd, Qt::LeftButton);
        EXPECT_EQ(sorry->Text, kSorry.arg(bad));
        EXPECT_EQ(sorry->Icon, QMessageBox::Information);
    }
    EXPECT_EQ(TemplateContainer(0)->GetTemplateNames(), QStringList({"Über Template"}));
    EXPECT_EQ(dlg->cbTemplates->count(), 1);
}

TEST_F(TemplatesDialogTest, AddSelectsTheNewTemplate)
{
    Add(QStringLiteral("alpha"));
    Add(QStringLiteral("Gamma"));
    auto dlg = Open();
    EXPECT_EQ(dlg->cbTemplates->currentIndex(), -1);
    EXPECT_FALSE(dlg->pnlTemplates->isEnabled());
    EXPECT_FALSE(dlg->btnDelete->isEnabled());
    AnswerInput("txtValue", QStringLiteral("Beta"), "btnOk");
    QTest::mouseClick(dlg->btnAdd, Qt::LeftButton);
    EXPECT_EQ(dlg->cbTemplates->currentIndex(), 1) << "sorted into place";
    EXPECT_EQ(dlg->txtItemName->text(), "Beta");
    EXPECT_EQ(dlg->txtFrontImage->text(), "");
    EXPECT_EQ(dlg->txtDefaultHeight->text(), "300");
    EXPECT_EQ(dlg->txtDefaultWidth->text(), "250");
    EXPECT_TRUE(dlg->pnlTemplates->isEnabled());
    EXPECT_TRUE(dlg->btnDelete->isEnabled());
    const TTemplateItem* beta = TemplateContainer(0)->FindTemplate(QStringLiteral("beta"));
    ASSERT_TRUE(beta);
    EXPECT_EQ(dlg->CurrentItem(), beta);
    EXPECT_EQ(beta->DefaultHeight(), 300);
    EXPECT_EQ(beta->DefaultWidth(), 250);
}

TEST_F(TemplatesDialogTest, RenameRefusesAnotherTemplatesNameAndKeepsACaseChange)
{
    TTemplateItem* alpha = Add(QStringLiteral("Alpha"));
    Add(QStringLiteral("Beta"));
    auto dlg = OpenOn(QStringLiteral("Alpha"));
    EXPECT_EQ(dlg->txtFrontImage->text(), "/img/Alpha.jpg");

    const TAnswer taken = AnswerBox(QMessageBox::Ok);
    Rename(dlg.get(), QStringLiteral("bETA"));
    EXPECT_EQ(taken->Text, "'bETA' already exists. Please select a unique name.");
    EXPECT_EQ(dlg->txtItemName->text(), "Alpha");

    // A change of letter case is not a rename: no box.
    Rename(dlg.get(), QStringLiteral("ALPHA"));
    EXPECT_EQ(dlg->CurrentItem(), alpha);
    QTest::mouseClick(dlg->btnOk, Qt::LeftButton);
    EXPECT_EQ(alpha->ItemName(), "ALPHA") << "stored back at closing";
    EXPECT_EQ(dlg->SelectedName(), "ALPHA");
    EXPECT_EQ(TemplateContainer(0)->Templates()->Count(), 2);
}

TEST_F(TemplatesDialogTest, RenameReachesTheSettingsFileAtOnce)
{
    Add(QStringLiteral("Alpha"));
    TemplateContainer(0)->Save();
    ASSERT_EQ(NamesInFile(), QStringList({"Alpha"}));
    auto dlg = OpenOn(QStringLiteral("Alpha"));
    Rename(dlg.get(), QStringLiteral("Gamma"));

    // Without any later save, the file holds the template under its new name only.
    EXPECT_EQ(NamesInFile(), QStringList({"Gamma"}));
    TTemplateItem* gamma = TemplateContainer(0)->FindTemplate(QStringLiteral("Gamma"));
    ASSERT_TRUE(gamma);
    EXPECT_EQ(gamma->FrontImage(), "/img/Alpha.jpg");
    EXPECT_EQ(gamma->DefaultHeight(), 400);
    EXPECT_EQ(TemplateContainer(0)->Templates()->Count(), 1);
    EXPECT_EQ(dlg->CurrentItem(), gamma);
    EXPECT_EQ(dlg->cbTemplates->currentText(), "Gamma");
}

TEST_F(TemplatesDialogTest, ClosingWithEnterRunsTheNameChecks)
{
    TTemplateItem* alpha = Add(QStringLiteral("Alpha"));
    TemplateContainer(0)->Save();
    {
        auto dlg = OpenOn(QStringLiteral("Alpha"));
        const TAnswer refused = AnswerBox(QMessageBox::Ok);
        Rename(dlg.get(), QStringLiteral("a/b"), Qt::Key_Return);
        EXPECT_EQ(refused->Text, kSorry.arg("a/b"));
        EXPECT_FALSE(dlg->isVisible());
        EXPECT_EQ(alpha->ItemName(), "Alpha");
    }
    auto dlg = OpenOn(QStringLiteral("Alpha"));
    Rename(dlg.get(), QStringLiteral("Delta"), Qt::Key_Return);
    EXPECT_FALSE(dlg->isVisible());
    EXPECT_EQ(TemplateContainer(0)->GetTemplateNames(), QStringList({"Delta"}));
    EXPECT_EQ(NamesInFile(), QStringList({"Delta"}));
}

TEST_F(TemplatesDialogTest, CancelKeepsTheEditsAndSizesTakeDigitsOnly)
{
    TTemplateItem* alpha = Add(QStringLiteral("Alpha"));
    auto dlg = OpenOn(QStringLiteral("Alpha"));
    Retype(dlg->txtSideImage, QStringLiteral("/img/side.gif"));
    Retype(dlg->txtDefaultHeight, QStringLiteral("4a0-0"));
    EXPECT_EQ(dlg->txtDefaultHeight->text(), "400");
    Retype(dlg->txtDefaultWidth, QStringLiteral("99999"));
    EXPECT_EQ(dlg->upDefaultWidth->Position(), 32767);
    Retype(dlg->txtDefaultHeight, QStringLiteral("0"));
    EXPECT_EQ(dlg->upDefaultHeight->Position(), 1);
    EXPECT_TRUE(dlg->Modified());
    QTest::mouseClick(dlg->Button3, Qt::LeftButton);
    EXPECT_EQ(alpha->SideImage(), "/img/side.gif");
    EXPECT_EQ(alpha->DefaultHeight(), 1);
    EXPECT_EQ(alpha->DefaultWidth(), 32767);
}

TEST_F(TemplatesDialogTest, OpenButtonFillsTheImageFieldLastEntered)
{
    TTemplateItem* alpha = Add(QStringLiteral("Alpha"));
    const QString picture = DirPath() + QStringLiteral("/top.gif");
    QFile(picture).open(QIODevice::WriteOnly);
    auto dlg = OpenOn(QStringLiteral("Alpha"));
    QTest::mouseClick(dlg->txtTopImage, Qt::LeftButton);
    QTest::mouseClick(dlg->txtSideImage, Qt::LeftButton);
    ASSERT_TRUE(dlg->txtSideImage->hasFocus());
    const int sideRow = dlg->txtSideImage->geometry().center().y();
    EXPECT_NEAR(dlg->btnOpen->geometry().center().y(), sideRow, 2) << "the button moves to the field's row";
    AnswerFileDialog(picture);
    QTest::mouseClick(dlg->btnOpen, Qt::LeftButton);
    EXPECT_EQ(dlg->txtSideImage->text(), picture);
    EXPECT_EQ(dlg->txtTopImage->text(), "");
    QTest::mouseClick(dlg->btnOk, Qt::LeftButton);
    EXPECT_EQ(alpha->SideImage(), picture);
}

TEST_F(TemplatesDialogTest, DeletingTheOnlyTemplateLeavesNothingSelected)
{
    Add(QStringLiteral("Solo"));
    TemplateContainer(0)->Save();
    auto dlg = OpenOn(QStringLiteral("Solo"));
    const TAnswer question = AnswerBox(QMessageBox::No);
    QTest::mouseClick(dlg->btnDelete, Qt::LeftButton);
    EXPECT_EQ(question->Text, "Do you really want to delete the selected item?");
    EXPECT_EQ(question->Icon, QMessageBox::Question);
    EXPECT_EQ(question->Buttons, QMessageBox::Yes | QMessageBox::No);
    EXPECT_EQ(TemplateContainer(0)->Templates()->Count(), 1);

    AnswerBox(QMessageBox::Yes);
    QTest::mouseClick(dlg->btnDelete, Qt::LeftButton);
    EXPECT_EQ(dlg->cbTemplates->count(), 0);
    EXPECT_EQ(dlg->cbTemplates->currentIndex(), -1);
    EXPECT_EQ(dlg->CurrentItem(), nullptr);
    EXPECT_FALSE(dlg->pnlTemplates->isEnabled());
    EXPECT_FALSE(dlg->btnDelete->isEnabled());
    EXPECT_EQ(TemplateContainer(0)->Templates()->Count(), 0);
    EXPECT_EQ(NamesInFile(), QStringList());
    QTest::mouseClick(dlg->btnOk, Qt::LeftButton);
    EXPECT_EQ(dlg->SelectedName(), "");
}

TEST_F(TemplatesDialogTest, EditTemplatesGivesTheSelectedNameOnOk)
{
    Add(QStringLiteral("Alpha"));
    Add(QStringLiteral("Beta"));
    AnswerWith<TTemplatesFrm>([](TTemplatesFrm* dlg) {
        EXPECT_EQ(dlg->txtFrontImage->text(), "/img/Beta.jpg") << "a preselected template is shown at once";
        QTest::mouseClick(dlg->btnOk, Qt::LeftButton);
    });
    EXPECT_EQ(EditTemplates(QStringLiteral("beta")), "Beta");

    AnswerWith<TTemplatesFrm>([](TTemplatesFrm* dlg) { QTest::mouseClick(dlg->Button3, Qt::LeftButton); });
    EXPECT_EQ(EditTemplates(QStringLiteral("Alpha")), "");
}

TEST_F(TemplatesDialogTest, DialogsRestoreTheirPlaceButNotTheirSize)
{
    const struct {
        QString Key;
        std::function<TStreamPositionFrm*()> Make;
    } dialogs[] = {
        {DialogKey(QStringLiteral("New Image")), [] { return new TNewImageFrm(nullptr, DialogKey("New Image")); }},
        {DialogKey(QStringLiteral("Input")), [] { return new TInputDlgFrm(nullptr, DialogKey("Input")); }},
        {TemplatesDialogKey(),
         [] { return new TTemplatesFrm(nullptr, TemplatesDialogKey(), TemplateContainer(0), QString()); }},
    };
    for (const auto& d : dialogs) {
        std::unique_ptr<TStreamPositionFrm> dlg(d.Make());
        dlg->show();
        const QSize designed = dlg->size();
        dlg->move(140, 90);
        dlg.reset();
        TRegistry reg;
        ASSERT_TRUE(reg.OpenKey(QLatin1Char('\\') + d.Key, false)) << qPrintable(d.Key);
        EXPECT_EQ(reg.ReadString(QStringLiteral("Left")), "140");
        EXPECT_EQ(reg.ReadString(QStringLiteral("Top")), "90");
        reg.WriteString(QStringLiteral("Width"), QStringLiteral("900"));
        reg.WriteString(QStringLiteral("Height"), QStringLiteral("700"));
        reg.CloseKey();

        dlg.reset(d.Make());
        dlg->show();
        EXPECT_EQ(dlg->pos(), QPoint(140, 90)) << qPrintable(d.Key);
        EXPECT_EQ(dlg->size(), designed) << "a fixed dialog border keeps its designed size";
    }
}
