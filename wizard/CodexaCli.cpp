#include "wizard/CodexaCli.h"

#include "codecs/ImageFiles.h"
#include "editing/CustomColors.h"
#include "editing/EditHistory.h"
#include "editing/EditSteps.h"
#include "editing/LayerCommands.h"
#include "editing/LayerSelection.h"
#include "editing/OpenPictureDlg.h"
#include "imaging/ImgView32.h"
#include "imaging/ViewUpdateHold.h"
#include "platform/MemoryBudget.h"
#include "render/LayerUtils.h"
#include "resources/StringTable.h"
#include "settings/AppSettings.h"
#include "settings/ProgramKey.h"
#include "settings/StoreWarnings.h"
#include "templates/TemplateList.h"
#include "templates/TemplatesDlg.h"
#include "widgets/EnhCombo.h"
#include "widgets/ErrorBox.h"
#include "widgets/HTMLabel.h"
#include "wizard/ActionButton.h"
#include "wizard/DialogFolders.h"
#include "wizard/LiveBox.h"
#include "wizard/PageArt.h"
#include "wizard/PageProject.h"
#include "wizard/ProjectDialogs.h"
#include "wizard/RenderDrivers.h"
#include "wizard/ResultOutput.h"
#include "wizard/TemplatePicker.h"

#include <QAction>
#include <QButtonGroup>
#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QFrame>
#include <QLabel>
#include <QLocale>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QScrollBar>
#include <QSlider>
#include <QStyle>
#include <QToolBar>
#include <QToolButton>
#include <QUndoStack>
#include <QUrl>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <optional>

namespace {

// Design measures of the page (client size 482 x 411).
constexpr QSize kDesignSize(482, 411);
constexpr int kToolsHeight = 117;
constexpr int kStripHeight = 31;
constexpr int kToolbarHeight = 28;
// The layer toolbar's buttons and gauge, narrow enough that the zoom label
// still fits the design width.
constexpr QSize kToolButtonSize(23, 22);
constexpr int kToolIndent = 6;
constexpr int kToolSeparatorWidth = 8;
constexpr int kGaugeWidth = 100;
// The gauge gives up width down to this so the zoom label stays in view.
constexpr int kMinGaugeWidth = 40;
constexpr int kLastStep = 4;
constexpr int kStepCount = 5; // the title line always counts five steps

const StrId kStepTexts[] = {StrId::PageStepText0, StrId::PageStepText1, StrId::PageStepText2,
                            StrId::PageStepText3, StrId::PageStepText4};
const StrId kInstructions[] = {StrId::PageInstructions0, StrId::PageInstructions1,
                               StrId::PageInstructions2, StrId::PageInstructions3,
                               StrId::PageInstructions4};

// The items of the view list, in order.
enum TViewItem { viClassic = 0, viFree = 1 };
// The free view's controls: slider widths, the turn of a drag, the live box.
constexpr int kFreeSliderWidth = 70;
constexpr double kTurnDegreesPerPixel = 0.5;
constexpr QSize kLiveBoxSize(168, 136);
constexpr int kLiveBoxMinHeight = 60;
constexpr int kLiveBoxMargin = 20; // from the face view's edges, clear of its scroll bars

// A stored angle: its decimal text within [-limit, limit] (or [0, limit]
// when nonNegative), else the default.
int StoredAngle(const QString& text, int fallback, double limit, bool nonNegative = false)
{
    bool ok = false;
    const double v = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(v) || v > limit || v < (nonNegative ? 0 : -limit)) return fallback;
    return int(std::lround(v));
}

// The items of the background list, in order.
enum TBackgroundItem { biAutomatic = 0, biTransparent = 1, biWhite = 2, biColor = 3 };

TBackgroundItem BackgroundItemOf(const TBoxBackground& b)
{
    switch (b.Kind) {
    case TBoxBackground::Automatic: return biAutomatic;
    case TBoxBackground::Transparent: return biTransparent;
    case TBoxBackground::Solid: break;
    }
    return (b.Color & 0x00FFFFFFu) == 0x00FFFFFFu ? biWhite : biColor;
}

// A small square of the colour, shown beside "Color..." once one is chosen.
QIcon ColorSwatch(TColor32 color)
{
    QPixmap swatch(12, 12);
    swatch.fill(QColor::fromRgb(color));
    return QIcon(swatch);
}

bool IsFaceStep(int step)
{
    return step >= 1 && step <= 3;
}

// Runs cleanup when the scope ends, also when an error escapes.
template <class F> struct TFinally {
    F Cleanup;
    ~TFinally() { Cleanup(); }
};
template <class F> TFinally(F) -> TFinally<F>;

// The copy and link effects of a drag, never move; Qt::IgnoreAction when the
// drag offers neither or carries no local file.
Qt::DropAction AcceptedDropAction(const QDropEvent* event)
{
    const QMimeData* mime = event->mimeData();
    if (!mime || !mime->hasUrls()) return Qt::IgnoreAction;
    bool anyFile = false;
    for (const QUrl& url : mime->urls()) anyFile = anyFile || url.isLocalFile();
    if (!anyFile) return Qt::IgnoreAction;
    const Qt::DropAction proposed = event->proposedAction();
    if (proposed == Qt::CopyAction || proposed == Qt::LinkAction) return proposed;
    if (event->possibleActions() & Qt::CopyAction) return Qt::CopyAction;
    if (event->possibleActions() & Qt::LinkAction) return Qt::LinkAction;
    return Qt::IgnoreAction;
}

} // namespace

TCodexaCliFrm::TCodexaCliFrm(QWidget* owner) : QWidget(owner)
{
    setObjectName(QStringLiteral("CodexaCliFrm"));
    hide(); // created invisible; the host shows it through ShowPage
    CreateComponents();
    FormCreate(owner);
}

TCodexaCliFrm::~TCodexaCliFrm()
{
    FormDestroy();
}

// ---------------------------------------------------------------------------
// The form's components.

