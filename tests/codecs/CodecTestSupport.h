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

} // namespace codectest
