// The result's free view on the wizard page (the view choice, the camera
// sliders, turning by dragging, sharp resizing) and the face steps' live box.
#include "PageTestSupport.h"

#include "editing/LayerSelection.h"
#include "imaging/ImgView32.h"
#include "platform/Registry.h"
#include "settings/AppSettings.h"
#include "settings/ProgramKey.h"
#include "wizard/LiveBox.h"

#include <QCheckBox>
#include <QComboBox>
#include <QImage>
#include <QPushButton>
#include <QSlider>
#include <QTest>
#include <QToolButton>

namespace {

QSize SizeOf(const TBitmap32& b)
{
    return {b.Width(), b.Height()};
}

QSize SizeOf(const TRect& r)
{
    return {r.Right - r.Left, r.Bottom - r.Top};
}

// Pixels of the live box's picture that are exactly this opaque colour.
int CountColor(const QImage& picture, QRgb color)
{
    int n = 0;
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x) n += picture.pixel(x, y) == color;
    return n;
}

class FreeViewTest : public PageTest {
protected:
    TBitmap32& Shown()
    {
        auto* layer = dynamic_cast<TBitmapLayer*>(Page->Selection()->SelectedLayer(4));
        EXPECT_NE(layer, nullptr);
        static TBitmap32 none;
        return layer ? layer->Bitmap() : none;
    }
    TRect Frame() { return RoundRect(Page->Selection()->HandleLayer(4)->AdjustedBounds()); }
};

} // namespace

// Free Angle draws the turned box on a see-through ground (a PNG keeps it),
// a slider draws it again at the frame's size, and Classic gives back the
// classic picture to the byte.
TEST_F(FreeViewTest, FreeAngleDrawsTheTurnedBoxAndClassicComesBackUnchanged)
{
    ToResultStep();
    TBitmap32 classic;
    classic.CopyFrom(Page->ResultImage());
    EXPECT_FALSE(Page->pnlFreeBar->isVisible());

    ChooseFromList(Page->cbView, 1);
    Idle();
    ASSERT_TRUE(Page->FreeView());
    EXPECT_TRUE(Page->pnlFreeBar->isVisible());
    EXPECT_FALSE(Page->btnOrientLeft->isVisible());
    const TBitmap32& free = Page->ResultImage();
    ASSERT_FALSE(free.IsEmpty());
    EXPECT_FALSE(SamePixels(free, classic));
    EXPECT_EQ(SizeOf(Frame()), SizeOf(free));
    EXPECT_EQ(SizeOf(Shown()), SizeOf(free));
    EXPECT_EQ(free.PixelAt(0, 0), clWhite32);
    EXPECT_NE(free.PixelAt(free.Width() / 2, free.Height() / 2), clWhite32);

    AnswerFileDialog(Path("free.png"), 3);
    Click(Host->btnDialogs);
    const QImage saved(Path("free.png"));
    ASSERT_EQ(saved.size(), SizeOf(free));
    EXPECT_EQ(qAlpha(saved.pixel(0, 0)), 0);
    EXPECT_EQ(qAlpha(saved.pixel(saved.width() / 2, saved.height() / 2)), 255);

    TBitmap32 before;
    before.CopyFrom(free);
    Page->sldYaw->setValue(-30);
    Idle();
    EXPECT_EQ(SizeOf(Page->ResultImage()), SizeOf(before));
    EXPECT_FALSE(SamePixels(Page->ResultImage(), before));
    before.CopyFrom(Page->ResultImage());
    Click(Page->chkReflection);
    EXPECT_FALSE(SamePixels(Page->ResultImage(), before));

    ChooseFromList(Page->cbView, 0);
    Idle();
    EXPECT_FALSE(Page->pnlFreeBar->isVisible());
    EXPECT_TRUE(Page->btnOrientLeft->isVisible());
    EXPECT_TRUE(SamePixels(Page->ResultImage(), classic));
}

