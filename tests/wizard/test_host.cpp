// The wizard host: placement, the contracts with a page, command state,
// Enter and Esc, the close query and the order of destruction.
#include "platform/Registry.h"
#include "platform/RegistryError.h"
#include "settings/FormStreamPosition.h"
#include "settings/ProgramKey.h"
#include "settings/WindowSettings.h"
#include "wizard/Main.h"
#include "wizard/WindowPlacement.h"

#include <QAbstractEventDispatcher>
#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

// What a page saw; kept outside the page so it outlives it.
struct TPageLog {
    QStringList Calls;
    QList<int> CloseResults;
    QString CaptionAtDestruction;
    QRect StoredAtDestruction;
};

// A page that attaches itself as the wizard page does and answers as told.
class TTestPage : public QWidget, public IWizClientEx {
public:
    TTestPage(QWidget* owner, TPageLog& log) : QWidget(owner), FLog(log)
    {
        FHost = QueryWizInterface<IWizHost2>(owner, IID_IWizHost2);
        if (!FHost) return;
        FHost->SetInfoTitle(QStringLiteral("Select the Front Box Image"));
        FHost->SetInfoText(QStringLiteral("Use the layer toolbar."));
        FHost->SetCaption(QStringLiteral("Cubiform"));
        QPixmap picture(20, 10);
        picture.fill(Qt::red);
        FHost->SetPicture(picture);
    }
    ~TTestPage() override
    {
        FLog.Calls << QStringLiteral("destroyed");
        if (FHost) FLog.CaptionAtDestruction = FHost->GetCaption();
        try {
            const TWindowSettings* ws = WindowSettings(0);
            FLog.StoredAtDestruction = QRect(ws->GetLeft(), ws->GetTop(), ws->GetWidth(), ws->GetHeight());
            WindowSettings(1);
        } catch (const std::exception&) {
            FLog.Calls << QStringLiteral("settings unreadable");
        }
    }

    bool QueryInterface(const QUuid& iid, void** obj) override
    {
        if (iid != IID_IWizClientEx) return false;
        *obj = static_cast<IWizClientEx*>(this);
        return true;
    }
    int AddRef() override { return -1; }
    int Release() override { return -1; }

    bool CanGoBack() override { return Count("CanGoBack"), BackOk; }
    bool CanGoNext() override { return Count("CanGoNext"), NextOk; }
    bool IsLastStep() override
    {
        Count("IsLastStep");
        if (UpdateFails) RaiseRegistryError(StrId::RegGetDataFailed, QStringLiteral("BookType"));
        return LastStep;
    }
    void CloseQuery(bool& mayClose, int closeResult) override
    {
        FLog.CloseResults << closeResult;
        RunDialog();
        if (CloseQueryFails) throw std::runtime_error("the page cannot decide");
        mayClose = AllowClose;
    }
    void Next() override
    {
        FLog.Calls << QStringLiteral("Next");
        RunDialog();
        if (NextFails) RaiseRegistryError(StrId::RegSetDataFailed, QStringLiteral("BookType"));
    }
    void Back() override { FLog.Calls << QStringLiteral("Back"); }
    void ReleasePage() override { deleteLater(); }
    void ShowPage() override
    {
        FLog.Calls << QStringLiteral("ShowPage");
        show();
    }
    void Save() override
    {
        FLog.Calls << QStringLiteral("Save");
        RunDialog();
    }

    bool BackOk = true, NextOk = true, LastStep = false, AllowClose = true;
    bool NextFails = false, CloseQueryFails = false, UpdateFails = false;
    int Queries = 0;
    bool ShowsDialogs = false;  // each command runs an event loop, as a dialog would
    int QueriesDuringDialogs = 0;

private:
    void RunDialog()
    {
        if (!ShowsDialogs) return;
        const int before = Queries;
        QEventLoop loop;
        QTimer::singleShot(20, &loop, &QEventLoop::quit);
        loop.exec();
        QueriesDuringDialogs += Queries - before;
    }
    void Count(const char*) { ++Queries; }
    TPageLog& FLog;
    IWizHost2* FHost = nullptr;
};

