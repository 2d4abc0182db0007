// The wizard page's files: drops, the open dialog's loads, saving and copying
// the result, and the whole walk from a template to a saved picture.
#include "PageTestSupport.h"

#include "codecs/GifWriter.h"
#include "codecs/ImageFiles.h"
#include "editing/FontDlg.h"
#include "editing/LayerSelection.h"
#include "imaging/ImgView32.h"
#include "platform/MemoryBudget.h"
#include "render/LayerUtils.h"
#include "settings/ProgramKey.h"
#include "support/BlendArithmetic.h"
#include "wizard/RenderDrivers.h"

#include <QAction>
#include <QApplication>
#include <QPlainTextEdit>
#include <QCheckBox>
#include <QClipboard>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QSlider>
#include <QTest>
#include <QToolBar>
#include <QToolButton>
#include <QUrl>

#include <algorithm>
#include <vector>

namespace {

// Drags the files over target and drops them as a file manager would; gives
// the effect the target chose, or IgnoreAction when it refused.
Qt::DropAction DropFiles(QWidget* target, const QStringList& files,
                         Qt::DropActions offered = Qt::CopyAction | Qt::MoveAction | Qt::LinkAction)
{
    QMimeData mime;
    QList<QUrl> urls;
    for (const QString& f : files) urls << QUrl::fromLocalFile(f);
    mime.setUrls(urls);
    const QPointF at(20, 20);
    QDragEnterEvent enter(at.toPoint(), offered, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &enter);
    if (!enter.isAccepted()) return Qt::IgnoreAction;
    QDropEvent drop(at, offered, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &drop);
    return drop.isAccepted() ? drop.dropAction() : Qt::IgnoreAction;
}

QSize FileImageSize(const QString& path)
{
    TBitmap32 image;
    if (ReadImageFile(path, image) != TLoadResult::Loaded) return {};
    return {image.Width(), image.Height()};
}

// A GIF of the picture (in cube colours) in which one colour is see-through.
QString WriteTransparentGif(const QString& path, const TBitmap32& picture, TColor32 transparent)
{
    EXPECT_TRUE(SaveAsGif(path, picture));
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadWrite));
    QByteArray bytes = file.readAll();
    // The program's GIFs have no global colour table: the image follows the
    // screen descriptor, and the control block naming the colour goes before it.
    bytes.replace(0, 6, "GIF89a");
    bytes.insert(13, QByteArray("\x21\xF9\x04\x01\x00\x00", 6) + char(CubeIndexOf(transparent)) + '\0');
    file.seek(0);
    file.write(bytes);
    return path;
}

int ImageLayers(TImgView32* view)
{
    int n = 0;
    for (int i = 0; i < view->Layers().Count(); ++i)
        if (dynamic_cast<TBitmapLayer*>(view->Layers().Items(i))) ++n;
    return n;
}

} // namespace

class PageFilesTest : public PageTest {
protected:
    // Drags the bottom-right handle of the result's frame by (dx, dy); gives the new size.
    QSize DragResultCorner(int dx, int dy)
    {
        TRubberbandLayer* frame = Page->Selection()->HandleLayer(4);
        EXPECT_NE(frame, nullptr);
        if (!frame) return {};
        const TRect r = RoundRect(frame->AdjustedBounds());
        const QPoint from(r.Right, r.Bottom), to = from + QPoint(dx, dy);
        QTest::mousePress(Page->ImgView4, Qt::LeftButton, {}, from);
        QTest::mouseMove(Page->ImgView4, from + QPoint(dx / 2, dy / 2));
        QTest::mouseMove(Page->ImgView4, to);
        QTest::mouseRelease(Page->ImgView4, Qt::LeftButton, {}, to);
        const TRect now = RoundRect(frame->Bounds());
        return {now.Right - now.Left, now.Bottom - now.Top};
    }
};

