// The Templates dialog on the live template store, driven through its widgets.
#include "editing/InputDlg.h"
#include "editing/ModalScript.h"
#include "editing/NewImageDlg.h"
#include "editing/UpDown.h"
#include "platform/HiveTestSupport.h"
#include "platform/Registry.h"
#include "settings/AppSettings.h"
#include "settings/ProgramKey.h"
#include "templates/TemplateList.h"
#include "templates/TemplatesDlg.h"
#include "widgets/UPTFrame.h"

#include <QComboBox>
#include <QFileDialog>
#include <QToolButton>

#include <memory>

namespace {

const QString kSorry = QStringLiteral("Sorry, a %1 cannot be empty nor contain any of the following characters:\n"
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

    static std::unique_ptr<TTemplatesFrm> Open(const QString& preselect = QString())
    {
        auto dlg = std::make_unique<TTemplatesFrm>(nullptr, TemplatesDialogKey(), TemplateContainer(0), preselect);
        dlg->show();
        QApplication::setActiveWindow(dlg.get());
        EXPECT_TRUE(QTest::qWaitForWindowActive(dlg.get()));
        return dlg;
    }

    // Picks the entry from the keyboard, as a user would.
    static void Select(TTemplatesFrm* dlg, const QString& name)
    {
        dlg->cbTemplates->setFocus();
        QTest::keyClick(dlg->cbTemplates, Qt::Key_Home);
        while (dlg->cbTemplates->currentText() != name && dlg->cbTemplates->currentIndex() + 1 < dlg->cbTemplates->count())
            QTest::keyClick(dlg->cbTemplates, Qt::Key_Down);
        ASSERT_EQ(dlg->cbTemplates->currentText(), name);
    }

    static void Retype(QLineEdit* edit, const QString& text)
    {
        edit->setFocus();
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_Backspace);
        QTest::keyClicks(edit, text);
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
    QString text, again = QStringLiteral("?");
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;
    TModalScript taken;
    taken.Then(TModalScript::TypeAndClick("txtValue", QStringLiteral("üBER template"), "btnOk"))
        .Then(TModalScript::AnswerMessage(&text, &icon, &buttons, QMessageBox::Ok))
        .Then(TModalScript::TypeAndClick("txtValue", QStringLiteral("x"), "Button2", &again));
    QTest::mouseClick(dlg->btnAdd, Qt::LeftButton);
    EXPECT_TRUE(taken.Finished());
    EXPECT_EQ(text, "'üBER template' already exists. Please select a unique name.");
    EXPECT_EQ(icon, QMessageBox::Information);
    EXPECT_EQ(buttons, QMessageBox::Ok);
    EXPECT_EQ(again, "") << "prompted again with an empty field";

    // Refused without a second prompt: the listed characters, the vertical
    // bar, and blanks at either end that would make two names look alike.
    for (const QString& bad : {QStringLiteral("a/b"), QStringLiteral("a|b"), QStringLiteral(" Lead")}) {
        TModalScript script;
        script.Then(TModalScript::TypeAndClick("txtValue", bad, "btnOk"))
            .Then(TModalScript::AnswerMessage(&text, &icon, nullptr, QMessageBox::Ok));
        QTest::mouseClick(dlg->btnAdd, Qt::LeftButton);
        EXPECT_TRUE(script.Finished()) << qPrintable(bad);
        EXPECT_EQ(text, kSorry.arg(bad));
        EXPECT_EQ(icon, QMessageBox::Information);
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
    TModalScript script;
    script.Then(TModalScript::TypeAndClick("txtValue", QStringLiteral("Beta"), "btnOk"));
    QTest::mouseClick(dlg->btnAdd, Qt::LeftButton);
    EXPECT_TRUE(script.Finished());
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
    auto dlg = Open();
    Select(dlg.get(), QStringLiteral("Alpha"));
    EXPECT_EQ(dlg->txtFrontImage->text(), "/img/Alpha.jpg");

    QString text;
    TModalScript taken;
    taken.Then(TModalScript::AnswerMessage(&text, nullptr, nullptr, QMessageBox::Ok));
    Retype(dlg->txtItemName, QStringLiteral("bETA"));
    QTest::keyClick(dlg->txtItemName, Qt::Key_Tab);
    EXPECT_TRUE(taken.Finished());
    EXPECT_EQ(text, "'bETA' already exists. Please select a unique name.");
    EXPECT_EQ(dlg->txtItemName->text(), "Alpha");

    TModalScript none;
    Retype(dlg->txtItemName, QStringLiteral("ALPHA"));
    QTest::keyClick(dlg->txtItemName, Qt::Key_Tab);
    EXPECT_TRUE(none.Finished()) << "a change of letter case is not a rename";
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
    auto dlg = Open();
    Select(dlg.get(), QStringLiteral("Alpha"));
    Retype(dlg->txtItemName, QStringLiteral("Gamma"));
    QTest::keyClick(dlg->txtItemName, Qt::Key_Tab);

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
        auto dlg = Open();
        Select(dlg.get(), QStringLiteral("Alpha"));
        QString text;
        TModalScript refused;
        refused.Then(TModalScript::AnswerMessage(&text, nullptr, nullptr, QMessageBox::Ok));
        Retype(dlg->txtItemName, QStringLiteral("a/b"));
        QTest::keyClick(dlg->txtItemName, Qt::Key_Return);
        EXPECT_TRUE(refused.Finished());
        EXPECT_EQ(text, kSorry.arg("a/b"));
        EXPECT_FALSE(dlg->isVisible());
        EXPECT_EQ(alpha->ItemName(), "Alpha");
    }
    auto dlg = Open();
    Select(dlg.get(), QStringLiteral("Alpha"));
    Retype(dlg->txtItemName, QStringLiteral("Delta"));
    QTest::keyClick(dlg->txtItemName, Qt::Key_Return);
    EXPECT_FALSE(dlg->isVisible());
    EXPECT_EQ(TemplateContainer(0)->GetTemplateNames(), QStringList({"Delta"}));
    EXPECT_EQ(NamesInFile(), QStringList({"Delta"}));
}

TEST_F(TemplatesDialogTest, CancelKeepsTheEditsAndSizesTakeDigitsOnly)
{
    TTemplateItem* alpha = Add(QStringLiteral("Alpha"));
    auto dlg = Open();
    Select(dlg.get(), QStringLiteral("Alpha"));
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
    auto dlg = Open();
    Select(dlg.get(), QStringLiteral("Alpha"));
    QTest::mouseClick(dlg->txtTopImage, Qt::LeftButton);
    QTest::mouseClick(dlg->txtSideImage, Qt::LeftButton);
    ASSERT_TRUE(dlg->txtSideImage->hasFocus());
    const int sideRow = dlg->txtSideImage->geometry().center().y();
    EXPECT_NEAR(dlg->btnOpen->geometry().center().y(), sideRow, 2) << "the button moves to the field's row";
    TModalScript choose;
    choose.Then(TModalScript::ChooseFile(picture));
    QTest::mouseClick(dlg->btnOpen, Qt::LeftButton);
    EXPECT_TRUE(choose.Finished());
    EXPECT_EQ(dlg->txtSideImage->text(), picture);
    EXPECT_EQ(dlg->txtTopImage->text(), "");
    QTest::mouseClick(dlg->btnOk, Qt::LeftButton);
    EXPECT_EQ(alpha->SideImage(), picture);
}

TEST_F(TemplatesDialogTest, DeletingTheOnlyTemplateLeavesNothingSelected)
{
    Add(QStringLiteral("Solo"));
    TemplateContainer(0)->Save();
    auto dlg = Open();
    Select(dlg.get(), QStringLiteral("Solo"));
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;
    TModalScript no;
    no.Then(TModalScript::AnswerMessage(&text, &icon, &buttons, QMessageBox::No));
    QTest::mouseClick(dlg->btnDelete, Qt::LeftButton);
    EXPECT_TRUE(no.Finished());
    EXPECT_EQ(text, "Do you really want to delete the selected item?");
    EXPECT_EQ(icon, QMessageBox::Question);
    EXPECT_EQ(buttons, QMessageBox::Yes | QMessageBox::No);
    EXPECT_EQ(TemplateContainer(0)->Templates()->Count(), 1);

    TModalScript yes;
    yes.Then(TModalScript::AnswerMessage(nullptr, nullptr, nullptr, QMessageBox::Yes));
    QTest::mouseClick(dlg->btnDelete, Qt::LeftButton);
    EXPECT_TRUE(yes.Finished());
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
    QString shown;
    TModalScript ok;
    ok.Then([&](QWidget* w) {
        auto* dlg = qobject_cast<TTemplatesFrm*>(w);
        ASSERT_TRUE(dlg);
        shown = dlg->txtFrontImage->text();  // a preselected template is shown at once
        QTest::mouseClick(dlg->btnOk, Qt::LeftButton);
    });
    EXPECT_EQ(EditTemplates(QStringLiteral("beta")), "Beta");
    EXPECT_TRUE(ok.Finished());
    EXPECT_EQ(shown, "/img/Beta.jpg");

    TModalScript cancel;
    cancel.Then([](QWidget* w) { QTest::mouseClick(w->findChild<QPushButton*>("Button3"), Qt::LeftButton); });
    EXPECT_EQ(EditTemplates(QStringLiteral("Alpha")), "");
    EXPECT_TRUE(cancel.Finished());
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
