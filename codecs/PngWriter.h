// PNG writing through libpng: 8-bit RGBA, non-interlaced, the colour words'
// alpha kept as it is (not premultiplied). No time or text chunks, so the
// same pixels always give the same bytes.
#pragma once

#include "codecs/PixelBuffer.h"

// How the rows are filtered and compressed. The defaults were measured on a
// rendered box with its shadow (bench/codecs/bench_png.cpp): every row Paeth
// filtered, which leaves mostly runs of zeros, and zlib's run-length mode
// give a file about the size of level 6 with adaptive filters, several
// times faster.
struct TPngSettings {
    int Level = 1;      // zlib 0..9 (run-length mode hardly depends on it)
    int Strategy = 3;   // zlib's Z_RLE; 0 = Z_DEFAULT_STRATEGY, 1 = Z_FILTERED
    int Filters = 0x80; // libpng's PNG_FILTER_* mask: Paeth alone; 0xF8 = adaptive
};

// False when libpng refuses the image (empty, or too large for PNG) or memory
// runs out; `out` is only written on success.
bool EncodePng(TPixelView image, TByteVector& out, const TPngSettings& settings = {});
