#include "PageTestSupport.h"

#include "codecs/ImageFiles.h"
#include "platform/Registry.h"
#include "settings/ProgramKey.h"
#include "widgets/EnhCombo.h"
#include "widgets/HTMLabel.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include <cstring>

void ClearStore()
{
    TRegistry reg;
    reg.DeleteKey(ProgramKey());
    reg.CloseKey();
}

QString WriteImage(const QString& path, int w, int h, TColor32 color)
{
    TBitmap32 image;
    image.SetSize(w, h);
    image.Clear(color);
    bool ok = true;
    switch (FileKindOf(path)) {
    case ikJpg:
    case ikJpeg: ok = SaveAsJpeg(path, image); break;
    case ikGif: ok = SaveAsGif(path, image); break;
    default: SaveAsBitmap(path, image); break;
    }
    EXPECT_TRUE(ok) << path.toStdString();
    return path;
}

void ChooseFromList(QComboBox* combo, int row)
{
    combo->showPopup();
    QAbstractItemView* view = combo->view();
    view->setCurrentIndex(view->model()->index(row, 0));
    QTest::keyClick(view, Qt::Key_Return);
}

bool SamePixels(const TBitmap32& a, const TBitmap32& b)
{
    return a.Width() == b.Width() && a.Height() == b.Height() &&
           std::memcmp(a.Bits(), b.Bits(), std::size_t(a.Width()) * std::size_t(a.Height()) * 4) == 0;
}

void PageTest::SetUp()
{
    ClearStore();
    ASSERT_TRUE(Dir.isValid());
    NewHost();
}

void PageTest::NewHost()
{
    Host.reset();
    Host = std::make_unique<TWin2kWizFrm>([](QWidget* owner) -> QWidget* { return new TCodexaCliFrm(owner); });
    Host->show();
    Page = qobject_cast<TCodexaCliFrm*>(Host->Page());
    ASSERT_NE(Page, nullptr);
    Idle();
}

void PageTest::Idle()
{
    QCoreApplication::processEvents();
    Host->UpdateActions();
}

void PageTest::Click(QAbstractButton* button)
{
    ASSERT_TRUE(button->isVisible() && button->isEnabled()) << button->objectName().toStdString();
    QTest::mouseClick(button, Qt::LeftButton);
    Idle();
}

void PageTest::ClickNext()
{
    Idle();
    Click(Host->btnNext);
}

void PageTest::ClickBack()
{
    Idle();
    Click(Host->Button1);
}

void PageTest::PickLastTemplate()
{
    Page->cbTemplates->setFocus();
    QTest::keyClick(Page->cbTemplates, Qt::Key_End);
    Idle();
}

void PageTest::ToResultStep()
{
    PickLastTemplate();
    for (int i = 0; i < 3; ++i) ClickNext();
    ASSERT_EQ(Page->Step(), 4);
}

void PageTest::SelectFace(const QString& fileName)
{
    AnswerFileDialog(fileName);
    Click(Page->btnDialogs);
}

QPoint PageTest::AnchorPoint(THTMLabel* label, const QString& href)
{
    for (int y = 1; y < label->height(); y += 4)
        for (int x = 1; x < label->width(); x += 4)
            if (label->AnchorAt(QPoint(x, y)).compare(href, Qt::CaseInsensitive) == 0) return QPoint(x, y);
    ADD_FAILURE() << "no anchor " << href.toStdString();
    return {};
}

QString PageTest::TitleLine() const
{
    return Host->lblCaptionTopBold->text();
}
