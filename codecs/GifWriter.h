// GIF writer: the image reduced to the fixed 6 x 6 x 6 colour cube without
// dithering and written as one LZW-compressed, non-interlaced image with a
// local colour table, no global table and no extension blocks ("GIF87a").
#pragma once

#include "codecs/PixelBuffer.h"

#include <functional>
#include <stdexcept>

constexpr int kCubeColorCount = 216;

// Raised when an index image holds an index outside the colour table, or the
// image cannot be described in a GIF file.
class EGifError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

enum class TGifStage { Converting, Saving };
// Percent done of a stage (0 at its start, 100 at its end).
using TGifProgress = std::function<void(TGifStage stage, int percent)>;

// A component takes level (c + 3) div 51; the index is r * 36 + g * 6 + b.
constexpr std::uint8_t CubeLevelOf(std::uint8_t component) { return std::uint8_t((component + 3) / 51); }
constexpr std::uint8_t CubeIndexOf(TColor32 c)
{
    return std::uint8_t(CubeLevelOf(RedComponent(c)) * 36 + CubeLevelOf(GreenComponent(c)) * 6 +
                        CubeLevelOf(BlueComponent(c)));
}
// Palette entry i * 36 + j * 6 + k is (51 i, 51 j, 51 k); alpha is ignored.
constexpr TColor32 CubeColorOf(int index)
{
    return Color32(std::uint8_t(index / 36 * 51), std::uint8_t(index / 6 % 6 * 51), std::uint8_t(index % 6 * 51));
}

// One byte per pixel, rows top to bottom.
std::vector<std::uint8_t> MapToColorCube(TPixelView image, const TGifProgress& progress = {});

// The whole file for an index image of the cube's colours.
TByteVector EncodeCubeGif(const std::uint8_t* indices, int width, int height, const TGifProgress& progress = {});

// Maps and encodes; an empty image raises.
TByteVector WriteGif(TPixelView image, const TGifProgress& progress = {});
