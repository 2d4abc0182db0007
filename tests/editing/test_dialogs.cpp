// The New Image, input and open-picture dialogs, driven through their widgets.
#include "codecs/ImageFiles.h"
#include "editing/CustomColors.h"
#include "editing/InputDlg.h"
#include "editing/NewImageDlg.h"
#include "editing/OpenPictureDlg.h"
#include "editing/UpDown.h"
#include "platform/HiveTestSupport.h"
#include "settings/AppSettings.h"
#include "settings/ProgramKey.h"
#include "support/ModalAnswers.h"
#include "widgets/SystemColors.h"

#include <QClipboard>
#include <QColorDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

namespace {

class DialogsTest : public THiveTest {
protected:
    void TearDown() override
    {
        AppSettings(1);
        THiveTest::TearDown();
    }

    static void Retype(QLineEdit* edit, const QString& text)
    {
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_Backspace);
        QTest::keyClicks(edit, text);
    }
};

} // namespace

TEST_F(DialogsTest, NewImageSizesTakeDigitsOnlyAndStayInRange)
{
    TNewImageFrm dlg(nullptr, DialogKey(QStringLiteral("New Image")));
    EXPECT_EQ(dlg.udHeight->Position(), 200);
    EXPECT_EQ(dlg.udWidth->Position(), 140);
    EXPECT_TRUE(dlg.btnOk->isEnabled());

    Retype(dlg.txtWidth, QStringLiteral("1a2-b"));
    EXPECT_EQ(dlg.txtWidth->text(), "12") << "typed letters are discarded";
    EXPECT_EQ(dlg.udWidth->Position(), 12);

    QApplication::clipboard()->setText(QStringLiteral("12a"));
    dlg.txtHeight->selectAll();
    QTest::keyClick(dlg.txtHeight, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(dlg.txtHeight->text(), "12a");
    EXPECT_FALSE(dlg.btnOk->isEnabled());
    EXPECT_EQ(dlg.udHeight->Position(), 200) << "the position stays at the last number";

    Retype(dlg.txtHeight, QStringLiteral("5"));
    EXPECT_TRUE(dlg.btnOk->isEnabled());
    EXPECT_EQ(dlg.udHeight->Position(), 10);

    Retype(dlg.txtWidth, QString());
    EXPECT_FALSE(dlg.btnOk->isEnabled());
    QTest::keyClicks(dlg.txtWidth, QStringLiteral("0"));
    EXPECT_TRUE(dlg.btnOk->isEnabled());
    EXPECT_EQ(dlg.udWidth->Position(), 1);
    QTest::mouseClick(dlg.udWidth->DownButton(), Qt::LeftButton);
    EXPECT_EQ(dlg.udWidth->Position(), 1) << "no wrapping";
    QTest::mouseClick(dlg.udWidth->UpButton(), Qt::LeftButton);
    EXPECT_EQ(dlg.txtWidth->text(), "2");

    Retype(dlg.txtWidth, QStringLiteral("99999"));
    EXPECT_EQ(dlg.txtWidth->text(), "9999") << "at most 4 characters";
    EXPECT_EQ(dlg.udWidth->Position(), 2000);
}

TEST_F(DialogsTest, NewImageColourAndCustomColours)
{
    // Lines as a Windows export holds them (blue in the high byte); unreadable ones are skipped.
    AppSettings(0)->SetCustomColors({"ColorA=0000FF", "nonsense", "ColorB=00ff00", "ColorC=GGGGGG", "ColorQ=123456",
                                     "ColorD=1234567"});
    {
        TNewImageFrm dlg(nullptr, DialogKey(QStringLiteral("New Image")));
        EXPECT_EQ(QColorDialog::customColor(0), QColor(255, 0, 0));
        EXPECT_EQ(QColorDialog::customColor(1), QColor(0, 255, 0));
        EXPECT_EQ(QColorDialog::customColor(2), QColor(Qt::white));
        EXPECT_EQ(QColorDialog::customColor(3), QColor(Qt::white));
        EXPECT_EQ(dlg.BackgroundColor(), QColor(Qt::white));

        QColorDialog::setCustomColor(4, QColor(0x12, 0x34, 0x56));
        AnswerWith<QColorDialog>([](QColorDialog* colours) {
            EXPECT_EQ(colours->currentColor(), QColor(Qt::white)) << "starts with the swatch colour";
            colours->setCurrentColor(QColor(10, 20, 30));
            QTest::mouseClick(colours->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok), Qt::LeftButton);
        });
        QTest::mouseClick(dlg.Button1, Qt::LeftButton);
        EXPECT_EQ(dlg.BackgroundColor(), QColor(10, 20, 30));
    }
    const QStringList stored = AppSettings(0)->CustomColors();
    ASSERT_EQ(stored.size(), 16);
    EXPECT_EQ(stored[0], "ColorA=0000FF");
    EXPECT_EQ(stored[4], "ColorE=563412");
    EXPECT_EQ(stored[15], "ColorP=FFFFFF");
    EXPECT_EQ(ParseCustomColors(stored), ParseCustomColors(FormatCustomColors(ParseCustomColors(stored))));
}

