#include "codecs/GifWriter.h"

#include "resources/StringTable.h"

#include <algorithm>
#include <array>
#include <memory>

namespace {

constexpr int kClearCode = 256;
constexpr int kEndCode = 257;
constexpr int kFirstFreeCode = 258;
constexpr int kLastUsableCode = 4094; // the table is reset instead of growing past this
constexpr int kMinCodeWidth = 9;
constexpr int kMaxCodeWidth = 12;
constexpr int kMinCodeSize = 8; // bits per pixel of the 256-entry local table

// Reports a stage's percentage only when it changes.
class TProgressReporter {
public:
    TProgressReporter(const TGifProgress& progress, TGifStage stage, int rows)
        : FProgress(progress), FStage(stage), FRows(rows)
    {
        Report(0);
    }
    void RowDone(int row)
    {
        if (FProgress && FRows > 0) Report(int(std::int64_t(row + 1) * 100 / FRows));
    }

private:
    void Report(int percent)
    {
        if (!FProgress || percent == FLast) return;
        FLast = percent;
        FProgress(FStage, percent);
    }
    const TGifProgress& FProgress;
    TGifStage FStage;
    int FRows;
    int FLast = -1;
};

// Packs codes least significant bit first and cuts the bytes into sub-blocks
// of up to 255 bytes.
class TCodeWriter {
public:
    explicit TCodeWriter(TByteVector& out) : FOut(out) {}

    void Put(unsigned code, int width)
    {
        FBucket |= std::uint64_t(code) << FBits;
        FBits += width;
        while (FBits >= 8) {
            PutByte(std::uint8_t(FBucket));
            FBucket >>= 8;
            FBits -= 8;
        }
    }
    void Finish()
    {
        if (FBits > 0) PutByte(std::uint8_t(FBucket));
        FBits = 0;
        FBucket = 0;
        FlushBlock();
    }

private:
    void PutByte(std::uint8_t b)
    {
        FBlock[FBlockLength++] = b;
        if (FBlockLength == 255) FlushBlock();
    }
    void FlushBlock()
    {
        if (FBlockLength == 0) return;
        FOut.push_back(std::uint8_t(FBlockLength));
        FOut.insert(FOut.end(), FBlock.begin(), FBlock.begin() + FBlockLength);
        FBlockLength = 0;
    }

    TByteVector& FOut;
    std::uint64_t FBucket = 0;
    int FBits = 0;
    std::array<std::uint8_t, 255> FBlock{};
    int FBlockLength = 0;
};

// LZW over 8-bit indices. The string table is a direct map from
// (prefix code, next index) to code; a reset only clears the entries made
// since the last one.
class TLzwEncoder {
public:
    explicit TLzwEncoder(TByteVector& out)
        : FWriter(out), FChild(std::make_unique<std::uint16_t[]>(std::size_t(4096) * 256))
    {
    }

    void Encode(const std::uint8_t* indices, int width, int height, const TGifProgress& progress)
    {
        TProgressReporter report(progress, TGifStage::Saving, height);
        Output(kClearCode);
        unsigned prefix = 0;
        bool started = false;
        for (int y = 0; y < height; ++y) {
            const std::uint8_t* row = indices + std::size_t(y) * std::size_t(width);
            int x = 0;
            if (!started) {
                prefix = Checked(row[0]);
                started = true;
                x = 1;
            }
            for (; x < width; ++x) {
                const unsigned pixel = Checked(row[x]);
                const unsigned key = (prefix << 8) | pixel;
                const unsigned code = FChild[key];
                if (code != 0) {
                    prefix = code;
                    continue;
                }
                Output(prefix);
                prefix = pixel;
                if (FNextCode > kLastUsableCode) {
                    Output(kClearCode);
                } else {
                    FChild[key] = std::uint16_t(FNextCode);
                    FKeyOfCode[std::size_t(FNextCode)] = key;
                    ++FNextCode;
                }
            }
            report.RowDone(y);
        }
        if (started) Output(prefix);
        Output(kEndCode);
        FWriter.Finish();
    }

private:
    static unsigned Checked(std::uint8_t index)
    {
        if (index >= kCubeColorCount) throw EGifError(LoadStrRaw(StrId::ColorNotInColorTable));
        return index;
    }

