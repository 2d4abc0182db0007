// JPEG reading through libjpeg: full scale, floating-point inverse DCT,
// block smoothing, opaque RGB output. Greyscale and CMYK files load too.
#pragma once

#include "codecs/PixelBuffer.h"

// False for a damaged, truncated or unsupported file; `out` is only written
// on success.
bool DecodeJpeg(TByteSpan data, TPixelBuffer& out, const TImageLimits& limits = {});
