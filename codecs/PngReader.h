// PNG reading through libpng: every colour type and bit depth, interlaced or
// not, becomes 8-bit colour words with the file's alpha kept (palette
// transparency and a transparent grey or colour included; 16-bit samples
// keep their high byte). Gamma and colour profiles are not applied.
#pragma once

#include "codecs/ByteSource.h"

// False for a damaged, truncated or unsupported file, or one `admit`
// refuses; `out` is only written on success. The signature and the size in
// the header are checked before libpng starts; the file is then read as a
// stream up to the last row of the picture, nothing after it.
bool DecodePng(TByteSource& source, TPixelBuffer& out, const TImageLimits& limits = {},
               const TAdmitHeader& admit = {});
bool DecodePng(TByteSpan data, TPixelBuffer& out, const TImageLimits& limits = {});
