#include "codecs/GifWriter.h"

#include "resources/StringTable.h"

#include <algorithm>
#include <array>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
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
// (next index, prefix code) to code. Laid out index-major, the entries a
// region of similar colours uses sit close together and stay in the nearest
// caches. A reset only clears the entries made since the last one.
class TLzwEncoder {
public:
    explicit TLzwEncoder(TByteVector& out)
        : FWriter(out), FChild(std::make_unique<std::uint16_t[]>(std::size_t(256) * 4096))
    {
    }

    // rowAt(y) gives row y of the index image, valid until the next call.
    template <class TRowSource>
    void Encode(TRowSource&& rowAt, int width, int height, const TGifProgress& progress)
    {
        TProgressReporter report(progress, TGifStage::Saving, height);
        Output(kClearCode);
        unsigned prefix = 0;
        bool started = false;
        for (int y = 0; y < height; ++y) {
            const std::uint8_t* row = rowAt(y);
            int x = 0;
            if (!started) {
                prefix = Checked(row[0]);
                started = true;
                x = 1;
            }
            for (; x < width; ++x) {
                const unsigned pixel = Checked(row[x]);
                const unsigned key = (pixel << 12) | prefix;
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

// Maps a row of colours to cube indices. (v + 3) div 51 equals
// ((v + 3) * 1286) >> 16 for every v in 0..255, which lets SSE2 map eight
// pixels at once with the same results as the plain loop.
void MapRowPlain(const TColor32* src, std::uint8_t* dst, int width)
{
    for (int x = 0; x < width; ++x) dst[x] = CubeIndexOf(src[x]);
}

#if defined(__SSE2__)
void MapRowSse2(const TColor32* src, std::uint8_t* dst, int width)
{
    const __m128i zero = _mm_setzero_si128();
    const __m128i three = _mm_set1_epi16(3);
    const __m128i reciprocal = _mm_set1_epi16(short(1286));
    // Per pixel lanes blue, green, red, alpha.
    const __m128i weights = _mm_setr_epi16(1, 6, 36, 0, 1, 6, 36, 0);
    auto levels = [&](__m128i bytes) { return _mm_mulhi_epu16(_mm_add_epi16(bytes, three), reciprocal); };
    // Two pixels of 16-bit levels to their indices in lanes 0 and 2 (32-bit).
    auto indices = [&](__m128i lv) {
        const __m128i pairs = _mm_madd_epi16(lv, weights); // b + 6g, 36r per pixel
        return _mm_add_epi32(pairs, _mm_srli_epi64(pairs, 32));
    };
    int x = 0;
    for (; x + 8 <= width; x += 8) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + x));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + x + 4));
        const __m128i i0 = indices(levels(_mm_unpacklo_epi8(a, zero)));
        const __m128i i1 = indices(levels(_mm_unpackhi_epi8(a, zero)));
        const __m128i i2 = indices(levels(_mm_unpacklo_epi8(b, zero)));
        const __m128i i3 = indices(levels(_mm_unpackhi_epi8(b, zero)));
        // Lanes 0 and 2 of each hold the indices; gather them in pixel order.
        const __m128i p01 = _mm_castps_si128(_mm_shuffle_ps(_mm_castsi128_ps(i0), _mm_castsi128_ps(i1), _MM_SHUFFLE(2, 0, 2, 0)));
        const __m128i p23 = _mm_castps_si128(_mm_shuffle_ps(_mm_castsi128_ps(i2), _mm_castsi128_ps(i3), _MM_SHUFFLE(2, 0, 2, 0)));
        const __m128i words = _mm_packs_epi32(p01, p23);
        const __m128i bytes = _mm_packus_epi16(words, words);
        _mm_storel_epi64(reinterpret_cast<__m128i*>(dst + x), bytes);
    }
    MapRowPlain(src + x, dst + x, width - x);
}
#endif

void MapRow(const TColor32* src, std::uint8_t* dst, int width)
{
#if defined(__SSE2__)
    MapRowSse2(src, dst, width);
#else
    MapRowPlain(src, dst, width);
#endif
}

// Everything before the image data: signature, screen, image descriptor,
// local colour table and the minimum code size.
TByteVector StartFile(int width, int height)
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
    return out;
}

void FinishFile(TByteVector& out)
{
    out.push_back(0x00); // block terminator
    out.push_back(0x3B); // trailer
}

} // namespace

std::vector<std::uint8_t> MapToColorCube(TPixelView image, const TGifProgress& progress)
{
    std::vector<std::uint8_t> indices(std::size_t(std::max(image.Width, 0)) * std::size_t(std::max(image.Height, 0)));
    TProgressReporter report(progress, TGifStage::Converting, image.Height);
    for (int y = 0; y < image.Height; ++y) {
        MapRow(image.Row(y), indices.data() + std::size_t(y) * std::size_t(image.Width), image.Width);
        report.RowDone(y);
    }
    return indices;
}

TByteVector EncodeCubeGif(const std::uint8_t* indices, int width, int height, const TGifProgress& progress)
{
    TByteVector out = StartFile(width, height);
    TLzwEncoder(out).Encode([&](int y) { return indices + std::size_t(y) * std::size_t(width); }, width, height,
                            progress);
    FinishFile(out);
    return out;
}

TByteVector WriteGif(TPixelView image, const TGifProgress& progress)
{
    if (image.IsEmpty()) throw EGifError("empty image");
    TByteVector out = StartFile(image.Width, image.Height);
    // Each row is mapped just before it is encoded, so the index row stays
    // in the cache; the two stages report their progress row by row.
    std::vector<std::uint8_t> row(std::size_t(image.Width));
    TProgressReporter converting(progress, TGifStage::Converting, image.Height);
    auto rowAt = [&](int y) {
        MapRow(image.Row(y), row.data(), image.Width);
        converting.RowDone(y);
        return row.data();
    };
    TLzwEncoder(out).Encode(rowAt, image.Width, image.Height, progress);
    FinishFile(out);
    return out;
}
