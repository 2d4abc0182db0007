// JPEG writing through libjpeg: RGB input, the library defaults, quality 90
// with baseline quantisation tables, floating-point forward DCT, sequential
// (not progressive). The alpha byte is dropped.
#pragma once

#include "codecs/PixelBuffer.h"

constexpr int kJpegSaveQuality = 90;

// False when libjpeg refuses the image (empty, or wider than JPEG allows).
bool EncodeJpeg(TPixelView image, TByteVector& out);
