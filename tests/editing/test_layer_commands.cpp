// The layer commands of the face steps, clicked on their toolbar, with the
// layers selected by real presses on the views and the dialogs answered.
#include "editing/LayerCommands.h"

#include "codecs/ImageFiles.h"
#include "editing/EditHistory.h"
#include "editing/FontDlg.h"
#include "editing/LayerSelection.h"
#include "editing/NewImageDlg.h"
#include "editing/TextLayer.h"
#include "editing/UpDown.h"
#include "imageview/ViewFixture.h"
#include "imaging/ImgView32.h"
#include "render/LayerUtils.h"
#include "support/BlendArithmetic.h"
#include "support/ModalAnswers.h"
#include "wizard/CodexaCli.h"
#include "wizard/Main.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QMenu>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QLabel>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>
#include <QUndoStack>
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <vector>

namespace {

// Front (tag 2), side (tag 3) and top views with 300 x 200 viewports, the
// commands on a toolbar that already holds the separator before the zoom gauge.
struct CommandsFixture : ::testing::Test {
    ViewFixture front{300, 200};
    ViewFixture side{300, 200};
    ViewFixture top{300, 200};
    int step = 1;
    bool modified = false;
    TLayerSelection sel{{nullptr, front.view.get(), side.view.get(), top.view.get(), nullptr},
                        [this] { return step; }};
    TLayerCommands cmds{TLayerCommandHost{&sel, [this] { return step; }, [this](bool m) { modified = m; },
                                          [] { return QString(); }, {}, nullptr}};
    QToolBar bar;

    void SetUp() override
    {
        front.view->Tag = 2;
        side.view->Tag = 3;
        bar.addSeparator();
        cmds.FillToolBar(&bar);
        bar.show();
        (void)QTest::qWaitForWindowExposed(&bar);
    }
    TImgView32* View(int i) const { return sel.View(i); }
    void Face(int i, int w, int h)
    {
        View(i)->Bitmap().SetSize(w, h);
        View(i)->Bitmap().Clear(clWhite32);
    }
    TBitmapLayer* AddLayer(int w, int h, std::uint32_t seed)
    {
        TBitmap32 b;
        FillPattern(b, w, h, seed);
        return sel.AddImageLayer(View(step), b);
    }
    // Clicks the command's toolbar button in the state the idle update gives it.
    void Click(QAction* a)
    {
        cmds.UpdateActions();
        QTest::mouseClick(bar.widgetForAction(a), Qt::LeftButton);
    }
    bool Enabled(QAction* a)
    {
        cmds.UpdateActions();
        return a->isEnabled();
    }
    static QImage Picture(int w, int h, QRgb color)
    {
        QImage image(w, h, QImage::Format_RGB32);
        image.fill(color);
        return image;
    }
};

QStringList Names(const QList<QAction*>& actions)
{
    QStringList names;
    for (const QAction* a : actions) names << a->objectName();
    return names;
}

// An answer for the New Image dialog (its caption in Text): records the sizes
// it offers, then presses OK (or Cancel).
TAnswer AnswerNewImage(bool ok, QString* height = nullptr, QString* width = nullptr)
{
    return AnswerWith<TNewImageFrm>([=](TNewImageFrm* dlg) {
        if (height) *height = dlg->txtHeight->text();
        if (width) *width = dlg->txtWidth->text();
        QTest::mouseClick(ok ? dlg->btnOk : dlg->Button3, Qt::LeftButton);
    });
}

TRect BoundsOf(const TPositionedLayer* l) { return RoundRect(l->Bounds()); }

} // namespace

