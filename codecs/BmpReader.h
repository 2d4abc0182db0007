// Reader for Windows bitmap files.
//
// Core, info, V4 and V5 headers; 1, 4, 8, 16, 24 and 32 bits per pixel;
// uncompressed, bit-field, RLE4 and RLE8 data; bottom-up and top-down rows.
// A 32-bit file keeps its fourth byte as alpha; every other file is opaque.
#pragma once

#include "codecs/PixelBuffer.h"

// False for anything that is not a complete bitmap of a supported kind;
// `out` is only written on success.
bool DecodeBmp(TByteSpan data, TPixelBuffer& out, const TImageLimits& limits = {});