    // The width is decided right after each code: a clear code restarts at
    // 9 bits; otherwise the width grows once the next free code no longer fits.
    void Output(unsigned code)
    {
        FWriter.Put(code, FWidth);
        if (code == kClearCode) {
            ResetTable();
        } else if (FNextCode > (1 << FWidth) - 1 && FWidth < kMaxCodeWidth) {
            ++FWidth;
        }
    }

    void ResetTable()
    {
        for (int c = kFirstFreeCode; c < FNextCode; ++c) FChild[FKeyOfCode[std::size_t(c)]] = 0;
        FNextCode = kFirstFreeCode;
        FWidth = kMinCodeWidth;
    }

    TCodeWriter FWriter;
    std::unique_ptr<std::uint16_t[]> FChild;
    std::array<unsigned, 4096> FKeyOfCode{};
    int FNextCode = kFirstFreeCode;
    int FWidth = kMinCodeWidth;
};

void Put16(TByteVector& out, int v)
{
    out.push_back(std::uint8_t(v));
    out.push_back(std::uint8_t(v >> 8));
}

} // namespace

std::vector<std::uint8_t> MapToColorCube(TPixelView image, const TGifProgress& progress)
{
    std::array<std::uint8_t, 256> red{}, green{}, blue{};
    for (int c = 0; c < 256; ++c) {
        blue[std::size_t(c)] = CubeLevelOf(std::uint8_t(c));
        green[std::size_t(c)] = std::uint8_t(blue[std::size_t(c)] * 6);
        red[std::size_t(c)] = std::uint8_t(blue[std::size_t(c)] * 36);
    }
    std::vector<std::uint8_t> indices(std::size_t(std::max(image.Width, 0)) * std::size_t(std::max(image.Height, 0)));
    TProgressReporter report(progress, TGifStage::Converting, image.Height);
    std::uint8_t* dst = indices.data();
    for (int y = 0; y < image.Height; ++y) {
        const TColor32* row = image.Row(y);
        for (int x = 0; x < image.Width; ++x) {
            const TColor32 c = row[x];
            *dst++ = std::uint8_t(red[(c >> 16) & 0xFF] + green[(c >> 8) & 0xFF] + blue[c & 0xFF]);
        }
        report.RowDone(y);
    }
    return indices;
}

TByteVector EncodeCubeGif(const std::uint8_t* indices, int width, int height, const TGifProgress& progress)
{
    if (width <= 0 || height <= 0 || width > 0xFFFF || height > 0xFFFF)
        throw EGifError("image size not representable in a GIF file");
    TByteVector out;
    out.reserve(800 + std::size_t(width) * std::size_t(height) / 2);
    for (char c : {'G', 'I', 'F', '8', '7', 'a'}) out.push_back(std::uint8_t(c));

    // Logical screen: the image's size, no global colour table.
    Put16(out, width);
    Put16(out, height);
    out.push_back(0x77);
    out.push_back(0); // background colour index
    out.push_back(0); // pixel aspect ratio

    // Image descriptor with a 256-entry local colour table.
    out.push_back(0x2C);
    Put16(out, 0);
    Put16(out, 0);
    Put16(out, width);
    Put16(out, height);
    out.push_back(0x87);
    for (int i = 0; i < 256; ++i) {
        const TColor32 c = i < kCubeColorCount ? CubeColorOf(i) : 0;
        out.push_back(RedComponent(c));
        out.push_back(GreenComponent(c));
        out.push_back(BlueComponent(c));
    }

    out.push_back(kMinCodeSize);
    TLzwEncoder(out).Encode(indices, width, height, progress);
    out.push_back(0x00); // block terminator
    out.push_back(0x3B); // trailer
    return out;
}

TByteVector WriteGif(TPixelView image, const TGifProgress& progress)
{
    if (image.IsEmpty()) throw EGifError("empty image");
    const std::vector<std::uint8_t> indices = MapToColorCube(image, progress);
    return EncodeCubeGif(indices.data(), image.Width, image.Height, progress);
}
