// What a colour with alpha looks like drawn over an opaque one, worked out
// here channel by channel rather than through the program's mixing code.
#pragma once

#include "imaging/Color32.h"

// Alpha a of `over`: each of red, green and blue becomes
// (a * over + (256 - a) * under + 128) >> 8; alpha 0 keeps `under` and 255
// gives `over`. The result is opaque.
inline TColor32 BlendedOnto(TColor32 over, TColor32 under)
{
    const std::uint32_t a = over >> 24;
    if (a == 0) return under | 0xFF000000u;
    if (a == 255) return over;
    TColor32 result = 0xFF000000u;
    for (int shift = 0; shift < 24; shift += 8) {
        const std::uint32_t f = (over >> shift) & 0xFF, u = (under >> shift) & 0xFF;
        result |= ((a * f + (256 - a) * u + 128) >> 8) << shift;
    }
    return result;
}