TEST_F(PageFilesTest, DropsOnTheCurrentFaceOnly)
{
    const QString a = WriteImage(Path("a.bmp"), 30, 40, 0xFF102030);
    const QString b = WriteImage(Path("b.jpg"), 20, 20, 0xFF405060);
    const QString c = WriteImage(Path("c.gif"), 10, 12, 0xFF708090);
    ClickNext();
    EXPECT_TRUE(Page->ImgView1->acceptDrops());
    EXPECT_FALSE(Page->ImgView2->acceptDrops());
    EXPECT_EQ(DropFiles(Page->ImgView2, {a}), Qt::IgnoreAction);
    EXPECT_EQ(DropFiles(Page->ImgView1, {a}, Qt::MoveAction), Qt::IgnoreAction);

    // On an empty face only the first file counts, as the face image.
    const Qt::DropAction effect = DropFiles(Page->ImgView1, {a, b, c});
    EXPECT_TRUE(effect == Qt::CopyAction || effect == Qt::LinkAction);
    EXPECT_EQ(Page->ImgView1->Bitmap().Width(), 30);
    EXPECT_EQ(ImageLayers(Page->ImgView1), 0);
    EXPECT_TRUE(Page->Modified());

    // On a filled face every file that loads becomes a layer; the last is selected.
    DropFiles(Page->ImgView1, {b, Path("missing.bmp"), c});
    EXPECT_EQ(ImageLayers(Page->ImgView1), 2);
    EXPECT_EQ(Page->ImgView1->Bitmap().Width(), 30);
    auto* selected = dynamic_cast<TBitmapLayer*>(Page->Selection()->SelectedLayer(1));
    ASSERT_NE(selected, nullptr);
    EXPECT_EQ(selected->Bitmap().Width(), 10);
    // Even a drop that loads nothing counts as unsaved work.
    Page->SetModified(false);
    DropFiles(Page->ImgView1, {Path("missing.bmp")});
    EXPECT_TRUE(Page->Modified());
    EXPECT_EQ(ImageLayers(Page->ImgView1), 2);
}

TEST_F(PageFilesTest, SeeThroughPixelsTurnWhiteOnFacesAndBlendInLayers)
{
    const TColor32 grey = 0xFF808080, red = Color32(255, 0, 0), green = Color32(0, 255, 0);
    TBitmap32 halves; // red, and green that the GIF makes see-through
    halves.SetSize(20, 20);
    halves.Clear(red);
    halves.FillArea(10, 0, 20, 20, green);
    const QString gif = WriteTransparentGif(Path("halves.gif"), halves, green);
    TBitmap32 glass;
    glass.SetSize(20, 20);
    glass.Clear(Color32(0, 0, 255, 100));
    ASSERT_TRUE(SaveAsPng(Path("glass.png"), glass));
    ClickNext();
    const TBitmap32& face = Page->ImgView1->Bitmap();
    auto opaque = [&] {
        for (int i = 0; i < face.Width() * face.Height(); ++i)
            if (AlphaComponent(face.Bits()[i]) != 255) return false;
        return true;
    };

    // Even over a face of its size, the GIF's see-through half is white.
    SelectFace(WriteImage(Path("grey.bmp"), 20, 20, grey));
    SelectFace(gif);
    EXPECT_EQ(face.PixelAt(4, 7), red);
    EXPECT_EQ(face.PixelAt(15, 7), clWhite32);
    EXPECT_TRUE(opaque());
    SelectFace(Path("glass.png"));
    EXPECT_EQ(face.PixelAt(4, 7), BlendedOnto(glass.PixelAt(4, 7), clWhite32));
    EXPECT_TRUE(opaque());

    // Dropped on a filled face they become layers that blend: the GIF's
    // transparent half shows the face, the glass tints what is under it.
    SelectFace(WriteImage(Path("grey40.bmp"), 40, 40, grey));
    DropFiles(Page->ImgView1, {gif, Path("glass.png")});
    ASSERT_EQ(ImageLayers(Page->ImgView1), 2);
    TBitmap32 flat;
    FlattenView(Page->ImgView1, flat);
    EXPECT_EQ(flat.PixelAt(14, 20) | 0xFF000000u, BlendedOnto(glass.PixelAt(0, 0), red));
    EXPECT_EQ(flat.PixelAt(25, 20) | 0xFF000000u, BlendedOnto(glass.PixelAt(0, 0), grey));
}