class HostTest : public ::testing::Test {
protected:
    void SetUp() override { ClearStore(); }

    static void ClearStore()
    {
        TRegistry reg;
        reg.DeleteKey(ProgramKey());
        reg.CloseKey();
    }
    static void StoreBounds(int left, int top, int width, int height)
    {
        TWindowSettings* ws = WindowSettings(0);
        ws->SetBounds(left, top, height, width);
        WindowSettings(1);
    }
    std::unique_ptr<TWin2kWizFrm> NewHost()
    {
        return std::make_unique<TWin2kWizFrm>([this](QWidget* owner) {
            page = new TTestPage(owner, log);
            return page;
        });
    }
    static void Idle()
    {
        // What the event loop does before it waits for events.
        emit QAbstractEventDispatcher::instance()->aboutToBlock();
    }

    TPageLog log;
    TTestPage* page = nullptr;
};

QRect Primary()
{
    return QGuiApplication::primaryScreen()->geometry();
}

// Answers every message box that opens from now on (OK), keeping its caption
// and text.
class TBoxAnswerer : public QObject {
public:
    TBoxAnswerer()
    {
        auto* timer = new QTimer(this);
        connect(timer, &QTimer::timeout, this, [this] {
            for (QWidget* w : QApplication::topLevelWidgets()) {
                auto* box = qobject_cast<QMessageBox*>(w);
                if (!box || !box->isVisible()) continue;
                Boxes << box->windowTitle() + QStringLiteral(": ") + box->text();
                Icons << box->icon();
                box->button(QMessageBox::Ok)->click();
            }
        });
        timer->start(10);
    }
    QStringList Boxes;
    QList<QMessageBox::Icon> Icons;
};

} // namespace

TEST(WindowPlacement, FirstRunCentresAtTheDesignSize)
{
    const QSize design(500, 475), minimum(200, 200);
    TWindowPlacement p = PlaceMainWindow({}, design, minimum, {QRect(0, 0, 1024, 768)});
    EXPECT_EQ(p.Bounds, QRect(262, 146, 500, 475));
    EXPECT_FALSE(p.Maximised);
    // Zero and negative widths count as nothing stored.
    EXPECT_EQ(PlaceMainWindow({10, 10, 0, 300}, design, minimum, {QRect(0, 0, 1024, 768)}).Bounds.size(),
              design);
    EXPECT_EQ(PlaceMainWindow({10, 10, -5, 300}, design, minimum, {QRect(0, 0, 1024, 768)}).Bounds.size(),
              design);

    // A screen narrower than the window: negative halves, maximised.
    p = PlaceMainWindow({}, design, minimum, {QRect(0, 0, 401, 300)});
    EXPECT_EQ(p.Bounds.topLeft(), QPoint(-49, -87));
    EXPECT_TRUE(p.Maximised);
}

TEST(WindowPlacement, StoredBoundsAndUnreachableOnes)
{
    const QSize design(500, 475), minimum(200, 200);
    const QList<QRect> two{QRect(0, 0, 1024, 768), QRect(1024, 0, 1280, 1024)};
    // Stored bounds are taken as they are, also on the second screen.
    EXPECT_EQ(PlaceMainWindow({1500, 100, 640, 480}, design, minimum, two).Bounds,
              QRect(1500, 100, 640, 480));
    // The second monitor is gone: centred on the primary one, size kept.
    const TWindowPlacement gone = PlaceMainWindow({1500, 100, 640, 480}, design, minimum, {two[0]});
    EXPECT_EQ(gone.Bounds, QRect(192, 144, 640, 480));
    EXPECT_FALSE(gone.Maximised);
    // Absurd sizes are held to the desktop; tiny ones to the minimum size.
    EXPECT_EQ(PlaceMainWindow({0, 0, 999999, 5}, design, minimum, two).Bounds.size(), QSize(2304, 200));
}