void TCodexaCliFrm::CreateComponents()
{
    resize(kDesignSize);
    for (int i = 0; i < 20; ++i) {
        QPixmap picture = PageGlyphPixmap(i);
        if (picture.isNull()) {
            picture = QPixmap(ImageList.ImageSize());
            picture.fill(Qt::transparent);
        }
        ImageList.Add(picture);
    }
    auto named = [](QObject* object, const char* name) {
        object->setObjectName(QLatin1String(name));
        return object;
    };

    actOpen = new QAction(LoadStr(StrId::PageSelectImage).arg(FaceName(1)), this);
    actReset = new QAction(LoadStr(StrId::PageReset), this);
    actSave = new QAction(LoadStr(StrId::PageSave), this);
    actCopy = new QAction(LoadStr(StrId::PageCopyImage), this);
    named(actOpen, "actOpen");
    named(actReset, "actReset");
    named(actSave, "actSave");
    named(actCopy, "actCopy");
    connect(actOpen, &QAction::triggered, this, [this] { RunCommand(this, [this] { actOpenExecute(); }); });
    connect(actReset, &QAction::triggered, this, [this] { RunCommand(this, [this] { actResetExecute(); }); });
    connect(actSave, &QAction::triggered, this, [this] { RunCommand(this, [this] { actSaveExecute(); }); });
    connect(actCopy, &QAction::triggered, this, [this] { RunCommand(this, [this] { actCopyExecute(); }); });
    // Projects, on every step.
    actSaveProject = new QAction(LoadStr(StrId::PageSaveProject), this);
    actOpenProject = new QAction(LoadStr(StrId::PageOpenProject), this);
    named(actSaveProject, "actSaveProject");
    named(actOpenProject, "actOpenProject");
    actSaveProject->setToolTip(LoadStr(StrId::PageSaveProjectHint));
    actOpenProject->setToolTip(LoadStr(StrId::PageOpenProjectHint));
    actSaveProject->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S));
    actOpenProject->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    for (QAction* a : {actSaveProject, actOpenProject}) {
        a->setShortcutContext(Qt::WindowShortcut);
        addAction(a);
    }
    connect(actSaveProject, &QAction::triggered, this,
            [this] { RunCommand(this, [this] { actSaveProjectExecute(); }); });
    connect(actOpenProject, &QAction::triggered, this,
            [this] { RunCommand(this, [this] { actOpenProjectExecute(); }); });
    setAcceptDrops(true);
    popCodexa = new QMenu(this);
    named(popCodexa, "popCodexa");
    popCodexa->addAction(actCopy);
    popCodexa->addSeparator();
    popCodexa->addAction(actSaveProject);
    popCodexa->addAction(actOpenProject);
    connect(popCodexa, &QMenu::aboutToShow, this, &TCodexaCliFrm::popCodexaPopup);

    // The instruction area and the step's command strip.
    pnlTools = new QWidget(this);
    named(pnlTools, "pnlTools");
    lblImage = new THTMLabel(pnlTools);
    named(lblImage, "lblImage");
    lblImage->SetImages(&ImageList);
    connect(lblImage, &THTMLabel::OnAnchorClick, this,
            [this](THTMLabel*, const QString& href) { RunCommand(this, [&] { lblImageAnchorClick(href); }); });
    btnDialogs = new QPushButton(pnlTools);
    named(btnDialogs, "btnDialogs");
    BitBtn1 = new QPushButton(pnlTools);
    named(BitBtn1, "BitBtn1");
    // The buttons follow their actions (caption, state, visibility).
    BindButtonToAction(btnDialogs, actOpen);
    BindButtonToAction(BitBtn1, actReset);
    btnDialogs->setIcon(QIcon(SelectGlyph())); // the design glyph, until the first step is entered
    btnSaveProject = new QPushButton(pnlTools);
    named(btnSaveProject, "btnSaveProject");
    bevZero = new QFrame(pnlTools);
    named(bevZero, "bevZero");
    bevZero->setFrameStyle(QFrame::HLine | QFrame::Sunken);

    pnlZoomCubiform = new QWidget(pnlTools);
    named(pnlZoomCubiform, "pnlZoomCubiform");
    chkDefaultSize = new QCheckBox(LoadStr(StrId::PageDefaultSize), pnlZoomCubiform);
    named(chkDefaultSize, "chkDefaultSize");
    chkDefaultSize->setToolTip(LoadStr(StrId::PageDefaultSizeHint));
    chkShadow = new QCheckBox(LoadStr(StrId::PageShadow), pnlZoomCubiform);
    named(chkShadow, "chkShadow");
    chkShadow->setToolTip(LoadStr(StrId::PageShadowHint));
    Label1 = new QLabel(LoadStr(StrId::PageResultStyle), pnlZoomCubiform);
    named(Label1, "Label1");
    cbeBookType = new TEnhCombo(pnlZoomCubiform);
    named(cbeBookType, "cbeBookType");
    lblOrient = new QLabel(LoadStr(StrId::PageOrientation), pnlZoomCubiform);
    named(lblOrient, "lblOrient");
    btnOrientLeft = new QToolButton(pnlZoomCubiform);
    named(btnOrientLeft, "btnOrientLeft");
    btnOrientLeft->setIcon(style()->standardIcon(QStyle::SP_ArrowLeft));
    btnOrientLeft->setToolTip(LoadStr(StrId::PageOrientLeftHint));
    btnOrientRight = new QToolButton(pnlZoomCubiform);
    named(btnOrientRight, "btnOrientRight");
    btnOrientRight->setIcon(style()->standardIcon(QStyle::SP_ArrowRight));
    btnOrientRight->setToolTip(LoadStr(StrId::PageOrientRightHint));
    // Controls without text carry names a screen reader announces.
    btnOrientLeft->setAccessibleName(LoadStr(StrId::PageOrientLeftHint));
    btnOrientLeft->setAccessibleDescription(LoadStr(StrId::PageOrientLeftInfo));
    btnOrientRight->setAccessibleName(LoadStr(StrId::PageOrientRightHint));
    btnOrientRight->setAccessibleDescription(LoadStr(StrId::PageOrientRightInfo));
    Label1->setBuddy(cbeBookType);
    cbeBookType->setAccessibleDescription(LoadStr(StrId::PageResultStyleInfo));
    // What a saved or copied result lies on; the items follow TBackgroundItem.
    pnlResultBar = new QWidget(this);
    named(pnlResultBar, "pnlResultBar");
    lblBackground = new QLabel(LoadStr(StrId::PageBackground), pnlResultBar);
    named(lblBackground, "lblBackground");
    cbBackground = new QComboBox(pnlResultBar);
    named(cbBackground, "cbBackground");
    cbBackground->addItems({LoadStr(StrId::PageBackgroundAutomatic), LoadStr(StrId::PageBackgroundTransparent),
                            LoadStr(StrId::PageBackgroundWhite), LoadStr(StrId::PageBackgroundColor)});
    cbBackground->setToolTip(LoadStr(StrId::PageBackgroundHint));
    cbBackground->setAccessibleDescription(LoadStr(StrId::PageBackgroundInfo));
    cbBackground->setItemData(biAutomatic, LoadStr(StrId::PageBackgroundInfo), Qt::ToolTipRole);
    lblBackground->setBuddy(cbBackground);
    btnResultSaveProject = new QPushButton(pnlResultBar);
    named(btnResultSaveProject, "btnResultSaveProject");
    for (QPushButton* b : {btnSaveProject, btnResultSaveProject}) {
        b->setText(QString(actSaveProject->text()).remove(u'&'));
        b->setToolTip(actSaveProject->toolTip());
        b->setAccessibleDescription(actSaveProject->toolTip());
        b->setIcon(style()->standardIcon(QStyle::SP_DialogSaveButton));
        connect(b, &QPushButton::clicked, actSaveProject, &QAction::trigger);
    }
    connect(cbBackground, &QComboBox::activated, this,
            [this](int index) { RunCommand(this, [this, index] { cbBackgroundChange(index); }); });
    // Classic or the free view; the items follow TViewItem.
    lblView = new QLabel(LoadStr(StrId::PageView), pnlResultBar);
    named(lblView, "lblView");
    cbView = new QComboBox(pnlResultBar);
    named(cbView, "cbView");
    cbView->addItems({LoadStr(StrId::PageViewClassic), LoadStr(StrId::PageViewFree)});
    cbView->setToolTip(LoadStr(StrId::PageViewHint));
    cbView->setAccessibleDescription(LoadStr(StrId::PageViewHint));
    lblView->setBuddy(cbView);
    connect(cbView, &QComboBox::activated, this, [this] { RunCommand(this, [this] { cbViewChange(); }); });

    // The free view's camera: whole degrees within the renderer's ranges.
    pnlFreeBar = new QWidget(this);
    named(pnlFreeBar, "pnlFreeBar");
    auto slider = [&](const char* name, QLabel*& label, StrId caption, StrId accessible, StrId info, int min, int max,
                      int value) {
        label = new QLabel(LoadStr(caption), pnlFreeBar);
        auto* s = new QSlider(Qt::Horizontal, pnlFreeBar);
        named(s, name);
        s->setRange(min, max);
        s->setValue(value);
        s->setSingleStep(1);
        s->setPageStep(10);
        s->setFocusPolicy(Qt::StrongFocus);
        s->setAccessibleName(LoadStr(accessible));
        s->setAccessibleDescription(LoadStr(info));
        s->setToolTip(LoadStr(info));
        label->setBuddy(s);
        connect(s, &QSlider::valueChanged, this, [this] { RunCommand(this, [this] { FreeCameraChange(); }); });
        // The quick frames of a slider drag end with one at full size.
        connect(s, &QSlider::sliderReleased, this, [this] { RunCommand(this, [this] { FreeCameraChange(); }); });
        return s;
    };
    const freeview::TFreeViewSettings defaults;
    sldYaw = slider("sldYaw", lblYaw, StrId::PageYaw, StrId::PageYawName, StrId::PageYawInfo, -int(freeview::kMaxYaw),
                    int(freeview::kMaxYaw), int(defaults.Yaw));
    sldPitch = slider("sldPitch", lblPitch, StrId::PagePitch, StrId::PagePitchName, StrId::PagePitchInfo,
                      -int(freeview::kMaxPitch), int(freeview::kMaxPitch), int(defaults.Pitch));
    sldFov = slider("sldFov", lblFov, StrId::PageFov, StrId::PageFovName, StrId::PageFovInfo, 0, int(freeview::kMaxFov),
                    int(defaults.Fov));
    named(lblYaw, "lblYaw");
    named(lblPitch, "lblPitch");
    named(lblFov, "lblFov");
    chkReflection = new QCheckBox(LoadStr(StrId::PageReflection), pnlFreeBar);
    named(chkReflection, "chkReflection");
    chkReflection->setToolTip(LoadStr(StrId::PageReflectionHint));
    chkReflection->setAccessibleDescription(LoadStr(StrId::PageReflectionHint));
    connect(chkReflection, &QCheckBox::clicked, this, [this] { RunCommand(this, [this] { FreeCameraChange(); }); });

    // The live box of the face steps, over the face view's corner.
    LiveBox = new TLiveBox(this);
    LiveBox->hide();
    connect(LiveBox, &TLiveBox::HideRequested, this,
            [this] { RunCommand(this, [this] { LiveBoxVisibilityChange(true); }); });
    btnLiveBoxShow = new QToolButton(this);
    named(btnLiveBoxShow, "btnLiveBoxShow");
    btnLiveBoxShow->setText(QStringLiteral("\u25A3"));
    btnLiveBoxShow->setFocusPolicy(Qt::TabFocus);
    btnLiveBoxShow->setToolTip(LoadStr(StrId::PageLiveBoxShow));
    btnLiveBoxShow->setAccessibleName(LoadStr(StrId::PageLiveBoxShow));
    btnLiveBoxShow->hide();
    connect(btnLiveBoxShow, &QToolButton::clicked, this,
            [this] { RunCommand(this, [this] { LiveBoxVisibilityChange(false); }); });
    auto* orientation = new QButtonGroup(this);
    for (QToolButton* b : {btnOrientLeft, btnOrientRight}) {
        b->setCheckable(true);
        b->setAutoRaise(true);
        orientation->addButton(b);
    }
    btnOrientLeft->setChecked(true);
    auto renderOnClick = [this] { RunCommand(this, [this] { btnOrientLeftClick(); }); };
    connect(orientation, &QButtonGroup::buttonClicked, this, renderOnClick);
    connect(chkDefaultSize, &QCheckBox::clicked, this, renderOnClick);
    connect(chkShadow, &QCheckBox::clicked, this, renderOnClick);

    // The layer toolbar; the layer commands go in front of the zoom gauge.
    tbLayers = new QToolBar(LoadStr(StrId::PageLayers), this);
    named(tbLayers, "tbLayers");
    tbLayers->setIconSize(QSize(16, 16));
    ScaleBar = new QSlider(Qt::Horizontal);
    named(ScaleBar, "ScaleBar");
    ScaleBar->setRange(-100, 100);
    ScaleBar->setValue(0);
    ScaleBar->setPageStep(20);
    ScaleBar->setFixedWidth(kGaugeWidth);
    ScaleBar->setToolTip(LoadStr(StrId::PageZoomHint));
    ScaleBar->setAccessibleName(LoadStr(StrId::PageZoomHint));
    ScaleBar->setAccessibleDescription(LoadStr(StrId::PageZoomInfo));
    ScaleBar->setEnabled(false);
    connect(ScaleBar, &QSlider::valueChanged, this, &TCodexaCliFrm::ScaleBarChange);
    lblZoom = new QLabel(LoadStr(StrId::PageZoom).arg(1));
    named(lblZoom, "lblZoom");
    lblZoom->setEnabled(false);
    tbLayers->addSeparator();
    tbLayers->addWidget(ScaleBar);
    tbLayers->addWidget(lblZoom);

    // One panel per step, each with its view.
    const char* const panelNames[] = {"pnlStep0", "pnlStep1", "pnlStep2", "pnlStep3", "pnlStep4"};
    const char* const viewNames[] = {"ImgView0", "ImgView1", "ImgView2", "ImgView3", "ImgView4"};
    std::array<TImgView32*, 5> views{};
    for (int i = 0; i < 5; ++i) {
        pnlStep[i] = new QWidget(this);
        named(pnlStep[i], panelNames[i]);
        pnlStep[i]->hide();
        views[i] = new TImgView32(pnlStep[i]);
        named(views[i], viewNames[i]);
        views[i]->setFocusPolicy(Qt::StrongFocus);
        // Bars with nothing to scroll look disabled, not broken.
        for (QScrollBar* bar : {views[i]->HorzScrollBar(), views[i]->VertScrollBar()}) {
            bar->setEnabled(bar->maximum() > bar->minimum());
            connect(bar, &QScrollBar::rangeChanged, bar, [bar](int min, int max) { bar->setEnabled(max > min); });
        }
    }
    views[0]->setAccessibleName(LoadStr(StrId::PagePreview));
    views[0]->setAccessibleDescription(LoadStr(StrId::PagePreviewInfo));
    for (int i = 1; i <= 3; ++i) {
        views[i]->setAccessibleName(LoadStr(StrId::PageFaceViewName).arg(FaceName(i)));
        views[i]->setAccessibleDescription(LoadStr(StrId::PageFaceViewInfo).arg(FaceName(i)));
    }
    views[4]->setAccessibleName(LoadStr(StrId::PageResultViewName));
    views[4]->setAccessibleDescription(LoadStr(StrId::PageResultViewInfo));
    ImgView0 = views[0];
    ImgView1 = views[1];
    ImgView2 = views[2];
    ImgView3 = views[3];
    ImgView4 = views[4];
    // The front and side views take right-clicks on layers for the layer menu.
    ImgView1->Tag = 2;
    ImgView2->Tag = 3;
    ImgView0->SetColor(Qt::white);
    // The result and the preview scroll over all they show, the result's
    // selection frame and its handles included.
    ImgView0->SetRangeCoversLayers(true);
    ImgView4->SetRangeCoversLayers(true);
    ImgView0->SetSizeGrip(sgAlways);

    lblTemplates = new QLabel(LoadStr(StrId::PageTemplates), pnlStep[0]);
    named(lblTemplates, "lblTemplates");
    cbTemplates = new TEnhCombo(pnlStep[0]);
    named(cbTemplates, "cbTemplates");
    cbTemplates->setMaxVisibleItems(10);
    FTemplateRows = new TTemplateRowDelegate(&ImageList, cbTemplates);
    cbTemplates->setItemDelegate(FTemplateRows);
    lblTemplates->setBuddy(cbTemplates);
    Label3 = new QLabel(LoadStr(StrId::PageStyle), pnlStep[0]);
    named(Label3, "Label3");
    cbBookType = new TEnhCombo(pnlStep[0]);
    named(cbBookType, "cbBookType");
    Label3->setBuddy(cbBookType);
    btnOpenProject = new QPushButton(pnlStep[0]);
    named(btnOpenProject, "btnOpenProject");
    BindButtonToAction(btnOpenProject, actOpenProject);
    Label2 = new QLabel(LoadStr(StrId::PagePreview), pnlStep[0]);
    named(Label2, "Label2");
    for (TEnhCombo* combo : {cbBookType, cbeBookType})
        combo->addItems({LoadStr(StrId::PageStyleTwoSided), LoadStr(StrId::PageStyleThreeSide),
                         LoadStr(StrId::PageStyleBook)});
    // User choices only: setting an index from code runs no handler.
    connect(cbBookType, &QComboBox::activated, this, [this] { RunCommand(this, [this] { cbBookTypeChange(); }); });
    connect(cbeBookType, &QComboBox::activated, this, [this] { RunCommand(this, [this] { cbeBookTypeChange(); }); });
    connect(cbTemplates, &QComboBox::activated, this, [this] { RunCommand(this, [this] { cbTemplatesChange(); }); });

    Image2 = new QLabel(this);
    named(Image2, "Image2");
    Image2->setPixmap(PageBanner());
    Image2->setFixedSize(216, 57);
    Image2->hide();

    ArrangeComponents();
}

