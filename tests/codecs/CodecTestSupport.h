// Helpers shared by the codec tests: sample pixels, files in a scratch
// folder, and an independent decode of GIF files through giflib.
#pragma once

#include "codecs/PixelBuffer.h"

#include <QString>

#include <cstdint>
#include <vector>

namespace codectest {

// Smooth gradients with a little deterministic noise, like a photo.
TPixelBuffer PhotoLike(int width, int height, std::uint32_t seed = 1);
// Every pixel an independent random colour with random alpha.
TPixelBuffer RandomPixels(int width, int height, std::uint32_t seed = 1);

TByteVector ReadAll(const QString& path);
void WriteAll(const QString& path, const TByteVector& bytes);
// Names in the folder (dot entries excluded), sorted.
QStringList FolderEntries(const QString& folder);

// A GIF decoded by giflib: the first image's indices and the file's screen.
struct TGiflibImage {
    bool Ok = false;
    int ScreenWidth = 0, ScreenHeight = 0;
    int Width = 0, Height = 0;
    int ImageCount = 0;
    int ExtensionBlocks = 0;
    bool HasGlobalColorMap = false;
    std::vector<std::uint8_t> Indices;
};
TGiflibImage DecodeWithGiflib(const TByteVector& file);

// One image of a GIF written by giflib: every pixel has index Fill except
// column 0 (index 1) and column 1, which holds 2 on even and 3 on odd rows
// of the file order, so the row order can be checked.
struct TGifImageSpec {
    int Left = 0, Top = 0, Width = 0, Height = 0;
    bool Interlaced = false;
    int Transparent = -1; // none
    std::uint8_t Fill = 0;
};
// A file with a 4-colour global table (black, red, green, blue).
TByteVector MakeGif(int screenWidth, int screenHeight, const std::vector<TGifImageSpec>& images);

// A PNG written by libpng from raw rows in the file's own sample layout
// (Rows: Height rows of the packed bytes for ColorType and BitDepth, 16-bit
// samples big-endian). Palette holds RGB triples; Transparency is the tRNS
// chunk's bytes as libpng takes them (palette alphas) or, when TransparentColor
// is set, the grey or RGB colour that is transparent.
struct TPngSpec {
    int Width = 0, Height = 0;
    int ColorType = 6; // PNG_COLOR_TYPE_RGB_ALPHA
    int BitDepth = 8;
    bool Interlaced = false;
    std::vector<std::uint8_t> Palette;
    std::vector<std::uint8_t> Transparency;
    bool TransparentColor = false;
    std::uint16_t TransparentGrey = 0, TransparentRed = 0, TransparentGreen = 0, TransparentBlue = 0;
    std::vector<std::uint8_t> Rows;
};
TByteVector MakePng(const TPngSpec& spec);
// A file decoded by libpng's own simplified reader as blue, green, red, alpha.
bool DecodeWithLibpng(const TByteVector& file, TPixelBuffer& out);

} // namespace codectest
