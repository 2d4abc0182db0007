// Reader for Windows bitmap files.
//
// Core, info, V4 and V5 headers; 1, 4, 8, 16, 24 and 32 bits per pixel;
// uncompressed, bit-field, RLE4 and RLE8 data; bottom-up and top-down rows.
// A 32-bit file keeps its fourth byte as alpha; every other file is opaque.
#pragma once

#include "codecs/ByteSource.h"

// False for anything that is not a complete bitmap of a supported kind, or
// one `admit` refuses; `out` is only written on success. The headers are read
// first, then the pixel data a row (or a buffer of run-length data) at a time.
bool DecodeBmp(TByteSource& source, TPixelBuffer& out, const TImageLimits& limits = {},
               const TAdmitHeader& admit = {});
bool DecodeBmp(TByteSpan data, TPixelBuffer& out, const TImageLimits& limits = {});