TEST_F(DialogsTest, InputValueReturnsTheTextAsTyped)
{
    const QString key = DialogKey(QStringLiteral("Input"));
    QString value = QStringLiteral("old");
    const TAnswer dialog = AnswerWith<TInputDlgFrm>([&](TInputDlgFrm* dlg) {
        EXPECT_EQ(dlg->lblPrompt->text(), "Prompt");
        EXPECT_FALSE(dlg->Image1->pixmap().isNull()) << "the INFO icon";
        EXPECT_EQ(dlg->txtValue->text(), "old");
        dlg->txtValue->selectAll();
        QTest::keyClick(dlg->txtValue, Qt::Key_Backspace);
        EXPECT_FALSE(dlg->btnOk->isEnabled());
        QTest::keyClicks(dlg->txtValue, QStringLiteral("   "));
        QTest::mouseClick(dlg->btnOk, Qt::LeftButton);
    });
    EXPECT_TRUE(InputValue(QStringLiteral("Caption"), QStringLiteral("Prompt"), key, iiInfo, value));
    EXPECT_EQ(dialog->Text, "Caption");
    EXPECT_EQ(value, "   ") << "blanks are text; checking it is the caller's business";

    AnswerInput("txtValue", QStringLiteral("typed"), "Button2");
    EXPECT_FALSE(InputValue(QStringLiteral("C"), QStringLiteral("P"), key, 99, value));
    EXPECT_EQ(value, "   ");
}

TEST_F(DialogsTest, FileNameStateColours)
{
    QWidget parent;
    QLineEdit edit(&parent);
    const QColor normal = SysColor(TSysColor::WindowText, parent.palette());
    const QColor missing = SysColor(TSysColor::AppWorkspace, parent.palette());
    ASSERT_NE(normal, missing);
    ShowFileNameState(&edit, QString());
    EXPECT_EQ(edit.palette().color(QPalette::Text), normal);
    ShowFileNameState(&edit, DirPath() + QStringLiteral("/none.jpg"));
    EXPECT_EQ(edit.text(), DirPath() + "/none.jpg");
    EXPECT_EQ(edit.palette().color(QPalette::Text), missing);
    ShowFileNameState(&edit, DirPath());
    EXPECT_EQ(edit.palette().color(QPalette::Text), missing) << "a folder is not a file";
    QFile file(DirPath() + QStringLiteral("/there.bmp"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    ShowFileNameState(&edit, file.fileName());
    EXPECT_EQ(edit.palette().color(QPalette::Text), normal);
    // Filled while its panel is still disabled (a template chosen from none),
    // a present file does not keep the disabled grey once the panel is enabled.
    parent.setEnabled(false);
    ShowFileNameState(&edit, file.fileName());
    parent.setEnabled(true);
    EXPECT_EQ(edit.palette().color(QPalette::Text), normal);
}

TEST_F(DialogsTest, OpenPictureReturnsTheChosenFileAndPreviewsIt)
{
    TBitmap32 picture;
    picture.SetSize(300, 120);
    picture.Clear(0xFF2040A0);
    const QString bmp = DirPath() + QStringLiteral("/face.bmp");
    SaveAsBitmap(bmp, picture);
    const QString damaged = DirPath() + QStringLiteral("/damaged.gif");
    {
        QFile f(damaged);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("GIF89a\x01");
    }

    TOpenPictureDialog dlg;
    EXPECT_EQ(dlg.nameFilters(), QStringList({"Images (*.gif *.jpg *.jpeg *.bmp *.png)", "All Files (*)"}));
    EXPECT_TRUE(dlg.testOption(QFileDialog::DontUseNativeDialog));
    dlg.ShowPreview(bmp);
    ASSERT_FALSE(dlg.PreviewImage()->pixmap().isNull());
    EXPECT_EQ(dlg.PreviewImage()->pixmap().width(), 160) << "scaled to fit the pane";
    EXPECT_EQ(dlg.PreviewImage()->pixmap().height(), 64);
    EXPECT_EQ(dlg.PreviewSize()->text(), "300 x 120");
    dlg.ShowPreview(damaged);
    EXPECT_TRUE(dlg.PreviewImage()->pixmap().isNull());
    EXPECT_TRUE(dlg.PreviewSize()->text().isEmpty());

    QString folder = QStringLiteral("unchanged");
    AnswerWith<QFileDialog>([&](QFileDialog* open) {
        EXPECT_EQ(QDir(open->directory()).canonicalPath(), QDir(DirPath()).canonicalPath());
        open->reject();
    });
    EXPECT_TRUE(ExecuteOpenPicture(nullptr, DirPath(), &folder).isEmpty());
    EXPECT_EQ(folder, "unchanged");

    AnswerFileDialog(bmp);
    EXPECT_EQ(ExecuteOpenPicture(nullptr, DirPath(), &folder), bmp);
    EXPECT_EQ(QDir(folder).canonicalPath(), QDir(DirPath()).canonicalPath());
    EXPECT_TRUE(folder.endsWith('/'));
}