void TCodexaCliFrm::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    ArrangeComponents();
}

namespace {

// Puts a caption at (x, y) in the width it has in the layout, or wider when
// its text needs more: the measured width plus a little, since antialiased
// glyphs may reach a pixel past their advance.
void PlaceText(QWidget* caption, int x, int y, int width)
{
    const QSize need = caption->sizeHint();
    caption->setGeometry(x, y, std::max(width, need.width() + 2), need.height());
}

} // namespace

void TCodexaCliFrm::ArrangeComponents()
{
    const int w = width(), h = height();
    pnlTools->setGeometry(0, 0, w, kToolsHeight);
    // The instructions take the height down to the step's next control (at
    // least the design's 73), so a font wider than the design's is not cut off.
    int instructionsBottom = kToolsHeight - 2;
    if (!btnDialogs->isHidden())
        instructionsBottom = 88 - 2;
    else if (!pnlZoomCubiform->isHidden())
        instructionsBottom = kToolsHeight - kStripHeight - 2;
    lblImage->setGeometry(7, 8, std::max(0, w - 13), std::max(73, instructionsBottom - 8));
    btnDialogs->setGeometry(8, 88, 210, 25);
    BitBtn1->setGeometry(224, 88, 70, 25);
    btnSaveProject->setGeometry(std::max(300, w - 8 - 140), 88, 140, 25);
    bevZero->setGeometry(0, kToolsHeight - 2, w, 2);
    pnlZoomCubiform->setGeometry(0, kToolsHeight - kStripHeight, w, kStripHeight);
    PlaceText(chkDefaultSize, 8, 8, 96 - 8 - 2);
    PlaceText(chkShadow, 96, 8, 173 - 96 - 2);
    PlaceText(Label1, 173, 8, 248 - 173 - 4);
    // A font wider than the design's must not let the list cover its label.
    cbeBookType->setGeometry(std::max(248, Label1->geometry().right() + 4), 5, 105, 21);
    btnOrientRight->setGeometry(w - 8 - 23, 4, 23, 23);
    btnOrientLeft->setGeometry(w - 8 - 2 * 23 - 2, 4, 23, 23);
    PlaceText(lblOrient, 0, 8, 0);
    lblOrient->move(btnOrientLeft->x() - 4 - lblOrient->width(), 8);
    PlaceText(lblBackground, 2, 7, 0);
    cbBackground->setGeometry(lblBackground->geometry().right() + 4, 3, 130, 22);
    PlaceText(lblView, cbBackground->geometry().right() + 12, 7, 0);
    cbView->setGeometry(lblView->geometry().right() + 4, 3, 110, 22);
    {
        const int x = std::max(cbView->geometry().right() + 8, w - kToolIndent - 4 - 120);
        btnResultSaveProject->setGeometry(x, 2, 120, 24);
    }
    {
        int x = 2;
        for (auto [label, s] : {std::pair{lblYaw, sldYaw}, std::pair{lblPitch, sldPitch}, std::pair{lblFov, sldFov}}) {
            PlaceText(label, x, 7, 0);
            s->setGeometry(label->geometry().right() + 2, 4, kFreeSliderWidth, 20);
            x = s->geometry().right() + 10;
        }
        PlaceText(chkReflection, x, 6, 0);
    }

    int top = kToolsHeight;
    if (!tbLayers->isHidden()) {
        const int barWidth = std::max(0, w - kToolIndent);
        FitZoomGauge(barWidth);
        tbLayers->setGeometry(kToolIndent, top, barWidth, kToolbarHeight);
        top += kToolbarHeight;
    }
    // The result step's row of output choices, where the faces have their layer toolbar.
    if (!pnlResultBar->isHidden()) {
        pnlResultBar->setGeometry(kToolIndent, top, std::max(0, w - kToolIndent), kToolbarHeight);
        top += kToolbarHeight;
    }
    if (!pnlFreeBar->isHidden()) {
        pnlFreeBar->setGeometry(kToolIndent, top, std::max(0, w - kToolIndent), kToolbarHeight);
        top += kToolbarHeight;
    }
    const int ph = std::max(0, h - top);
    for (int i = 0; i < 5; ++i) {
        pnlStep[i]->setGeometry(0, top, w, ph);
        if (i > 0) FaceView(i)->setGeometry(0, 0, w, ph);
    }
    // The captions over the lists and the preview are as wide as those.
    PlaceText(lblTemplates, 8, 8, 200);
    cbTemplates->setGeometry(8, 24, 200, 21);
    PlaceText(Label3, 8, 56, 200);
    cbBookType->setGeometry(8, 72, 200, 21);
    btnOpenProject->setGeometry(8, 104, 200, 25);
    PlaceText(Label2, 224, 8, std::max(0, w - 232));
    ImgView0->setGeometry(224, 24, std::max(0, w - 232), std::max(0, ph - 32));
    // The live box in the face view's lower right corner, where its show button also sits; at
    // most half the view's height, so that most of the face stays in sight.
    const int boxH = std::min(kLiveBoxSize.height(), std::max(kLiveBoxMinHeight, ph / 2));
    const int boxW = boxH * kLiveBoxSize.width() / kLiveBoxSize.height();
    const QRect box(w - kLiveBoxMargin - boxW, h - kLiveBoxMargin - boxH, boxW, boxH);
    LiveBox->setGeometry(box);
    btnLiveBoxShow->setGeometry(box.right() - 22, box.bottom() - 22, 23, 23);
}

// ---------------------------------------------------------------------------
// Creation and destruction.