TEST_F(HostTest, FirstRunOpensCentredWithThePagesCaptions)
{
    auto host = NewHost();
    EXPECT_EQ(host->size(), QSize(500, 475));
    EXPECT_EQ(host->pos(), QPoint(Primary().x() + (Primary().width() - 500) / 2,
                                  Primary().y() + (Primary().height() - 475) / 2));
    EXPECT_FALSE(host->windowState() & Qt::WindowMaximized);
    EXPECT_EQ(host->GetCaption(), QStringLiteral("Cubiform"));
    // A caption that names the program: Qt adds the display name to a title
    // that does not end in it, so the title is the display name alone.
    const QString displayName = QGuiApplication::applicationDisplayName();
    QGuiApplication::setApplicationDisplayName(QStringLiteral("Cubiform 2.0"));
    host->SetCaption(QStringLiteral("Cubiform"));
    EXPECT_EQ(host->windowTitle(), QStringLiteral("Cubiform 2.0"));
    EXPECT_EQ(host->GetCaption(), QStringLiteral("Cubiform"));
    host->SetCaption(QStringLiteral("Templates"));
    EXPECT_EQ(host->windowTitle(), QStringLiteral("Templates"));
    QGuiApplication::setApplicationDisplayName(displayName);
    host->SetCaption(QStringLiteral("Cubiform"));
    EXPECT_EQ(host->GetInfoTitle(), QStringLiteral("Select the Front Box Image"));
    EXPECT_EQ(host->GetInfoText(), QStringLiteral("Use the layer toolbar."));
    EXPECT_EQ(host->GetPicture().size(), QSize(20, 10));
    EXPECT_EQ(host->Client(), static_cast<IWizClientEx*>(page));
    EXPECT_EQ(host->actSave->text(), QStringLiteral("Save Cubiform Image..."));
    EXPECT_TRUE(host->btnDialogs->isHidden());

    void* other = nullptr;
    EXPECT_FALSE(host->QueryInterface(IID_IWizHost, &other));
    EXPECT_FALSE(host->QueryInterface(IID_IWizClientEx, &other));

    host->show();
    EXPECT_TRUE(log.Calls.contains(QStringLiteral("ShowPage")));
    // The page fills the area between the panels.
    EXPECT_EQ(page->geometry(), QRect(0, 59, 500, 475 - 59 - 46));
    host->SetInfoHidden(true);
    EXPECT_TRUE(host->GetInfoHidden());
    EXPECT_EQ(page->geometry(), QRect(0, 0, 500, 475 - 46));
}

TEST_F(HostTest, BoundsRoundTripAndThePageGoesLast)
{
    {
        auto host = NewHost();
        host->resize(640, 480);
        host->move(30, 40);
    }
    // Width and height are stored under their own names before the page goes.
    EXPECT_EQ(log.StoredAtDestruction, QRect(30, 40, 640, 480));
    EXPECT_EQ(log.CaptionAtDestruction, QStringLiteral("Cubiform"));

    auto host = NewHost();
    EXPECT_EQ(host->geometry().size(), QSize(640, 480));
    EXPECT_EQ(host->pos(), QPoint(30, 40));
}

TEST_F(HostTest, MaximisedAtExitReopensNormalWithThoseBounds)
{
    QSize maximised;
    {
        auto host = NewHost();
        host->showMaximized();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(host.get()));
        maximised = host->size();
        ASSERT_NE(maximised, QSize(500, 475));
        host->close();
    }
    auto host = NewHost();
    EXPECT_EQ(host->size(), maximised);
    EXPECT_FALSE(host->windowState() & Qt::WindowMaximized);
}

