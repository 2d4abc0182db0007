// The program's main window: a wizard host with an information panel on top,
// a command bar (Back, Next/Finish, Exit, Save) below and one wizard page in
// between. It knows the page only through IWizClientEx.
#pragma once

#include "wizard/Win2kWizIntf.h"
#include "wizard/WizClientExIntf.h"

#include <QPointer>
#include <QWidget>

#include <functional>

class QAction;
class QFrame;
class QLabel;
class QPushButton;

// Creates the wizard page with the host as its owner (Qt parent). The page
// attaches itself through the host's IWizHost2. Returns null when there is none.
using TPageFactory = std::function<QWidget*(QWidget* owner)>;

// Close results.
enum : int { mrNone = 0, mrOK = 1, mrCancel = 2 };

class TWin2kWizFrm : public QWidget, public IWizHost2 {
    Q_OBJECT

public:
    explicit TWin2kWizFrm(const TPageFactory& createPage = {}, QWidget* parent = nullptr);
    ~TWin2kWizFrm() override;

    // IInterface: the host answers to IWizHost2 only.
    bool QueryInterface(const QUuid& iid, void** obj) override;
    int AddRef() override { return -1; }
    int Release() override { return -1; }

    // IWizHost
    QPixmap GetPicture() const override;
    QString GetCaption() const override;
    void SetPicture(const QPixmap& picture) override;
    void SetCaption(const QString& caption) override;
    void Finish() override;

    // IWizHost2
    QString GetInfoText() const override;
    QString GetInfoTitle() const override;
    QColor GetInfoFontColor() const override;
    bool GetInfoHidden() const override;
    QColor GetInfoColor() const override;
    void SetInfoText(const QString& text) override;
    void SetInfoTitle(const QString& title) override;
    void SetInfoFontColor(const QColor& color) override;
    void SetInfoHidden(bool hidden) override;
    void SetInfoColor(const QColor& color) override;
    void ReleaseClient() override;
    void ShowClient() override;

    // 0 none, 1 OK (Finish), 2 cancel (Exit). Nothing resets it.
    int ModalResult() const { return FModalResult; }
    void SetModalResult(int result) { FModalResult = result; }
    IWizClientEx* Client() const { return FClient; }
    QWidget* Page() const { return FPage; }
    // What went wrong reading the stored window position, if anything.
    QString SettingsError() const { return FSettingsError; }
    // The idle-time update of Back, Next/Finish and Save, run now.
    void UpdateActions();

signals:
    // Emitted by the idle-time update after Back and Next: the page runs its
    // own update handlers on it.
    void IdleUpdate();

public:

    // Components.
    QWidget* pnlTopInfo;
    QLabel* Image1;
    QLabel* lblCaptionTopBold;
    QLabel* lblCaptionTop;
    QLabel* imgTop;
    QFrame* Bevel2;
    QWidget* pnlBottom;
    QFrame* bevBot;
    QPushButton* Button3;
    QPushButton* btnNext;
    QPushButton* Button1;
    QPushButton* btnDialogs;
    QAction* actBack;
    QAction* actNext;
    QAction* actCancel;
    QAction* actSave;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void CreateComponents();
    void FormCreate(const TPageFactory& createPage);
    void PlaceWindow();
    void FormShow();
    bool FormCloseQuery();
    void FormDestroy() noexcept;
    void ArrangeComponents();

    void actBackExecute();
    void actNextExecute();
    void actCancelExecute();
    void actSaveExecute();
    void actBackUpdate();
    void actNextUpdate();

    // Runs a call into the page with the idle-time updates held off, so that a
    // dialog the page opens meanwhile does not ask it about its commands. An
    // error the page raises ends the call and is shown; returns false then.
    template <class F> bool CallPage(F call);

    QPointer<QWidget> FPage;
    IWizClientEx* FClient = nullptr;
    int FPageCalls = 0;  // calls into the page under way
    int FModalResult = mrNone;
    bool FUpdatesAttached = true;
    bool FUpdateFailed = false;  // the last idle-time update raised an error (shown once)
    QString FSettingsError;
    QPixmap FPicture;
    // The caption the page set; the title bar may say it differently.
    QString FCaption;
};