void TCodexaCliFrm::FormCreate(QWidget* owner)
{
    if (owner) FHost = QueryWizInterface<IWizHost2>(owner, IID_IWizHost2);
    if (!FHost) return;
    // The page is designed in the host's font, and takes its face (Tahoma where installed).
    setFont(owner->font());
    // A project dropped on the window around the page opens too.
    owner->setAcceptDrops(true);
    owner->installEventFilter(this);
    // The host runs its idle-time update, and the page's with it.
    if (owner->metaObject()->indexOfSignal("IdleUpdate()") >= 0)
        connect(owner, SIGNAL(IdleUpdate()), this, SLOT(IdleUpdate()));

    FSelection = new TLayerSelection({nullptr, ImgView1, ImgView2, ImgView3, ImgView4},
                                     [this] { return FStep; }, this);
    // The layer commands go in front of the zoom gauge on the layer toolbar.
    TLayerCommandHost commandHost;
    commandHost.Selection = FSelection;
    commandHost.CurrentStep = [this] { return FStep; };
    commandHost.SetModified = [this](bool modified) { FModified = modified; };
    commandHost.OpenInitialFolder = [this] { return OpenFolder(); };
    commandHost.OpenFolderChosen = [this](const QString& folder) { FOpenInitDir = folder; };
    commandHost.Glyph = [](int index) { return PageGlyph(index); };
    commandHost.ScaleReset = [this] {
        SetGaugeQuietly(0);
        SetZoomLabel();
    };
    commandHost.Parent = this;
    commandHost.ShowFace = [this](int face) { GoToFace(face); };
    FLayerCommands = new TLayerCommands(std::move(commandHost), this);
    // Undoing back to the state last saved leaves nothing unsaved.
    connect(FLayerCommands->History()->Stack(), &QUndoStack::cleanChanged, this,
            [this](bool clean) { FModified = !clean; });
    FLayerCommands->FillToolBar(tbLayers);
    for (TImgView32* face : {ImgView1, ImgView2, ImgView3}) FLayerCommands->TakeKeysOn(face);
    popLayer = FLayerCommands->popLayer;
    PrepareToolButtons();
    ArrangeTabOrder();
    for (int i = 1; i <= 4; ++i) {
        TImgView32* view = FaceView(i);
        TPaintStages& stages = view->PaintStages();
        if (stages.Count() > 0 && stages[0].Stage == stageClearBackground) {
            stages[0].Stage = stageCustom;
            view->OnPaintStage = [this](TCustomImage32* sender, TBitmap32* buffer, unsigned stageNum) {
                ImgView3PaintStage(sender, buffer, stageNum);
            };
        }
        view->OnMouseDown = [this](TCustomImage32* sender, TMouseButton button, TShiftState shift, int x, int y,
                                   TCustomLayer* layer) {
            // A double click on the selected text layer edits it once the button is up.
            FEditTextOnRelease = button == mbLeft && (shift & ssDouble) && IsSelectedTextLayer(layer);
            RunCommand(this, [&] { ImgView3MouseDown(sender, int(button), x, y, layer); });
        };
        view->OnMouseUp = [this](TCustomImage32*, TMouseButton button, TShiftState, int, int, TCustomLayer*) {
            if (button != mbLeft || !FEditTextOnRelease) return;
            FEditTextOnRelease = false;
            FLayerCommands->UpdateActions();
            FLayerCommands->actLayerEditText->trigger();
        };
        view->installEventFilter(this);
    }
    ImgView4->OnResize = [this](TCustomImage32*) { ImgView4Resize(); };
    // On the free view, a drag on the result turns the box and the handles set the size it is drawn at.
    ImgView4->OnMouseDown = [this](TCustomImage32* sender, TMouseButton button, TShiftState, int x, int y,
                                   TCustomLayer* layer) {
        RunCommand(this, [&] {
            ImgView3MouseDown(sender, int(button), x, y, layer);
            ImgView4MouseDown(int(button), x, y, layer);
        });
    };
    ImgView4->OnMouseMove = [this](TCustomImage32*, TShiftState, int x, int y, TCustomLayer*) {
        RunCommand(this, [&] { ImgView4MouseMove(x, y); });
    };
    ImgView4->OnMouseUp = [this](TCustomImage32*, TMouseButton, TShiftState, int, int, TCustomLayer*) {
        RunCommand(this, [&] { ImgView4MouseUp(); });
    };

    FStep = 0;
    FCurrentPanel = pnlStep[0];
    FCurrentPanel->show();
    UpdateCaptions();
    UpdateStepControls();
    FHost->SetCaption(LoadStr(StrId::PageCaption));
    FHost->SetPicture(Image2->pixmap());
    FResultImage.StretchFilter = sfLinear;
    FFaceCache = std::make_unique<TFaceCache>();
    FFreeFaces = std::make_unique<TFreeViewFaces>();

    RunCommand(this, [this] { LoadSettings(); });
    if (!FSaver) FSaver = std::make_unique<TResultSaver>(QString(), FirstRunSaveFolder(SamplesFolder()));

    FTemplateRows->SetItemHeight(QFontMetrics(font()).boundingRect(QStringLiteral("Wq")).height() + 3);
    RunCommand(this, [this] { FillTemplates(picker::rowNone); });
    // The preview shows the placeholder until a template is chosen.
    DrawNoPreview(ImgView0->Bitmap(), font());
}

void TCodexaCliFrm::FitZoomGauge(int barWidth)
{
    int used = 0;
    for (QAction* action : tbLayers->actions()) {
        QWidget* w = tbLayers->widgetForAction(action);
        if (w == ScaleBar || w == lblZoom) continue;
        used += action->isSeparator() ? kToolSeparatorWidth : kToolButtonSize.width();
    }
    // Room for the label's widest text, a zoom such as 0.88.
    const QFontMetrics metrics(lblZoom->font());
    const int label = metrics.horizontalAdvance(LoadStr(StrId::PageZoom).arg(QLocale().toString(0.88))) + 8;
    ScaleBar->setFixedWidth(std::clamp(barWidth - used - label, kMinGaugeWidth, kGaugeWidth));
}

void TCodexaCliFrm::PrepareToolButtons()
{
    // Flat buttons of the design's size; reachable with Tab, and announced by
    // their command's caption and hint.
    tbLayers->setStyleSheet(QStringLiteral("QToolBar { spacing: 0px; }"));
    for (QAction* action : tbLayers->actions()) {
        if (action->isSeparator()) {
            if (QWidget* separator = tbLayers->widgetForAction(action)) separator->setFixedWidth(kToolSeparatorWidth);
            continue;
        }
        auto* button = qobject_cast<QToolButton*>(tbLayers->widgetForAction(action));
        if (!button) continue;
        button->setFixedSize(kToolButtonSize);
        button->setFocusPolicy(Qt::TabFocus);
        button->setAccessibleName(QString(action->text()).remove(QLatin1Char('&')));
        button->setAccessibleDescription(action->toolTip());
        // Undo and Redo name the step they take back in their tooltips, which change.
        connect(action, &QAction::changed, button,
                [button, action] { button->setAccessibleDescription(action->toolTip()); });
    }
}

void TCodexaCliFrm::ArrangeTabOrder()
{
    // Top to bottom, left to right: the command strip, the result options,
    // the layer toolbar, then the step panels (the lists of step 0 before its
    // preview). Hidden controls are passed over by Tab.
    QList<QWidget*> order{btnDialogs,   BitBtn1,        btnSaveProject, chkDefaultSize, chkShadow,
                          cbeBookType,  btnOrientLeft,  btnOrientRight, cbBackground,
                          cbView,       btnResultSaveProject, sldYaw,   sldPitch,       sldFov,
                          chkReflection};
    for (QAction* action : tbLayers->actions())
        if (QWidget* w = tbLayers->widgetForAction(action); w && w != lblZoom) order << w;
    order << cbTemplates << cbBookType << btnOpenProject;
    for (int i = 0; i < 5; ++i) order << FaceView(i);
    order << LiveBox->btnLiveBoxHide << btnLiveBoxShow;
    // Qt links only controls that take the focus (not the separators).
    order.removeIf([](QWidget* w) { return w->focusPolicy() == Qt::NoFocus; });
    for (int i = 1; i < order.size(); ++i) QWidget::setTabOrder(order[i - 1], order[i]);
}

void TCodexaCliFrm::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    // The labels measure their texts again now that the fonts are final.
    ArrangeComponents();
}

void TCodexaCliFrm::LoadSettings()
{
    TAppSettings* settings = AppSettings(0);
    // An installed program cannot write its Samples folder: saves go elsewhere.
    const QString firstSaveFolder = FirstRunSaveFolder(SamplesFolder());
    if (settings->SaveInitDir().isEmpty()) settings->SetSaveInitDir(firstSaveFolder);
    settings->ApplyFirstRunDefaults(SamplesFolder());
    FOpenInitDir = settings->OpenInitDir();
    FSaver = std::make_unique<TResultSaver>(settings->SaveInitDir(), firstSaveFolder);
    (settings->LeftOrientation() ? btnOrientLeft : btnOrientRight)->setChecked(true);
    chkDefaultSize->setChecked(settings->DefaultSize());
    btnOrientLeftClick();
    const int style = settings->BookType();
    if (style >= 0 && style < cbBookType->count()) {
        cbBookType->setCurrentIndex(style);
        cbeBookType->setCurrentIndex(style);
    }
    // A background that does not read (edited by hand) is the automatic one.
    TBoxBackground background;
    if (!ParseBoxBackground(settings->ResultBackground(), background)) background = {};
    SetBackground(background);
    // Angles that do not read (edited by hand) are the default ones.
    {
        const QSignalBlocker quietYaw(sldYaw), quietPitch(sldPitch), quietFov(sldFov);
        const freeview::TFreeViewSettings defaults;
        sldYaw->setValue(StoredAngle(settings->FreeYaw(), int(defaults.Yaw), freeview::kMaxYaw));
        sldPitch->setValue(StoredAngle(settings->FreePitch(), int(defaults.Pitch), freeview::kMaxPitch));
        sldFov->setValue(StoredAngle(settings->FreeFov(), int(defaults.Fov), freeview::kMaxFov, true));
    }
    chkReflection->setChecked(settings->FreeReflection());
    cbView->setCurrentIndex(settings->ResultView() == viFree ? viFree : viClassic);
    FLiveBoxHidden = settings->LiveBoxHidden();
    FSettingsLoaded = true;
    UpdateStepControls();
}

void TCodexaCliFrm::FormDestroy() noexcept
{
    RegisterDropTarget(nullptr);
    if (FSettingsLoaded) {
        try {
            TAppSettings* settings = AppSettings(0);
            settings->SetOpenInitDir(FOpenInitDir);
            settings->SetSaveInitDir(FSaver->InitialFolder());
            settings->SetLeftOrientation(btnOrientLeft->isChecked());
            settings->SetDefaultSize(chkDefaultSize->isChecked());
            settings->SetBookType(cbBookType->currentIndex());
            settings->SetResultBackground(BoxBackgroundText(FBackground));
            settings->SetResultView(cbView->currentIndex());
            settings->SetFreeYaw(QString::number(sldYaw->value()));
            settings->SetFreePitch(QString::number(sldPitch->value()));
            settings->SetFreeFov(QString::number(sldFov->value()));
            settings->SetFreeReflection(chkReflection->isChecked());
            settings->SetLiveBoxHidden(FLiveBoxHidden);
            settings->Save();
            settings->SetAutoSave(false);
        } catch (const std::exception& e) {
            std::fprintf(stderr, "cubiform: %s\n", e.what());
            NoteFailedSave(QString::fromUtf8(e.what()));
        }
    }
    if (FHost) {
        try {
            TemplateContainer(1);
        } catch (const std::exception& e) {
            std::fprintf(stderr, "cubiform: %s\n", e.what());
            NoteFailedSave(QString::fromUtf8(e.what()));
        }
        try {
            AppSettings(1);
        } catch (const std::exception& e) {
            std::fprintf(stderr, "cubiform: %s\n", e.what());
            NoteFailedSave(QString::fromUtf8(e.what()));
        }
    }
    // The selection refers to layers of the views; it goes before them, and
    // the commands, which refer to the selection, go before it.
    delete FLayerCommands;
    FLayerCommands = nullptr;
    popLayer = nullptr;
    delete FSelection;
    FSelection = nullptr;
    FHost = nullptr;
}

// ---------------------------------------------------------------------------
// IWizClientEx

bool TCodexaCliFrm::QueryInterface(const QUuid& iid, void** obj)
{
    if (iid != IID_IWizClientEx) return false;
    *obj = static_cast<IWizClientEx*>(this);
    return true;
}

bool TCodexaCliFrm::CanGoBack()
{
    return FStep != 0;
}

