#include "codecs/BmpReader.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <new>

namespace {

constexpr std::uint32_t kBiRgb = 0, kBiRle8 = 1, kBiRle4 = 2, kBiBitfields = 3;
constexpr std::size_t kFileHeaderSize = 14;
// Headers, bit masks and the largest palette all lie within this many bytes.
constexpr std::size_t kHeadBytes = kFileHeaderSize + 124 + 12 + 256 * 4;

// The start of the file, read at once; Size() is the whole file's length.
class TBytes {
public:
    TBytes(TByteSpan d, std::uint64_t fileSize) : FData(d), FFileSize(fileSize) {}
    std::uint64_t Size() const { return FFileSize; }
    bool Has(std::uint64_t offset, std::uint64_t count) const
    {
        return offset <= FData.size() && count <= FData.size() - offset;
    }
    std::uint8_t U8(std::size_t at) const { return FData[at]; }
    std::uint16_t U16(std::size_t at) const { return std::uint16_t(FData[at] | (FData[at + 1] << 8)); }
    std::uint32_t U32(std::size_t at) const
    {
        return std::uint32_t(FData[at]) | (std::uint32_t(FData[at + 1]) << 8) |
               (std::uint32_t(FData[at + 2]) << 16) | (std::uint32_t(FData[at + 3]) << 24);
    }
    std::int32_t I32(std::size_t at) const { return std::int32_t(U32(at)); }

private:
    TByteSpan FData;
    std::uint64_t FFileSize;
};

// The pixel data in order, through a buffer.
class TStreamReader {
public:
    explicit TStreamReader(TByteSource& source) : FSource(source) {}
    // Exactly `size` bytes, or false at the end of the data.
    bool Get(std::uint8_t* data, std::size_t size)
    {
        while (size > 0) {
            if (FAt == FEnd && !Refill()) return false;
            const std::size_t n = std::min(size, FEnd - FAt);
            std::memcpy(data, FBuffer + FAt, n);
            FAt += n;
            data += n;
            size -= n;
        }
        return true;
    }

private:
    bool Refill()
    {
        const std::ptrdiff_t n = FSource.Read(FBuffer, sizeof FBuffer);
        if (n <= 0) return false;
        FAt = 0;
        FEnd = std::size_t(n);
        return true;
    }
    TByteSource& FSource;
    std::uint8_t FBuffer[16384];
    std::size_t FAt = 0, FEnd = 0;
};

// One colour channel of a bit-field pixel, scaled to 0..255.
class TChannel {
public:
    TChannel() = default;
    // False for a mask whose bits are not contiguous.
    bool Set(std::uint32_t mask)
    {
        FMask = mask;
        if (mask == 0) return true;
        FShift = std::countr_zero(mask);
        const std::uint32_t bits = mask >> FShift;
        if ((bits & (bits + 1)) != 0) return false;
        FBits = std::popcount(bits);
        FMax = bits;
        return true;
    }
    bool Present() const { return FMask != 0; }
    std::uint32_t Extract(std::uint32_t pixel) const
    {
        const std::uint32_t v = (pixel & FMask) >> FShift;
        if (FBits >= 8) return v >> (FBits - 8);
        return (v * 255 + FMax / 2) / FMax;
    }

private:
    std::uint32_t FMask = 0;
    int FShift = 0;
    int FBits = 0;
    std::uint32_t FMax = 1;
};

struct THeader {
    std::int64_t Width = 0;
    std::int64_t Height = 0;
    bool TopDown = false;
    int BitsPerPixel = 0;
    std::uint32_t Compression = kBiRgb;
    std::uint32_t PixelOffset = 0;
    std::size_t PaletteOffset = 0;
    std::size_t PaletteEntrySize = 4;
    std::uint32_t ColorsUsed = 0;
    std::uint32_t Masks[4] = {0, 0, 0, 0}; // red, green, blue, alpha
};

bool ReadHeader(const TBytes& f, THeader& h)
{
    if (!f.Has(0, kFileHeaderSize + 4) || f.U8(0) != 'B' || f.U8(1) != 'M') return false;
    h.PixelOffset = f.U32(10);
    const std::uint32_t infoSize = f.U32(kFileHeaderSize);
    if (!f.Has(kFileHeaderSize, infoSize)) return false;
    const std::size_t info = kFileHeaderSize;
    if (infoSize == 12) {
        h.Width = f.U16(info + 4);
        h.Height = f.U16(info + 6);
        h.BitsPerPixel = f.U16(info + 10);
        h.PaletteEntrySize = 3;
        h.PaletteOffset = info + infoSize;
    } else if (infoSize == 40 || infoSize == 52 || infoSize == 56 || infoSize == 108 || infoSize == 124) {
        h.Width = f.I32(info + 4);
        h.Height = f.I32(info + 8);
        h.BitsPerPixel = f.U16(info + 14);
        h.Compression = f.U32(info + 16);
        h.ColorsUsed = f.U32(info + 32);
        h.PaletteOffset = info + infoSize;
        if (h.Compression == kBiBitfields) {
            std::size_t maskAt = info + 40;
            if (infoSize == 40) {
                // The three masks follow the short header.
                if (!f.Has(maskAt, 12)) return false;
                h.PaletteOffset += 12;
            }
            for (int i = 0; i < 3; ++i) h.Masks[i] = f.U32(maskAt + 4 * std::size_t(i));
            if (infoSize >= 56) h.Masks[3] = f.U32(maskAt + 12);
        }
    } else {
        return false;
    }
    if (h.Height < 0) {
        h.TopDown = true;
        h.Height = -h.Height;
    }
    if (h.PixelOffset < kFileHeaderSize + infoSize || h.PixelOffset > f.Size()) return false;
    switch (h.Compression) {
    case kBiRgb:
        return h.BitsPerPixel == 1 || h.BitsPerPixel == 4 || h.BitsPerPixel == 8 ||
               h.BitsPerPixel == 16 || h.BitsPerPixel == 24 || h.BitsPerPixel == 32;
    case kBiRle8: return h.BitsPerPixel == 8 && !h.TopDown;
    case kBiRle4: return h.BitsPerPixel == 4 && !h.TopDown;
    case kBiBitfields: return h.BitsPerPixel == 16 || h.BitsPerPixel == 32;
    default: return false;
    }
}

// Palette entries as opaque colours; indices past the stored entries read black.
bool ReadPalette(const TBytes& f, const THeader& h, TColor32 (&palette)[256])
{
    for (TColor32& c : palette) c = clBlack32;
    if (h.BitsPerPixel > 8) return true;
    const std::uint32_t maxCount = 1u << h.BitsPerPixel;
    const std::uint32_t count = (h.ColorsUsed == 0 || h.ColorsUsed > maxCount) ? maxCount : h.ColorsUsed;
    if (!f.Has(h.PaletteOffset, std::uint64_t(count) * h.PaletteEntrySize)) return false;
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::size_t at = h.PaletteOffset + i * h.PaletteEntrySize;
        palette[i] = Color32(f.U8(at + 2), f.U8(at + 1), f.U8(at));
    }
    return true;
}

