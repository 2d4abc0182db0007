#include "wizard/Main.h"

#include "resources/StringTable.h"
#include "settings/StoreWarnings.h"
#include "settings/WindowSettings.h"
#include "widgets/ErrorBox.h"
#include "wizard/ActionButton.h"
#include "wizard/WindowPlacement.h"

#include <QAbstractEventDispatcher>
#include <QAction>
#include <QCloseEvent>
#include <QFontDatabase>
#include <QFrame>
#include <QGuiApplication>
#include <QKeySequence>
#include <QLabel>
#include <QPushButton>
#include <QScreen>

#include <cstdio>
#include <exception>

namespace {

// Design measures. Controls anchored right keep their distance from the right
// edge of the client area; at design time the client area is 492 wide.
constexpr QSize kDesignSize(500, 475);
constexpr QSize kMinimumSize(200, 200);
constexpr int kTopPanelHeight = 59;
constexpr int kBottomPanelHeight = 46;
constexpr int kRuleHeight = 2;
constexpr QSize kButtonSize(75, 23);
constexpr int kButtonTop = 14;
constexpr int kExitRight = 8;      // Button3 at x 409
constexpr int kNextRight = 94;     // btnNext at x 323
constexpr int kBackRight = 169;    // Button1 at x 248
constexpr int kSaveRight = 251;    // btnDialogs at x 56, 185 wide
constexpr int kSaveWidth = 185;
constexpr QSize kPictureSize(216, 57);
constexpr int kInfoTextRight = 70;  // lblCaptionTop: (32, 24), 390 wide
constexpr int kFallbackPixelSize = 10; // the design font is 11 pixels (8 point)

QFrame* NewRule(QWidget* parent)
{
    auto* rule = new QFrame(parent);
    rule->setFrameStyle(QFrame::HLine | QFrame::Sunken);
    rule->setLineWidth(1);
    return rule;
}

} // namespace

TWin2kWizFrm::TWin2kWizFrm(const TPageFactory& createPage, QWidget* parent) : QWidget(parent)
{
    CreateComponents();
    FormCreate(createPage);
}

void TWin2kWizFrm::CreateComponents()
{
    setWindowTitle(LoadStr(StrId::WizDesignCaption));
    setWindowIcon(QIcon(QStringLiteral(":/art/cubiform.png")));
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setPixelSize(11);
    setFont(font);
    setMinimumSize(kMinimumSize);
    resize(kDesignSize);

    pnlTopInfo = new QWidget(this);
    pnlTopInfo->setAutoFillBackground(true);
    QPalette white = pnlTopInfo->palette();
    white.setColor(QPalette::Window, Qt::white);
    pnlTopInfo->setPalette(white);

    Image1 = new QLabel(pnlTopInfo);
    Image1->setPixmap(QPixmap(QStringLiteral(":/art/banner.png")));
    Image1->setGeometry(QRect(QPoint(0, 8), Image1->pixmap().size()));
    lblCaptionTopBold = new QLabel(pnlTopInfo);
    QFont bold;
    bold.setBold(true);
    bold.setPixelSize(12);
    lblCaptionTopBold->setFont(bold);
    lblCaptionTop = new QLabel(pnlTopInfo);
    lblCaptionTop->setWordWrap(true);
    lblCaptionTop->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    imgTop = new QLabel(pnlTopInfo);
    imgTop->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Bevel2 = NewRule(pnlTopInfo);

    pnlBottom = new QWidget(this);
    bevBot = NewRule(pnlBottom);
    btnDialogs = new QPushButton(pnlBottom);
    btnDialogs->setIconSize(QSize(16, 16));
    Button1 = new QPushButton(pnlBottom);
    btnNext = new QPushButton(pnlBottom);
    Button3 = new QPushButton(pnlBottom);

    actBack = new QAction(LoadStr(StrId::WizBack), this);
    actNext = new QAction(LoadStr(StrId::WizNext), this);
    actCancel = new QAction(LoadStr(StrId::WizExit), this);
    actSave = new QAction(QIcon(QStringLiteral(":/art/save.png")), LoadStr(StrId::WizSaveDesign), this);
    actSave->setVisible(false);
    connect(actBack, &QAction::triggered, this, &TWin2kWizFrm::actBackExecute);
    connect(actNext, &QAction::triggered, this, &TWin2kWizFrm::actNextExecute);
    connect(actCancel, &QAction::triggered, this, &TWin2kWizFrm::actCancelExecute);
    connect(actSave, &QAction::triggered, this, &TWin2kWizFrm::actSaveExecute);
    BindButtonToAction(Button1, actBack);
    BindButtonToAction(btnNext, actNext);
    BindButtonToAction(Button3, actCancel);
    BindButtonToAction(btnDialogs, actSave);
    // Ctrl+S anywhere in the window while the action is shown (the result step).
    actSave->setShortcut(QKeySequence::Save);
    actSave->setShortcutContext(Qt::WindowShortcut);
    addAction(actSave);
    ArrangeComponents();
}