TEST_F(CommandsFixture, EnablingRulesAndStackOrderWithThreeLayers)
{
    EXPECT_EQ(Names(bar.actions()),
              (QStringList{"actLayerUndo", "actLayerRedo", "", "actLayerImage", "actLayerText", "", "actLayerDelete", "", "actLayerCut", "actLayerCopy",
                           "actLayerPaste", "", "actLayerBringToFront", "actLayerBringFoward", "actLayerSendBack",
                           "actLayerSendToBack", "", "actLayerRotate90ccw", "actLayerRotate90cw", ""}));
    EXPECT_EQ(Names(cmds.popLayer->actions()),
              (QStringList{"actLayerCut", "actLayerCopy", "actLayerPaste", "actLayerDelete", "actLayerEditText", "",
                           "actLayerBringToFront", "actLayerBringFoward", "actLayerSendBack", "actLayerSendToBack"}));

    Face(1, 300, 200);
    for (QAction* a : {cmds.actLayerCut, cmds.actLayerCopy, cmds.actLayerDelete, cmds.actLayerBringToFront,
                       cmds.actLayerSendBack, cmds.actLayerRotate90cw})
        EXPECT_FALSE(Enabled(a)) << a->objectName().toStdString();

    TBitmapLayer* a = AddLayer(40, 40, 1);
    sel.HandleLayer(1)->SetBounds(TRealRect{10, 10, 50, 50});
    AddLayer(40, 40, 2);
    sel.HandleLayer(1)->SetBounds(TRealRect{100, 10, 140, 50});
    TBitmapLayer* c = AddLayer(40, 40, 3);
    sel.HandleLayer(1)->SetBounds(TRealRect{200, 10, 240, 50});
    TLayerCollection& layers = View(1)->Layers();
    ASSERT_EQ(layers.Count(), 4);
    EXPECT_FALSE(Enabled(cmds.actLayerBringToFront)); // the top layer under the frame
    EXPECT_TRUE(Enabled(cmds.actLayerSendBack));

    // Selecting the bottom layer with a press enables moving it up.
    front.Press(Qt::LeftButton, 20, 20);
    front.Release(Qt::LeftButton, 20, 20);
    ASSERT_EQ(sel.SelectedLayer(1), a);
    EXPECT_TRUE(Enabled(cmds.actLayerBringToFront));
    EXPECT_TRUE(Enabled(cmds.actLayerBringFoward));
    EXPECT_TRUE(Enabled(cmds.actLayerCut));
    EXPECT_TRUE(Enabled(cmds.actLayerRotate90ccw));

    Click(cmds.actLayerBringToFront);
    EXPECT_EQ(a->Index(), 2); // under the frame
    EXPECT_EQ(sel.HandleLayer(1)->Index(), 3);
    EXPECT_TRUE(modified);
    EXPECT_FALSE(Enabled(cmds.actLayerBringFoward));

    Click(cmds.actLayerSendToBack);
    EXPECT_EQ(a->Index(), 0);
    // Send Back on the bottom layer: enabled, changes nothing, still counts as a change.
    modified = false;
    ASSERT_TRUE(Enabled(cmds.actLayerSendBack));
    Click(cmds.actLayerSendBack);
    EXPECT_EQ(a->Index(), 0);
    EXPECT_TRUE(modified);
    Click(cmds.actLayerBringFoward);
    EXPECT_EQ(a->Index(), 1);
    EXPECT_EQ(c->Index(), 2);
}

TEST_F(CommandsFixture, CutAndDeleteLeaveTheHiddenFrameForTheNextLayer)
{
    Face(1, 300, 200);
    TBitmapLayer* only = AddLayer(30, 20, 5);
    TRubberbandLayer* frame = sel.HandleLayer(1);
    TBitmap32 picture;
    picture.CopyFrom(only->Bitmap());

    Click(cmds.actLayerCut);
    TLayerCollection& layers = View(1)->Layers();
    ASSERT_EQ(layers.Count(), 1);
    EXPECT_EQ(layers.Items(0), frame);
    EXPECT_FALSE(frame->Visible());
    EXPECT_EQ(sel.SelectedLayer(1), nullptr);
    EXPECT_EQ(sel.HandleLayer(1), nullptr);
    EXPECT_TRUE(modified);
    EXPECT_FALSE(Enabled(cmds.actLayerDelete));
    // The clipboard holds the picture as it is seen (opaque).
    const QImage copied = QGuiApplication::clipboard()->image().convertToFormat(QImage::Format_ARGB32);
    ASSERT_EQ(copied.size(), QSize(30, 20));
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 30; ++x)
            ASSERT_EQ(copied.pixel(x, y), picture.PixelAt(x, y) | 0xFF000000u) << x << "," << y;

    // Pasting it back: the next layer is selected with the frame found in the
    // view, which stays below it.
    ASSERT_TRUE(Enabled(cmds.actLayerPaste));
    Click(cmds.actLayerPaste);
    ASSERT_EQ(layers.Count(), 2);
    auto* pasted = dynamic_cast<TBitmapLayer*>(sel.SelectedLayer(1));
    ASSERT_TRUE(pasted);
    EXPECT_EQ(sel.HandleLayer(1), frame);
    EXPECT_LT(frame->Index(), pasted->Index());
    EXPECT_EQ(pasted->Bitmap().PixelAt(7, 3), picture.PixelAt(7, 3) | 0xFF000000u);
    EXPECT_EQ(pasted->Bitmap().StretchFilter, sfLinear);
    // One layer and the frame: nothing to send back behind.
    EXPECT_FALSE(Enabled(cmds.actLayerSendBack));

    Click(cmds.actLayerDelete);
    EXPECT_EQ(layers.Count(), 1);
    EXPECT_EQ(layers.Items(0), frame);
}

