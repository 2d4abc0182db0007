// GIF reading through giflib: the first image of the file.
#pragma once

#include "codecs/ByteSource.h"

// The picture is the file's logical screen (the first image's extent when
// the screen is empty). Pixels the first image does not draw, transparent
// ones included, keep the colour `background` has there when it is the
// screen's size, and are black otherwise; every pixel ends opaque.
// Interlaced images load. `out` is only written on success. The file is read
// as a stream up to the end of the first image; `admit` may refuse it once
// the screen's size is known.
bool DecodeGif(TByteSource& source, TPixelView background, TPixelBuffer& out, const TImageLimits& limits = {},
               const TAdmitHeader& admit = {});
bool DecodeGif(TByteSpan data, TPixelView background, TPixelBuffer& out, const TImageLimits& limits = {});
// The same picture with its see-through pixels kept: those the first image
// does not draw, transparent ones included, are transparent black (alpha 0);
// every other pixel is opaque.
bool DecodeGifWithAlpha(TByteSource& source, TPixelBuffer& out, const TImageLimits& limits = {},
                        const TAdmitHeader& admit = {});
bool DecodeGifWithAlpha(TByteSpan data, TPixelBuffer& out, const TImageLimits& limits = {});