TEST_F(PageFilesTest, FilesThatAreNotFaceImagesAreRefusedWithAWarning)
{
    // A good picture under a name of no kind the program reads.
    QImage png(8, 8, QImage::Format_RGB32);
    png.fill(Qt::red);
    ASSERT_TRUE(png.save(Path("front.tif"), "PNG"));
    ASSERT_TRUE(QFile::copy(WriteImage(Path("real.jpg"), 8, 8, 0xFF00FF00), Path("a.bmp")));
    // A bitmap header that claims 60000 x 60000 pixels and holds almost nothing.
    QFile hostile(Path("huge.bmp"));
    ASSERT_TRUE(hostile.open(QIODevice::WriteOnly));
    QByteArray header(54, '\0');
    auto put32 = [&](int at, quint32 v) { for (int i = 0; i < 4; ++i) header[at + i] = char(v >> (8 * i)); };
    header[0] = 'B';
    header[1] = 'M';
    put32(2, 54 + 16);
    put32(10, 54);
    put32(14, 40);
    put32(18, 60000);
    put32(22, 60000);
    header[26] = 1;
    header[28] = 32;
    hostile.write(header + QByteArray(16, '\x7f'));
    hostile.close();

    ClickNext();
    for (const QString name : {"front.tif", "a.bmp", "huge.bmp"}) {
        Page->ScaleBar->setValue(40);
        AnswerFileDialog(Path(name));
        auto warning = AnswerBox(QMessageBox::Ok);
        Click(Page->btnDialogs);
        EXPECT_EQ(warning->Text, QString("Unable to open the '%1'. The image may be corrupted.").arg(name));
        EXPECT_TRUE(Page->ImgView1->Bitmap().IsEmpty()) << name.toStdString();
        EXPECT_EQ(Page->ScaleBar->value(), 0) << "a failed load still resets the zoom";
    }
    auto warning = AnswerBox(QMessageBox::Ok);
    EXPECT_EQ(DropFiles(Page->ImgView1, {Path("front.tif")}), Qt::CopyAction);
    EXPECT_TRUE(warning->Seen);
    EXPECT_FALSE(Page->Modified());

    // A JPEG whose header claims 20000 x 20000 pixels, over the memory limit:
    // refused from its header, saying what it would need.
    QFile big(WriteImage(Path("big.jpg"), 16, 16, 0xFF00FF00));
    ASSERT_TRUE(big.open(QIODevice::ReadWrite));
    QByteArray bytes = big.readAll();
    const qsizetype sof = bytes.indexOf("\xFF\xC0");
    ASSERT_GT(sof, 0);
    bytes.replace(sof + 5, 4, "\x4E\x20\x4E\x20");
    big.seek(0);
    big.write(bytes);
    big.close();
    membudget::SetLimit(64 << 20);
    AnswerFileDialog(big.fileName());
    warning = AnswerBox(QMessageBox::Ok);
    Click(Page->btnDialogs);
    membudget::SetLimit(0);
    EXPECT_TRUE(warning->Text.startsWith(
        QStringLiteral("'%1', a picture of 20000 \u00d7 20000 pixels, would need ").arg(big.fileName())))
        << warning->Text.toStdString();
    EXPECT_TRUE(warning->Text.contains("more than the limit of 64 MB")) << warning->Text.toStdString();
    EXPECT_TRUE(Page->ImgView1->Bitmap().IsEmpty());
}