bool TCodexaCliFrm::CanGoNext()
{
    switch (FStep) {
    case 1: return !ImgView1->Bitmap().IsEmpty();
    case 2: return !ImgView2->Bitmap().IsEmpty();
    case 3: return Style() != bxThreeSideBox || !ImgView3->Bitmap().IsEmpty();
    default: return FStep <= kLastStep;
    }
}

bool TCodexaCliFrm::IsLastStep()
{
    return FStep == kLastStep;
}

void TCodexaCliFrm::CloseQuery(bool& mayClose, int closeResult)
{
    if (!ProjectChangesSettled()) {
        mayClose = false;
        return;
    }
    if (closeResult == 2 || FModified) {
        if (FModified) {
            if (closeResult == 2) {
                mayClose = AskYesNo(LoadStr(StrId::PageSaveQuestion));
                if (!mayClose) FModified = false;
            }
            if (mayClose) actSave->trigger();
            mayClose = !FModified;
        } else {
            mayClose = true;
        }
        if (!mayClose && FStep > kLastStep) FStep = kLastStep;
    }
    if (mayClose && closeResult == 1 && AskYesNo(LoadStr(StrId::PageAnotherQuestion))) {
        mayClose = false;
        Restart();
    }
}

void TCodexaCliFrm::Next()
{
    if (!FHost) return;
    SaveZoom();
    if (Style() != bxThreeSideBox && FStep == 2) FStep = 3;
    ++FStep;
    if (FStep <= kLastStep)
        EnterStep();
    else
        FHost->Finish();
}

void TCodexaCliFrm::Back()
{
    if (!FHost || FStep <= 0) return;
    SaveZoom();
    if (Style() != bxThreeSideBox && FStep == kLastStep) FStep = 3;
    --FStep;
    EnterStep();
}

void TCodexaCliFrm::ReleasePage()
{
    deleteLater();
}

void TCodexaCliFrm::ShowPage()
{
    if (FHost) show();
}

void TCodexaCliFrm::Save()
{
    actSave->trigger();
}

// ---------------------------------------------------------------------------
// Steps.

TImgView32* TCodexaCliFrm::FaceView(int index) const
{
    switch (index) {
    case 0: return ImgView0;
    case 1: return ImgView1;
    case 2: return ImgView2;
    case 3: return ImgView3;
    case 4: return ImgView4;
    default: return nullptr;
    }
}

TBoxStyle TCodexaCliFrm::Style() const
{
    const int index = cbBookType->currentIndex();
    return index >= bxTwoSidedBox && index <= bxBookCover ? TBoxStyle(index) : bxTwoSidedBox;
}

QString TCodexaCliFrm::FaceName(int step)
{
    switch (step) {
    case 1: return LoadStr(StrId::PageFaceFront);
    case 2: return LoadStr(StrId::PageFaceSide);
    case 3: return LoadStr(StrId::PageFaceTop);
    default: return QString();
    }
}

void TCodexaCliFrm::EnterStep()
{
    UpdateCaptions();
    UpdateStepControls();
    ShowStep(FStep);
}

void TCodexaCliFrm::UpdateCaptions()
{
    if (!FHost || FStep < 0 || FStep > kLastStep) return;
    FHost->SetInfoTitle(LoadStr(StrId::PageStepTitle).arg(FStep + 1).arg(kStepCount));
    FHost->SetInfoText(LoadStr(kStepTexts[FStep]));
}

void TCodexaCliFrm::UpdateStepControls()
{
    if (FStep < 0 || FStep > kLastStep) return;
    lblImage->SetHTMLText({LoadStr(kInstructions[FStep])});
    btnDialogs->setIcon(QIcon());
    const bool faceStep = IsFaceStep(FStep);
    tbLayers->setVisible(faceStep);
    actReset->setVisible(faceStep);
    actOpen->setVisible(faceStep);
    btnSaveProject->setVisible(faceStep);
    pnlZoomCubiform->setVisible(FStep == kLastStep);
    pnlResultBar->setVisible(FStep == kLastStep);
    pnlFreeBar->setVisible(FStep == kLastStep && FreeView());
    LiveBox->setVisible(faceStep && !FLiveBoxHidden);
    btnLiveBoxShow->setVisible(faceStep && FLiveBoxHidden);
    bevZero->setVisible(FStep == 0);
    // The free view turns the box by its angles, not by the orientation toggles.
    const bool twoSided = Style() == bxTwoSidedBox && !FreeView();
    for (QWidget* w : {static_cast<QWidget*>(lblOrient), static_cast<QWidget*>(btnOrientLeft),
                       static_cast<QWidget*>(btnOrientRight)})
        w->setVisible(twoSided);
    ImgView4->setToolTip(FreeView() ? LoadStr(StrId::PageFreeResultInfo) : QString());
    if (FStep >= 1 && !ImgView1->Bitmap().IsEmpty()) FModified = true;
    if (faceStep) {
        lblZoom->setEnabled(ScaleBar->isEnabled());
        SetZoomLabel();
        SetGaugeQuietly(FZoomPositions[std::size_t(FStep)]);
        actOpen->setText(LoadStr(StrId::PageSelectImage).arg(FaceName(FStep)));
        RegisterDropTarget(FaceView(FStep));
    }
    ArrangeComponents();
    if (FStep == kLastStep) RenderBox(CurrentOrientation());
}

void TCodexaCliFrm::ShowStep(int n)
{
    auto* panel = findChild<QWidget*>(QStringLiteral("pnlStep%1").arg(n), Qt::FindDirectChildrenOnly);
    if (!panel) return;
    ArrangeComponents();
    panel->raise();
    // The live box lies over the face view's corner.
    LiveBox->raise();
    btnLiveBoxShow->raise();
    panel->show();
    if (TImgView32* view = FaceView(n); view && view->focusPolicy() != Qt::NoFocus) view->setFocus();
    if (FCurrentPanel && FCurrentPanel != panel) FCurrentPanel->hide();
    FCurrentPanel = panel;
}

void TCodexaCliFrm::SaveZoom()
{
    if (IsFaceStep(FStep)) FZoomPositions[std::size_t(FStep)] = ScaleBar->value();
}

void TCodexaCliFrm::Restart()
{
    ForgetHistory();
    for (int i = 1; i <= 4; ++i) {
        TImgView32* view = FaceView(i);
        TViewUpdateHold hold(view);
        ClearFace(i);
        view->Bitmap().MakeEmpty();
    }
    FResultImage.MakeEmpty();
    FResultOnBlack.MakeEmpty();
    FResultOnBlackMade = false;
    FModified = false;
    ScaleBar->setEnabled(false);
    cbTemplates->setCurrentIndex(picker::rowNone);
    FLoadedTemplate = nullptr;
    FProjectPath.clear();
    FProjectDefaultSize = QSize();
    ShowProjectName();
    ImgView0->Bitmap().MakeEmpty();
    DrawNoPreview(ImgView0->Bitmap(), font());
    ImgView0->Invalidate();
    FStep = 0;
    SaveZoom();
    UpdateCaptions();
    UpdateStepControls();
    ShowStep(0);
}

void TCodexaCliFrm::ClearFace(int index)
{
    // The history's steps refer to the face's layers, which go now.
    if (IsFaceStep(index)) ForgetHistory();
    if (FSelection && index >= 1 && index <= 4) FSelection->ClearFace(index);
}

void TCodexaCliFrm::ForgetHistory()
{
    if (FLayerCommands) FLayerCommands->History()->Clear();
}

void TCodexaCliFrm::GoToFace(int face)
{
    if (!IsFaceStep(face) || face == FStep || !FHost) return;
    SaveZoom();
    FStep = face;
    EnterStep();
}

bool TCodexaCliFrm::IsSelectedTextLayer(TCustomLayer* hit) const
{
    if (!IsFaceStep(FStep) || !FSelection || !hit) return false;
    TCustomLayer* selected = FSelection->SelectedLayer(FStep);
    if (auto* frame = dynamic_cast<TRubberbandLayer*>(hit)) hit = frame->Target();
    return hit && hit == selected && selected->Tag == 1 && dynamic_cast<TBitmapTextLayer*>(selected);
}

void TCodexaCliFrm::lblImageAnchorClick(const QString& anchor)
{
    if (anchor.compare(QLatin1String("save"), Qt::CaseInsensitive) == 0)
        actSave->trigger();
    else if (anchor.compare(QLatin1String("new"), Qt::CaseInsensitive) == 0)
        Next();
    else
        actOpen->trigger();
}

// ---------------------------------------------------------------------------
// Reset and zoom.

void TCodexaCliFrm::actResetExecute()
{
    if (!IsFaceStep(FStep) || !FLayerCommands) return;
    TImgView32* view = FaceView(FStep);
    // The picture and its layers are kept by the step.
    TBitmap32 empty;
    FLayerCommands->Record(FacePictureStep(FSelection, FStep, empty, true, LoadStr(StrId::StepResetFace)));
    FModified = true;
    if (FStep == 1 && ImgView1->Bitmap().IsEmpty() && ImgView2->Bitmap().IsEmpty() &&
        ImgView3->Bitmap().IsEmpty())
        FModified = false;
    ScaleBar->setEnabled(false);
    ScaleBar->setValue(0);
    view->SetScale(1.0f);
}

void TCodexaCliFrm::actResetUpdate()
{
    if (FStep == 0) return;
    TImgView32* view = FaceView(FStep);
    if (!view) return;
    const bool hasImage = !view->Bitmap().IsEmpty();
    ScaleBar->setEnabled(hasImage);
    lblZoom->setEnabled(hasImage);
    if (IsFaceStep(FStep)) actReset->setEnabled(hasImage);
}

void TCodexaCliFrm::IdleUpdate()
{
    actResetUpdate();
    if (FLayerCommands && IsFaceStep(FStep)) FLayerCommands->UpdateActions();
    LiveBoxUpdate();
    if (FLayerCommands && !IsFaceStep(FStep)) FLayerCommands->UpdateHistoryActions();
    emit IdleUpdated();
}

void TCodexaCliFrm::ScaleBarChange(int position)
{
    if (TImgView32* view = FaceView(FStep)) view->SetScale(float(std::pow(10.0, position / 100.0)));
    SetZoomLabel();
}

void TCodexaCliFrm::SetZoomLabel()
{
    TImgView32* view = FaceView(FStep);
    const double scale = view ? view->Scale() : 1.0;
    lblZoom->setText(LoadStr(StrId::PageZoom).arg(QLocale().toString(scale, 'g', 2)));
}

void TCodexaCliFrm::SetGaugeQuietly(int position)
{
    const QSignalBlocker quiet(ScaleBar);
    ScaleBar->setValue(position);
}

