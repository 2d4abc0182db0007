// JPEG reading through libjpeg: full scale, floating-point inverse DCT,
// block smoothing, opaque RGB output. Greyscale and CMYK files load too.
#pragma once

#include "codecs/ByteSource.h"

// False for a damaged, truncated or unsupported file, or one `admit` refuses;
// `out` is only written on success. The file is read as a stream up to the
// end of the picture: what follows is never read.
bool DecodeJpeg(TByteSource& source, TPixelBuffer& out, const TImageLimits& limits = {},
                const TAdmitHeader& admit = {});
bool DecodeJpeg(TByteSpan data, TPixelBuffer& out, const TImageLimits& limits = {});