TEST_F(PageFilesTest, SavesEachTypeWithItsExtensionAndKeepsTheType)
{
    ToResultStep();
    const QSize rendered(Page->ResultImage().Width(), Page->ResultImage().Height());
    const char* const written[] = {"shot.jpg", "shot.gif", "shot.bmp"};
    const char* const filters[] = {"JPEG Image (*.jpg *.jpeg)", "GIF Image (*.gif)", "Bitmap Image (*.bmp)"};
    for (int type = 0; type < 3; ++type) {
        auto dialog = AnswerFileDialog(Path("shot.png"), type);
        Page->SetModified(true);
        Click(Host->btnDialogs);
        // The dialog opens with the type of the last save in the run.
        EXPECT_EQ(dialog->Text, filters[std::max(0, type - 1)]);
        EXPECT_FALSE(Page->Modified());
        EXPECT_EQ(FileImageSize(Path(written[type])), rendered) << written[type];
    }
    EXPECT_FALSE(QFileInfo::exists(Path("shot.png")));
}

TEST_F(PageFilesTest, FailedAndEmptySavesKeepTheWorkUnsaved)
{
    // Exit's save question before the result was ever rendered: nothing to write.
    ClickNext();
    SelectFace(WriteImage(Path("front.bmp"), 20, 20, 0xFF123456));
    AnswerBox(QMessageBox::Yes);
    auto empty = AnswerBox(QMessageBox::Ok);
    Click(Host->Button3);
    EXPECT_TRUE(empty->Text.startsWith("There is no finished image"));
    EXPECT_TRUE(Host->isVisible());
    EXPECT_TRUE(Page->Modified());

    // A JPEG that cannot be written names the file and keeps the work unsaved.
    NewHost();
    ToResultStep();
    AnswerFileDialog(Path("gone/box.jpg"), 0);
    auto failed = AnswerBox(QMessageBox::Ok);
    Click(Host->btnDialogs);
    EXPECT_TRUE(failed->Text.contains("box.jpg")) << failed->Text.toStdString();
    EXPECT_TRUE(Page->Modified());
}

TEST_F(PageFilesTest, CopyImageTakesTheFaceOrTheResizedResult)
{
    ClickNext();
    SelectFace(WriteImage(Path("front.bmp"), 33, 44, 0xFF00AA00));
    DropFiles(Page->ImgView1, {WriteImage(Path("layer.bmp"), 5, 5, 0xFFFF0000)});
    // A right-click on the face offers "Copy Image".
    QTest::mousePress(Page->ImgView1, Qt::RightButton, {}, QPoint(3, 3));
    ASSERT_TRUE(Page->popCodexa->isVisible());
    EXPECT_TRUE(Page->actCopy->isEnabled());
    Page->popCodexa->close();
    QTest::mouseRelease(Page->ImgView1, Qt::RightButton, {}, QPoint(3, 3));
    Page->actCopy->trigger();
    const QImage face = QGuiApplication::clipboard()->image();
    EXPECT_EQ(face.size(), QSize(33, 44));
    EXPECT_EQ(face.pixel(16, 22), 0xFF00AA00) << "the layers are not copied";
}

TEST_F(PageFilesTest, WalkFromTheSampleTemplateToASavedResizedPicture)
{
    ToResultStep();
    const QSize plain(Page->ResultImage().Width(), Page->ResultImage().Height());
    Click(Page->btnOrientRight);
    Click(Page->chkShadow);
    EXPECT_EQ(Page->ResultImage().Width(), plain.width() + 60);
    Click(Page->chkDefaultSize);
    EXPECT_FALSE(Page->chkDefaultSize->isChecked());
    const QSize resized = DragResultCorner(-40, -30);
    EXPECT_EQ(resized, QSize(Page->ResultImage().Width() - 40, Page->ResultImage().Height() - 30));
    AnswerFileDialog(Path("walk.jpeg"), 0);
    Click(Host->btnDialogs);
    EXPECT_EQ(FileImageSize(Path("walk.jpg")), resized);
    EXPECT_FALSE(Page->Modified());

    emit Page->popCodexa->aboutToShow();
    Page->actCopy->trigger();
    EXPECT_EQ(QGuiApplication::clipboard()->image().size(), resized);
    // The option clicks rendered again from the page's kept faces.
    EXPECT_EQ(Page->FaceCache().FacesFlattened(), 2u);
}