// A drag inside the frame turns the box (right: yaw up, down: pitch up) with
// quick frames no larger than the view, then one at the frame's size; the
// frame stays put. A handle drag draws the box again at the frame's new size.
TEST_F(FreeViewTest, DraggingTurnsTheBoxAndHandlesDrawItSharpAtTheNewSize)
{
    ToResultStep();
    ChooseFromList(Page->cbView, 1);
    Idle();
    const int yaw = Page->sldYaw->value(), pitch = Page->sldPitch->value();
    const TRect frame = Frame();
    const TRect viewport = Page->ImgView4->GetViewportRect();
    ASSERT_GT(frame.Bottom - frame.Top, viewport.Bottom - viewport.Top) << "the quick frames must be smaller";

    const QPoint from((frame.Left + frame.Right) / 2, (frame.Top + frame.Bottom) / 2);
    QTest::mousePress(Page->ImgView4, Qt::LeftButton, {}, from);
    QTest::mouseMove(Page->ImgView4, from + QPoint(20, 10));
    EXPECT_LE(Shown().Height(), viewport.Bottom - viewport.Top);
    EXPECT_EQ(Page->sldYaw->value(), yaw + 10);
    QTest::mouseMove(Page->ImgView4, from + QPoint(40, 20));
    QTest::mouseRelease(Page->ImgView4, Qt::LeftButton, {}, from + QPoint(40, 20));
    EXPECT_EQ(Page->sldYaw->value(), yaw + 20);
    EXPECT_EQ(Page->sldPitch->value(), pitch + 10);
    EXPECT_EQ(Frame(), frame);
    EXPECT_EQ(SizeOf(Page->ResultImage()), SizeOf(frame));
    EXPECT_EQ(SizeOf(Shown()), SizeOf(Page->ResultImage())) << "shown as drawn, not stretched";

    const QPoint corner(frame.Right, frame.Bottom), to = corner - QPoint(60, 50);
    QTest::mousePress(Page->ImgView4, Qt::LeftButton, {}, corner);
    QTest::mouseMove(Page->ImgView4, to);
    QTest::mouseRelease(Page->ImgView4, Qt::LeftButton, {}, to);
    const QSize resized = SizeOf(frame) - QSize(60, 50);
    EXPECT_EQ(SizeOf(Frame()), resized);
    EXPECT_EQ(SizeOf(Page->ResultImage()), resized);
    EXPECT_EQ(SizeOf(Shown()), SizeOf(Page->ResultImage())) << "shown as drawn, not stretched";
    EXPECT_EQ(Page->sldYaw->value(), yaw + 20) << "resizing does not turn";
}

// The view, the angles, the reflection and the live box's visibility are kept
// across runs; angles stored out of range or unreadable are the default ones.
TEST_F(FreeViewTest, FreeViewChoicesAreKeptAcrossRuns)
{
    EXPECT_FALSE(Page->FreeView());
    EXPECT_EQ(Page->sldYaw->value(), 30);
    EXPECT_EQ(Page->sldPitch->value(), 15);
    EXPECT_EQ(Page->sldFov->value(), 30);
    Page->cbView->setCurrentIndex(1);
    Page->sldYaw->setValue(-45);
    Page->sldPitch->setValue(-10);
    Page->sldFov->setValue(0);
    Page->chkReflection->setChecked(true);
    ClickNext();
    Click(Page->LiveBox->btnLiveBoxHide);
    NewHost();
    EXPECT_TRUE(Page->FreeView());
    EXPECT_EQ(Page->sldYaw->value(), -45);
    EXPECT_EQ(Page->sldPitch->value(), -10);
    EXPECT_EQ(Page->sldFov->value(), 0);
    EXPECT_TRUE(Page->chkReflection->isChecked());
    ClickNext();
    EXPECT_FALSE(Page->LiveBox->isVisible());
    EXPECT_TRUE(Page->btnLiveBoxShow->isVisible());

    Host.reset();
    {
        TRegistry reg;
        ASSERT_TRUE(reg.OpenKey(ProgramKey(), false));
        reg.WriteString("FreeYaw", "91");
        reg.WriteString("FreePitch", "up");
        reg.WriteString("FreeFov", "-5");
        reg.CloseKey();
    }
    NewHost();
    EXPECT_EQ(Page->sldYaw->value(), 30);
    EXPECT_EQ(Page->sldPitch->value(), 15);
    EXPECT_EQ(Page->sldFov->value(), 30);

    // A value of the wrong type is reported at the start and left as stored.
    Host.reset();
    {
        TRegistry reg;
        ASSERT_TRUE(reg.OpenKey(ProgramKey(), false));
        reg.WriteInteger("FreeYaw", 7);
        reg.CloseKey();
    }
    auto error = AnswerBox(QMessageBox::Ok);
    NewHost();
    EXPECT_TRUE(error->Text.contains("FreeYaw")) << error->Text.toStdString();
    ToResultStep();
    Host.reset();
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey(ProgramKey(), false));
    EXPECT_EQ(reg.ReadInteger("FreeYaw"), 7);
}

// The live box shows the face being edited at the next idle moment, and draws
// again only when a face or the camera changed.
TEST_F(FreeViewTest, LiveBoxFollowsAFaceEditAtIdle)
{
    ClickNext();
    ASSERT_TRUE(Page->LiveBox->isVisible());
    SelectFace(WriteImage(Path("red.bmp"), 60, 80, 0xFFC02020));
    Idle();
    EXPECT_GT(CountColor(Page->LiveBox->Picture(), 0xFFC02020), 100);
    const int frames = Page->LiveBox->FramesShown();
    Idle();
    EXPECT_EQ(Page->LiveBox->FramesShown(), frames);

    SelectFace(WriteImage(Path("blue.bmp"), 60, 80, 0xFF2040C0));
    Idle();
    EXPECT_EQ(Page->LiveBox->FramesShown(), frames + 1);
    EXPECT_EQ(CountColor(Page->LiveBox->Picture(), 0xFFC02020), 0);
    EXPECT_GT(CountColor(Page->LiveBox->Picture(), 0xFF2040C0), 100);

    Page->sldYaw->setValue(-30);
    Idle();
    EXPECT_EQ(Page->LiveBox->FramesShown(), frames + 2);
}
