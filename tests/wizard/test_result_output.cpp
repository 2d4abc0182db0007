// The final render, the save command and Copy Image, through a real result
// view, the real save dialog and the offscreen clipboard.
#include "wizard/RenderDrivers.h"
#include "wizard/ResultOutput.h"

#include "codecs/ImageFiles.h"
#include "imageview/ViewFixture.h"
#include "render/LayerUtils.h"
#include "resources/StringTable.h"
#include "platform/MemoryBudget.h"
#include "support/FileSizeLimit.h"
#include "support/ModalAnswers.h"
#include "templates/TemplateList.h"
#include "wizard/DialogFolders.h"

#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMimeData>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <functional>

#include <sys/wait.h>
#include <unistd.h>

namespace {

bool SamePixels(const TBitmap32& a, const TBitmap32& b)
{
    return a.Width() == b.Width() && a.Height() == b.Height() &&
           std::memcmp(a.Bits(), b.Bits(), std::size_t(a.Width()) * a.Height() * 4) == 0;
}

void Opaque(TBitmap32& b, int w, int h, std::uint32_t seed)
{
    FillPattern(b, w, h, seed);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) b.SetPixelAt(x, y, b.PixelAt(x, y) | 0xFF000000u);
}

struct ResultFixture : ::testing::Test {
    ViewFixture resultView{300, 200};
    TLayerSelection sel{{nullptr, nullptr, nullptr, nullptr, resultView.view.get()}, [] { return 4; }};
    TBitmap32 result;
    QTemporaryDir dir;

    TImgView32* View() { return resultView.view.get(); }
    QString Path(const QString& name) const { return QDir(dir.path()).filePath(name); }
    // The result as a render leaves it: the picture as the selected layer.
    void ShowResult(int w, int h)
    {
        Opaque(result, w, h, 11);
        sel.AddImageLayer(View(), result);
    }
    // The save command, its dialog and boxes answered as queued.
    bool Save(TResultSaver& saver) { return saver.Execute(nullptr, View(), result); }
    TAnswer SaveAs(const char* name, int filter) { return AnswerFileDialog(Path(name), filter); }
};

// A front face on the page's checkerboard stage with a selected picture
// layer on it, and a side face, both 240 high.
struct RenderFixture : ResultFixture {
    ViewFixture front{300, 200}, side{300, 200};
    int step = 4;
    TLayerSelection faces{{nullptr, front.view.get(), side.view.get(), nullptr, View()}, [this] { return step; }};
    TBoxRenderInput in;
    TFaceCache cache; // as a page owns it
    TBitmapLayer* framed = nullptr;

    void SetUp() override
    {
        front.view->PaintStages()[0].Stage = stageCustom;
        front.view->OnPaintStage = [](TCustomImage32*, TBitmap32* buffer, unsigned) { DrawCheckerboard(*buffer, false); };
        Opaque(front.view->Bitmap(), 200, 240, 1);
        Opaque(side.view->Bitmap(), 30, 240, 2);
        TBitmap32 picture;
        Opaque(picture, 50, 50, 3);
        framed = faces.AddImageLayer(front.view.get(), picture);
        in.Faces[1] = front.view.get();
        in.Faces[2] = side.view.get();
    }
};

} // namespace

TEST_F(ResultFixture, EachTypeForcesItsExtensionAndStaysChosenForTheNextSave)
{
    ShowResult(120, 90);
    TResultSaver saver(dir.path());
    const char* extensions[] = {".jpg", ".gif", ".bmp"};
    QString previousFilter = LoadStr(StrId::SaveFilterJpeg);
    for (int type = 0; type < 3; ++type) {
        const TAnswer dialog = SaveAs("shot.png", type);
        ASSERT_TRUE(Save(saver)) << type;
        EXPECT_EQ(dialog->Text, previousFilter) << type;
        previousFilter = LoadStr(StrId(int(StrId::SaveFilterJpeg) + type));
        TBitmap32 back;
        ASSERT_EQ(ReadImageFile(Path(QStringLiteral("shot") + extensions[type]), back), TLoadResult::Loaded) << type;
        EXPECT_EQ(back.Width(), 120);
        EXPECT_EQ(back.Height(), 90);
        if (type == TResultSaver::ftBitmap) {
            EXPECT_TRUE(SamePixels(back, result));
        }
    }
    EXPECT_FALSE(QFileInfo::exists(Path("shot.png")));

    // Cancel writes nothing and says nothing.
    AnswerFileDialog(QString());
    EXPECT_FALSE(Save(saver));
}

