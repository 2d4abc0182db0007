#include "PageTestSupport.h"

#include "codecs/ImageFiles.h"
#include "platform/Registry.h"
#include "settings/ProgramKey.h"
#include "widgets/EnhCombo.h"
#include "widgets/HTMLabel.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <cstdio>
#include <deque>
#include <functional>
#include <utility>

namespace {

struct TPending {
    std::function<bool(QWidget*)> Answer; // true once it handled the widget
};
std::deque<TPending>& Queue()
{
    static std::deque<TPending> queue;
    return queue;
}

QStringList& Unexpected()
{
    static QStringList texts;
    return texts;
}

// One timer looks for the modal widget the first queued answer is for.
void Poll()
{
    static QTimer* timer = [] {
        auto* t = new QTimer(qApp);
        t->setInterval(10);
        QObject::connect(t, &QTimer::timeout, [t] {
            QWidget* modal = QApplication::activeModalWidget();
            if (!modal || !modal->isVisible()) return;
            if (Queue().empty()) {
                // A box nobody expected would block the test: note it and close it.
                auto* box = qobject_cast<QMessageBox*>(modal);
                Unexpected() << (box ? box->text() : modal->metaObject()->className());
                if (auto* dialog = qobject_cast<QDialog*>(modal)) dialog->reject();
                return;
            }
            if (Queue().front().Answer(modal)) Queue().pop_front();
        });
        return t;
    }();
    if (!timer->isActive()) timer->start();
}

} // namespace

std::shared_ptr<TAnswered> AnswerBox(QMessageBox::StandardButton button)
{
    auto seen = std::make_shared<TAnswered>();
    Queue().push_back({[seen, button](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        if (!box) return false;
        seen->Seen = true;
        seen->Text = box->text();
        if (QAbstractButton* b = box->button(button))
            b->click();
        else
            box->reject();
        return true;
    }});
    Poll();
    return seen;
}

std::shared_ptr<TAnswered> AnswerFileDialog(const QString& fileName, int filterIndex)
{
    auto seen = std::make_shared<TAnswered>();
    Queue().push_back({[seen, fileName, filterIndex](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        if (!dialog) return false;
        seen->Seen = true;
        seen->Text = dialog->selectedNameFilter();
        if (fileName.isEmpty()) {
            dialog->reject();
            return true;
        }
        if (filterIndex >= 0) dialog->selectNameFilter(dialog->nameFilters().at(filterIndex));
        dialog->selectFile(fileName);
        // selectFile leaves a focused name field alone: type the name as a user would.
        if (auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))) edit->setText(fileName);
        static_cast<QDialog*>(dialog)->accept(); // checks the name as the OK button does
        // A dialog still busy with its folder keeps the name: try again at the next tick.
        return !dialog->isVisible();
    }});
    Poll();
    return seen;
}

std::shared_ptr<TAnswered> AnswerDialog(bool accept)
{
    auto seen = std::make_shared<TAnswered>();
    Queue().push_back({[seen, accept](QWidget* modal) {
        auto* dialog = qobject_cast<QDialog*>(modal);
        if (!dialog) return false;
        seen->Seen = true;
        seen->Text = dialog->windowTitle();
        accept ? dialog->accept() : dialog->reject();
        return true;
    }});
    Poll();
    return seen;
}

int PendingAnswers()
{
    return int(Queue().size());
}

void DropPendingAnswers()
{
    Queue().clear();
}

QStringList TakeUnexpectedBoxes()
{
    return std::exchange(Unexpected(), {});
}

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

void PageTest::SetUp()
{
    Poll();
    TakeUnexpectedBoxes();
    ClearStore();
    ASSERT_TRUE(Dir.isValid());
    NewHost();
}

void PageTest::TearDown()
{
    EXPECT_EQ(PendingAnswers(), 0) << "a box or dialog that was expected never opened";
    DropPendingAnswers();
    EXPECT_EQ(TakeUnexpectedBoxes(), QStringList());
    Host.reset();
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
