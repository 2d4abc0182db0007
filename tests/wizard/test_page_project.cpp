// Projects in the wizard: saved and opened through the real dialogs, drawn as
// cubiform-render draws them, refused whole when damaged, and asked about
// when the window closes with changes unsaved.
#include "PageTestSupport.h"

#include "editing/FontDlg.h"
#include "editing/LayerSelection.h"
#include "imaging/ImgView32.h"
#include "widgets/EnhCombo.h"
#include "wizard/PageProject.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCheckBox>
#include <QComboBox>
#include <QDropEvent>
#include <QFile>
#include <QImage>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QSlider>
#include <QTest>
#include <QToolBar>
#include <QUrl>

namespace {

QByteArray ReadAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class PageProjectTest : public PageTest {
protected:
    QAction* Action(const char* name) { return Page->findChild<QAction*>(QLatin1String(name)); }
    void Trigger(const char* name)
    {
        Idle();
        QTest::mouseClick(Page->tbLayers->widgetForAction(Action(name)), Qt::LeftButton);
        Idle();
    }
    // A see-through picture pasted on the current face, stretched to fractional bounds.
    void PasteSeeThroughLayer()
    {
        QImage picture(40, 30, QImage::Format_ARGB32);
        for (int y = 0; y < 30; ++y)
            for (int x = 0; x < 40; ++x) picture.setPixel(x, y, qRgba(200, 40 + 5 * y, 6 * x, 255 - 6 * x));
        QGuiApplication::clipboard()->setImage(picture);
        Trigger("actLayerPaste");
        auto* layer = dynamic_cast<TPositionedLayer*>(Page->Selection()->SelectedLayer(Page->Step()));
        ASSERT_NE(layer, nullptr);
        layer->SetBounds(TRealRect{12.25f, 30.5f, 92.75f, 90.5f});
    }
    std::uint64_t Digest() { return ProjectDigest(Page->PageDocument()); }
    void Keys(int key, Qt::KeyboardModifiers modifiers, QWidget* target = nullptr)
    {
        QApplication::setActiveWindow(Host.get());
        QWidget* to = target ? target : Page->FaceView(Page->Step());
        to->setFocus();
        Idle(); // the commands follow the selection at idle
        QTest::keyClick(to, Qt::Key(key), modifiers);
        Idle();
    }
};

TEST_F(PageProjectTest, ASavedProjectOpensAgainAndDrawsAsTheCommandLineDoes)
{
    PickLastTemplate();
    ClickNext();
    PasteSeeThroughLayer();
    AnswerWith<TFontDlgFrm>([](TFontDlgFrm* dlg) {
        QTest::keyClicks(dlg->mmoText, QStringLiteral("Sale"));
        QTest::mouseClick(dlg->btnOk, Qt::LeftButton);
    });
    Trigger("actLayerText");
    while (Page->Step() < 4) ClickNext();
    Click(Page->chkShadow);

    // Ctrl+Shift+S on the result step; the extension is added.
    const TAnswer asked = AnswerFileDialog(Path("work"));
    Keys(Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier, Page->ImgView4);
    EXPECT_TRUE(asked->Text.contains("*.cubiform"));
    ASSERT_EQ(Page->ProjectFile(), Path("work.cubiform"));
    EXPECT_EQ(Host->windowTitle(), QStringLiteral("work.cubiform"));
    EXPECT_FALSE(Page->ProjectChanged());
    const std::uint64_t saved = Digest();

    // The picture the wizard saves is the one cubiform-render makes of the project.
    AnswerFileDialog(Path("wizard.bmp"), 2);
    Click(Host->btnDialogs);
    auto expectCliDrawsTheSame = [&](const QString& project, const QString& picture) {
        QProcess cli;
        cli.start(QCoreApplication::applicationDirPath() + "/cubiform-render",
                  {"--project", project, "-o", Path("cli.bmp")});
        ASSERT_TRUE(cli.waitForFinished(60000));
        ASSERT_EQ(cli.exitCode(), 0) << cli.readAllStandardError().toStdString();
        const QByteArray wizard = ReadAll(picture);
        ASSERT_FALSE(wizard.isEmpty());
        EXPECT_TRUE(wizard == ReadAll(Path("cli.bmp")));
    };
    expectCliDrawsTheSame(Path("work.cubiform"), Path("wizard.bmp"));
    // And from a free angle, opened in another window.
    ChooseFromList(Page->cbView, 1);
    Page->sldYaw->setValue(-25);
    ASSERT_TRUE(Page->SaveProjectFile(Path("free.cubiform")));
    NewHost();
    ASSERT_TRUE(Page->OpenProjectFile(Path("free.cubiform")));
    while (Page->Step() < 4) ClickNext();
    AnswerFileDialog(Path("free.bmp"), 2);
    Click(Host->btnDialogs);
    expectCliDrawsTheSame(Path("free.cubiform"), Path("free.bmp"));

    // Another day: a new window opens it from the first step's button, and the work carries on.
    NewHost();
    AnswerFileDialog(Path("work.cubiform"));
    Click(Page->btnOpenProject);
    EXPECT_EQ(Page->Step(), 1);
    EXPECT_EQ(Digest(), saved);
    EXPECT_TRUE(Page->chkShadow->isChecked());
    TBitmapTextLayer* text = nullptr;
    for (int i = 0; i < Page->ImgView1->Layers().Count(); ++i)
        if (auto* t = dynamic_cast<TBitmapTextLayer*>(Page->ImgView1->Layers().Items(i))) text = t;
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(text->Params.Text, QStringLiteral("Sale"));
    Page->Selection()->SetSelection(text, 1);
    Keys(Qt::Key_Right, Qt::NoModifier);
    EXPECT_TRUE(Page->ProjectChanged());
    Keys(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_FALSE(Page->ProjectChanged());
}

TEST_F(PageProjectTest, AProjectThatDoesNotOpenLeavesTheWorkAsItWas)
{
    PickLastTemplate();
    ClickNext();
    PasteSeeThroughLayer();
    ASSERT_TRUE(Page->SaveProjectFile(Path("good.cubiform")));
    const QByteArray good = ReadAll(Path("good.cubiform"));
    QFile cut(Path("cut.cubiform"));
    ASSERT_TRUE(cut.open(QIODevice::WriteOnly));
    cut.write(good.left(good.size() - 100));
    cut.close();
    QFile junk(Path("junk.cubiform"));
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
    junk.write("not a zip at all");
    junk.close();
    Keys(Qt::Key_Down, Qt::NoModifier); // a change, not saved
    const std::uint64_t before = Digest();

    for (const char* name : {"cut.cubiform", "junk.cubiform", "missing.cubiform"}) {
        SCOPED_TRACE(name);
        const TAnswer warned = AnswerBox(QMessageBox::Ok);
        EXPECT_FALSE(Page->OpenProjectFile(Path(name)));
        EXPECT_TRUE(warned->Text.contains(Path(name))) << warned->Text.toStdString();
        EXPECT_EQ(Digest(), before);
        EXPECT_EQ(Page->ProjectFile(), Path("good.cubiform"));
        EXPECT_EQ(Page->Step(), 1);
    }

    // Dropped on the face: the project's unsaved changes are asked about first, then the file is refused.
    const TAnswer asked = AnswerBox(QMessageBox::No);
    const TAnswer warned = AnswerBox(QMessageBox::Ok);
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(Path("junk.cubiform"))});
    QDragEnterEvent enter(QPoint(20, 20), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(Page->ImgView1, &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(20, 20), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(Page->ImgView1, &drop);
    Idle();
    EXPECT_TRUE(asked->Text.contains("good.cubiform"));
    EXPECT_TRUE(warned->Text.contains(Path("junk.cubiform")));
    EXPECT_EQ(Digest(), before);

    // The window around the page takes projects, and nothing else.
    QDragEnterEvent onWindow(QPoint(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(Host.get(), &onWindow);
    EXPECT_TRUE(onWindow.isAccepted());
    mime.setUrls({QUrl::fromLocalFile(Path("face.png"))});
    QDragEnterEvent image(QPoint(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(Host.get(), &image);
    EXPECT_FALSE(image.isAccepted());

    // A template is other work: its faces are not saved over the project.
    AnswerBox(QMessageBox::No);
    ClickBack();
    ChooseFromList(Page->cbTemplates, Page->cbTemplates->count() - 1);
    EXPECT_TRUE(Page->ProjectFile().isEmpty());
    EXPECT_EQ(Host->windowTitle(), QStringLiteral("Cubiform"));
}

TEST_F(PageProjectTest, ClosingWithProjectChangesAsksToSaveThem)
{
    PickLastTemplate();
    ClickNext();
    PasteSeeThroughLayer();
    ASSERT_TRUE(Page->SaveProjectFile(Path("p.cubiform")));
    Keys(Qt::Key_Right, Qt::NoModifier);
    ASSERT_TRUE(Page->ProjectChanged());
    const std::uint64_t changed = Digest();

    // Exit.
    const TAnswer cancelled = AnswerBox(QMessageBox::Cancel);
    Click(Host->Button3);
    EXPECT_TRUE(cancelled->Text.contains("p.cubiform"));
    EXPECT_TRUE(Host->isVisible());

    AnswerBox(QMessageBox::Yes); // save the project
    AnswerBox(QMessageBox::No);  // not the picture
    Click(Host->Button3);
    EXPECT_FALSE(Host->isVisible());

    NewHost();
    ASSERT_TRUE(Page->OpenProjectFile(Path("p.cubiform")));
    EXPECT_EQ(Digest(), changed);
}