TEST_F(CommandsFixture, ACopiedTextLayerPastesBackSeeThroughAndAlphaIsKept)
{
    Face(1, 300, 200);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPointSize(30);
    TBitmapTextLayer* text = AddTextLayerFrom(View(1), {QStringLiteral("Wy"), font, 0xFFFFFF00, 4});
    ASSERT_TRUE(text);
    sel.AttachLayer(text);
    sel.SetSelection(text, 1);
    Click(cmds.actLayerCopy);

    // Other programs get the picture as it is seen: yellow on opaque black.
    QClipboard* clipboard = QGuiApplication::clipboard();
    const QImage plain = clipboard->image().convertToFormat(QImage::Format_ARGB32);
    ASSERT_EQ(plain.size(), QSize(text->Bitmap().Width(), text->Bitmap().Height()));
    EXPECT_EQ(plain.pixel(0, 0), 0xFF000000u);
    ASSERT_TRUE(clipboard->mimeData()->hasFormat(QStringLiteral("image/png")));

    // Paste takes the PNG: the text in its colour, its coverage as alpha.
    text->SetVisible(false);
    Click(cmds.actLayerPaste);
    auto* pasted = dynamic_cast<TBitmapLayer*>(sel.SelectedLayer(1));
    ASSERT_TRUE(pasted && pasted != text);
    EXPECT_EQ(pasted->Bitmap().DrawMode, dmBlend);
    int clear = 0, solid = 0;
    for (int y = 0; y < plain.height(); ++y)
        for (int x = 0; x < plain.width(); ++x) {
            const TColor32 drawn = text->Bitmap().PixelAt(x, y), got = pasted->Bitmap().PixelAt(x, y);
            ASSERT_EQ(got & 0xFFFFFF, 0xFFFF00u) << x << "," << y;
            ASSERT_EQ(got >> 24, drawn >> 24) << x << "," << y;
            // Other programs see the text on black.
            ASSERT_EQ(plain.pixel(x, y), BlendedOnto(drawn, clBlack32)) << x << "," << y;
            clear += (drawn >> 24) == 0;
            solid += (drawn >> 24) == 255;
        }
    EXPECT_GT(clear, 100);
    EXPECT_GT(solid, 10);
    // Where the text had its background the face shows through.
    TBitmap32 flat;
    FlattenView(View(1), flat);
    const TRect at = BoundsOf(pasted);
    EXPECT_EQ(flat.PixelAt(at.Left, at.Top) & 0xFFFFFF, 0xFFFFFFu);

    // A blended layer goes round with its alpha as it is.
    TBitmap32 first;
    first.CopyFrom(pasted->Bitmap());
    Click(cmds.actLayerCopy);
    Click(cmds.actLayerPaste);
    auto* again = dynamic_cast<TBitmapLayer*>(sel.SelectedLayer(1));
    ASSERT_TRUE(again && again != pasted);
    EXPECT_EQ(again->Bitmap().DrawMode, dmBlend);
    EXPECT_EQ(std::memcmp(again->Bitmap().Bits(), first.Bits(), std::size_t(first.Width()) * first.Height() * 4), 0);

    // A clipboard with only a plain image pastes an opaque layer, as before.
    clipboard->setImage(Picture(30, 20, qRgb(0, 0, 200)));
    Click(cmds.actLayerPaste);
    auto* opaque = dynamic_cast<TBitmapLayer*>(sel.SelectedLayer(1));
    ASSERT_TRUE(opaque && opaque != again);
    EXPECT_EQ(opaque->Bitmap().DrawMode, dmOpaque);
    EXPECT_EQ(opaque->Bitmap().PixelAt(5, 5), 0xFF0000C8u);
}

TEST_F(CommandsFixture, AnImageLayerFromAPictureWithAlphaBlendsOntoTheFace)
{
    Face(1, 300, 200);
    const TColor32 under = Color32(40, 80, 120);
    View(1)->Bitmap().Clear(under);
    TBitmap32 glass;
    glass.SetSize(40, 20);
    glass.Clear(Color32(200, 100, 0, 100));
    glass.FillArea(0, 0, 10, 20, clTransparent32);
    QTemporaryDir dir;
    ASSERT_TRUE(SaveAsPng(dir.filePath("glass.png"), glass));
    AnswerFileDialog(dir.filePath("glass.png"));
    Click(cmds.actLayerImage);
    auto* layer = dynamic_cast<TBitmapLayer*>(sel.SelectedLayer(1));
    ASSERT_TRUE(layer);
    EXPECT_EQ(layer->Bitmap().DrawMode, dmBlend);
    ASSERT_EQ(BoundsOf(layer), (TRect{130, 90, 170, 110}));
    TBitmap32 flat;
    FlattenView(View(1), flat);
    EXPECT_EQ(flat.PixelAt(135, 96) | 0xFF000000u, under);
    EXPECT_EQ(flat.PixelAt(157, 96) | 0xFF000000u, BlendedOnto(glass.PixelAt(27, 6), under));
}