TEST(WindowPlacement, ExtremeStoredPlacesOpenCentredWithTheTitleBarInReach)
{
    const QSize design(500, 475), minimum(200, 200);
    const QRect screen(0, 0, 1024, 768);
    // Values whose right or bottom edge does not fit in an int, and a window
    // that overlaps the screen only below its title bar.
    for (const TStoredBounds& stored : {TStoredBounds{100, 2147483000, 640, 700}, TStoredBounds{2147483000, 100, 640, 700},
                                        TStoredBounds{-2147483647 - 1, -2147483647 - 1, 2147483647, 700},
                                        TStoredBounds{100, -600, 640, 700}}) {
        const TWindowPlacement p = PlaceMainWindow(stored, design, minimum, {screen});
        EXPECT_EQ(p.Bounds, QRect(QPoint((1024 - p.Bounds.width()) / 2, (768 - 700) / 2), p.Bounds.size()))
            << stored.Left << "," << stored.Top;
    }
    // A title bar just inside the top or the right edge stays where it was.
    EXPECT_EQ(PlaceMainWindow({100, -10, 640, 700}, design, minimum, {screen}).Bounds.topLeft(), QPoint(100, -10));
    EXPECT_EQ(PlaceMainWindow({1000, 5, 640, 700}, design, minimum, {screen}).Bounds.topLeft(), QPoint(1000, 5));
}

TEST_F(HostTest, StoredPositionOffEveryScreenIsCentred)
{
    for (const QPoint stored : {QPoint(-30000, -30000), QPoint(100, 2147483000)}) {
        StoreBounds(stored.x(), stored.y(), 600, 400);
        auto host = NewHost();
        EXPECT_EQ(host->size(), QSize(600, 400));
        EXPECT_EQ(host->geometry().center(), Primary().center());
    }
}

TEST_F(HostTest, PositionedDialogAtAnOverflowingPlaceOpensCentred)
{
    const QString key = DialogKey(QStringLiteral("Input"));
    {
        TComponentPosition* position = TComponentPosition::CreateReg(nullptr, key);
        position->SetBounds(100, 2147483000, 700, 2147483000);
        delete position;  // saves
    }
    TStreamPositionFrm dialog(nullptr, key);
    dialog.ApplyStoredPosition();
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    // Held to the screen, centred on it.
    EXPECT_LE(dialog.width(), area.width());
    EXPECT_EQ(dialog.height(), 700);
    EXPECT_EQ(dialog.pos(), area.center() - QPoint(dialog.width() / 2, dialog.height() / 2));
}

TEST_F(HostTest, WrongValueTypeInTheStoreIsReportedAndKept)
{
    {
        TRegistry reg;
        ASSERT_TRUE(reg.OpenKey(ProgramKey(), true));
        reg.WriteBinaryData(QStringLiteral("Width"), QByteArray(8, '\x01'));
        reg.CloseKey();
    }
    {
        auto host = NewHost();
        EXPECT_FALSE(host->SettingsError().isEmpty());
        EXPECT_EQ(host->size(), QSize(500, 475));
    }
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey(ProgramKey(), false));
    EXPECT_EQ(reg.GetDataType(QStringLiteral("Width")), TRegDataType::rdBinary);
    EXPECT_FALSE(reg.ValueExists(QStringLiteral("Left")));
}

TEST_F(HostTest, IdleUpdateFollowsThePage)
{
    auto host = NewHost();
    host->show();

    page->LastStep = false;
    page->BackOk = false;
    page->NextOk = true;
    Idle();
    EXPECT_EQ(host->btnNext->text(), QStringLiteral("Next >"));
    EXPECT_TRUE(host->btnDialogs->isHidden());
    EXPECT_FALSE(host->Button1->isEnabled());
    EXPECT_TRUE(host->btnNext->isEnabled());

    page->LastStep = true;
    page->BackOk = true;
    page->NextOk = false;
    Idle();
    EXPECT_EQ(host->btnNext->text(), QStringLiteral("Finish"));
    EXPECT_TRUE(host->btnDialogs->isVisible());
    EXPECT_TRUE(host->Button1->isEnabled());
    EXPECT_FALSE(host->btnNext->isEnabled());

    // The real event loop runs the same update before it waits.
    page->LastStep = false;
    QEventLoop loop;
    QTimer::singleShot(20, &loop, &QEventLoop::quit);
    loop.exec();
    EXPECT_EQ(host->btnNext->text(), QStringLiteral("Next >"));
    EXPECT_FALSE(host->btnDialogs->isVisible());
}