void TWin2kWizFrm::FormCreate(const TPageFactory& createPage)
{
    if (QFontDatabase::families().contains(QStringLiteral("Tahoma"))) {
        QFont f = font();
        f.setFamily(QStringLiteral("Tahoma"));
        setFont(f);
    } else {
        // The desktop's sans face stands in for the design font. Those faces
        // (DejaVu Sans and its kin) set text about a tenth wider than Tahoma
        // 8, so they take a pixel less to keep the texts in the design's boxes.
        QFont f = font();
        f.setPixelSize(kFallbackPixelSize);
        setFont(f);
    }
    actSave->setText(LoadStr(StrId::WizSave));
    btnDialogs->setToolTip(LoadStr(StrId::KeyHint)
                               .arg(QString(actSave->text()).remove(QLatin1Char('&')).remove(QStringLiteral("...")),
                                    actSave->shortcut().toString(QKeySequence::NativeText)));
    PlaceWindow();

    if (createPage) FPage = createPage(this);
    if (FPage) {
        FClient = QueryWizInterface<IWizClientEx>(FPage, IID_IWizClientEx);
        // A page that goes away by itself leaves no reference behind.
        connect(FPage, &QObject::destroyed, this, [this] { FClient = nullptr; });
        // The command bar lies below the page, so Tab reaches it after the
        // page's controls: Save, Back, Next, Exit from left to right.
        QWidget* last = FPage;
        for (QWidget* w = FPage->nextInFocusChain(); w != this && FPage->isAncestorOf(w); w = w->nextInFocusChain())
            last = w;
        QWidget::setTabOrder(last, btnDialogs);
        QWidget::setTabOrder(btnDialogs, Button1);
        QWidget::setTabOrder(Button1, btnNext);
        QWidget::setTabOrder(btnNext, Button3);
    }
    ArrangeComponents();

    if (auto* dispatcher = QAbstractEventDispatcher::instance(thread()))
        connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, this, &TWin2kWizFrm::UpdateActions);
}

void TWin2kWizFrm::PlaceWindow()
{
    TStoredBounds stored;
    try {
        const TWindowSettings* ws = WindowSettings(0);
        stored = {ws->GetLeft(), ws->GetTop(), ws->GetWidth(), ws->GetHeight()};
    } catch (const std::exception& e) {
        // The stored values stay as they are; this run starts centred.
        FSettingsError = LoadStr(StrId::WizSettingsUnreadable).arg(QString::fromLocal8Bit(e.what()));
    }
    QList<QRect> screens;
    if (QScreen* primary = QGuiApplication::primaryScreen()) screens.append(primary->geometry());
    for (const QScreen* s : QGuiApplication::screens())
        if (s != QGuiApplication::primaryScreen()) screens.append(s->geometry());

    const TWindowPlacement place = PlaceMainWindow(stored, kDesignSize, kMinimumSize, screens);
    resize(place.Bounds.size());
    move(place.Bounds.topLeft());
    if (place.Maximised) setWindowState(windowState() | Qt::WindowMaximized);
}

TWin2kWizFrm::~TWin2kWizFrm()
{
    FormDestroy();
}