TEST_F(CommandsFixture, AddingToAFaceWithoutImageOffersABlankImageSizedForTheFace)
{
    // Nothing on the clipboard: the blank face is made, then the warning.
    QGuiApplication::clipboard()->clear();
    EXPECT_FALSE(Enabled(cmds.actLayerPaste));
    const TAnswer front = AnswerNewImage(true);
    const TAnswer warning = AnswerBox(QMessageBox::Ok);
    cmds.actLayerPasteExecute();
    EXPECT_EQ(front->Text, QStringLiteral("Box Front Properties"));
    EXPECT_EQ(warning->Text, QStringLiteral("Unable to paste the clipboard contents to the current image."));
    EXPECT_EQ(View(1)->Layers().Count(), 0);
    EXPECT_TRUE(modified);

    // With a picture: a 140 x 200 white face with the picture centred and selected.
    View(1)->Bitmap().MakeEmpty();
    View(1)->SetScale(2.0f);
    QGuiApplication::clipboard()->setImage(Picture(20, 10, qRgb(200, 0, 0)));
    AnswerNewImage(true);
    Click(cmds.actLayerPaste);
    const TBitmap32& face = View(1)->Bitmap();
    ASSERT_EQ(face.Width(), 140);
    ASSERT_EQ(face.Height(), 200);
    EXPECT_EQ(face.PixelAt(0, 0), clWhite32);
    EXPECT_EQ(face.PixelAt(139, 199), clWhite32);
    EXPECT_EQ(View(1)->Scale(), 1.0f);
    auto* layer = dynamic_cast<TBitmapLayer*>(sel.SelectedLayer(1));
    ASSERT_TRUE(layer);
    EXPECT_EQ(BoundsOf(layer), (TRect{60, 95, 80, 105}));
    EXPECT_EQ(layer->Bitmap().PixelAt(10, 5), 0xFFC80000u);

    // The side face is offered the front's height and a quarter of it; the top
    // face the side's height, front and side widths together. Cancel adds nothing.
    const struct {
        int Step;
        const char* Caption;
        const char* Width;
        bool Ok;
    } offers[] = {{2, "Box Side Properties", "50", true}, {3, "Box Top Properties", "190", false}};
    for (const auto& o : offers) {
        step = o.Step;
        modified = false;
        QString height, width;
        const TAnswer dialog = AnswerNewImage(o.Ok, &height, &width);
        Click(cmds.actLayerPaste);
        EXPECT_EQ(dialog->Text, o.Caption);
        EXPECT_EQ(height, "200");
        EXPECT_EQ(width, o.Width);
        EXPECT_EQ(View(o.Step)->Bitmap().Width(), o.Ok ? 50 : 0);
        EXPECT_EQ(View(o.Step)->Layers().Count(), o.Ok ? 2 : 0);
        EXPECT_EQ(modified, o.Ok);
    }
}

