// TStreamPositionFrm: base of the dialogs that remember where they were.
//
// A dialog made with a key path loads its stored position; just before it is
// first shown it is centred on the screen when no width is stored or when its
// title bar would be out of reach, otherwise put back at the stored place
// (and, when sizeable, size, held to the desktop). When the dialog
// object is destroyed its current bounds are written under the key, whether it
// was closed with OK or Cancel.
#pragma once

#include "settings/ComponentPosition.h"

#include <QDialog>

class TStreamPositionFrm : public QDialog {
    Q_OBJECT
public:
    // Create: no position memory.
    explicit TStreamPositionFrm(QWidget* owner = nullptr);
    // CreatePositioned: position kept under keyPath (relative to HKEY_CURRENT_USER).
    TStreamPositionFrm(QWidget* owner, const QString& keyPath);
    ~TStreamPositionFrm() override;

    // The position object, or null for a dialog made without a key.
    ICustomComponentPosition* Position() const { return FPosition; }

    // Sizeable dialogs restore their size as well; others only their place.
    // A dialog of fixed size (minimum = maximum) is never sizeable.
    bool IsSizeable() const;
    void SetSizeable(bool value) { FSizeable = value; }

    // Places the dialog from the stored position. Runs by itself before the
    // first show; derived dialogs may call it once their layout is built.
    void ApplyStoredPosition();

    void setVisible(bool visible) override;

private:
    void UseTahomaIfInstalled();
    void CentreOnScreen();

    ICustomComponentPosition* FPosition = nullptr;
    bool FSizeable = true;
    bool FPlaced = false;
};