void TWin2kWizFrm::FormDestroy() noexcept
{
    FClient = nullptr;
    if (FSettingsError.isEmpty()) {
        try {
            TWindowSettings* stored = WindowSettings(0);
            stored->SetBounds(x(), y(), height(), width());
            WindowSettings(1);
        } catch (const std::exception& e) {
            std::fprintf(stderr, "cubiform: %s\n", e.what());
            NoteFailedSave(QString::fromUtf8(e.what()));
        }
    }
    // The page goes while the host is still whole, so that it may still talk to it.
    delete FPage.data();
}

bool TWin2kWizFrm::QueryInterface(const QUuid& iid, void** obj)
{
    if (iid != IID_IWizHost2) return false;
    *obj = static_cast<IWizHost2*>(this);
    return true;
}

// ---------------------------------------------------------------------------
// Layout: panels on top and bottom, the page in between.

void TWin2kWizFrm::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    ArrangeComponents();
}

void TWin2kWizFrm::ArrangeComponents()
{
    const int w = width(), h = height();
    int top = 0;
    if (!pnlTopInfo->isHidden()) {
        pnlTopInfo->setGeometry(0, 0, w, kTopPanelHeight);
        top = kTopPanelHeight;
    }
    lblCaptionTopBold->move(24, 8);
    lblCaptionTopBold->adjustSize();
    lblCaptionTop->setGeometry(32, 24, std::max(0, w - 32 - kInfoTextRight), 33);
    imgTop->setGeometry(QRect(QPoint(w - kPictureSize.width(), 0), kPictureSize));
    Bevel2->setGeometry(0, kTopPanelHeight - kRuleHeight, w, kRuleHeight);

    pnlBottom->setGeometry(0, h - kBottomPanelHeight, w, kBottomPanelHeight);
    bevBot->setGeometry(0, 0, w, kRuleHeight);
    auto anchorRight = [&](QPushButton* b, int right, int width) {
        b->setGeometry(w - right - width, kButtonTop, width, kButtonSize.height());
    };
    anchorRight(Button3, kExitRight, kButtonSize.width());
    anchorRight(btnNext, kNextRight, kButtonSize.width());
    anchorRight(Button1, kBackRight, kButtonSize.width());
    anchorRight(btnDialogs, kSaveRight, kSaveWidth);

    if (FPage) FPage->setGeometry(0, top, w, std::max(0, h - kBottomPanelHeight - top));
}

// ---------------------------------------------------------------------------
// Showing, commands and their state.

void TWin2kWizFrm::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (!event->spontaneous()) FormShow();
}

namespace {

struct TCallScope {
    int& Calls;
    explicit TCallScope(int& calls) : Calls(calls) { ++Calls; }
    ~TCallScope() { --Calls; }
};

} // namespace

template <class F> bool TWin2kWizFrm::CallPage(F call)
{
    if (!FClient) return true;
    TCallScope scope(FPageCalls);
    // The error box is shown inside the scope: its event loop must not ask the
    // page about its commands either.
    return RunCommand(this, [&] { call(*FClient); });
}

void TWin2kWizFrm::FormShow()
{
    CallPage([](IWizClientEx& page) { page.ShowPage(); });
}

void TWin2kWizFrm::actBackExecute()
{
    CallPage([](IWizClientEx& page) { page.Back(); });
}

void TWin2kWizFrm::actNextExecute()
{
    CallPage([](IWizClientEx& page) { page.Next(); });
}

void TWin2kWizFrm::actCancelExecute()
{
    FModalResult = mrCancel;
    close();
}

void TWin2kWizFrm::actSaveExecute()
{
    CallPage([](IWizClientEx& page) { page.Save(); });
}

void TWin2kWizFrm::UpdateActions()
{
    if (!FUpdatesAttached || FPageCalls > 0) return;
    try {
        actBackUpdate();
        actNextUpdate();
        emit IdleUpdate();
        FUpdateFailed = false;
    } catch (...) {
        // Without the page's answer Back and Next stay off. An update that
        // fails fails again at every idle moment, so it is shown only once.
        actBack->setEnabled(false);
        actNext->setEnabled(false);
        if (FUpdateFailed) return;
        FUpdateFailed = true;
        TCallScope scope(FPageCalls);
        ShowCurrentErrorBox(this);
    }
}

void TWin2kWizFrm::actBackUpdate()
{
    if (!FClient) return;
    actBack->setEnabled(FClient->CanGoBack());
    actSave->setVisible(FClient->IsLastStep());
}