// ---------------------------------------------------------------------------
// The result step.

TBoxOrientation TCodexaCliFrm::CurrentOrientation() const
{
    return btnOrientRight->isChecked() ? boRight : boLeft;
}

void TCodexaCliFrm::btnOrientLeftClick()
{
    RenderBox(CurrentOrientation());
}

void TCodexaCliFrm::cbeBookTypeChange()
{
    cbBookType->setCurrentIndex(cbeBookType->currentIndex());
    if (Style() == bxThreeSideBox && ImgView3->Bitmap().IsEmpty()) {
        Back();
        return;
    }
    RenderBox(CurrentOrientation());
    const bool twoSided = Style() == bxTwoSidedBox && !FreeView();
    lblOrient->setVisible(twoSided);
    btnOrientLeft->setVisible(twoSided);
    btnOrientRight->setVisible(twoSided);
}

void TCodexaCliFrm::SetBackground(const TBoxBackground& background)
{
    FBackground = background;
    const TBackgroundItem item = BackgroundItemOf(background);
    cbBackground->setCurrentIndex(item);
    cbBackground->setItemIcon(biColor, item == biColor ? ColorSwatch(background.Color) : QIcon());
    cbBackground->setItemText(biColor, item == biColor ? BoxBackgroundText(background).toUpper()
                                                       : LoadStr(StrId::PageBackgroundColor));
    ShowBackground();
}

void TCodexaCliFrm::cbBackgroundChange(int index)
{
    TBoxBackground chosen;
    switch (index) {
    case biTransparent: chosen.Kind = TBoxBackground::Transparent; break;
    case biWhite: chosen = TBoxBackground::Of(clWhite32); break;
    case biColor: {
        const QColor start = BackgroundItemOf(FBackground) == biColor ? QColor::fromRgb(FBackground.Color) : Qt::white;
        LoadCustomColorsIntoDialog();
        const QColor color = QColorDialog::getColor(start, this, LoadStr(StrId::PageBackgroundColorTitle),
                                                    QColorDialog::DontUseNativeDialog);
        StoreCustomColorsFromDialog();
        // Cancel keeps the background as it was.
        chosen = color.isValid() ? TBoxBackground::Of(color.rgb()) : FBackground;
        break;
    }
    default: break;
    }
    SetBackground(chosen);
}

const TBitmap32* TCodexaCliFrm::ResultOnBlack()
{
    if (FResultImage.IsEmpty()) return nullptr;
    if (!FResultOnBlackMade) {
        TBoxRenderInput in = RenderInput(CurrentOrientation());
        // The render on white and the picture shown are held besides.
        ::RenderBoxOnBlack(in, *FSelection, FResultOnBlack, *FFaceCache,
                           2 * membudget::PictureBytes(FResultImage.Width(), FResultImage.Height()));
        FResultOnBlackMade = true;
    }
    return FResultOnBlack.IsEmpty() ? nullptr : &FResultOnBlack;
}

TResultDrawings TCodexaCliFrm::ResultDrawings()
{
    TResultDrawings d;
    d.OnWhite = FResultImage.IsEmpty() ? nullptr : &FResultImage;
    d.OnBlack = [this] { return ResultOnBlack(); };
    d.Background = FBackground;
    return d;
}

void TCodexaCliFrm::ShowBackground()
{
    if (FStep != kLastStep || FResultImage.IsEmpty()) return;
    const bool plain = BackgroundItemOf(FBackground) == biAutomatic || !NeedsBlackGround(FBackground);
    ShowResultOnBackground(ImgView4, FResultImage, plain ? nullptr : ResultOnBlack(), FBackground);
}

void TCodexaCliFrm::cbBookTypeChange()
{
    cbeBookType->setCurrentIndex(cbBookType->currentIndex());
    RenderTemplatePreview();
}

TBoxRenderInput TCodexaCliFrm::RenderInput(TBoxOrientation orientation) const
{
    TBoxRenderInput in;
    in.Faces[1] = ImgView1;
    in.Faces[2] = ImgView2;
    in.Faces[3] = ImgView3;
    in.Style = Style();
    in.Orientation = orientation;
    in.DefaultSize = chkDefaultSize->isChecked();
    in.Shadow = chkShadow->isChecked();
    if (const TTemplateItem* item = SelectedTemplate()) {
        in.DefaultWidth = item->DefaultWidth();
        in.DefaultHeight = item->DefaultHeight();
    } else if (!FProjectDefaultSize.isEmpty()) {
        in.DefaultWidth = FProjectDefaultSize.width();
        in.DefaultHeight = FProjectDefaultSize.height();
    }
    return in;
}

void TCodexaCliFrm::RenderBox(TBoxOrientation orientation)
{
    if (FStep != kLastStep || !FSelection) return;
    if (FreeView()) {
        RenderFreeBox(QSize(), false);
        return;
    }
    const TBoxRenderInput in = RenderInput(orientation);
    ImgView4->SetViewCursor(crDefault);
    FResultOnBlackMade = false;
    FResultOnBlack.SetSize(0, 0);
    ::RenderBox(in, *FSelection, ImgView4, FResultImage, *FFaceCache);
    ShowBackground();
    if (in.DefaultSize) ImgView4Resize();
}

// ---------------------------------------------------------------------------
// The free view: the result turned by its angles, and the face steps' live box.

bool TCodexaCliFrm::FreeView() const
{
    return cbView->currentIndex() == viFree;
}

freeview::TFreeViewSettings TCodexaCliFrm::FreeSettings() const
{
    freeview::TFreeViewSettings s;
    s.Yaw = sldYaw->value();
    s.Pitch = sldPitch->value();
    s.Fov = sldFov->value();
    s.Shadow = chkShadow->isChecked();
    s.Reflection = chkReflection->isChecked();
    s.Threads = 0;
    return s;
}

QSize TCodexaCliFrm::FreeFrameSize()
{
    if (TRubberbandLayer* handle = FSelection ? FSelection->HandleLayer(4) : nullptr) {
        const TRect r = RoundRect(handle->AdjustedBounds());
        return QSize(r.Width(), r.Height());
    }
    return QSize(FResultImage.Width(), FResultImage.Height());
}

QSize TCodexaCliFrm::FreePreviewSize()
{
    const QSize frame = FreeFrameSize();
    const TRect vp = ImgView4->GetViewportRect();
    const QSize view(std::max(1, vp.Width()), std::max(1, vp.Height()));
    if (frame.width() <= view.width() && frame.height() <= view.height()) return frame;
    return frame.scaled(view, Qt::KeepAspectRatio).expandedTo(QSize(1, 1));
}

void TCodexaCliFrm::RenderFreeBox(QSize size, bool keepFrame)
{
    if (FStep != kLastStep || !FSelection) return;
    const TBoxRenderInput in = RenderInput(CurrentOrientation());
    if (ImgView1->Bitmap().IsEmpty() || ImgView2->Bitmap().IsEmpty()) return;
    keepFrame = keepFrame && dynamic_cast<TBitmapLayer*>(FSelection->SelectedLayer(4)) && FSelection->HandleLayer(4);
    freeview::TFreeViewSettings settings = FreeSettings();
    settings.Width = std::max(0, size.width());
    settings.Height = std::max(0, size.height());
    // A frame that cannot be drawn leaves the last picture as it was.
    {
        std::optional<TBusyCursor> busy;
        if (std::int64_t(settings.Width) * settings.Height > 1000000 || settings.Width == 0) busy.emplace();
        FFreeFaces->Update(in, *FSelection, *FFaceCache);
        freeview::Render(FFreeFaces->Box, settings, FFreeFrame);
    }
    // Saves and copies are made from the frame laid on white and on black.
    FlattenMatte(FFreeFrame, clWhite32, FResultImage);
    FlattenMatte(FFreeFrame, clBlack32, FResultOnBlack);
    FResultOnBlackMade = true;
    if (!keepFrame) {
        TViewUpdateHold hold(ImgView4);
        FSelection->ClearFace(4);
        ImgView4->SetScale(1.0f);
        ImgView4->Bitmap().SetSize(0, 0);
        TBitmap32 picture;
        picture.StretchFilter = sfLinear;
        picture.CopyFrom(FResultImage);
        // The pointer says that a drag turns the box, on the picture and around it.
        FSelection->AddImageLayerTaking(ImgView4, picture)->SetCursor(crSizeAll);
        ImgView4->SetViewCursor(crSizeAll);
    }
    // A drag inside the frame turns the box rather than moving the picture.
    if (TRubberbandLayer* handle = FSelection->HandleLayer(4)) handle->HandleSet &= ~rhCenter;
    if (!keepFrame) SnapFreeFrame();
    ShowBackground();
}

void TCodexaCliFrm::cbViewChange()
{
    // Shows the free view's controls (or hides them) and draws the result again.
    UpdateStepControls();
}

void TCodexaCliFrm::FreeCameraChange()
{
    if (FStep != kLastStep || !FreeView()) return;
    const bool sliding = sldYaw->isSliderDown() || sldPitch->isSliderDown() || sldFov->isSliderDown();
    RenderFreeBox(sliding ? FreePreviewSize() : FreeFrameSize(), true);
}

void TCodexaCliFrm::ImgView4MouseDown(int button, int x, int y, TCustomLayer* layer)
{
    FTurning = false;
    if (button != mbLeft || !FreeView() || FResultImage.IsEmpty() || !FSelection) return;
    if (layer && layer == FSelection->HandleLayer(4)) return; // the handles resize
    FTurning = true;
    FTurnX = x;
    FTurnY = y;
    FTurnYaw = sldYaw->value();
    FTurnPitch = sldPitch->value();
}

void TCodexaCliFrm::ImgView4MouseMove(int x, int y)
{
    if (!FTurning) return;
    // Right turns the front to the right (showing the left side), down looks more onto the top.
    const int yaw = std::clamp(int(std::lround(FTurnYaw + (x - FTurnX) * kTurnDegreesPerPixel)), sldYaw->minimum(),
                               sldYaw->maximum());
    const int pitch = std::clamp(int(std::lround(FTurnPitch + (y - FTurnY) * kTurnDegreesPerPixel)),
                                 sldPitch->minimum(), sldPitch->maximum());
    if (yaw == sldYaw->value() && pitch == sldPitch->value()) return;
    {
        const QSignalBlocker quietYaw(sldYaw), quietPitch(sldPitch);
        sldYaw->setValue(yaw);
        sldPitch->setValue(pitch);
    }
    RenderFreeBox(FreePreviewSize(), true);
}