TEST_F(CommandsFixture, QuarterTurnsExchangeTheSidesAboutTheCentre)
{
    Face(1, 300, 200);
    // Left half red, right half blue.
    TBitmap32 b;
    b.SetSize(40, 20);
    b.Clear(0xFFFF0000u);
    b.FillArea(20, 0, 40, 20, 0xFF0000FFu);
    TBitmapLayer* layer = sel.AddImageLayer(View(1), b);
    // Shown stretched to 80 x 20 about (150, 100).
    sel.HandleLayer(1)->SetBounds(TRealRect{110, 90, 190, 110});

    Click(cmds.actLayerRotate90cw);
    TBitmap32& t = layer->Bitmap();
    ASSERT_EQ(t.Width(), 20);
    ASSERT_EQ(t.Height(), 40);
    // Clockwise: the left half is now on top.
    EXPECT_EQ(t.PixelAt(10, 5), 0xFFFF0000u);
    EXPECT_EQ(t.PixelAt(10, 34), 0xFF0000FFu);
    EXPECT_EQ(t.DrawMode, dmOpaque);
    EXPECT_EQ(t.StretchFilter, sfNearest);
    EXPECT_EQ(BoundsOf(layer), (TRect{140, 60, 160, 140}));
    EXPECT_EQ(sel.SelectedLayer(1), layer);
    EXPECT_EQ(sel.HandleLayer(1)->Target(), layer);
    EXPECT_TRUE(sel.HandleLayer(1)->Visible());
    EXPECT_TRUE(modified);

    // Counter-clockwise twice: the left half ends up at the bottom.
    Click(cmds.actLayerRotate90ccw);
    EXPECT_EQ(BoundsOf(layer), (TRect{110, 90, 190, 110}));
    Click(cmds.actLayerRotate90ccw);
    ASSERT_EQ(t.Height(), 40);
    EXPECT_EQ(t.PixelAt(10, 5), 0xFF0000FFu);
    EXPECT_EQ(t.PixelAt(10, 34), 0xFFFF0000u);

    // A picture one pixel wide has no second pixel in its bottom row.
    TBitmap32 thin;
    thin.SetSize(1, 5);
    thin.Clear(0xFF00FF00u);
    TBitmapLayer* line = sel.AddImageLayer(View(1), thin);
    Click(cmds.actLayerRotate90ccw);
    EXPECT_EQ(line->Bitmap().Width(), 5);
    EXPECT_EQ(line->Bitmap().Height(), 1);
    EXPECT_EQ(sel.SelectedLayer(1), line);
}

// With nearest sampling the turn moves whole pixels: clockwise (x, y) goes to
// (H - 1 - y, x), counter-clockwise to (y, W - 1 - x), the outer ring see-through.
TEST(TurnLayerBitmap, NearestSamplingTurnsPixelForPixel)
{
    // An opaque layer and a see-through one (which keeps its alpha and blend mode).
    for (const TDrawMode mode : {dmOpaque, dmBlend})
    for (const float angle : {-90.0f, 90.0f}) {
        TBitmap32 source, turned;
        FillPattern(source, 7, 5, 11);
        source.StretchFilter = sfNearest;
        source.DrawMode = mode;
        turned.CopyFrom(source);
        TurnLayerBitmap(turned, angle);
        ASSERT_EQ(turned.Width(), 5);
        ASSERT_EQ(turned.Height(), 7);
        for (int y = 0; y < 5; ++y)
            for (int x = 0; x < 7; ++x) {
                const bool ring = x == 0 || y == 0 || x == 6 || y == 4;
                const TColor32 want = ring ? source.PixelAt(x, y) & 0x00FFFFFFu : source.PixelAt(x, y);
                const TColor32 got = angle < 0 ? turned.PixelAt(4 - y, x) : turned.PixelAt(y, 6 - x);
                ASSERT_EQ(got, want) << angle << " at " << x << "," << y;
            }
        EXPECT_EQ(turned.DrawMode, mode);
    }
}

TEST_F(CommandsFixture, SideTextLayerArrivesTurnedClockwiseAndSelected)
{
    step = 2;
    Face(2, 100, 300);
    AnswerWith<TFontDlgFrm>([](TFontDlgFrm* dlg) {
        // Ink at the start of the line, blanks after it.
        QTest::keyClicks(dlg->mmoText, QStringLiteral("W") + QString(20, QLatin1Char(' ')));
        QTest::mouseClick(dlg->btnOk, Qt::LeftButton);
    });
    Click(cmds.actLayerText);

    auto* layer = dynamic_cast<TBitmapTextLayer*>(sel.SelectedLayer(2));
    ASSERT_TRUE(layer);
    EXPECT_EQ(layer->Tag, 1);
    EXPECT_EQ(layer->Params.Turn, 3);
    EXPECT_EQ(sel.HandleLayer(2)->Target(), layer);
    EXPECT_TRUE(modified);
    const TBitmap32& t = layer->Bitmap();
    ASSERT_GT(t.Height(), t.Width());
    EXPECT_EQ(t.DrawMode, dmBlend);
    // The start of the line is at the top now; the rest is clear, also along
    // the edge the turn blends with the outside, and every pixel is the
    // text's colour (no other colour at the glyphs' edges).
    const TColor32 rgb = layer->Params.TextColor & 0x00FFFFFFu;
    int inkRows = 0;
    for (int y = 0; y < t.Height(); ++y)
        for (int x = 0; x < t.Width(); ++x) {
            const TColor32 p = t.PixelAt(x, y);
            ASSERT_EQ(p & 0x00FFFFFFu, rgb) << x << "," << y;
            if ((p >> 24) == 0) continue;
            ASSERT_LT(y, t.Height() / 2) << "ink at " << x << "," << y;
            inkRows = std::max(inkRows, y + 1);
        }
    EXPECT_GT(inkRows, 0);
    for (auto [x, y] : {std::pair{0, 0}, std::pair{t.Width() - 1, 0}, std::pair{0, t.Height() - 1},
                        std::pair{t.Width() - 1, t.Height() - 1}})
        EXPECT_EQ(t.PixelAt(x, y) >> 24, 0u);
}