void TWin2kWizFrm::actNextUpdate()
{
    if (!FClient) return;
    actNext->setText(LoadStr(FClient->IsLastStep() ? StrId::WizFinish : StrId::WizNext));
    actNext->setEnabled(FClient->CanGoNext());
}

void TWin2kWizFrm::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter: {
        // A focused button takes Enter itself; otherwise Next is the default.
        auto* focused = qobject_cast<QPushButton*>(focusWidget());
        (focused && isAncestorOf(focused) ? focused : btnNext)->click();
        return;
    }
    case Qt::Key_Escape:
        Button3->click();
        return;
    default:
        QWidget::keyPressEvent(event);
    }
}

// ---------------------------------------------------------------------------
// Closing.

void TWin2kWizFrm::closeEvent(QCloseEvent* event)
{
    if (!FormCloseQuery()) {
        event->ignore();
        return;
    }
    event->accept();
}

bool TWin2kWizFrm::FormCloseQuery()
{
    if (!FClient) return true;
    bool mayClose = true;
    // A close query that fails keeps the window: the page may hold unsaved work.
    if (!CallPage([&](IWizClientEx& page) { page.CloseQuery(mayClose, FModalResult); })) mayClose = false;
    // Once closing is allowed the page is not asked about its commands again.
    if (mayClose) FUpdatesAttached = false;
    return mayClose;
}

// ---------------------------------------------------------------------------
// IWizHost and IWizHost2.

QPixmap TWin2kWizFrm::GetPicture() const
{
    return FPicture;
}

QString TWin2kWizFrm::GetCaption() const
{
    return FCaption.isNull() ? windowTitle() : FCaption;
}

void TWin2kWizFrm::SetPicture(const QPixmap& picture)
{
    FPicture = picture.copy();
    imgTop->setPixmap(FPicture);
}

void TWin2kWizFrm::SetCaption(const QString& caption)
{
    FCaption = caption;
    // Qt adds the application's display name ("Cubiform 2.0") to a title
    // that does not end in it. A caption that only names the program would
    // then show it twice, so the title is the display name alone.
    const QString program = QGuiApplication::applicationDisplayName();
    const bool namesProgram = !caption.isEmpty() && program.startsWith(caption + QLatin1Char(' '));
    setWindowTitle(namesProgram ? program : caption);
}

void TWin2kWizFrm::Finish()
{
    FModalResult = mrOK;
    close();
}

QString TWin2kWizFrm::GetInfoText() const
{
    return lblCaptionTop->text();
}

QString TWin2kWizFrm::GetInfoTitle() const
{
    return lblCaptionTopBold->text();
}

QColor TWin2kWizFrm::GetInfoFontColor() const
{
    return lblCaptionTopBold->palette().color(QPalette::WindowText);
}

bool TWin2kWizFrm::GetInfoHidden() const
{
    return pnlTopInfo->isHidden();
}

QColor TWin2kWizFrm::GetInfoColor() const
{
    return pnlTopInfo->palette().color(QPalette::Window);
}

void TWin2kWizFrm::SetInfoText(const QString& text)
{
    lblCaptionTop->setText(text);
}

void TWin2kWizFrm::SetInfoTitle(const QString& title)
{
    lblCaptionTopBold->setText(title);
    lblCaptionTopBold->adjustSize();
}

void TWin2kWizFrm::SetInfoFontColor(const QColor& color)
{
    for (QLabel* label : {lblCaptionTopBold, lblCaptionTop}) {
        QPalette pal = label->palette();
        pal.setColor(QPalette::WindowText, color);
        label->setPalette(pal);
    }
}

void TWin2kWizFrm::SetInfoHidden(bool hidden)
{
    pnlTopInfo->setHidden(hidden);
    ArrangeComponents();
}

void TWin2kWizFrm::SetInfoColor(const QColor& color)
{
    QPalette pal = pnlTopInfo->palette();
    pal.setColor(QPalette::Window, color);
    pnlTopInfo->setPalette(pal);
}

void TWin2kWizFrm::ReleaseClient()
{
    FClient = nullptr;
}

void TWin2kWizFrm::ShowClient()
{
    if (FClient) FClient->ShowPage();
}
