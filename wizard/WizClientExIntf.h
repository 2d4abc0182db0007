// The contract through which the host drives its wizard page.
#pragma once

#include "wizard/WizInterface.h"

inline constexpr QUuid IID_IWizClientEx{0x544C53BC, 0x6723, 0x4767, 0x87, 0x54, 0xC1, 0xC8, 0x03, 0x02, 0x32, 0x22};

class IWizClientEx : public IInterface {
public:
    virtual bool CanGoBack() = 0;
    virtual bool CanGoNext() = 0;
    // On the last step Next reads "Finish" and Save is offered.
    virtual bool IsLastStep() = 0;
    // The page's veto on closing; it may ask, save or restart, and sets mayClose.
    virtual void CloseQuery(bool& mayClose, int closeResult) = 0;
    // One step forward; past the last step the page calls the host's Finish.
    virtual void Next() = 0;
    virtual void Back() = 0;
    // The page schedules its own destruction once the current event is handled.
    virtual void ReleasePage() = 0;
    // The page makes itself visible if it is attached to a host.
    virtual void ShowPage() = 0;
    virtual void Save() = 0;

protected:
    ~IWizClientEx() = default;
};