TEST_F(HostTest, CommandsAreRoutedToThePage)
{
    auto host = NewHost();
    host->show();
    page->LastStep = true;
    Idle();
    QTest::mouseClick(host->Button1, Qt::LeftButton);
    QTest::mouseClick(host->btnNext, Qt::LeftButton);
    QTest::mouseClick(host->btnDialogs, Qt::LeftButton);
    log.Calls.removeAll(QStringLiteral("ShowPage"));
    EXPECT_EQ(log.Calls, QStringList({QStringLiteral("Back"), QStringLiteral("Next"), QStringLiteral("Save")}));

    // A disabled Next does nothing.
    page->NextOk = false;
    Idle();
    QTest::mouseClick(host->btnNext, Qt::LeftButton);
    EXPECT_EQ(log.Calls.count(QStringLiteral("Next")), 1);
}

TEST_F(HostTest, EnterTriggersNextAndEscapeExits)
{
    auto host = NewHost();
    auto* edit = new QLineEdit(page);
    host->show();
    edit->setFocus();
    Idle();
    QTest::keyClick(edit, Qt::Key_Return);
    EXPECT_EQ(log.Calls.count(QStringLiteral("Next")), 1);

    // Enter on a focused button presses that button.
    host->Button1->setFocus();
    QTest::keyClick(host->Button1, Qt::Key_Enter);
    EXPECT_EQ(log.Calls.count(QStringLiteral("Back")), 1);
    EXPECT_EQ(log.Calls.count(QStringLiteral("Next")), 1);

    QTest::keyClick(edit, Qt::Key_Escape);
    EXPECT_EQ(log.CloseResults, QList<int>{mrCancel});
    EXPECT_EQ(host->ModalResult(), mrCancel);
    EXPECT_FALSE(host->isVisible());
}

TEST_F(HostTest, RefusedCloseKeepsTheWindowAndTheResult)
{
    auto host = NewHost();
    host->show();
    page->AllowClose = false;
    QTest::mouseClick(host->Button3, Qt::LeftButton);
    EXPECT_TRUE(host->isVisible());
    EXPECT_EQ(host->ModalResult(), mrCancel);

    // A later close by the title-bar button passes the same result, and the
    // page is still asked about its commands.
    page->Queries = 0;
    Idle();
    EXPECT_GT(page->Queries, 0);
    page->AllowClose = true;
    EXPECT_TRUE(host->close());
    EXPECT_EQ(log.CloseResults, (QList<int>{mrCancel, mrCancel}));
    EXPECT_FALSE(host->isVisible());

    // Once closing was allowed the updates leave the page alone.
    page->Queries = 0;
    Idle();
    EXPECT_EQ(page->Queries, 0);
}

TEST_F(HostTest, FinishClosesWithResultOk)
{
    auto host = NewHost();
    host->show();
    IWizHost2* asHost = QueryWizInterface<IWizHost2>(host.get(), IID_IWizHost2);
    ASSERT_NE(asHost, nullptr);
    asHost->Finish();
    EXPECT_EQ(host->ModalResult(), mrOK);
    EXPECT_EQ(log.CloseResults, QList<int>{mrOK});
    EXPECT_FALSE(host->isVisible());
}

TEST_F(HostTest, InformationPanelSettersAndGetters)
{
    auto host = NewHost();
    host->SetInfoFontColor(QColor(10, 20, 30));
    EXPECT_EQ(host->GetInfoFontColor(), QColor(10, 20, 30));
    EXPECT_EQ(host->lblCaptionTop->palette().color(QPalette::WindowText), QColor(10, 20, 30));
    EXPECT_EQ(host->GetInfoColor(), QColor(Qt::white));
    host->SetInfoColor(QColor(200, 210, 220));
    EXPECT_EQ(host->GetInfoColor(), QColor(200, 210, 220));

    host->ReleaseClient();
    EXPECT_EQ(host->Client(), nullptr);
    log.Calls.clear();
    host->ShowClient();  // no page reference: nothing happens
    EXPECT_TRUE(log.Calls.isEmpty());
}