// The open and save dialogs start in the folder last used there, for the
// rest of the run and after a restart; a folder since deleted gives way to
// the first-run folder.
TEST_F(PageFilesTest, DialogsReopenInTheFolderLastUsed)
{
    const QString samples = QDir(SamplesFolder()).absolutePath(), in = Path("in"), out = Path("out");
    ASSERT_TRUE(QDir().mkpath(in) && QDir().mkpath(out));
    const QString front = WriteImage(in + "/front.bmp", 20, 20, 0xFF123456);
    auto saveDialogFolder = [&](const QString& fileName) {
        const TAnswer dialog = AnswerFileDialog(fileName, 0);
        Click(Host->btnDialogs);
        return dialog->Folder;
    };
    auto openDialogFolder = [&](const QString& fileName) {
        const TAnswer dialog = AnswerFileDialog(fileName);
        Click(Page->btnDialogs);
        return dialog->Folder;
    };
    auto toFrontStep = [&] {
        while (Page->Step() > 1) ClickBack();
    };

    ToResultStep();
    EXPECT_EQ(saveDialogFolder(out + "/box.jpg"), samples);
    EXPECT_EQ(saveDialogFolder(QString()), out);
    toFrontStep();
    EXPECT_EQ(openDialogFolder(front), samples);
    EXPECT_EQ(openDialogFolder(QString()), in);

    NewHost();
    ToResultStep();
    EXPECT_EQ(saveDialogFolder(QString()), out);
    toFrontStep();
    EXPECT_EQ(openDialogFolder(QString()), in);

    ASSERT_TRUE(QDir(out).removeRecursively() && QDir(in).removeRecursively());
    NewHost();
    ToResultStep();
    EXPECT_EQ(saveDialogFolder(QString()), samples);
    toFrontStep();
    EXPECT_EQ(openDialogFolder(QString()), samples);
}