// The question before a file is replaced concerns the file really written:
// the name with the type's extension forced. No goes back to the dialog.
TEST_F(ResultFixture, ReplacingAsksAboutTheFileWrittenAndNoKeepsIt)
{
    ShowResult(40, 30);
    const QByteArray old("the old file");
    auto put = [&](const char* name) {
        QFile file(Path(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(old);
    };
    auto bytes = [&](const char* name) {
        QFile file(Path(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    };
    for (const char* name : {"box.jpg", "box2.jpeg", "box2.jpg", "box3.jpeg"}) put(name);
    // The names typed below are paths: the dialog goes back to their folder.
    ASSERT_TRUE(QDir(dir.path()).mkdir("start"));
    TResultSaver saver(Path("start"));
    const struct {
        const char* typed;
        const char* written;
    } cases[] = {{"box", "box.jpg"}, {"box2.jpeg", "box2.jpg"}};
    for (const auto& c : cases) {
        // Typed as a path into the name field: the dialog stays in its folder.
        AnswerWith<QFileDialog>([path = Path(c.typed)](QFileDialog* dialog) {
            dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(path);
            static_cast<QDialog*>(dialog)->accept();
        });
        const TAnswer question = AnswerBox(QMessageBox::No);
        const TAnswer again = AnswerFileDialog(QString());
        EXPECT_FALSE(Save(saver)) << c.typed;
        EXPECT_EQ(question->Text, QString("%1 already exists.\nDo you want to replace it?").arg(c.written));
        EXPECT_EQ(again->Folder, QDir(dir.path()).absolutePath()) << c.typed;
        EXPECT_EQ(bytes(c.written), old) << c.written;

        SaveAs(c.typed, TResultSaver::ftJpeg);
        AnswerBox(QMessageBox::Yes);
        EXPECT_TRUE(Save(saver)) << c.typed;
        TBitmap32 back;
        EXPECT_EQ(ReadImageFile(Path(c.written), back), TLoadResult::Loaded) << c.written;
    }
    EXPECT_EQ(bytes("box2.jpeg"), old);
    // The name as typed exists, the file written does not: no question.
    SaveAs("box3.jpeg", TResultSaver::ftJpeg);
    EXPECT_TRUE(Save(saver));
    EXPECT_EQ(bytes("box3.jpeg"), old);
    EXPECT_TRUE(QFileInfo(Path("box3.jpg")).isFile());
}

// An installed program cannot write its Samples folder: the first save goes
// to the user's Pictures folder, or the home folder when there is none.
TEST(DialogFolders, FirstSaveFolderIsPicturesWhenSamplesCannotBeWritten)
{
    QTemporaryDir dir;
    const QString root = dir.path(), readOnly = root + "/ro/", writable = root + "/rw/", home = root + "/home",
                  bare = root + "/bare";
    for (const QString& folder : {readOnly, writable, home + "/Pictures", bare}) ASSERT_TRUE(QDir().mkpath(folder));
    const auto all = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup | QFile::ExeGroup |
                     QFile::ReadOther | QFile::ExeOther;
    ASSERT_TRUE(QFile::setPermissions(root, all));
    ASSERT_TRUE(QFile::setPermissions(readOnly, all & ~QFile::WriteOwner));
    ASSERT_TRUE(QFile::setPermissions(writable, all | QFile::WriteGroup | QFile::WriteOther));
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // Root may write anywhere: the folders are looked at as another user.
        if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(100);
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(root + "/no-config"));
        qputenv("HOME", QFile::encodeName(home));
        int wrong = 0;
        if (FirstRunSaveFolder(writable) != writable) wrong |= 1;
        if (FirstRunSaveFolder(readOnly) != home + "/Pictures/") wrong |= 2;
        qputenv("HOME", QFile::encodeName(bare));
        if (FirstRunSaveFolder(readOnly) != bare + "/") wrong |= 4;
        _exit(wrong);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "1: writable Samples, 2: Pictures, 4: home, 100: no other user";
}

TEST_F(ResultFixture, ResizedResultIsSavedAndCopiedAtItsNewSize)
{
    ShowResult(120, 90);
    TBitmap32 rendered;
    rendered.CopyFrom(result);
    TRubberbandLayer* frame = sel.HandleLayer(4);
    frame->SetBounds(TRealRect{0, 0, 60, 45});
    TResultSaver saver(dir.path());
    SaveAs("small.jpg", TResultSaver::ftJpeg);
    ASSERT_TRUE(Save(saver));
    TBitmap32 back;
    ASSERT_TRUE(LoadImageFile(Path("small.jpg"), back));
    EXPECT_EQ(back.Width(), 60);
    EXPECT_EQ(back.Height(), 45);
    CopyImageToClipboard(result);
    EXPECT_EQ(QGuiApplication::clipboard()->image().size(), QSize(60, 45));

    // Back at the rendered size: the rendered picture itself, not a resample.
    frame->SetBounds(TRealRect{10, 10, 130, 100});
    SaveAs("full.bmp", TResultSaver::ftBitmap);
    ASSERT_TRUE(Save(saver));
    ASSERT_TRUE(LoadImageFile(Path("full.bmp"), back));
    EXPECT_TRUE(SamePixels(back, rendered));
}

TEST_F(ResultFixture, FailedWritesWarnNameTheFileAndKeepFailing)
{
    ShowResult(40, 30);
    // Folders stand where the files would go, so every write fails.
    ASSERT_TRUE(QDir(dir.path()).mkdir("shot.jpg"));
    ASSERT_TRUE(QDir(dir.path()).mkdir("shot.bmp"));
    TResultSaver saver(dir.path());
    // JPEG twice (the warning comes every time), then a bitmap.
    for (int attempt = 0; attempt < 3; ++attempt) {
        const bool jpeg = attempt < 2;
        SaveAs("shot.png", jpeg ? TResultSaver::ftJpeg : TResultSaver::ftBitmap);
        const TAnswer box = AnswerBox(QMessageBox::Ok);
        EXPECT_FALSE(Save(saver));
        EXPECT_EQ(box->Icon, jpeg ? QMessageBox::Warning : QMessageBox::Critical);
        const QString named = jpeg ? QDir::toNativeSeparators(Path("shot.jpg")) : QStringLiteral("shot.bmp");
        EXPECT_TRUE(box->Text.contains(named)) << box->Text.toStdString();
    }
    EXPECT_TRUE(QFileInfo(Path("shot.jpg")).isDir());
}

TEST_F(ResultFixture, AFullDiskIsReportedWithTheSystemsReasonAndKeepsTheOldFile)
{
    ShowResult(40, 30);
    const QString tooLarge = QString::fromLocal8Bit(std::strerror(EFBIG));
    for (const auto type : {TResultSaver::ftJpeg, TResultSaver::ftGif, TResultSaver::ftBitmap}) {
        const QString target = TResultSaver::ForceExtension(Path("shot"), type);
        QFile old(target);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("old");
        old.close();
        const QString error = InChildWithFileSizeLimit(1024, [&] {
            QString why;
            return TResultSaver::WriteImage(result, Path("shot"), type, &why) ? QStringLiteral("saved") : why;
        });
        EXPECT_TRUE(error.contains(QDir::toNativeSeparators(target)) && error.contains(tooLarge)) << error.toStdString();
        ASSERT_TRUE(old.open(QIODevice::ReadOnly));
        EXPECT_EQ(old.readAll(), QByteArray("old"));
        old.close();
    }
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), (QStringList{"shot.bmp", "shot.gif", "shot.jpg"}));
}

TEST_F(RenderFixture, ADefaultSizeOverTheMemoryLimitIsRefusedBeforeRendering)
{
    in.DefaultSize = true;
    in.DefaultWidth = in.DefaultHeight = 20000;
    try {
        RenderBox(in, faces, View(), result, cache);
        ADD_FAILURE() << "no error";
    } catch (const EMemoryBudgetError& e) {
        EXPECT_TRUE(e.Message().startsWith(QStringLiteral("A picture of 20000 \u00d7 20000 pixels would need"))) << e.what();
    }
    EXPECT_TRUE(result.IsEmpty());
}

TEST_F(ResultFixture, EmptyResultWarnsWithoutAskingForAFile)
{
    TResultSaver saver(dir.path());
    const TAnswer warning = AnswerBox(QMessageBox::Ok); // and no file dialog
    EXPECT_FALSE(Save(saver));
    EXPECT_EQ(warning->Text, LoadStr(StrId::SaveResultEmpty));
    EXPECT_TRUE(QDir(dir.path()).isEmpty());
    // Nothing to copy: the clipboard keeps what it held.
    QImage held(3, 3, QImage::Format_RGB32);
    held.fill(Qt::red);
    QGuiApplication::clipboard()->setImage(held);
    CopyImageToClipboard(result);
    EXPECT_EQ(QGuiApplication::clipboard()->image().size(), QSize(3, 3));
}

TEST_F(RenderFixture, RenderLeavesTheFaceFramesOutAndShowsOneSelectedPicture)
{
    in.Shadow = true;

    // Expected: the faces flattened with no selection shown.
    TBitmap32 f, s, t, expected, f2, s2, expectedNoShadow;
    faces.SetSelection(nullptr, 1);
    FlattenView(front.view.get(), f);
    FlattenView(side.view.get(), s);
    f2.CopyFrom(f);
    s2.CopyFrom(s);
    ComposeBox(expected, f, s, t, in.Style, in.Orientation, false, 250, 300, true);
    ComposeBox(expectedNoShadow, f2, s2, t, in.Style, in.Orientation, false, 250, 300, false);
    faces.SetSelection(framed, 1);

    View()->SetScale(2.0f);
    RenderBox(in, faces, View(), result, cache);
    EXPECT_TRUE(SamePixels(result, expected));
    EXPECT_EQ(faces.HandleLayer(1)->Options(), 0xB0000000u);
    EXPECT_TRUE(front.view->PaintStages()[0].RunTime);
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_EQ(View()->Scale(), 1.0f);
    ASSERT_EQ(View()->Layers().Count(), 2);
    auto* shown = dynamic_cast<TBitmapLayer*>(faces.SelectedLayer(4));
    ASSERT_TRUE(shown);
    EXPECT_TRUE(SamePixels(shown->Bitmap(), result));
    const TRealRect first = shown->Bounds();
    EXPECT_EQ(first.Right - first.Left, float(result.Width()));
    EXPECT_EQ(first.Bottom - first.Top, float(result.Height()));

    // A re-render (the last picture lends its memory) at another size stays
    // centred where the first one was.
    in.Shadow = false;
    RenderBox(in, faces, View(), result, cache);
    shown = dynamic_cast<TBitmapLayer*>(faces.SelectedLayer(4));
    ASSERT_TRUE(shown);
    EXPECT_TRUE(SamePixels(shown->Bitmap(), result));
    EXPECT_EQ(faces.HandleLayer(4)->Target(), shown);
    const TRealRect second = shown->Bounds();
    EXPECT_EQ(second.Right - second.Left, float(result.Width()));
    EXPECT_EQ(second.Left + second.Right, first.Left + first.Right);
    EXPECT_EQ(second.Top + second.Bottom, first.Top + first.Bottom);
    EXPECT_TRUE(SamePixels(result, expectedNoShadow));

    // Without a side image nothing changes.
    side.view->Bitmap().SetSize(0, 0);
    RenderBox(in, faces, View(), result, cache);
    EXPECT_EQ(faces.SelectedLayer(4), shown);
    EXPECT_TRUE(SamePixels(result, expectedNoShadow));
}

// The faces' flattened pictures are kept between renders: every change of a
// face makes exactly that face flatten again and the picture match a render
// from scratch; option clicks, zoom and view size flatten nothing.
TEST_F(RenderFixture, KeptFacesFollowEveryChangeOfAFaceAndOnlyThose)
{
    step = 1;
    Opaque(side.view->Bitmap(), 60, 240, 2);
    // The front's first layer stays selected: its frame is shown throughout.
    TBitmap32 picture;
    Opaque(picture, 40, 30, 4);
    TBitmapLayer* frontTop = AddBitmapLayerFrom(front.view.get(), picture);
    TBitmapLayer* sideLayer = AddBitmapLayerFrom(side.view.get(), picture);
    auto flattenedByRender = [&] {
        const std::uint64_t before = cache.FacesFlattened();
        RenderBox(in, faces, View(), result, cache);
        return cache.FacesFlattened() - before;
    };
    auto fromScratch = [&] {
        TBitmap32 f, s, t, expected;
        faces.HideSelection(1);
        FlattenView(front.view.get(), f);
        FlattenView(side.view.get(), s);
        faces.RestoreSelection(1);
        ComposeBox(expected, f, s, t, in.Style, in.Orientation, in.DefaultSize, in.DefaultWidth, in.DefaultHeight,
                   in.Shadow);
        return SamePixels(result, expected);
    };

    struct Step {
        const char* what;
        std::function<void()> change;
        std::uint64_t flattens;
    };
    const Step steps[] = {
        {"shadow and orientation", [&] { in.Shadow = true; in.Orientation = boRight; }, 0},
        {"default size", [&] { in.DefaultSize = true; }, 0},
        {"front face replaced",
         [&] {
             TBitmap32 loaded;
             Opaque(loaded, 200, 240, 7);
             front.view->Bitmap().SwapPixels(loaded);
         },
         1},
        {"layer dragged by its frame",
         [&] {
             const TRealRect was = framed->Bounds();
             // Inside the frame, clear of the smaller layer over its middle.
             front.Press(Qt::LeftButton, 150, 80);
             front.Move(165, 88);
             front.Release(Qt::LeftButton, 165, 88);
             ASSERT_FALSE(SameBounds(framed->Bounds(), was));
         },
         1},
        {"zoom and view size", [&] { front.view->SetScale(2.5f); side.view->resize(200, 150); }, 0},
        {"side layer moved",
         [&] {
             TRealRect b = sideLayer->Bounds();
             b.Left += 5;
             b.Right += 5;
             sideLayer->SetBounds(b);
         },
         1},
        {"layer pixels changed with their notice",
         [&] {
             frontTop->Bitmap().ScanLine(3)[4] = 0xFF123456u;
             frontTop->Bitmap().NotifyChanged();
         },
         1},
        {"layer blended at half strength, with its notice",
         [&] {
             sideLayer->Bitmap().DrawMode = dmBlend;
             sideLayer->Bitmap().MasterAlpha = 128;
             sideLayer->Bitmap().NotifyChanged();
         },
         1},
        {"default size off", [&] { in.DefaultSize = false; }, 0},
        {"layer hidden", [&] { frontTop->SetVisible(false); }, 1},
        {"layer added", [&] { AddBitmapLayerFrom(side.view.get(), picture); }, 1},
        {"layers reordered", [&] { sideLayer->MoveToIndex(1); }, 1},
        {"layer deleted", [&] { delete sideLayer; }, 1},
        {"selection moved to another layer",
         [&] { faces.SetSelection(frontTop, 1); faces.SetSelection(framed, 1); }, 1},
    };
    EXPECT_EQ(flattenedByRender(), 2u);
    for (const Step& step : steps) {
        flattenedByRender(); // takes in what the last comparison's frame hiding moved on
        step.change();
        EXPECT_EQ(flattenedByRender(), step.flattens) << step.what;
        EXPECT_TRUE(fromScratch()) << step.what;
    }
    EXPECT_EQ(faces.HandleLayer(1)->Options(), 0xB0000000u);

    // Another page, with views and a cache of its own: its renders leave the
    // pictures kept here alone.
    ViewFixture otherFront, otherSide, otherResult;
    Opaque(otherFront.view->Bitmap(), 80, 90, 8);
    Opaque(otherSide.view->Bitmap(), 20, 90, 9);
    TLayerSelection otherFaces{{nullptr, otherFront.view.get(), otherSide.view.get(), nullptr, otherResult.view.get()},
                               [] { return 4; }};
    TBoxRenderInput otherIn;
    otherIn.Faces[1] = otherFront.view.get();
    otherIn.Faces[2] = otherSide.view.get();
    TFaceCache otherCache;
    TBitmap32 otherPicture;
    flattenedByRender();
    RenderBox(otherIn, otherFaces, otherResult.view.get(), otherPicture, otherCache);
    EXPECT_EQ(otherCache.FacesFlattened(), 2u);
    EXPECT_EQ(flattenedByRender(), 0u);
    EXPECT_TRUE(fromScratch());
}

TEST(TemplatePreview, PlaceholderUnlessFrontAndSideFilesExist)
{
    QTemporaryDir dir;
    const QString front = QDir(dir.path()).filePath("front.bmp"), side = QDir(dir.path()).filePath("side.bmp");
    TBitmap32 face;
    Opaque(face, 40, 50, 5);
    SaveAsBitmap(front, face);
    SaveAsBitmap(side, face);
    ViewFixture view0{300, 200};
    TTemplateItem item;
    item.SetFrontImage(front);
    item.SetSideImage(side);
    item.SetDefaultWidth(120);
    item.SetDefaultHeight(160);
    const TBitmap32& preview = view0.view->Bitmap();
    auto size = [&] { return QSize(preview.Width(), preview.Height()); };

    RenderTemplatePreview(view0.view.get(), &item, bxTwoSidedBox);
    EXPECT_EQ(size(), QSize(120, 160));
    RenderTemplatePreview(view0.view.get(), nullptr, bxTwoSidedBox);
    EXPECT_EQ(size(), QSize(box::NoPreviewWidth, box::NoPreviewHeight));

    // A folder in place of the side file counts as missing.
    item.SetSideImage(dir.path());
    RenderTemplatePreview(view0.view.get(), &item, bxTwoSidedBox);
    EXPECT_EQ(size(), QSize(box::NoPreviewWidth, box::NoPreviewHeight));

    // A damaged front file leaves that face empty; the preview is still drawn.
    QFile bad(QDir(dir.path()).filePath("bad.jpg"));
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
    bad.write("\xFF\xD8\xFF\xE0 not really a JPEG");
    bad.close();
    item.SetSideImage(side);
    item.SetFrontImage(bad.fileName());
    RenderTemplatePreview(view0.view.get(), &item, bxTwoSidedBox);
    EXPECT_EQ(size(), QSize(120, 160));
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);

    // A size no picture may have: the error reaches the caller, the view shows the placeholder.
    item.SetDefaultWidth(100000);
    item.SetDefaultHeight(100000);
    EXPECT_ANY_THROW(RenderTemplatePreview(view0.view.get(), &item, bxTwoSidedBox));
    EXPECT_EQ(size(), QSize(box::NoPreviewWidth, box::NoPreviewHeight));
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

// Saving and copying on a background: a PNG holds the box on a transparent
// ground (also when resized by the handles), which over white is the bitmap
// saved beside it; a colour flattens every type; the clipboard offers both.
TEST_F(RenderFixture, PngSavesAndCopiesTheBoxOnATransparentGround)
{
    in.Shadow = true;
    RenderBox(in, faces, View(), result, cache);
    TBitmap32 rendered;
    rendered.CopyFrom(result);
    TBitmap32 onBlack;
    int blackRenders = 0;
    TResultDrawings drawings;
    drawings.OnWhite = &rendered;
    drawings.OnBlack = [&]() -> const TBitmap32* {
        ++blackRenders;
        RenderBoxOnBlack(in, faces, onBlack, cache, 0);
        return &onBlack;
    };
    faces.HandleLayer(4)->SetBounds(TRealRect{0, 0, float(rendered.Width() / 2), float(rendered.Height() / 2)});

    TResultSaver saver(dir.path());
    TBitmap32 written, png, bmp;
    SaveAs("box", TResultSaver::ftPng);
    ASSERT_TRUE(saver.Execute(nullptr, View(), written, drawings));
    SaveAs("box", TResultSaver::ftBitmap);
    ASSERT_TRUE(saver.Execute(nullptr, View(), written, drawings));
    EXPECT_EQ(blackRenders, 1); // the bitmap lies on white: no black render
    ASSERT_TRUE(LoadImageFile(Path("box.png"), png));
    ASSERT_TRUE(LoadImageFile(Path("box.bmp"), bmp));
    ASSERT_EQ(png.Width(), rendered.Width() / 2);
    EXPECT_EQ(png.PixelAt(0, 0) >> 24, 0u);
    int worst = 0;
    for (int y = 0; y < png.Height(); ++y)
        for (int x = 0; x < png.Width(); ++x) {
            const TColor32 p = png.PixelAt(x, y), b = bmp.PixelAt(x, y);
            const int a = int(p >> 24);
            for (int shift = 0; shift <= 16; shift += 8) {
                const int over = (int((p >> shift) & 255) * a + 255 * (255 - a) + 127) / 255;
                worst = std::max(worst, std::abs(over - int((b >> shift) & 255)));
            }
        }
    EXPECT_LE(worst, 1);

    // A colour: the JPEG's corner is that colour, not white.
    drawings.Background = TBoxBackground::Of(0xFF204060u);
    SaveAs("navy", TResultSaver::ftBitmap);
    ASSERT_TRUE(saver.Execute(nullptr, View(), written, drawings));
    TBitmap32 navy;
    ASSERT_TRUE(LoadImageFile(Path("navy.bmp"), navy));
    EXPECT_EQ(navy.PixelAt(0, 0), 0xFF204060u);

    // Copy Image: the opaque bitmap and, beside it, the PNG with alpha.
    drawings.Background = {};
    TBitmap32 opaque, withAlpha;
    OutputPicture(View(), drawings, false, opaque);
    OutputPicture(View(), drawings, true, withAlpha);
    CopyResultToClipboard(opaque, withAlpha);
    const QMimeData* clip = QGuiApplication::clipboard()->mimeData();
    ASSERT_TRUE(clip && clip->hasImage() && clip->hasFormat("image/png"));
    EXPECT_EQ(qvariant_cast<QImage>(clip->imageData()).pixel(0, 0), 0xFFFFFFFFu);
    const QImage pasted = QImage::fromData(clip->data("image/png"), "PNG");
    ASSERT_EQ(pasted.size(), QSize(png.Width(), png.Height()));
    EXPECT_EQ(qAlpha(pasted.pixel(0, 0)), 0);
}

// A picture of odd width (the book is 255 wide) is framed on whole pixels:
// saved at its rendered size it is the render itself, not a resample one
// pixel wider or narrower.
TEST_F(RenderFixture, AnOddWidthResultIsSavedAtItsOwnSize)
{
    in.Style = bxBookCover;
    in.DefaultSize = true;
    RenderBox(in, faces, View(), result, cache);
    ASSERT_EQ(result.Width() % 2, 1);
    TBitmap32 saved;
    ResultForOutput(View(), saved);
    ASSERT_EQ(saved.Width(), result.Width());
    ASSERT_EQ(saved.Height(), result.Height());
    EXPECT_TRUE(SamePixels(saved, result));
}