void TCodexaCliFrm::ImgView4MouseUp()
{
    FTurning = false;
    if (FStep != kLastStep || !FreeView() || FResultImage.IsEmpty()) return;
    // After a turn's quick frames, or a resize with the handles: sharp at the frame's size.
    const QSize frame = FreeFrameSize();
    if (frame != QSize(FResultImage.Width(), FResultImage.Height())) RenderFreeBox(frame, true);
}

void TCodexaCliFrm::LiveBoxVisibilityChange(bool hidden)
{
    FLiveBoxHidden = hidden;
    const bool faceStep = IsFaceStep(FStep);
    LiveBox->setVisible(faceStep && !hidden);
    btnLiveBoxShow->setVisible(faceStep && hidden);
    FLiveBoxValid = false;
    // The keyboard stays on the corner: on the button that undoes this one.
    if (faceStep) (hidden ? static_cast<QWidget*>(btnLiveBoxShow) : LiveBox->btnLiveBoxHide)->setFocus();
    LiveBoxUpdate();
}

void TCodexaCliFrm::LiveBoxUpdate()
{
    if (!IsFaceStep(FStep) || LiveBox->isHidden() || !FSelection) return;
    // Not in the middle of a drag on a face: flattening hides its frame.
    std::array<std::uint64_t, 3> generations{};
    for (int i = 1; i <= 3; ++i) {
        if (FaceView(i)->Layers().CapturedLayer()) return;
        generations[std::size_t(i - 1)] = FaceView(i)->ContentGeneration();
    }
    // A box that could not be drawn is tried again once a face changes.
    if (FLiveBoxFailed && generations == FLiveBoxFailedAt) return;
    freeview::TFreeViewSettings settings = FreeSettings();
    const QSize size = LiveBox->PictureSize();
    settings.Width = size.width();
    settings.Height = size.height();
    settings.Threads = 1;
    const std::array<double, 7> drawn{settings.Yaw,           settings.Pitch,         settings.Fov,
                                      double(settings.Shadow), double(settings.Reflection),
                                      double(settings.Width),  double(settings.Height)};
    FLiveBoxFailed = false;
    try {
        const bool facesChanged = FFreeFaces->Update(RenderInput(CurrentOrientation()), *FSelection, *FFaceCache);
        if (!facesChanged && FLiveBoxValid && drawn == FLiveBoxDrawn) return;
        FLiveBoxValid = false;
        freeview::Render(FFreeFaces->Box, settings, FLiveBoxFrame);
        LiveBox->SetPicture(FLiveBoxFrame);
    } catch (...) {
        // Told in the box itself: a message box at every idle moment would stop the editing.
        LiveBox->SetProblem(LoadStr(StrId::PageLiveBoxFailed).arg(CurrentErrorText()));
        FLiveBoxFailed = true;
        FLiveBoxFailedAt = generations;
    }
    FLiveBoxDrawn = drawn;
    FLiveBoxValid = true;
}

void TCodexaCliFrm::RenderTemplatePreview()
{
    ::RenderTemplatePreview(ImgView0, SelectedTemplate(), Style());
}

void TCodexaCliFrm::ImgView4Resize()
{
    if (!FSelection) return;
    if (TRubberbandLayer* handle = FSelection->HandleLayer(4)) CentreResultSelection(ImgView4, handle);
    if (FreeView()) SnapFreeFrame();
}

void TCodexaCliFrm::SnapFreeFrame()
{
    TRubberbandLayer* handle = FSelection ? FSelection->HandleLayer(4) : nullptr;
    if (!handle) return;
    const TRealRect& b = handle->Bounds();
    const float left = std::round(b.Left), top = std::round(b.Top);
    const float width = std::round(b.Right - b.Left), height = std::round(b.Bottom - b.Top);
    handle->SetBounds(TRealRect{left, top, left + width, top + height});
}

void TCodexaCliFrm::ImgView3PaintStage(TCustomImage32*, TBitmap32* buffer, unsigned)
{
    if (buffer) DrawCheckerboard(*buffer, false);
}

void TCodexaCliFrm::ImgView3MouseDown(TCustomImage32* sender, int button, int x, int y, TCustomLayer*)
{
    if (button != mbRight || !FSelection) return;
    auto* view = static_cast<TImgView32*>(sender);
    QMenu* menu = popCodexa;
    if (FSelection->RightPressWantsLayerMenu(view, QPoint(x, y)) && popLayer) menu = popLayer;
    const qreal ratio = view->DevicePixelRatio();
    menu->popup(view->mapToGlobal(QPointF(x / ratio, y / ratio)).toPoint());
}

// ---------------------------------------------------------------------------
// Images in and out.

bool TCodexaCliFrm::LoadFaceImage(const QString& fileName, int index, bool quiet)
{
    if (index == -1) index = FStep;
    TImgView32* view = IsFaceStep(index) ? FaceView(index) : nullptr;
    if (!view || !FLayerCommands) return false;
    ScaleBar->setValue(0);
    bool loaded = false;
    QString why; // set when the picture is over the memory limit
    {
        TViewUpdateHold hold(view);
        // Read over a copy of the face (a GIF leaves the pixels it does not
        // draw as they were); the step then keeps the old picture.
        TBitmap32 picture;
        picture.CopyFrom(view->Bitmap());
        loaded = LoadImageFile(fileName, picture, TTransparency::OnWhite, &why);
        if (loaded) {
            FLayerCommands->Record(FacePictureStep(FSelection, index, picture, false, LoadStr(StrId::StepSetImage)));
            ScaleBar->setEnabled(!view->Bitmap().IsEmpty());
            lblZoom->setEnabled(ScaleBar->isEnabled());
            FModified = true;
        }
    }
    if (!loaded && !quiet)
        QMessageBox::warning(this, LoadStr(StrId::WizAppTitle),
                             !why.isEmpty() ? why : LoadStr(StrId::PageCannotOpen).arg(QFileInfo(fileName).fileName()));
    return loaded;
}

void TCodexaCliFrm::actOpenExecute()
{
    if (!IsFaceStep(FStep)) return;
    const QString fileName = ExecuteOpenPicture(this, OpenFolder(), &FOpenInitDir);
    if (!fileName.isEmpty()) LoadFaceImage(fileName, -1, false);
}

QString TCodexaCliFrm::OpenFolder() const
{
    return ExistingFolderOr(FOpenInitDir, SamplesFolder());
}

void TCodexaCliFrm::actSaveExecute()
{
    if (FSaver->Execute(this, ImgView4, FOutputImage, ResultDrawings())) {
        FModified = false;
        if (FLayerCommands) FLayerCommands->History()->Stack()->setClean();
    }
}

void TCodexaCliFrm::actCopyExecute()
{
    if (IsFaceStep(FStep)) {
        CopyImageToClipboard(FaceView(FStep)->Bitmap());
    } else if (FStep == kLastStep) {
        // Other programs paste the opaque bitmap; those that read PNG get the transparent picture.
        const TResultDrawings drawings = ResultDrawings();
        TBitmap32 withAlpha;
        OutputPicture(ImgView4, drawings, false, FOutputImage);
        OutputPicture(ImgView4, drawings, true, withAlpha);
        CopyResultToClipboard(FOutputImage, withAlpha);
    }
}

void TCodexaCliFrm::popCodexaPopup()
{
    bool canCopy = false;
    if (IsFaceStep(FStep))
        canCopy = !FaceView(FStep)->Bitmap().IsEmpty();
    else if (FStep == kLastStep)
        canCopy = !FResultImage.IsEmpty();
    actCopy->setEnabled(canCopy);
}

void TCodexaCliFrm::RegisterDropTarget(TImgView32* view)
{
    for (int i = 1; i <= 4; ++i) FaceView(i)->setAcceptDrops(FaceView(i) == view);
    FDropTarget = view;
}

bool TCodexaCliFrm::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    if (type == QEvent::ContextMenu && static_cast<QContextMenuEvent*>(event)->reason() == QContextMenuEvent::Keyboard) {
        // The context menu key (or Shift+F10) on a view: the layer menu when
        // the face has a selected layer, else Copy Image.
        TImgView32* view = FaceView(FStep);
        if (!view || watched != view) return QWidget::eventFilter(watched, event);
        QMenu* menu = popCodexa;
        if (IsFaceStep(FStep) && FSelection && FSelection->SelectedLayer(FStep) && popLayer) menu = popLayer;
        menu->popup(view->mapToGlobal(view->rect().center()));
        return true;
    }
    if (type != QEvent::DragEnter && type != QEvent::DragMove && type != QEvent::Drop)
        return QWidget::eventFilter(watched, event);
    auto* drop = static_cast<QDropEvent*>(event);
    // The window around the page (its banner and buttons) takes projects only.
    if (watched != this && watched == window() && DroppedProject(drop->mimeData()).isEmpty()) {
        drop->ignore();
        return true;
    }
    if (!DroppedProject(drop->mimeData()).isEmpty()) {
        // A project goes to the page, wherever it is dropped.
        if (type == QEvent::Drop)
            dropEvent(drop);
        else
            drop->acceptProposedAction();
        return true;
    }
    const Qt::DropAction action = watched == FDropTarget ? AcceptedDropAction(drop) : Qt::IgnoreAction;
    if (action == Qt::IgnoreAction) {
        drop->ignore();
        return true;
    }
    drop->setDropAction(action);
    drop->accept();
    if (type == QEvent::Drop) {
        // The list is read only now, at the drop.
        QStringList files;
        for (const QUrl& url : drop->mimeData()->urls())
            if (url.isLocalFile()) files << url.toLocalFile();
        RunCommand(this, [&] { DropFileTargetDrop(files); });
    }
    return true;
}

void TCodexaCliFrm::DropFileTargetDrop(const QStringList& files)
{
    if (files.isEmpty() || !IsFaceStep(FStep)) return;
    TImgView32* view = FaceView(FStep);
    if (view->Bitmap().IsEmpty()) {
        LoadFaceImage(files.first(), -1, false);
        return;
    }
    TViewUpdateHold hold(view);
    std::vector<TBitmapLayer*> added;
    for (const QString& file : files) {
        TBitmap32 picture;
        picture.StretchFilter = sfLinear;
        if (LoadImageFile(file, picture, TTransparency::Blended))
            if (TBitmapLayer* layer = FSelection->AddImageLayer(view, picture)) added.push_back(layer);
    }
    // All the pictures of one drop are one step.
    if (!added.empty())
        FLayerCommands->Record(LayersAddedStep(FSelection, FStep, added, LoadStr(StrId::StepAddImageLayer)));
    FModified = true;
}

// ---------------------------------------------------------------------------
// The template picker.

