// Shared by the fuzz targets.
#pragma once

#include "codecs/PixelBuffer.h"

// Smaller than the program's limits so that one input cannot ask for more
// memory than the fuzzer allows; the refusal path is the same code.
inline constexpr TImageLimits kFuzzLimits{4096, 2'000'000};

// A decoder that reports success must hand back exactly width x height pixels.
inline void CheckDecoded(const TPixelBuffer& out)
{
    if (out.Width <= 0 || out.Height <= 0 || !kFuzzLimits.Allows(out.Width, out.Height) ||
        out.Pixels.size() != std::size_t(out.Width) * std::size_t(out.Height))
        __builtin_trap();
}