std::uint64_t RowBytes(const THeader& h)
{
    return ((std::uint64_t(h.Width) * std::uint64_t(h.BitsPerPixel) + 31) / 32) * 4;
}

bool IsRle(const THeader& h) { return h.Compression == kBiRle8 || h.Compression == kBiRle4; }

// Whether the file holds every row of uncompressed data.
bool RowsFit(const TByteSource& source, const THeader& h)
{
    const std::uint64_t size = source.Size();
    return h.PixelOffset <= size && RowBytes(h) * std::uint64_t(h.Height) <= size - h.PixelOffset;
}

bool DecodeUncompressed(TByteSource& source, const THeader& h, const TColor32 (&palette)[256], TPixelBuffer& out)
{
    const std::uint64_t stride = RowBytes(h);
    if (!RowsFit(source, h) || !source.Seek(h.PixelOffset)) return false;
    TStreamReader reader(source);
    std::vector<std::uint8_t> row{};
    row.resize(std::size_t(stride));

    TChannel red, green, blue, alpha;
    const bool fields = h.BitsPerPixel == 16 || h.Compression == kBiBitfields;
    if (h.Compression == kBiBitfields) {
        if (!red.Set(h.Masks[0]) || !green.Set(h.Masks[1]) || !blue.Set(h.Masks[2]) || !alpha.Set(h.Masks[3]))
            return false;
    } else if (h.BitsPerPixel == 16) {
        red.Set(0x7C00);
        green.Set(0x03E0);
        blue.Set(0x001F);
    }

    out.Pixels.resize(std::size_t(h.Width) * std::size_t(h.Height));
    out.Width = int(h.Width);
    out.Height = int(h.Height);
    const int w = out.Width;
    for (int y = 0; y < out.Height; ++y) {
        if (!reader.Get(row.data(), row.size())) return false;
        const std::uint8_t* src = row.data();
        TColor32* dst = out.Row(h.TopDown ? y : out.Height - 1 - y);
        switch (h.BitsPerPixel) {
        case 1:
            for (int x = 0; x < w; ++x) dst[x] = palette[(src[x >> 3] >> (7 - (x & 7))) & 1];
            break;
        case 4:
            for (int x = 0; x < w; ++x) dst[x] = palette[(src[x >> 1] >> ((x & 1) ? 0 : 4)) & 15];
            break;
        case 8:
            for (int x = 0; x < w; ++x) dst[x] = palette[src[x]];
            break;
        case 24:
            for (int x = 0; x < w; ++x, src += 3) dst[x] = Color32(src[2], src[1], src[0]);
            break;
        default: {
            const int bytes = h.BitsPerPixel / 8;
            for (int x = 0; x < w; ++x, src += bytes) {
                const std::uint32_t px = bytes == 2 ? std::uint32_t(src[0] | (src[1] << 8))
                                                    : std::uint32_t(src[0]) | (std::uint32_t(src[1]) << 8) |
                                                          (std::uint32_t(src[2]) << 16) |
                                                          (std::uint32_t(src[3]) << 24);
                if (!fields) { // plain 32-bit: blue, green, red, alpha
                    dst[x] = px;
                    continue;
                }
                // Only a 32-bit file carries alpha; a 16-bit alpha mask is ignored.
                std::uint32_t a = 255;
                if (bytes == 4) a = alpha.Present() ? alpha.Extract(px) : px >> 24;
                dst[x] = Color32(std::uint8_t(red.Extract(px)), std::uint8_t(green.Extract(px)),
                                 std::uint8_t(blue.Extract(px)), std::uint8_t(a));
            }
            break;
        }
        }
    }
    return true;
}

