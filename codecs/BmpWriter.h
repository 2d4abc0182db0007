// Writer for uncompressed 32-bit Windows bitmap files.
#pragma once

#include "codecs/PixelBuffer.h"

// What the fourth byte of each pixel holds. Other programs read it as alpha,
// so a saved picture is written opaque: a result whose pixels carry alpha 0
// (faces from 32-bit bitmaps, anti-aliased edges) would open blank or seamed.
enum class TBmpFourthByte { Opaque, Alpha };

// The whole file: file header, 40-byte info header, then the rows bottom-up
// as blue, green, red and fourth bytes. An empty image gives an empty vector.
TByteVector EncodeBmp32(TPixelView image, TBmpFourthByte fourth = TBmpFourthByte::Opaque);
