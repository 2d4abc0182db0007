// TAppSettings: the user's last choices on the wizard page, kept under the
// program key.
#pragma once

#include "settings/ComponentStreamer.h"
#include "settings/ProgramKey.h"

#include <QStringList>

class TAppSettings : public TCustomComponentStreamer {
    Q_OBJECT
    // Declaration order is the order of storing and loading.
    Q_PROPERTY(bool DefaultSize READ DefaultSize WRITE SetDefaultSize)
    Q_PROPERTY(QString OpenInitDir READ OpenInitDir WRITE SetOpenInitDir)
    Q_PROPERTY(QString SaveInitDir READ SaveInitDir WRITE SetSaveInitDir)
    Q_PROPERTY(bool LeftOrientation READ LeftOrientation WRITE SetLeftOrientation)
    Q_PROPERTY(QStringList CustomColors READ CustomColors WRITE SetCustomColors)
    Q_PROPERTY(int BookType READ BookType WRITE SetBookType)
    Q_PROPERTY(QString ResultBackground READ ResultBackground WRITE SetResultBackground)
    Q_PROPERTY(int ResultView READ ResultView WRITE SetResultView)
    Q_PROPERTY(QString FreeYaw READ FreeYaw WRITE SetFreeYaw)
    Q_PROPERTY(QString FreePitch READ FreePitch WRITE SetFreePitch)
    Q_PROPERTY(QString FreeFov READ FreeFov WRITE SetFreeFov)
    Q_PROPERTY(bool FreeReflection READ FreeReflection WRITE SetFreeReflection)
    Q_PROPERTY(bool LiveBoxHidden READ LiveBoxHidden WRITE SetLiveBoxHidden)
public:
    explicit TAppSettings(QObject* owner = nullptr);
    // CreateReg / CreateCfg; nothing is loaded until Load().
    TAppSettings(QObject* owner, std::uint8_t kind, const QString& storageName);
    static TAppSettings* CreateReg(QObject* owner, const QString& storageName);
    ~TAppSettings() override;

    bool DefaultSize() const { return FDefaultSize; }
    void SetDefaultSize(bool value) { FDefaultSize = value; }
    QString OpenInitDir() const { return FOpenInitDir; }
    void SetOpenInitDir(const QString& value) { FOpenInitDir = value; }
    QString SaveInitDir() const { return FSaveInitDir; }
    void SetSaveInitDir(const QString& value) { FSaveInitDir = value; }
    bool LeftOrientation() const { return FLeftOrientation; }
    void SetLeftOrientation(bool value) { FLeftOrientation = value; }
    // The colour dialog's custom colours, one line each.
    QStringList CustomColors() const { return FCustomColors; }
    void SetCustomColors(const QStringList& value) { FCustomColors = value; }
    // 0 "Two Sided Box", 1 "Three Side Box", 2 "Book Cover".
    int BookType() const { return FBookType; }
    void SetBookType(int value) { FBookType = value; }
    // What saved results lie on: "" (automatic), "transparent", "white" or "#rrggbb".
    QString ResultBackground() const { return FResultBackground; }
    void SetResultBackground(const QString& value) { FResultBackground = value; }
    // The result's view: 0 Classic, 1 Free Angle.
    int ResultView() const { return FResultView; }
    void SetResultView(int value) { FResultView = value; }
    // The free view's camera in degrees, as decimal text; empty (never set)
    // or unreadable means the default angle.
    QString FreeYaw() const { return FFreeYaw; }
    void SetFreeYaw(const QString& value) { FFreeYaw = value; }
    QString FreePitch() const { return FFreePitch; }
    void SetFreePitch(const QString& value) { FFreePitch = value; }
    QString FreeFov() const { return FFreeFov; }
    void SetFreeFov(const QString& value) { FFreeFov = value; }
    bool FreeReflection() const { return FFreeReflection; }
    void SetFreeReflection(bool value) { FFreeReflection = value; }
    // The face steps' live box, closed by the user.
    bool LiveBoxHidden() const { return FLiveBoxHidden; }
    void SetLiveBoxHidden(bool value) { FLiveBoxHidden = value; }

    // First run (no open folder stored): default size on, both dialog folders
    // at samplesFolder. An empty save folder alone gets samplesFolder too.
    void ApplyFirstRunDefaults(const QString& samplesFolder);

    bool Assign(const QObject* source) override;

private:
    QString FOpenInitDir;
    QString FSaveInitDir;
    bool FLeftOrientation = false;
    QStringList FCustomColors;
    bool FDefaultSize = false;
    int FBookType = 0;
    QString FResultBackground;
    int FResultView = 0;
    QString FFreeYaw, FFreePitch, FFreeFov;
    bool FFreeReflection = false;
    bool FLiveBoxHidden = false;
};

// The one application settings object. 0: returns it, creating it (for the
// program key) and loading it on first use. 1: saves it while AutoSave is set
// (store errors propagate), frees it and returns null.
TAppSettings* AppSettings(int action);
