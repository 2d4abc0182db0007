#include "CodecTestSupport.h"

#include "codecs/GifWriter.h"

#include <gtest/gtest.h>

#include <map>
#include <random>

using namespace codectest;

namespace {

// An LZW code reader written from the GIF rules, independent of giflib: it
// unpacks the sub-blocks, follows the code width as a decoder must and counts
// the clear codes, so a width decided one code too early or late shows up.
struct TCodeStream {
    bool Ok = false;
    int ClearCodes = 0;
    std::vector<std::uint8_t> Indices;
};

TCodeStream ReadCodeStream(const TByteVector& file, std::size_t dataStart)
{
    TCodeStream s;
    std::vector<std::uint8_t> data;
    std::size_t p = dataStart + 1; // after the minimum code size
    while (p < file.size() && file[p] != 0) {
        data.insert(data.end(), file.begin() + std::ptrdiff_t(p + 1), file.begin() + std::ptrdiff_t(p + 1 + file[p]));
        p += 1 + file[p];
    }
    std::vector<std::vector<std::uint8_t>> table;
    std::size_t bitPos = 0;
    int width = 9;
    int previous = -1;
    auto reset = [&] {
        table.assign(258, {});
        for (int i = 0; i < 256; ++i) table[std::size_t(i)] = {std::uint8_t(i)};
        width = 9;
        previous = -1;
    };
    reset();
    while (bitPos + std::size_t(width) <= data.size() * 8) {
        int code = 0;
        for (int b = 0; b < width; ++b, ++bitPos)
            code |= ((data[bitPos / 8] >> (bitPos % 8)) & 1) << b;
        if (code == 256) {
            ++s.ClearCodes;
            reset();
            continue;
        }
        if (code == 257) {
            s.Ok = true;
            return s;
        }
        std::vector<std::uint8_t> entry;
        if (code < int(table.size())) {
            entry = table[std::size_t(code)];
        } else if (code == int(table.size()) && previous >= 0) {
            entry = table[std::size_t(previous)];
            entry.push_back(entry[0]);
        } else {
            return s; // a code the decoder cannot know yet
        }
        if (previous >= 0 && table.size() < 4096) {
            std::vector<std::uint8_t> added = table[std::size_t(previous)];
            added.push_back(entry[0]);
            table.push_back(added);
        }
        s.Indices.insert(s.Indices.end(), entry.begin(), entry.end());
        previous = code;
        // The next code is wider once the table (plus the entry the next code
        // will add) no longer fits.
        if (int(table.size()) + 1 > (1 << width) && width < 12) ++width;
    }
    return s;
}

constexpr std::size_t kImageDataOffset = 6 + 7 + 10 + 768;

// The sub-blocks' bytes joined.
TByteVector JoinSubBlocks(const TByteVector& file)
{
    TByteVector data;
    std::size_t p = kImageDataOffset + 1;
    while (p < file.size() && file[p] != 0) {
        data.insert(data.end(), file.begin() + std::ptrdiff_t(p + 1), file.begin() + std::ptrdiff_t(p + 1 + file[p]));
        p += 1 + file[p];
    }
    return data;
}

// The code stream by the rules, as plainly as they read: a map of
// (prefix, index) pairs, a clear code instead of a new entry once the next
// free code is above 4094, and the width decided right after each code.
TByteVector PlainLzw(const std::vector<std::uint8_t>& indices)
{
    TByteVector bytes;
    std::map<std::pair<int, int>, int> table;
    int next = 258, width = 9, bits = 0;
    std::uint32_t bucket = 0;
    auto output = [&](int code) {
        bucket |= std::uint32_t(code) << bits;
        for (bits += width; bits >= 8; bits -= 8, bucket >>= 8) bytes.push_back(std::uint8_t(bucket));
        if (code == 256) {
            table.clear();
            next = 258;
            width = 9;
        } else if (next > (1 << width) - 1 && width < 12) {
            ++width;
        }
    };
    output(256);
    int prefix = indices[0];
    for (std::size_t i = 1; i < indices.size(); ++i) {
        const auto found = table.find({prefix, indices[i]});
        if (found != table.end()) {
            prefix = found->second;
            continue;
        }
        output(prefix);
        if (next > 4094) {
            output(256);
        } else {
            table[{prefix, indices[i]}] = next++;
        }
        prefix = indices[i];
    }
    output(prefix);
    output(257);
    if (bits > 0) bytes.push_back(std::uint8_t(bucket));
    return bytes;
}

std::vector<std::uint8_t> RandomIndices(std::size_t n, int colors, std::uint32_t seed)
{
    std::mt19937 rng(seed);
    std::vector<std::uint8_t> v(n);
    for (auto& i : v) i = std::uint8_t(rng() % unsigned(colors));
    return v;
}

} // namespace