void TCodexaCliFrm::FillTemplates(int index)
{
    FillTemplateRows(cbTemplates, index);
}

TTemplateItem* TCodexaCliFrm::SelectedTemplate() const
{
    return TemplateOfRow(cbTemplates, cbTemplates->currentIndex());
}

void TCodexaCliFrm::cbTemplatesChange()
{
    const int row = cbTemplates->currentIndex();
    if (picker::IsSeparator(row)) {
        if (row + 1 >= cbTemplates->count()) return;
        cbTemplates->setCurrentIndex(row + 1);
        cbTemplatesChange();
        return;
    }
    if (row == picker::rowEdit) {
        const QString chosen = EditTemplates(cbTemplates->itemText(picker::rowEdit));
        FillTemplates(-1);
        // Whatever happens below, the picker ends on a template row.
        TFinally named{[this] { SelectLoadedTemplate(); }};
        if (!chosen.isEmpty()) {
            const int found = FindTemplateRow(cbTemplates, chosen);
            if (found >= 0) {
                cbTemplates->setCurrentIndex(found);
                cbTemplatesChange();
            }
        }
        return;
    }

    if (!WorkMayBeReplaced()) return;
    cbTemplates->setEnabled(false);
    TFinally restore{[this] {
        cbTemplates->setEnabled(true);
        cbTemplates->setFocus();
    }};
    // A preview that fails is reported once the faces are loaded: the
    // template is still usable.
    QString previewError;
    try {
        RenderTemplatePreview();
    } catch (...) {
        previewError = CurrentErrorText();
    }
    TBusyCursor busy;
    // Another template is another piece of work: its history starts here.
    ForgetHistory();
    for (int i = 1; i <= 4; ++i) {
        ClearFace(i);
        FaceView(i)->Bitmap().MakeEmpty();
        FaceView(i)->Invalidate();
    }
    FLoadedTemplate = SelectedTemplate();
    // The template's faces are another piece of work than the project's.
    FProjectPath.clear();
    FProjectDefaultSize = QSize();
    ShowProjectName();
    if (const TTemplateItem* item = SelectedTemplate()) {
        // Copies: loading a face may not outlive the item's strings.
        const QString front = item->FrontImage(), side = item->SideImage(), top = item->TopImage();
        LoadFaceImage(front, 1, true);
        LoadFaceImage(side, 2, true);
        LoadFaceImage(top, 3, true);
    }
    ForgetHistory();
    FModified = false;
    if (!previewError.isEmpty()) {
        busy.Lift();
        ShowErrorMessage(this, previewError);
    }
}

void TCodexaCliFrm::SelectLoadedTemplate()
{
    const int now = cbTemplates->currentIndex();
    if (now >= 0 && now != picker::rowEdit && SelectedTemplate() == FLoadedTemplate) return;
    int row = picker::rowNone;
    for (int i = picker::rowFirstTemplate; FLoadedTemplate && i < cbTemplates->count(); ++i)
        if (TemplateOfRow(cbTemplates, i) == FLoadedTemplate) row = i;
    cbTemplates->setCurrentIndex(row);
}

bool TCodexaCliFrm::AskYesNo(const QString& question)
{
    return QMessageBox::question(this, LoadStr(StrId::WizAppTitle), question,
                                 QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}

// ---------------------------------------------------------------------------
// Projects.

TProjectDocument TCodexaCliFrm::PageDocument()
{
    TProjectDocument doc;
    doc.Style = int(Style());
    doc.Orientation = btnOrientLeft->isChecked() ? 0 : 1;
    doc.Shadow = chkShadow->isChecked();
    doc.DefaultSize = chkDefaultSize->isChecked();
    const TBoxRenderInput in = RenderInput(CurrentOrientation());
    doc.Width = in.DefaultWidth;
    doc.Height = in.DefaultHeight;
    doc.HasView = FreeView();
    doc.View.Yaw = sldYaw->value();
    doc.View.Pitch = sldPitch->value();
    doc.View.Fov = sldFov->value();
    doc.View.Reflection = chkReflection->isChecked();
    if (!doc.HasView) doc.View = TProjectView();
    FacesToProject({ImgView1, ImgView2, ImgView3}, doc);
    return doc;
}

bool TCodexaCliFrm::ProjectChanged()
{
    if (FProjectPath.isEmpty()) return false;
    return ProjectDigest(PageDocument()) != FProjectDigest;
}

bool TCodexaCliFrm::SaveProjectFile(const QString& fileName)
{
    TProjectDocument doc = PageDocument();
    QString why;
    bool saved = false;
    {
        TBusyCursor busy;
        saved = SaveProject(fileName, doc, &why);
    }
    if (!saved) {
        QMessageBox::warning(this, LoadStr(StrId::WizAppTitle), why);
        return false;
    }
    FProjectPath = fileName;
    FProjectDigest = ProjectDigest(doc);
    ShowProjectName();
    return true;
}

bool TCodexaCliFrm::OpenProjectFile(const QString& fileName)
{
    if (!FLayerCommands || !FSelection) return false;
    TProjectDocument doc;
    QString why;
    bool ready = false;
    TProjectFacesReady faces;
    {
        TBusyCursor busy;
        ready = OpenProject(fileName, doc, &why);
        // Every picture and layer is made before the page changes, so that
        // running out of memory here leaves the work as it was.
        if (ready) {
            try {
                PrepareProjectFaces(doc, faces);
            } catch (const std::exception&) {
                why = LoadStr(StrId::ProjectTooLarge).arg(fileName, membudget::FormatSize(membudget::Limit()));
                ready = false;
            }
        }
    }
    if (!ready) {
        QMessageBox::warning(this, LoadStr(StrId::WizAppTitle), why);
        return false;
    }

    // Another piece of work: its history starts here, as with a template.
    ForgetHistory();
    PutProjectFaces(faces, *FSelection, {ImgView1, ImgView2, ImgView3}, {1, 2, 3});
    FSelection->ClearFace(4);
    ImgView4->Bitmap().MakeEmpty();
    FResultImage.MakeEmpty();
    FResultOnBlack.MakeEmpty();
    FResultOnBlackMade = false;
    cbTemplates->setCurrentIndex(picker::rowNone);
    FLoadedTemplate = nullptr;
    FProjectDefaultSize = doc.Width > 0 && doc.Height > 0 ? QSize(doc.Width, doc.Height) : QSize();
    const int style = std::clamp(doc.Style, 0, 2);
    cbBookType->setCurrentIndex(style);
    cbeBookType->setCurrentIndex(style);
    (doc.Orientation == 1 ? btnOrientRight : btnOrientLeft)->setChecked(true);
    chkShadow->setChecked(doc.Shadow);
    chkDefaultSize->setChecked(doc.DefaultSize);
    if (doc.HasView) {
        const QSignalBlocker quietYaw(sldYaw), quietPitch(sldPitch), quietFov(sldFov);
        sldYaw->setValue(int(std::lround(doc.View.Yaw)));
        sldPitch->setValue(int(std::lround(doc.View.Pitch)));
        sldFov->setValue(int(std::lround(doc.View.Fov)));
        chkReflection->setChecked(doc.View.Reflection);
    }
    cbView->setCurrentIndex(doc.HasView ? viFree : viClassic);
    for (int i = 1; i <= 3; ++i) FZoomPositions[std::size_t(i)] = 0;
    RenderTemplatePreview();
    FProjectPath = fileName;
    FProjectFolder = FolderOfFile(fileName);
    FProjectDigest = ProjectDigest(PageDocument());
    ShowProjectName();
    FModified = false;
    // The work carries on at its front face, or on the result when that was shown.
    if (FStep != kLastStep) {
        SaveZoom();
        FStep = 1;
    }
    EnterStep();
    return true;
}

void TCodexaCliFrm::ShowProjectName()
{
    if (FHost)
        FHost->SetCaption(FProjectPath.isEmpty() ? LoadStr(StrId::PageCaption) : QFileInfo(FProjectPath).fileName());
}

QString TCodexaCliFrm::DroppedProject(const QMimeData* data)
{
    if (!data || !data->hasUrls()) return QString();
    for (const QUrl& url : data->urls())
        if (url.isLocalFile() && IsProjectFileName(url.toLocalFile())) return url.toLocalFile();
    return QString();
}

void TCodexaCliFrm::dragEnterEvent(QDragEnterEvent* event)
{
    if (!DroppedProject(event->mimeData()).isEmpty())
        event->acceptProposedAction();
    else
        event->ignore();
}

void TCodexaCliFrm::dropEvent(QDropEvent* event)
{
    const QString fileName = DroppedProject(event->mimeData());
    if (fileName.isEmpty()) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    // Opened once the drop is over: the source of the drag is not kept waiting for the questions.
    QMetaObject::invokeMethod(
        this,
        [this, fileName] {
            RunCommand(this, [&] {
                if (WorkMayBeReplaced()) OpenProjectFile(fileName);
            });
        },
        Qt::QueuedConnection);
}

bool TCodexaCliFrm::ProjectChangesSettled()
{
    if (!ProjectChanged()) return true;
    const auto answer = QMessageBox::question(
        this, LoadStr(StrId::WizAppTitle),
        LoadStr(StrId::ProjectSaveChangesQuestion).arg(QFileInfo(FProjectPath).fileName()),
        QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Yes);
    if (answer == QMessageBox::Cancel) return false;
    return answer == QMessageBox::No || SaveProjectFile(FProjectPath);
}

bool TCodexaCliFrm::WorkMayBeReplaced()
{
    // A project's work is asked about as a project; other work as before.
    if (!FProjectPath.isEmpty()) return ProjectChangesSettled();
    return !FModified || AskYesNo(LoadStr(StrId::PickerDiscardQuestion));
}

void TCodexaCliFrm::actSaveProjectExecute()
{
    const QString folder =
        !FProjectPath.isEmpty() ? FolderOfFile(FProjectPath) : ExistingFolderOr(FProjectFolder, FSaver->InitialFolder());
    const QString name = FProjectPath.isEmpty() ? QString() : QFileInfo(FProjectPath).fileName();
    const QString fileName = AskProjectSaveName(this, folder, name);
    if (fileName.isEmpty()) return;
    FProjectFolder = FolderOfFile(fileName);
    SaveProjectFile(fileName);
}

void TCodexaCliFrm::actOpenProjectExecute()
{
    if (!WorkMayBeReplaced()) return;
    const QString folder = ExistingFolderOr(FProjectFolder, OpenFolder());
    const QString fileName = AskProjectOpenName(this, folder);
    if (fileName.isEmpty()) return;
    FProjectFolder = FolderOfFile(fileName);
    OpenProjectFile(fileName);
}