TEST_F(HostTest, WithoutAPageCommandsDoNothingAndCloseIsAllowed)
{
    TWin2kWizFrm host;
    EXPECT_EQ(host.GetCaption(), QStringLiteral("Quillmere Cubiform Image Wizard"));
    host.show();
    Idle();
    EXPECT_EQ(host.btnNext->text(), QStringLiteral("Next >"));
    QTest::mouseClick(host.btnNext, Qt::LeftButton);
    QTest::mouseClick(host.Button1, Qt::LeftButton);
    EXPECT_TRUE(host.isVisible());
    QTest::keyClick(&host, Qt::Key_Escape);
    EXPECT_FALSE(host.isVisible());
    EXPECT_EQ(host.ModalResult(), mrCancel);
}

TEST_F(HostTest, DialogsOfThePageDoNotRunTheUpdates)
{
    auto host = NewHost();
    host->show();
    page->LastStep = true;
    Idle();
    page->ShowsDialogs = true;
    page->AllowClose = false;
    QTest::mouseClick(host->btnDialogs, Qt::LeftButton);
    QTest::mouseClick(host->btnNext, Qt::LeftButton);
    host->close();
    EXPECT_EQ(log.Calls.count(QStringLiteral("Save")), 1);
    EXPECT_EQ(log.Calls.count(QStringLiteral("Next")), 1);
    EXPECT_EQ(log.CloseResults.size(), 1);
    EXPECT_EQ(page->QueriesDuringDialogs, 0);
    // Afterwards the updates run again.
    page->Queries = 0;
    Idle();
    EXPECT_GT(page->Queries, 0);
}

TEST_F(HostTest, APageThatReleasesItselfLeavesNoReference)
{
    auto host = NewHost();
    host->show();
    page->ReleasePage();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(host->Page(), nullptr);
    EXPECT_EQ(host->Client(), nullptr);
    // The commands and updates now do nothing, and closing is allowed.
    log.Calls.clear();
    Idle();
    QTest::mouseClick(host->btnNext, Qt::LeftButton);
    EXPECT_TRUE(log.Calls.isEmpty());
    EXPECT_TRUE(host->close());
}

TEST_F(HostTest, AnErrorInAPageCommandIsShownAndTheProgramGoesOn)
{
    auto host = NewHost();
    host->show();
    Idle();
    TBoxAnswerer answer;
    page->NextFails = true;
    QTest::mouseClick(host->btnNext, Qt::LeftButton);
    EXPECT_EQ(answer.Boxes, QStringList{QStringLiteral("Cubiform 2.0: Failed to set data for 'BookType'")});
    EXPECT_EQ(answer.Icons, QList<QMessageBox::Icon>{QMessageBox::Critical});
    EXPECT_TRUE(host->isVisible());
    // The updates run again, and Exit closes and stores the bounds.
    page->Queries = 0;
    Idle();
    EXPECT_GT(page->Queries, 0);
    host->move(40, 50);
    host->resize(620, 470);
    QTest::mouseClick(host->Button3, Qt::LeftButton);
    EXPECT_FALSE(host->isVisible());
    host.reset();
    EXPECT_EQ(log.StoredAtDestruction, QRect(40, 50, 620, 470));
}

TEST_F(HostTest, AFailingCloseQueryKeepsTheWindowAndAFailingUpdateIsShownOnce)
{
    auto host = NewHost();
    host->show();
    TBoxAnswerer answer;
    page->CloseQueryFails = true;
    EXPECT_FALSE(host->close());
    EXPECT_TRUE(host->isVisible());
    ASSERT_EQ(answer.Boxes.size(), 1);
    EXPECT_TRUE(answer.Boxes[0].endsWith(QStringLiteral("the page cannot decide")));

    page->UpdateFails = true;
    Idle();
    Idle();
    EXPECT_EQ(answer.Boxes.size(), 2);
    EXPECT_FALSE(host->Button1->isEnabled());
    EXPECT_FALSE(host->btnNext->isEnabled());
    page->UpdateFails = false;
    Idle();
    EXPECT_TRUE(host->btnNext->isEnabled());
    page->CloseQueryFails = false;
    EXPECT_TRUE(host->close());
}