TEST(GifWriter, CubeMappingUsesOffsetThreeNotNearestLevel)
{
    EXPECT_EQ(CubeIndexOf(clWhite32), 215);
    EXPECT_EQ(CubeIndexOf(clBlack32), 0);
    EXPECT_EQ(CubeIndexOf(Color32(47, 48, 255)), 11);
    // Level k covers 51k - 3 .. 51k + 47.
    EXPECT_EQ(CubeLevelOf(47), 0);
    EXPECT_EQ(CubeLevelOf(48), 1);
    EXPECT_EQ(CubeLevelOf(98), 1);
    EXPECT_EQ(CubeLevelOf(99), 2);
    EXPECT_EQ(CubeLevelOf(251), 4);
    EXPECT_EQ(CubeLevelOf(252), 5);
    // Alpha is ignored.
    EXPECT_EQ(CubeIndexOf(Color32(255, 255, 255, 0)), 215);
    for (int i = 0; i < kCubeColorCount; ++i) EXPECT_EQ(CubeIndexOf(CubeColorOf(i)), i);

    // The row mapper (eight pixels at a time where the processor allows)
    // agrees with the per-pixel formula for every value in every channel,
    // and on row tails of every length.
    TPixelBuffer all = RandomPixels(256 + 7, 9);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 256; ++x)
            all.Row(y)[x] = Color32(std::uint8_t(x), std::uint8_t((x * 7 + y) % 256), std::uint8_t((x * 13 + 5 * y) % 256),
                                    std::uint8_t(x * 3));
    const auto indices = MapToColorCube(ViewOf(all));
    ASSERT_EQ(indices.size(), all.Pixels.size());
    for (std::size_t i = 0; i < indices.size(); ++i) ASSERT_EQ(indices[i], CubeIndexOf(all.Pixels[i])) << i;
    for (int w = 1; w <= 17; ++w) {
        const TPixelBuffer narrow = RandomPixels(w, 2, std::uint32_t(w));
        const auto n = MapToColorCube(ViewOf(narrow));
        for (std::size_t i = 0; i < n.size(); ++i) ASSERT_EQ(n[i], CubeIndexOf(narrow.Pixels[i])) << w;
    }
}

TEST(GifWriter, OnePixelFileByteForByte)
{
    TPixelBuffer white;
    white.Width = white.Height = 1;
    white.Pixels = {clWhite32};
    const TByteVector file = WriteGif(ViewOf(white));

    TByteVector expected = {'G', 'I', 'F', '8', '7', 'a', 1, 0, 1, 0, 0x77, 0, 0,
                            0x2C, 0, 0, 0, 0, 1, 0, 1, 0, 0x87};
    for (int i = 0; i < 256; ++i) {
        for (int c = 0; c < 3; ++c) {
            const int level = c == 0 ? i / 36 : c == 1 ? i / 6 % 6 : i % 6;
            expected.push_back(i < 216 ? std::uint8_t(level * 51) : 0);
        }
    }
    // Code size 8; one sub-block with the clear code 256, the pixel 215 and
    // the end code 257 at 9 bits each, least significant bit first.
    for (std::uint8_t b : {8, 4, 0x00, 0xAF, 0x05, 0x04, 0x00, 0x3B}) expected.push_back(b);
    EXPECT_EQ(file, expected);
}