namespace {

// What undoing must give back: the face flattened without its frame, and
// its layers in order with their bounds, draw modes and pictures.
struct FaceState {
    struct Layer {
        const TCustomLayer* Id;
        float Bounds[4];
        TDrawMode Mode;
        std::vector<TColor32> Picture;
        bool operator==(const Layer&) const = default;
    };
    int Width = 0, Height = 0;
    std::vector<TColor32> Pixels;
    std::vector<Layer> Layers;
    bool operator==(const FaceState&) const = default;
};

std::vector<TColor32> PixelsOf(const TBitmap32& b)
{
    return std::vector<TColor32>(b.Bits(), b.Bits() + std::size_t(b.Width()) * b.Height());
}

FaceState StateOf(TLayerSelection& sel, int i)
{
    FaceState s;
    TImgView32* view = sel.View(i);
    sel.HideSelection(i);
    TBitmap32 flat;
    FlattenView(view, flat);
    sel.RestoreSelection(i);
    s.Width = flat.Width();
    s.Height = flat.Height();
    s.Pixels = PixelsOf(flat);
    for (int k = 0; k < view->Layers().Count(); ++k)
        if (auto* l = dynamic_cast<TBitmapLayer*>(view->Layers().Items(k))) {
            const TRealRect b = l->Bounds();
            s.Layers.push_back({l, {b.Left, b.Top, b.Right, b.Bottom}, l->Bitmap().DrawMode, PixelsOf(l->Bitmap())});
        }
    return s;
}

} // namespace

