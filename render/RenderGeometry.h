// Integer helpers shared by the box and shadow geometry.
#pragma once

#include <algorithm>
#include <climits>

// a + b saturated to the int range, so that absurd face or default sizes reach
// TBitmap32::SetSize (which rejects them with a clear error) instead of wrapping.
inline int ClampedSum(long long a, long long b)
{
    return int(std::clamp(a + b, (long long)INT_MIN, (long long)INT_MAX));
}
