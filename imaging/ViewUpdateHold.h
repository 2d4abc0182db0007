// Holds a view's repaints until the end of a scope, then repaints it once,
// also when an error escapes: a multi-step change shows as one repaint.
#pragma once

#include "imaging/Image32.h"

class TViewUpdateHold {
public:
    explicit TViewUpdateHold(TCustomImage32* view) : FView(view) { FView->BeginUpdate(); }
    ~TViewUpdateHold()
    {
        FView->EndUpdate();
        FView->Invalidate();
    }
    TViewUpdateHold(const TViewUpdateHold&) = delete;
    TViewUpdateHold& operator=(const TViewUpdateHold&) = delete;

private:
    TCustomImage32* FView;
};