// Every command, undone with the Undo button and redone with Redo, gives
// back the face as it was before and after it, as one step of the history.
TEST_F(CommandsFixture, EachCommandUndoneAndRedoneGivesTheSameFace)
{
    QUndoStack* stack = cmds.History()->Stack();
    auto check = [&](const char* what, const QString& stepText, const std::function<void()>& command) {
        SCOPED_TRACE(what);
        const FaceState before = StateOf(sel, step);
        const int steps = stack->count();
        command();
        const FaceState after = StateOf(sel, step);
        ASSERT_NE(before, after);
        EXPECT_EQ(stack->count(), steps + 1);
        EXPECT_EQ(stack->undoText(), stepText);
        cmds.UpdateActions();
        EXPECT_TRUE(cmds.actLayerUndo->toolTip().startsWith(QStringLiteral("Undo ") + stepText));
        Click(cmds.actLayerUndo);
        EXPECT_TRUE(before == StateOf(sel, step));
        EXPECT_EQ(stack->redoText(), stepText);
        Click(cmds.actLayerRedo);
        EXPECT_TRUE(after == StateOf(sel, step));
    };

    // On a face without a picture Paste offers a blank one first: two steps.
    QGuiApplication::clipboard()->setImage(Picture(40, 30, qRgb(0, 0, 200)));
    AnswerNewImage(true);
    Click(cmds.actLayerPaste);
    ASSERT_EQ(stack->count(), 2);
    EXPECT_EQ(stack->text(0), QStringLiteral("New Image"));
    const FaceState pasted = StateOf(sel, 1);
    Click(cmds.actLayerUndo);
    Click(cmds.actLayerUndo);
    EXPECT_TRUE(View(1)->Bitmap().IsEmpty());
    EXPECT_EQ(View(1)->Layers().Count(), 1); // the hidden frame
    Click(cmds.actLayerRedo);
    Click(cmds.actLayerRedo);
    EXPECT_TRUE(pasted == StateOf(sel, 1));

    check("paste", QStringLiteral("Paste Layer"), [&] {
        QGuiApplication::clipboard()->setImage(Picture(50, 20, qRgb(200, 0, 0)));
        Click(cmds.actLayerPaste);
    });
    check("text", QStringLiteral("Add Text Layer"), [&] {
        AnswerWith<TFontDlgFrm>([](TFontDlgFrm* dlg) {
            QTest::keyClicks(dlg->mmoText, QStringLiteral("Hi"));
            QTest::mouseClick(dlg->btnOk, Qt::LeftButton);
        });
        Click(cmds.actLayerText);
    });
    check("nudges", QStringLiteral("Move Layer"), [&] {
        cmds.UpdateActions(); // as the idle update does after Redo
        cmds.actLayerNudge[1]->trigger();
        cmds.actLayerNudge[7]->trigger(); // down by ten: the same burst
    });
    check("turn", QStringLiteral("Rotate Layer"), [&] { Click(cmds.actLayerRotate90cw); });
    const TRect shown = RoundRect(dynamic_cast<TPositionedLayer*>(sel.SelectedLayer(1))->AdjustedBounds());
    check("drag", QStringLiteral("Move Layer"), [&] {
        const QPoint c((shown.Left + shown.Right) / 2, (shown.Top + shown.Bottom) / 2);
        front.Press(Qt::LeftButton, c.x(), c.y());
        for (int k = 1; k <= 5; ++k) front.Move(c.x() + 4 * k, c.y() + 2 * k);
        front.Release(Qt::LeftButton, c.x() + 20, c.y() + 10);
    });
    const TRect moved = RoundRect(dynamic_cast<TPositionedLayer*>(sel.SelectedLayer(1))->AdjustedBounds());
    check("resize", QStringLiteral("Resize Layer"), [&] {
        front.Press(Qt::LeftButton, moved.Right - 1, moved.Bottom - 1);
        front.Move(moved.Right + 10, moved.Bottom + 6);
        front.Release(Qt::LeftButton, moved.Right + 10, moved.Bottom + 6);
    });
    check("to back", QStringLiteral("Send to Back"), [&] { Click(cmds.actLayerSendToBack); });
    check("forward", QStringLiteral("Bring Forward"), [&] { Click(cmds.actLayerBringFoward); });
    check("to front", QStringLiteral("Bring to Front"), [&] { Click(cmds.actLayerBringToFront); });
    check("back", QStringLiteral("Send Back"), [&] { Click(cmds.actLayerSendBack); });
    check("cut", QStringLiteral("Cut Layer"), [&] { Click(cmds.actLayerCut); });
    front.Press(Qt::LeftButton, 150, 100);
    front.Release(Qt::LeftButton, 150, 100);
    auto* doomed = dynamic_cast<TBitmapLayer*>(sel.SelectedLayer(1));
    ASSERT_TRUE(doomed);
    const std::size_t held = cmds.History()->HeldBytes();
    const std::size_t bytes = std::size_t(doomed->Bitmap().Width()) * doomed->Bitmap().Height() * 4;
    check("delete", QStringLiteral("Delete Layer"), [&] { Click(cmds.actLayerDelete); });
    // The deleted layer's picture is held by the history, not copied.
    EXPECT_EQ(cmds.History()->HeldBytes(), held + bytes);
}

// Edit Text opens the dialog filled with the layer's text and redraws the
// layer in place (same centre, turn and scale) as one step.
TEST_F(CommandsFixture, EditedTextIsRedrawnInPlaceAndUndone)
{
    step = 2;
    Face(2, 200, 300);
    View(2)->Bitmap().Clear(0xFF204080);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPointSize(20);
    TBitmapTextLayer* layer = AddTextLayerFrom(View(2), {QStringLiteral("Hello"), font, 0xFFFFFF00, 2, 3});
    ASSERT_TRUE(layer);
    sel.AttachLayer(layer);
    sel.SetSelection(layer, 2);
    // Shown at half size, off centre.
    const float w = float(layer->Bitmap().Width()) / 2, h = float(layer->Bitmap().Height()) / 2;
    layer->SetBounds(TRealRect{40, 60, 40 + w, 60 + h});
    sel.SetSelection(layer, 2);
    const FaceState before = StateOf(sel, 2);
    const TTextLayerParams old = layer->Params;

    TTextLayerChoice offered;
    QColor ground;
    AnswerWith<TFontDlgFrm>([&](TFontDlgFrm* dlg) {
        offered = dlg->Choice();
        ground = dlg->PreviewBackground();
        dlg->mmoText->setPlainText(QStringLiteral("Hello, world"));
        QTest::mouseClick(dlg->btnOk, Qt::LeftButton);
    });
    ASSERT_TRUE(Enabled(cmds.actLayerEditText));
    cmds.actLayerEditText->trigger();
    EXPECT_EQ(offered.Text, old.Text);
    EXPECT_EQ(offered.Font, old.Font);
    EXPECT_EQ(offered.TextColor, old.TextColor);
    EXPECT_EQ(offered.Level, old.Level);
    EXPECT_EQ(ground, QColor(0x20, 0x40, 0x80)); // the face under the layer

    // The new text drawn as a new layer would be, turned the same way, at half size about the same centre.
    TTextLayerParams want = old;
    want.Text = QStringLiteral("Hello, world");
    TBitmap32 picture;
    ASSERT_TRUE(DrawTextLayerPicture(want, picture));
    EXPECT_EQ(layer->Params.Text, want.Text);
    EXPECT_EQ(layer->Params.Turn, 3);
    EXPECT_EQ(PixelsOf(layer->Bitmap()), PixelsOf(picture));
    const TRealRect b = layer->Bounds();
    EXPECT_FLOAT_EQ((b.Left + b.Right) / 2, 40 + w / 2);
    EXPECT_FLOAT_EQ((b.Top + b.Bottom) / 2, 60 + h / 2);
    EXPECT_FLOAT_EQ(b.Right - b.Left, float(picture.Width()) / 2);
    EXPECT_FLOAT_EQ(b.Bottom - b.Top, float(picture.Height()) / 2);
    EXPECT_EQ(cmds.History()->Stack()->undoText(), QStringLiteral("Edit Text"));

    const FaceState after = StateOf(sel, 2);
    Click(cmds.actLayerUndo);
    EXPECT_TRUE(before == StateOf(sel, 2));
    EXPECT_EQ(layer->Params.Text, old.Text);
    Click(cmds.actLayerRedo);
    EXPECT_TRUE(after == StateOf(sel, 2));
    EXPECT_EQ(layer->Params.Text, want.Text);
}