// Undo and Redo on the page: with their keys, across the face steps, for the
// face's own picture too, and Modified back off at the state last saved.
TEST_F(PageFilesTest, UndoWalksBackAcrossTheFacesToTheSavedState)
{
    ToResultStep();
    AnswerFileDialog(Path("shot.jpg"), 0);
    Click(Host->btnDialogs);
    ASSERT_FALSE(Page->Modified());
    ClickBack();
    ClickBack();
    ASSERT_EQ(Page->Step(), 1);
    auto action = [&](const char* name) { return Page->findChild<QAction*>(QLatin1String(name)); };
    auto keys = [&](int key, Qt::KeyboardModifiers modifiers) {
        // The window is active again once a dialog has closed.
        QApplication::setActiveWindow(Host.get());
        QTest::keyClick(Page->FaceView(Page->Step()), Qt::Key(key), modifiers);
        Idle();
    };
    auto imageLayers = [&] {
        int n = 0;
        TLayerCollection& layers = Page->ImgView1->Layers();
        for (int i = 0; i < layers.Count(); ++i) n += dynamic_cast<TBitmapLayer*>(layers.Items(i)) != nullptr;
        return n;
    };
    const int layersBefore = imageLayers();
    QGuiApplication::clipboard()->setImage(QImage(30, 20, QImage::Format_RGB32));
    Idle();
    QTest::mouseClick(Page->tbLayers->widgetForAction(action("actLayerPaste")), Qt::LeftButton);
    Idle();
    ASSERT_EQ(imageLayers(), layersBefore + 1);
    EXPECT_TRUE(action("actLayerUndo")->toolTip().startsWith(QStringLiteral("Undo Paste Layer")));
    EXPECT_TRUE(Page->tbLayers->widgetForAction(action("actLayerUndo"))
                    ->accessibleDescription()
                    .startsWith(QStringLiteral("Undo Paste Layer")));

    // Undone from the side step: the front step comes back, without the layer.
    ClickNext();
    ASSERT_EQ(Page->Step(), 2);
    Page->SetModified(true);
    keys(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(Page->Step(), 1);
    EXPECT_EQ(imageLayers(), layersBefore);
    EXPECT_FALSE(Page->Modified());
    keys(Qt::Key_Y, Qt::ControlModifier);
    EXPECT_TRUE(Page->Modified());
    keys(Qt::Key_Z, Qt::ControlModifier);
    keys(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_TRUE(Page->Modified());

    // Reset and a new face picture are steps too, layers and all.
    const TBitmap32& face = Page->ImgView1->Bitmap();
    const std::vector<TColor32> front(face.Bits(), face.Bits() + std::size_t(face.Width()) * face.Height());
    const int layers = imageLayers();
    ASSERT_EQ(layers, layersBefore + 1);
    Click(Page->BitBtn1);
    EXPECT_TRUE(face.IsEmpty());
    EXPECT_EQ(imageLayers(), 0);
    keys(Qt::Key_Z, Qt::ControlModifier);
    ASSERT_EQ(std::size_t(face.Width()) * face.Height(), front.size());
    EXPECT_TRUE(std::equal(front.begin(), front.end(), face.Bits()));
    EXPECT_EQ(imageLayers(), layers);
    SelectFace(WriteImage(Path("red.bmp"), 8, 6, 0xFFFF0000));
    EXPECT_EQ(face.Width(), 8);
    keys(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_TRUE(std::equal(front.begin(), front.end(), face.Bits()));
    EXPECT_TRUE(action("actLayerRedo")->isEnabled());

    // From the result step too, which shows the front face first; never on the first step.
    ClickNext();
    ClickNext();
    ASSERT_EQ(Page->Step(), 4);
    keys(Qt::Key_Y, Qt::ControlModifier);
    EXPECT_EQ(Page->Step(), 1);
    EXPECT_EQ(face.Width(), 8);
    ClickBack();
    ASSERT_EQ(Page->Step(), 0);
    EXPECT_FALSE(action("actLayerUndo")->isEnabled());
}

// A double click on a text layer opens its text, and OK redraws it.
TEST_F(PageFilesTest, DoubleClickOnATextLayerEditsItsText)
{
    PickLastTemplate();
    ClickNext();
    ASSERT_EQ(Page->Step(), 1);
    QString offered;
    AnswerWith<TFontDlgFrm>([](TFontDlgFrm* dlg) {
        QTest::keyClicks(dlg->mmoText, QStringLiteral("Sale"));
        QTest::mouseClick(dlg->btnOk, Qt::LeftButton);
    });
    Idle();
    QTest::mouseClick(Page->tbLayers->widgetForAction(Page->findChild<QAction*>(QStringLiteral("actLayerText"))),
                      Qt::LeftButton);
    auto* layer = dynamic_cast<TBitmapTextLayer*>(Page->Selection()->SelectedLayer(1));
    ASSERT_TRUE(layer);
    AnswerWith<TFontDlgFrm>([&](TFontDlgFrm* dlg) {
        offered = dlg->mmoText->toPlainText();
        dlg->mmoText->setPlainText(QStringLiteral("Sold"));
        QTest::mouseClick(dlg->btnOk, Qt::LeftButton);
    });
    const QPoint centre = Page->ImgView1->ViewportWidgetRect().center();
    // As the platform sends it: a click, then the second press as a double click, and its release.
    QTest::mouseClick(Page->ImgView1, Qt::LeftButton, {}, centre);
    QTest::mouseDClick(Page->ImgView1, Qt::LeftButton, {}, centre);
    EXPECT_TRUE(offered.isEmpty()); // not before the button is up
    QTest::mouseRelease(Page->ImgView1, Qt::LeftButton, {}, centre);
    Idle();
    EXPECT_EQ(offered, QStringLiteral("Sale"));
    EXPECT_EQ(layer->Params.Text, QStringLiteral("Sold"));
    EXPECT_EQ(Page->Selection()->SelectedLayer(1), layer);
}
