#include "RangeBar.h"

#include <algorithm>

double TRangeBarModel::MaxPosition() const
{
    return std::max(0.0, double(FRange) - double(FWindow));
}

void TRangeBarModel::SetPosition(double position)
{
    FPosition = position;
    Clamp();
}

void TRangeBarModel::SetParams(int range, int window)
{
    if (Centering && range != FRange && range > window) {
        const double x = FRange > FWindow ? (FWindow / 2.0 + FPosition) / FRange : 0.5;
        FPosition = range * x - window / 2.0;
    }
    FRange = range;
    FWindow = window;
    Clamp();
}

void TRangeBarModel::Clamp()
{
    FPosition = std::clamp(FPosition, 0.0, MaxPosition());
}
