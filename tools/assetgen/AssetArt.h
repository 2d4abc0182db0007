// The renderer's stored pictures, drawn from formulas, and the BMP encoding
// they are kept in.
#pragma once

#include "imaging/Bitmap32.h"

#include <cstdint>
#include <vector>

namespace assetart {

constexpr int BookTopWidth = 255;
constexpr int BookTopHeight = 37;
constexpr int ShadowWidth = 123;
constexpr int ShadowHeight = 97;
// The shadow palette: greys FirstPaletteGrey .. 255, one entry each.
constexpr int ShadowPaletteSize = 106;
constexpr int FirstPaletteGrey = 256 - ShadowPaletteSize;
// Grey of the darkest shadow pixel (the corner under the box).
constexpr int DarkestShadowGrey = 186;

// The top of a book's page block seen from above: cream page edges with a
// dark back board, white around it; opaque.
void DrawBookTop(TBitmap32& image);
// The soft shadow: white background, rounded upper outline, darkest at the
// lower right corner (lower left when mirrored). Every pixel is an opaque grey.
void DrawShadow(TBitmap32& image, bool mirrored);

// A 24-bit bottom-up BMP file of the image (alpha dropped).
std::vector<std::uint8_t> EncodeBmp24(const TBitmap32& image);
// An 8-bit palette BMP file of a grey image, with the shadow palette
// (greys FirstPaletteGrey..255). Throws std::invalid_argument for a pixel
// that is not a grey of the palette.
std::vector<std::uint8_t> EncodeShadowBmp8(const TBitmap32& image);

} // namespace assetart
