// Plain pixel storage shared by the image decoders and encoders.
//
// The codecs work on these rather than on TBitmap32 so that they need no
// platform library and can be fuzzed on their own.
#pragma once

#include "imaging/Color32.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

// Decoded pixels: rows top to bottom, each exactly Width colour words.
struct TPixelBuffer {
    int Width = 0;
    int Height = 0;
    std::vector<TColor32> Pixels;

    bool IsEmpty() const { return Width <= 0 || Height <= 0; }
    TColor32* Row(int y) { return Pixels.data() + std::size_t(y) * std::size_t(Width); }
    const TColor32* Row(int y) const { return Pixels.data() + std::size_t(y) * std::size_t(Width); }
};

// Read-only view of pixels owned elsewhere (a TBitmap32, a TPixelBuffer).
struct TPixelView {
    const TColor32* Pixels = nullptr;
    int Width = 0;
    int Height = 0;

    bool IsEmpty() const { return !Pixels || Width <= 0 || Height <= 0; }
    const TColor32* Row(int y) const { return Pixels + std::size_t(y) * std::size_t(Width); }
};

inline TPixelView ViewOf(const TPixelBuffer& b) { return {b.Pixels.data(), b.Width, b.Height}; }

// Sizes a decoder accepts. A header claiming more is refused before any
// pixel memory is allocated, so a hostile file cannot exhaust memory.
struct TImageLimits {
    int MaxSide = 30000;
    std::int64_t MaxPixels = 400'000'000;

    bool Allows(std::int64_t width, std::int64_t height) const
    {
        return width > 0 && height > 0 && width <= MaxSide && height <= MaxSide &&
               width * height <= MaxPixels;
    }
    // No real file of a picture within the limits is larger: four bytes per
    // pixel is more than the readers' formats spend, and the rest leaves room
    // for headers, palettes and metadata. A larger file is refused unread.
    constexpr std::int64_t MaxFileBytes() const { return MaxPixels * 4 + (std::int64_t(64) << 20); }
};

using TByteSpan = std::span<const std::uint8_t>;
using TByteVector = std::vector<std::uint8_t>;

// What a decoder read from a header, shown to its caller before any pixel
// memory is taken.
struct TImageHeader {
    std::int64_t Width = 0, Height = 0;
    // Working memory the decoder needs besides the Width x Height colour
    // words it hands back.
    std::int64_t WorkBytes = 0;
};
// The caller's say on a header within the limits (its memory budget): false
// refuses the file before anything large is allocated.
using TAdmitHeader = std::function<bool(const TImageHeader&)>;