// Run-length data: pixels the stream skips stay opaque black.
bool DecodeRle(TByteSource& source, const THeader& h, const TColor32 (&palette)[256], TPixelBuffer& out)
{
    const bool rle4 = h.Compression == kBiRle4;
    out.Pixels.assign(std::size_t(h.Width) * std::size_t(h.Height), clBlack32);
    out.Width = int(h.Width);
    out.Height = int(h.Height);
    const std::int64_t w = out.Width, height = out.Height;
    std::int64_t x = 0, y = 0; // y counts rows from the bottom
    auto put = [&](unsigned index) {
        if (x < w && y < height) out.Row(int(height - 1 - y))[x] = palette[index];
        ++x;
    };

    if (!source.Seek(h.PixelOffset)) return false;
    TStreamReader reader(source);
    std::uint8_t pair[2], run[256];
    for (;;) {
        if (!reader.Get(pair, 2)) return false; // ended without the end-of-bitmap mark
        const unsigned count = pair[0], value = pair[1];
        if (count > 0) {
            const unsigned n = unsigned(std::min<std::int64_t>(count, std::max<std::int64_t>(0, w - x)));
            for (unsigned i = 0; i < n; ++i) put(rle4 ? ((i & 1) ? value & 15 : value >> 4) : value);
            x += count - n;
            continue;
        }
        if (value == 0) { // end of line
            x = 0;
            ++y;
        } else if (value == 1) { // end of bitmap
            return true;
        } else if (value == 2) { // delta
            if (!reader.Get(pair, 2)) return false;
            x += pair[0];
            y += pair[1];
        } else { // absolute run, padded to a whole word
            const std::size_t bytes = rle4 ? (value + 1) / 2 : value;
            if (!reader.Get(run, bytes)) return false;
            for (unsigned i = 0; i < value; ++i) {
                if (x >= w) break;
                const std::uint8_t b = run[rle4 ? i / 2 : i];
                put(rle4 ? ((i & 1) ? b & 15 : b >> 4) : b);
            }
            // A missing pad byte ends the data, which the next read finds.
            if ((bytes & 1) && !reader.Get(pair, 1)) return false;
        }
        if (y > height) y = height; // keeps the counters small on hostile deltas
        if (x > w) x = w;
    }
}

} // namespace

bool DecodeBmp(TByteSpan data, TPixelBuffer& out, const TImageLimits& limits)
{
    TSpanSource source(data);
    return DecodeBmp(source, out, limits);
}

bool DecodeBmp(TByteSource& source, TPixelBuffer& out, const TImageLimits& limits, const TAdmitHeader& admit)
{
    std::uint8_t head[kHeadBytes];
    const std::ptrdiff_t headSize = source.Read(head, sizeof head);
    if (headSize < 0) return false;
    const TBytes f(TByteSpan(head, std::size_t(headSize)), source.Size());
    THeader h;
    if (!ReadHeader(f, h) || !limits.Allows(h.Width, h.Height)) return false;
    TColor32 palette[256];
    if (!ReadPalette(f, h, palette)) return false;
    // A file too short for its rows is damaged, whatever memory it would take.
    if (!IsRle(h) && !RowsFit(source, h)) return false;
    if (admit && !admit(TImageHeader{h.Width, h.Height, IsRle(h) ? 0 : std::int64_t(RowBytes(h))})) return false;
    try {
        TPixelBuffer decoded;
        const bool ok = IsRle(h) ? DecodeRle(source, h, palette, decoded)
                                 : DecodeUncompressed(source, h, palette, decoded);
        if (!ok) return false;
        out = std::move(decoded);
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}
