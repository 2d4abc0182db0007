// The wizard and its dialogs from the keyboard: Tab visits the controls in the
// order they are laid out, each one with a name a screen reader announces;
// the captions' mnemonics reach their controls; Enter and Esc work the
// default and cancel buttons; no text is cut off.
#include "PageTestSupport.h"

#include "editing/FontDlg.h"
#include "editing/InputDlg.h"
#include "editing/LayerCommands.h"
#include "editing/LayerSelection.h"
#include "editing/NewImageDlg.h"
#include "editing/UpDown.h"
#include "imaging/ImgView32.h"
#include "imaging/RubberbandLayer.h"
#include "resources/StringTable.h"
#include "settings/ProgramKey.h"
#include "templates/TemplateList.h"
#include "templates/TemplatesDlg.h"
#include "widgets/EnhCombo.h"
#include "widgets/HTMLabel.h"
#include "wizard/LiveBox.h"

#include <QAccessible>
#include <QClipboard>
#include <QFileDialog>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QMenu>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSlider>
#include <QTest>
#include <QToolBar>
#include <QToolButton>

#include <string>
#include <vector>

namespace {

QString AccessibleName(QWidget* w)
{
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(w);
    return iface ? iface->text(QAccessible::Name).trimmed() : QString();
}

std::string Describe(QWidget* w)
{
    if (!w) return "(none)";
    const QString name = w->objectName().isEmpty() ? QString::fromLatin1(w->metaObject()->className()) : w->objectName();
    return (name + QLatin1Char('/') + AccessibleName(w)).toStdString();
}

// The controls Tab visits, starting at first, until it comes back to first.
QList<QWidget*> TabWalk(QWidget* first)
{
    first->setFocus(Qt::TabFocusReason);
    QApplication::processEvents();
    QList<QWidget*> seen;
    for (int i = 0; i < 60; ++i) {
        QWidget* now = QApplication::focusWidget();
        if (!now || seen.contains(now)) break;
        seen << now;
        QTest::keyClick(now, Qt::Key_Tab);
    }
    return seen;
}

// Every visited control has a name, and the visit runs through expected in
// that order and back to the start.
void ExpectTabOrder(QWidget* window, const QList<QWidget*>& expected)
{
    QApplication::setActiveWindow(window);
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    const QList<QWidget*> walk = TabWalk(expected.first());
    std::vector<std::string> got, want;
    for (QWidget* w : walk) got.push_back(Describe(w));
    for (QWidget* w : expected) want.push_back(Describe(w));
    EXPECT_EQ(got, want);
    for (QWidget* w : walk) EXPECT_FALSE(AccessibleName(w).isEmpty()) << Describe(w) << " has no name";
}

// A label shows its whole text (its box is at least what the text needs).
void ExpectWholeText(QWidget* w)
{
    if (!w->isVisible()) return;
    const QSize need = w->sizeHint();
    EXPECT_GE(w->width(), need.width()) << Describe(w);
    EXPECT_GE(w->height(), need.height()) << Describe(w);
}

class KeyboardPageTest : public PageTest {
protected:
    QList<QWidget*> HostButtons(bool save) const
    {
        QList<QWidget*> list;
        if (save) list << Host->btnDialogs;
        list << Host->Button1 << Host->btnNext << Host->Button3;
        return list;
    }
    QList<QWidget*> LayerButtons() const
    {
        QList<QWidget*> list;
        for (QAction* a : Page->tbLayers->actions())
            if (QWidget* w = Page->tbLayers->widgetForAction(a); w && !a->isSeparator() && w != Page->lblZoom)
                list << w;
        return list;
    }
    void GoTo(int step)
    {
        while (Page->Step() < step) ClickNext();
        Idle();
    }
};

TEST_F(KeyboardPageTest, EachStepTabsThroughItsNamedControlsInLayoutOrder)
{
    PickLastTemplate(); // the sample template fills the faces, so every step is open
    ASSERT_FALSE(Page->FaceView(1)->Bitmap().IsEmpty());
    // Step 0: Back is disabled and Save hidden.
    Idle();
    ExpectTabOrder(Host.get(), {Page->cbTemplates, Page->cbBookType, Page->btnOpenProject, Page->ImgView0, Host->btnNext, Host->Button3});
    for (int step = 1; step <= 3; ++step) {
        SCOPED_TRACE(step);
        if (step == 3) { // the top face is a step of the three-sided box only
            Page->cbBookType->setCurrentIndex(bxThreeSideBox);
            Page->cbeBookType->setCurrentIndex(bxThreeSideBox);
        }
        GoTo(step);
        ASSERT_EQ(Page->Step(), step);
        if (step == 1) { // a selected layer enables the commands on it
            TBitmap32 picture;
            picture.SetSize(20, 10);
            picture.Clear(0xFF336699);
            Page->Selection()->AddImageLayer(Page->ImgView1, picture);
            Idle();
            EXPECT_TRUE(Page->tbLayers->widgetForAction(Page->tbLayers->actions().at(3))->isEnabled()); // Delete
        }
        QList<QWidget*> expected{Page->btnDialogs, Page->BitBtn1, Page->btnSaveProject};
        expected << LayerButtons() << Page->FaceView(step) << Page->LiveBox->btnLiveBoxHide << HostButtons(false);
        // Commands not available now (on the selection, Paste) are disabled and skipped.
        expected.erase(std::remove_if(expected.begin(), expected.end(), [](QWidget* w) { return !w->isEnabled(); }),
                       expected.end());
        ExpectTabOrder(Host.get(), expected);
    }
    GoTo(4);
    ASSERT_EQ(Page->Step(), 4);
    Page->cbBookType->setCurrentIndex(bxTwoSidedBox); // the orientation toggles show for this style only
    Page->cbeBookType->setCurrentIndex(bxTwoSidedBox);
    Page->UpdateStepControls();
    Idle();
    // The orientation toggles are one group: Tab stops at the one that is
    // down, the arrow keys move between them.
    Page->btnOrientLeft->setChecked(true);
    QList<QWidget*> expected{Page->chkDefaultSize, Page->chkShadow, Page->cbeBookType, Page->btnOrientLeft, Page->cbBackground,
                             Page->cbView, Page->btnResultSaveProject};
    expected << Page->ImgView4 << HostButtons(true);
    ExpectTabOrder(Host.get(), expected);
    Page->btnOrientLeft->setFocus();
    QTest::keyClick(Page->btnOrientLeft, Qt::Key_Right);
    EXPECT_TRUE(Page->btnOrientRight->isChecked());
    EXPECT_EQ(QApplication::focusWidget(), Page->btnOrientRight);
    for (QWidget* w : {static_cast<QWidget*>(Page->btnOrientLeft), static_cast<QWidget*>(Page->ImgView4)})
        EXPECT_FALSE(w->accessibleDescription().isEmpty()) << Describe(w);
}

// The live box is closed and opened again from the keyboard, the focus
// staying in its corner; Free Angle's camera and reflection follow the view
// choice in the tab order (the orientation toggles leave it) and each slider
// turns the box with the arrow keys.
TEST_F(KeyboardPageTest, LiveBoxAndFreeAngleControlsAreReachedByKeyboard)
{
    PickLastTemplate();
    GoTo(1);
    QApplication::setActiveWindow(Host.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(Host.get()));
    Page->LiveBox->btnLiveBoxHide->setFocus();
    QTest::keyClick(Page->LiveBox->btnLiveBoxHide, Qt::Key_Space);
    Idle();
    EXPECT_FALSE(Page->LiveBox->isVisible());
    ASSERT_EQ(QApplication::focusWidget(), Page->btnLiveBoxShow);
    QList<QWidget*> expected = QList<QWidget*>{Page->btnDialogs, Page->BitBtn1, Page->btnSaveProject} << LayerButtons() << Page->ImgView1
                                                                     << Page->btnLiveBoxShow << HostButtons(false);
    expected.removeIf([](QWidget* w) { return !w->isEnabled(); }); // commands on no selection
    ExpectTabOrder(Host.get(), expected);
    Page->btnLiveBoxShow->setFocus();
    QTest::keyClick(Page->btnLiveBoxShow, Qt::Key_Space);
    Idle();
    EXPECT_TRUE(Page->LiveBox->isVisible());
    EXPECT_EQ(QApplication::focusWidget(), Page->LiveBox->btnLiveBoxHide);

    GoTo(4);
    Page->cbBookType->setCurrentIndex(bxTwoSidedBox);
    Page->cbeBookType->setCurrentIndex(bxTwoSidedBox);
    Page->cbView->setFocus();
    QTest::keyClick(Page->cbView, Qt::Key_Down);
    Idle();
    ASSERT_TRUE(Page->FreeView());
    ExpectTabOrder(Host.get(), QList<QWidget*>{Page->chkDefaultSize, Page->chkShadow, Page->cbeBookType,
                                               Page->cbBackground, Page->cbView, Page->btnResultSaveProject, Page->sldYaw, Page->sldPitch,
                                               Page->sldFov, Page->chkReflection, Page->ImgView4}
                                   << HostButtons(true));
    for (QSlider* s : {Page->sldYaw, Page->sldPitch, Page->sldFov}) {
        EXPECT_FALSE(s->accessibleDescription().isEmpty()) << Describe(s);
        TBitmap32 before;
        before.CopyFrom(Page->ResultImage());
        const int value = s->value();
        s->setFocus();
        QTest::keyClick(s, Qt::Key_Right);
        EXPECT_EQ(s->value(), value + 1) << Describe(s);
        EXPECT_FALSE(SamePixels(Page->ResultImage(), before)) << Describe(s) << " drew the box again";
    }
}

TEST_F(KeyboardPageTest, MnemonicsReachTheirControlsAndEnterMeansNext)
{
    PickLastTemplate();
    QApplication::setActiveWindow(Host.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(Host.get()));
    QTest::keyClick(Page->ImgView0, Qt::Key_T, Qt::AltModifier);
    EXPECT_EQ(QApplication::focusWidget(), Page->cbTemplates);
    QTest::keyClick(Page->cbTemplates, Qt::Key_C, Qt::AltModifier);
    EXPECT_EQ(QApplication::focusWidget(), Page->cbBookType);
    // Enter in a list is the default button's: Next.
    QTest::keyClick(Page->cbBookType, Qt::Key_Return);
    EXPECT_EQ(Page->Step(), 1);

    GoTo(4);
    ASSERT_EQ(Page->Step(), 4);
    const bool shadow = Page->chkShadow->isChecked();
    // A button's mnemonic clicks it as the mouse would (after a short press).
    QTest::keyClick(Page->ImgView4, Qt::Key_H, Qt::AltModifier);
    EXPECT_TRUE(QTest::qWaitFor([&] { return Page->chkShadow->isChecked() != shadow; }, 2000));
    const bool defaultSize = Page->chkDefaultSize->isChecked();
    QTest::keyClick(Page->ImgView4, Qt::Key_D, Qt::AltModifier);
    EXPECT_TRUE(QTest::qWaitFor([&] { return Page->chkDefaultSize->isChecked() != defaultSize; }, 2000));
    EXPECT_EQ(QApplication::focusWidget(), Page->chkDefaultSize);

    // The context menu key on the result offers Copy Image.
    QContextMenuEvent menuKey(QContextMenuEvent::Keyboard, QPoint(4, 4), Page->ImgView4->mapToGlobal(QPoint(4, 4)));
    QApplication::sendEvent(Page->ImgView4, &menuKey);
    EXPECT_TRUE(QTest::qWaitFor([&] { return Page->popCodexa->isVisible(); }, 2000));
    Page->popCodexa->close();
}

TEST_F(KeyboardPageTest, NoTextIsCutOffOnAnyStep)
{
    PickLastTemplate();
    Page->cbBookType->setCurrentIndex(bxThreeSideBox);
    Page->cbeBookType->setCurrentIndex(bxThreeSideBox);
    for (int step = 0; step <= 4; ++step) {
        SCOPED_TRACE(step);
        GoTo(step);
        ASSERT_EQ(Page->Step(), step);
        // The instructions fit their label: the height they need at its width.
        THTMLabel measure;
        measure.setFont(Page->lblImage->font());
        measure.resize(Page->lblImage->width(), 10);
        measure.SetAutoSizing(true);
        measure.SetHTMLText(Page->lblImage->HTMLText());
        EXPECT_LE(measure.height(), Page->lblImage->height());
        EXPECT_LE(Page->lblImage->geometry().bottom(), 117);
        for (QWidget* w : Page->findChildren<QWidget*>())
            if (qobject_cast<QLabel*>(w) || qobject_cast<QCheckBox*>(w)) ExpectWholeText(w);
        // The layer toolbar keeps everything on it in view, the zoom label too,
        // its buttons 23 wide from x = 6 on, 8 more past each separator.
        if (step >= 1 && step <= 3) {
            int x = 6;
            for (QAction* a : Page->tbLayers->actions()) {
                QWidget* w = Page->tbLayers->widgetForAction(a);
                if (!w || w == Page->ScaleBar) break;
                EXPECT_EQ(w->mapTo(Page, QPoint()).x(), x) << Describe(w);
                x += a->isSeparator() ? 8 : 23;
            }
            EXPECT_TRUE(Page->lblZoom->isVisible());
            EXPECT_LE(Page->lblZoom->mapTo(Page, QPoint(Page->lblZoom->width(), 0)).x(), Page->width());
        }
    }
    // A preview smaller than its view has nothing to scroll: its bars say so.
    Page->Restart();
    Idle();
    EXPECT_FALSE(Page->ImgView0->HorzScrollBar()->isEnabled());
    EXPECT_FALSE(Page->ImgView0->VertScrollBar()->isEnabled());
}

TEST_F(KeyboardPageTest, LayerKeysOnTheFaceStepsAndCtrlSOnTheResult)
{
    PickLastTemplate();
    GoTo(1);
    TImgView32* view = Page->ImgView1;
    TBitmap32 picture;
    picture.SetSize(20, 10);
    picture.Clear(0xFF336699);
    TBitmapLayer* layer = Page->Selection()->AddImageLayer(view, picture);
    Idle();
    QApplication::setActiveWindow(Host.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(Host.get()));
    auto action = [&](const char* name) { return Page->findChild<QAction*>(QLatin1String(name)); };
    EXPECT_EQ(action("actLayerDelete")->toolTip(), QStringLiteral("Deletes the current selected layer (Del)"));
    EXPECT_TRUE(action("actLayerCopy")->toolTip().endsWith(QStringLiteral(" (Ctrl+C)")));
    EXPECT_EQ(Host->btnDialogs->toolTip(), QStringLiteral("Save Cubiform Image (Ctrl+S)"));

    // Arrows nudge the selected layer and its frame: 1 pixel, with Shift 10.
    view->setFocus();
    const TRealRect start = layer->Bounds();
    QTest::keyClick(view, Qt::Key_Right);
    QTest::keyClick(view, Qt::Key_Up);
    QTest::keyClick(view, Qt::Key_Down, Qt::ShiftModifier);
    QTest::keyClick(view, Qt::Key_Left, Qt::ShiftModifier);
    EXPECT_EQ(layer->Bounds().Left, start.Left - 9);
    EXPECT_EQ(layer->Bounds().Top, start.Top + 9);
    EXPECT_EQ(layer->Bounds().Right - layer->Bounds().Left, start.Right - start.Left);
    EXPECT_TRUE(SameBounds(Page->Selection()->HandleLayer(1)->Bounds(), layer->Bounds()));
    EXPECT_TRUE(Page->Modified());
    // On the zoom gauge the arrows zoom and leave the layer alone.
    const TRealRect nudged = layer->Bounds();
    Page->ScaleBar->setFocus();
    const int zoom = Page->ScaleBar->value();
    QTest::keyClick(Page->ScaleBar, Qt::Key_Right);
    EXPECT_NE(Page->ScaleBar->value(), zoom);
    EXPECT_TRUE(SameBounds(layer->Bounds(), nudged));

    // Ctrl+C and Ctrl+V copy and paste the selected layer, Ctrl+X cuts, Delete deletes.
    TLayerCollection& layers = view->Layers();
    view->setFocus();
    QGuiApplication::clipboard()->clear();
    QTest::keyClick(view, Qt::Key_C, Qt::ControlModifier);
    EXPECT_FALSE(QGuiApplication::clipboard()->image().isNull());
    Idle();
    QTest::keyClick(view, Qt::Key_V, Qt::ControlModifier);
    ASSERT_EQ(layers.Count(), 3); // layer, frame, pasted layer
    TCustomLayer* pasted = Page->Selection()->SelectedLayer(1);
    EXPECT_NE(pasted, layer);
    Idle();
    QTest::keyClick(view, Qt::Key_X, Qt::ControlModifier);
    EXPECT_EQ(layers.Count(), 2);
    EXPECT_EQ(Page->Selection()->SelectedLayer(1), nullptr);
    Page->Selection()->SetSelection(layer, 1);
    Idle();
    QTest::keyClick(view, Qt::Key_Delete);
    EXPECT_EQ(layers.Count(), 1); // the hidden frame
    // Ctrl+S is not Save on a face step (any dialog would fail the test).
    QTest::keyClick(view, Qt::Key_S, Qt::ControlModifier);

    // On the result step Ctrl+S opens the save dialog, also from an option.
    GoTo(4);
    ASSERT_EQ(Page->Step(), 4);
    for (QWidget* from : {static_cast<QWidget*>(Page->ImgView4), static_cast<QWidget*>(Page->chkShadow)}) {
        const TAnswer save = AnswerFileDialog(QString());
        QApplication::setActiveWindow(Host.get()); // back from the last dialog
        ASSERT_TRUE(QTest::qWaitForWindowActive(Host.get()));
        from->setFocus();
        QTest::keyClick(from, Qt::Key_S, Qt::ControlModifier);
        EXPECT_TRUE(save->Seen) << Describe(from);
    }
    Page->SetModified(false);
}

TEST_F(KeyboardPageTest, TheResultCanBeScrolledToEveryHandle)
{
    ToResultStep();
    Idle();
    TImgView32* view = Page->ImgView4;
    TRubberbandLayer* frame = Page->Selection()->HandleLayer(4);
    ASSERT_TRUE(frame && frame->Visible());
    const TRect vp = view->GetViewportRect();
    const int m = frame->HandleSize + 1;
    // At each end of each bar the handles on that side are inside the viewport.
    for (const bool last : {false, true}) {
        QScrollBar* h = view->HorzScrollBar();
        QScrollBar* v = view->VertScrollBar();
        view->ScrollTo(last ? h->maximum() : 0, last ? v->maximum() : 0);
        const TRect r = RoundRect(frame->AdjustedBounds());
        if (last) {
            EXPECT_LE(r.Right + m, vp.Right);
            EXPECT_LE(r.Bottom + m, vp.Bottom);
        } else {
            EXPECT_GE(r.Left - m, vp.Left);
            EXPECT_GE(r.Top - m, vp.Top);
        }
    }
    Page->SetModified(false);
}

TEST(Texts, NoKnownMisspellingIsLeftInTheStringTable)
{
    const QStringList wrong{"can to add", "tranformation", "statisfied", "with be displayed", "Foward", "Dislpay"};
    for (int i = 0; i < int(StrId::Count); ++i) {
        const QString text = LoadStr(StrId(i));
        for (const QString& w : wrong) EXPECT_FALSE(text.contains(w, Qt::CaseInsensitive)) << text.toStdString();
    }
}

// The dialogs, each with its controls in layout order.
class KeyboardDialogTest : public PageTest {};

TEST_F(KeyboardDialogTest, DialogsTabThroughNamedControlsAndTakeEnterAndEsc)
{
    struct TCase {
        const char* Name;
        std::function<QDialog*()> Make;
        std::function<QList<QWidget*>(QDialog*)> Order;
        std::function<void(QDialog*)> Fill; // makes OK available
        Qt::Key Mnemonic;                        // Alt + this key focuses ...
        int Target;                              // ... this control of Order
    };
    const std::vector<TCase> cases{
        {"new image",
         [] { return new TNewImageFrm(nullptr, DialogKey(QStringLiteral("New Image"))); },
         [](QDialog* d) {
             auto* f = static_cast<TNewImageFrm*>(d);
             return QList<QWidget*>{f->txtHeight, f->txtWidth, f->Button1, f->btnOk, f->Button3};
         },
         [](QDialog*) {}, Qt::Key_W, 1},
        {"text layer",
         [] { return new TFontDlgFrm(nullptr, DialogKey(QStringLiteral("Font"))); },
         [](QDialog* d) {
             auto* f = static_cast<TFontDlgFrm*>(d);
             return QList<QWidget*>{f->mmoText, f->btnOk, f->Button2, f->SpeedButton1, f->btnColor, f->cbAAQuality};
         },
         [](QDialog* d) { static_cast<TFontDlgFrm*>(d)->mmoText->setPlainText(QStringLiteral("Box")); }, Qt::Key_A, 5},
        {"input",
         [] { return new TInputDlgFrm(nullptr, DialogKey(QStringLiteral("Input"))); },
         [](QDialog* d) {
             auto* f = static_cast<TInputDlgFrm*>(d);
             return QList<QWidget*>{f->txtValue, f->btnOk, f->Button2};
         },
         [](QDialog* d) {
             // The prompt, its edit's buddy, names the edit.
             static_cast<TInputDlgFrm*>(d)->lblPrompt->setText(LoadStr(StrId::TemplatesAddPrompt));
             static_cast<TInputDlgFrm*>(d)->txtValue->setText(QStringLiteral("Name"));
         },
         Qt::Key_unknown, 0},
        {"templates",
         [] { return new TTemplatesFrm(nullptr, TemplatesDialogKey(), TemplateContainer(0), QString()); },
         [](QDialog* d) {
             auto* f = static_cast<TTemplatesFrm*>(d);
             return QList<QWidget*>{f->cbTemplates, f->btnAdd, f->btnOk, f->Button3, f->TabControl1->tabBar()};
         },
         [](QDialog*) {}, Qt::Key_L, 0},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        for (const bool enter : {false, true}) {
            std::unique_ptr<QDialog> dlg(c.Make());
            dlg->show();
            c.Fill(dlg.get());
            QApplication::setActiveWindow(dlg.get());
            ASSERT_TRUE(QTest::qWaitForWindowActive(dlg.get()));
            if (!enter) {
                QList<QWidget*> order = c.Order(dlg.get());
                if (c.Mnemonic != Qt::Key_unknown) { // from the control before it
                    QWidget* from = order[(c.Target + order.size() - 1) % order.size()];
                    from->setFocus();
                    QTest::keyClick(from, c.Mnemonic, Qt::AltModifier);
                    EXPECT_EQ(QApplication::focusWidget(), order[c.Target]) << "mnemonic";
                }
                ExpectTabOrder(dlg.get(), order.mid(c.Target) + order.mid(0, c.Target));
                for (QLabel* label : dlg->findChildren<QLabel*>()) ExpectWholeText(label);
            }
            // Esc cancels; Enter (away from any button) is OK.
            QWidget* from = c.Order(dlg.get()).constFirst();
            from->setFocus();
            QTest::keyClick(from, enter ? Qt::Key_Return : Qt::Key_Escape);
            EXPECT_FALSE(dlg->isVisible());
            EXPECT_EQ(dlg->result(), enter ? QDialog::Accepted : QDialog::Rejected) << (enter ? "Enter" : "Esc");
        }
    }

    // The templates' open button follows the image field it serves.
    TTemplatesFrm dlg(nullptr, TemplatesDialogKey(), TemplateContainer(0), QString());
    dlg.show();
    QApplication::setActiveWindow(&dlg);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dlg));
    dlg.cbTemplates->setFocus();
    QTest::keyClick(dlg.cbTemplates, Qt::Key_Home); // the sample template
    ASSERT_TRUE(dlg.txtFrontImage->isEnabled());
    dlg.txtFrontImage->setFocus();
    for (QWidget* next : {static_cast<QWidget*>(dlg.btnOpen), static_cast<QWidget*>(dlg.txtSideImage),
                          static_cast<QWidget*>(dlg.btnOpen), static_cast<QWidget*>(dlg.txtTopImage)}) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget(), next) << Describe(QApplication::focusWidget());
    }
}

} // namespace
