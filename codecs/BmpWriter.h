// Writer for uncompressed 32-bit Windows bitmap files.
#pragma once

#include "codecs/PixelBuffer.h"

// The whole file: file header, 40-byte info header, then the rows bottom-up
// as blue, green, red and alpha bytes. An empty image gives an empty vector.
TByteVector EncodeBmp32(TPixelView image);
