#include "codecs/BmpWriter.h"

#include <stdexcept>

namespace {

void Put16(std::uint8_t* p, std::uint32_t v)
{
    p[0] = std::uint8_t(v);
    p[1] = std::uint8_t(v >> 8);
}

void Put32(std::uint8_t* p, std::uint32_t v)
{
    Put16(p, v);
    Put16(p + 2, v >> 16);
}

} // namespace

TByteVector EncodeBmp32(TPixelView image, TBmpFourthByte fourth)
{
    if (image.IsEmpty()) return {};
    constexpr std::uint32_t kHeaders = 14 + 40;
    const std::uint64_t pixelBytes = std::uint64_t(image.Width) * std::uint64_t(image.Height) * 4;
    if (pixelBytes + kHeaders > 0xFFFFFFFFu) throw std::length_error("image too large for a bitmap file");

    TByteVector file(kHeaders + pixelBytes);
    std::uint8_t* h = file.data();
    h[0] = 'B';
    h[1] = 'M';
    Put32(h + 2, std::uint32_t(file.size()));
    Put32(h + 10, kHeaders);
    Put32(h + 14, 40);
    Put32(h + 18, std::uint32_t(image.Width));
    Put32(h + 22, std::uint32_t(image.Height)); // positive: bottom-up rows
    Put16(h + 26, 1);                           // planes
    Put16(h + 28, 32);                          // bits per pixel
    Put32(h + 30, 0);                           // uncompressed
    Put32(h + 34, std::uint32_t(pixelBytes));
    Put32(h + 38, 2835); // 72 dots per inch
    Put32(h + 42, 2835);

    const std::uint32_t forced = fourth == TBmpFourthByte::Opaque ? 0xFF000000u : 0;
    std::uint8_t* dst = file.data() + kHeaders;
    for (int y = image.Height - 1; y >= 0; --y) {
        const TColor32* row = image.Row(y);
        for (int x = 0; x < image.Width; ++x, dst += 4) Put32(dst, row[x] | forced);
    }
    return file;
}