TEST(GifWriter, TableOverflowEmitsClearCodesAndStaysDecodable)
{
    struct TCase {
        const char* Name;
        int Width, Height;
        std::vector<std::uint8_t> Indices;
    };
    std::vector<TCase> cases;
    cases.push_back({"random", 301, 199, RandomIndices(301 * 199, 216, 7)});
    cases.push_back({"few colours", 640, 480, RandomIndices(640 * 480, 3, 9)});
    cases.push_back({"one colour", 1000, 900, std::vector<std::uint8_t>(1000 * 900, 42)});
    const TPixelBuffer photo = PhotoLike(512, 384);
    cases.push_back({"photo", 512, 384, MapToColorCube(ViewOf(photo))});
    // Sizes around the first width changes: 255 codes fill 9 bits.
    for (int n : {254, 255, 256, 257, 511, 512, 513})
        cases.push_back({"short", n, 1, RandomIndices(std::size_t(n), 216, std::uint32_t(n))});

    for (const TCase& c : cases) {
        SCOPED_TRACE(std::string(c.Name) + " " + std::to_string(c.Width) + "x" + std::to_string(c.Height));
        const TByteVector file = EncodeCubeGif(c.Indices.data(), c.Width, c.Height);
        const TGiflibImage decoded = DecodeWithGiflib(file);
        ASSERT_TRUE(decoded.Ok);
        EXPECT_EQ(decoded.Width, c.Width);
        EXPECT_EQ(decoded.Height, c.Height);
        EXPECT_EQ(decoded.Indices, c.Indices);
        EXPECT_FALSE(decoded.HasGlobalColorMap);
        EXPECT_EQ(decoded.ExtensionBlocks, 0);

        EXPECT_EQ(JoinSubBlocks(file), PlainLzw(c.Indices));

        const TCodeStream stream = ReadCodeStream(file, kImageDataOffset);
        ASSERT_TRUE(stream.Ok);
        EXPECT_EQ(stream.Indices, c.Indices);
        if (std::string(c.Name) == "random") {
            EXPECT_GT(stream.ClearCodes, 5);
        } else if (std::string(c.Name) == "short") {
            EXPECT_EQ(stream.ClearCodes, 1);
        }
    }
}

TEST(GifWriter, LayoutHasOnlyTheLocalTableAndFullSubBlocks)
{
    const TPixelBuffer photo = PhotoLike(200, 150);
    const TByteVector file = WriteGif(ViewOf(photo));
    ASSERT_GT(file.size(), kImageDataOffset + 2);
    EXPECT_EQ(file[10], 0x77); // no global table follows
    EXPECT_EQ(file[13], 0x2C); // the image comes right after the screen: no extension
    EXPECT_EQ(file[22], 0x87);
    EXPECT_EQ(file[kImageDataOffset], 8);
    // Every sub-block but the last is full.
    std::size_t p = kImageDataOffset + 1;
    std::vector<int> lengths;
    while (file[p] != 0) {
        lengths.push_back(file[p]);
        p += 1 + file[p];
    }
    ASSERT_GT(lengths.size(), 2u);
    for (std::size_t i = 0; i + 1 < lengths.size(); ++i) EXPECT_EQ(lengths[i], 255);
    EXPECT_EQ(p + 2, file.size());
    EXPECT_EQ(file.back(), 0x3B);
}

TEST(GifWriter, RefusesIndicesOutsideTheTableAndEmptyImages)
{
    std::vector<std::uint8_t> indices(10, 3);
    indices[7] = 216;
    try {
        EncodeCubeGif(indices.data(), 5, 2);
        FAIL() << "expected EGifError";
    } catch (const EGifError& e) {
        EXPECT_STREQ(e.what(), "Color not in color table");
    }
    EXPECT_THROW(WriteGif(TPixelView{}), EGifError);
    EXPECT_THROW(EncodeCubeGif(indices.data(), 70000, 1), EGifError);
}

TEST(GifWriter, ReportsConvertingThenSaving)
{
    const TPixelBuffer photo = PhotoLike(20, 40);
    std::vector<std::pair<TGifStage, int>> calls;
    WriteGif(ViewOf(photo), [&](TGifStage s, int p) { calls.emplace_back(s, p); });
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(calls.front(), std::make_pair(TGifStage::Converting, 0));
    EXPECT_EQ(calls.back(), std::make_pair(TGifStage::Saving, 100));
    for (TGifStage stage : {TGifStage::Converting, TGifStage::Saving}) {
        std::vector<int> percents;
        for (const auto& [s, p] : calls)
            if (s == stage) percents.push_back(p);
        EXPECT_TRUE(std::is_sorted(percents.begin(), percents.end()));
        ASSERT_FALSE(percents.empty());
        EXPECT_EQ(percents.front(), 0);
        EXPECT_EQ(percents.back(), 100);
    }
}
