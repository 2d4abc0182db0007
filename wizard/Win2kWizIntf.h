// The contract through which a wizard page reaches its host.
#pragma once

#include "wizard/WizInterface.h"

#include <QColor>
#include <QPixmap>
#include <QString>

inline constexpr QUuid IID_IWizHost{0x386EE9AA, 0x4CDB, 0x49EA, 0x88, 0xD9, 0x82, 0x03, 0xD7, 0xD2, 0x42, 0xFF};
inline constexpr QUuid IID_IWizHost2{0x902A887A, 0x8EDD, 0x469E, 0xA2, 0x4A, 0x23, 0xB4, 0x70, 0x38, 0x99, 0x83};

class IWizHost : public IInterface {
public:
    // The picture shown at the top right of the information panel.
    virtual QPixmap GetPicture() const = 0;
    // The window caption.
    virtual QString GetCaption() const = 0;
    // Shows a copy of the picture.
    virtual void SetPicture(const QPixmap& picture) = 0;
    virtual void SetCaption(const QString& caption) = 0;
    // Sets the close result to OK and asks the window to close; the page's
    // close query still runs.
    virtual void Finish() = 0;

protected:
    ~IWizHost() = default;
};

class IWizHost2 : public IWizHost {
public:
    virtual QString GetInfoText() const = 0;
    virtual QString GetInfoTitle() const = 0;
    virtual QColor GetInfoFontColor() const = 0;
    virtual bool GetInfoHidden() const = 0;
    virtual QColor GetInfoColor() const = 0;
    virtual void SetInfoText(const QString& text) = 0;
    virtual void SetInfoTitle(const QString& title) = 0;
    // The font colour of both information lines.
    virtual void SetInfoFontColor(const QColor& color) = 0;
    virtual void SetInfoHidden(bool hidden) = 0;
    virtual void SetInfoColor(const QColor& color) = 0;
    // Drops the host's reference to the page.
    virtual void ReleaseClient() = 0;
    // Asks the page to show itself.
    virtual void ShowClient() = 0;

protected:
    ~IWizHost2() = default;
};
