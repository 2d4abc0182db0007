// TWindowSettings: the main window's remembered position and size, kept
// under the program key.
#pragma once

#include "settings/ComponentPosition.h"

class TWindowSettings : public TComponentPosition {
    Q_OBJECT
    Q_PROPERTY(int WindowState READ GetWindowState WRITE SetWindowState)
public:
    explicit TWindowSettings(QObject* owner = nullptr);
    // Loads the stored values.
    TWindowSettings(QObject* owner, std::uint8_t kind, const QString& storageName);
    static TWindowSettings* CreateReg(QObject* owner, const QString& storageName);
    ~TWindowSettings() override;

    int GetWindowState() const { return FWindowState; }
    void SetWindowState(int value) { FWindowState = value; }

    bool Assign(const QObject* source) override;

private:
    int FWindowState = 0;
};

// The one window settings object. 0: returns it, creating and loading it
// (from the program key) on first use. 1: saves it (while AutoSave is set;
// store errors propagate), frees it and returns null.
TWindowSettings* WindowSettings(int action);