// On the wizard page: the toolbar in front of the zoom gauge, the idle update
// and the right-click menus of the front view.
TEST(LayerCommandsOnThePage, ToolbarIdleUpdateAndRightClickMenus)
{
    TWin2kWizFrm host([](QWidget* owner) -> QWidget* { return new TCodexaCliFrm(owner); });
    host.show();
    auto* page = qobject_cast<TCodexaCliFrm*>(host.Page());
    ASSERT_TRUE(page);
    const QList<QAction*> items = page->tbLayers->actions();
    ASSERT_EQ(items.size(), 22);
    EXPECT_EQ(items.first()->objectName(), QStringLiteral("actLayerUndo"));
    EXPECT_EQ(page->tbLayers->widgetForAction(items.at(20)), static_cast<QWidget*>(page->ScaleBar));
    EXPECT_EQ(page->tbLayers->widgetForAction(items.at(21)), static_cast<QWidget*>(page->lblZoom));
    ASSERT_TRUE(page->popLayer);

    host.UpdateActions();
    QTest::mouseClick(host.btnNext, Qt::LeftButton);
    ASSERT_EQ(page->Step(), 1);
    QGuiApplication::clipboard()->setImage(CommandsFixture::Picture(30, 20, qRgb(0, 0, 200)));
    host.UpdateActions();
    auto button = [&](const char* name) {
        return page->tbLayers->widgetForAction(page->findChild<QAction*>(QLatin1String(name)));
    };
    ASSERT_TRUE(button("actLayerPaste") && button("actLayerPaste")->isEnabled());
    EXPECT_FALSE(button("actLayerDelete")->isEnabled());
    // A zoom left on the empty face follows the blank face back to scale 1.
    page->ScaleBar->setValue(50);
    AnswerNewImage(true);
    QTest::mouseClick(button("actLayerPaste"), Qt::LeftButton);
    EXPECT_TRUE(page->Modified());
    EXPECT_EQ(page->ScaleBar->value(), 0);
    EXPECT_EQ(page->lblZoom->text(), QStringLiteral(" Zoom: 1x"));
    host.UpdateActions();
    EXPECT_TRUE(button("actLayerDelete")->isEnabled());

    // A right-click on the layer offers the layer menu, on bare face the page's own.
    TImgView32* view = page->ImgView1;
    const QPoint centre = view->ViewportWidgetRect().center();
    QTest::mousePress(view, Qt::RightButton, {}, centre);
    QTest::mouseRelease(view, Qt::RightButton, {}, centre);
    EXPECT_TRUE(page->popLayer->isVisible());
    EXPECT_TRUE(page->findChild<QAction*>(QStringLiteral("actLayerCut"))->isEnabled());
    page->popLayer->hide();
    const QPoint bare = centre + QPoint(0, 80);
    QTest::mousePress(view, Qt::RightButton, {}, bare);
    QTest::mouseRelease(view, Qt::RightButton, {}, bare);
    EXPECT_FALSE(page->popLayer->isVisible());
    EXPECT_TRUE(page->popCodexa->isVisible());
    page->popCodexa->hide();
    page->SetModified(false);
}
