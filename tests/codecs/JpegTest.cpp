#include "CodecTestSupport.h"

#include "codecs/JpegReader.h"
#include "codecs/JpegWriter.h"

#include <cstdio>
#include <jpeglib.h>

#include <gtest/gtest.h>

#include <cstdlib>

using namespace codectest;

namespace {

TByteSpan Span(const TByteVector& v) { return {v.data(), v.size()}; }

// The standard tables scaled for quality 90 and limited to baseline values.
int ExpectedQuant(int base)
{
    const int scaled = (base * 20 + 50) / 100; // quality 90 scales by 20 %
    return scaled < 1 ? 1 : scaled > 255 ? 255 : scaled;
}
constexpr int kStdLuminance[64] = {16, 11, 10, 16, 24, 40, 51, 61, 12, 12, 14, 19, 26, 58, 60, 55,
                                   14, 13, 16, 24, 40, 57, 69, 56, 14, 17, 22, 29, 51, 87, 80, 62,
                                   18, 22, 37, 56, 68, 109, 103, 77, 24, 35, 55, 64, 81, 104, 113, 92,
                                   49, 64, 78, 87, 103, 121, 120, 101, 72, 92, 95, 98, 112, 100, 103, 99};
constexpr int kStdChrominance[64] = {17, 18, 24, 47, 99, 99, 99, 99, 18, 21, 26, 66, 99, 99, 99, 99,
                                     24, 26, 56, 99, 99, 99, 99, 99, 47, 66, 99, 99, 99, 99, 99, 99,
                                     99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99,
                                     99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99};

// A JPEG written directly with libjpeg: its defaults, then the given
// quality with baseline tables and forward DCT.
TByteVector EncodeRaw(int width, int height, int components, J_COLOR_SPACE space, const std::uint8_t* samples,
                      int quality = 100, J_DCT_METHOD dct = JDCT_ISLOW)
{
    jpeg_compress_struct info;
    jpeg_error_mgr err;
    info.err = jpeg_std_error(&err);
    jpeg_create_compress(&info);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = JDIMENSION(width);
    info.image_height = JDIMENSION(height);
    info.input_components = components;
    info.in_color_space = space;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, quality, TRUE);
    info.dct_method = dct;
    jpeg_start_compress(&info, TRUE);
    for (int y = 0; y < height; ++y) {
        JSAMPROW row = const_cast<JSAMPROW>(samples + std::size_t(y) * width * components);
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    TByteVector out(buffer, buffer + size);
    jpeg_destroy_compress(&info);
    std::free(buffer);
    return out;
}

bool Near(TColor32 a, TColor32 b, int tolerance)
{
    for (int shift : {0, 8, 16, 24}) {
        if (std::abs(int((a >> shift) & 0xFF) - int((b >> shift) & 0xFF)) > tolerance) return false;
    }
    return true;
}

} // namespace

TEST(JpegWriter, WritesBaselineQuality90SequentialRgb)
{
    const TPixelBuffer photo = PhotoLike(64, 40);
    TByteVector file;
    ASSERT_TRUE(EncodeJpeg(ViewOf(photo), file));

    jpeg_decompress_struct info;
    jpeg_error_mgr err;
    info.err = jpeg_std_error(&err);
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, file.data(), (unsigned long)file.size());
    ASSERT_EQ(jpeg_read_header(&info, TRUE), JPEG_HEADER_OK);
    EXPECT_EQ(info.image_width, 64u);
    EXPECT_EQ(info.image_height, 40u);
    EXPECT_EQ(info.num_components, 3);
    EXPECT_EQ(info.jpeg_color_space, JCS_YCbCr);
    EXPECT_FALSE(info.progressive_mode);
    EXPECT_FALSE(info.arith_code);
    for (int k = 0; k < 64; ++k) {
        ASSERT_NE(info.quant_tbl_ptrs[0], nullptr);
        ASSERT_NE(info.quant_tbl_ptrs[1], nullptr);
        EXPECT_EQ(info.quant_tbl_ptrs[0]->quantval[k], ExpectedQuant(kStdLuminance[k])) << k;
        EXPECT_EQ(info.quant_tbl_ptrs[1]->quantval[k], ExpectedQuant(kStdChrominance[k])) << k;
    }
    jpeg_destroy_decompress(&info);
    // A baseline frame marker (SOF0) and no other frame type.
    bool sof0 = false;
    for (std::size_t i = 0; i + 1 < file.size(); ++i) {
        if (file[i] == 0xFF && file[i + 1] == 0xC0) sof0 = true;
        EXPECT_FALSE(file[i] == 0xFF && (file[i + 1] == 0xC1 || file[i + 1] == 0xC2));
    }
    EXPECT_TRUE(sof0);

    // Reading it back gives an opaque picture close to the original.
    TPixelBuffer back;
    ASSERT_TRUE(DecodeJpeg(Span(file), back));
    ASSERT_EQ(back.Width, 64);
    ASSERT_EQ(back.Height, 40);
    double error = 0;
    for (std::size_t i = 0; i < back.Pixels.size(); ++i) {
        ASSERT_EQ(AlphaComponent(back.Pixels[i]), 255);
        for (int shift : {0, 8, 16})
            error += std::abs(int((back.Pixels[i] >> shift) & 0xFF) - int((photo.Pixels[i] >> shift) & 0xFF));
    }
    EXPECT_LT(error / double(back.Pixels.size() * 3), 4.0);
    EXPECT_FALSE(EncodeJpeg(TPixelView{}, file));
}

TEST(JpegReader, GreyscaleAndCmykFilesLoad)
{
    std::vector<std::uint8_t> grey(16 * 8);
    for (std::size_t i = 0; i < grey.size(); ++i) grey[i] = std::uint8_t(i % 16 * 16);
    TPixelBuffer out;
    ASSERT_TRUE(DecodeJpeg(Span(EncodeRaw(16, 8, 1, JCS_GRAYSCALE, grey.data())), out));
    for (int x = 0; x < 16; ++x) {
        const int v = x * 16;
        EXPECT_TRUE(Near(out.Row(3)[x], Color32(std::uint8_t(v), std::uint8_t(v), std::uint8_t(v)), 3)) << x;
    }

    // libjpeg marks CMYK files with the Adobe marker, whose convention stores
    // 255 for no ink: left half pure cyan, right half white.
    std::vector<std::uint8_t> cmyk;
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) cmyk.insert(cmyk.end(), {std::uint8_t(x < 8 ? 0 : 255), 255, 255, 255});
    ASSERT_TRUE(DecodeJpeg(Span(EncodeRaw(16, 16, 4, JCS_CMYK, cmyk.data())), out));
    EXPECT_TRUE(Near(out.Row(8)[2], Color32(0, 255, 255), 6)) << std::hex << out.Row(8)[2];
    EXPECT_TRUE(Near(out.Row(8)[13], clWhite32, 6)) << std::hex << out.Row(8)[13];
}

TEST(JpegReader, TruncatedDamagedAndOversizedFilesAreRefused)
{
    const TPixelBuffer photo = PhotoLike(48, 32);
    TByteVector file;
    ASSERT_TRUE(EncodeJpeg(ViewOf(photo), file));
    TPixelBuffer out;
    out.Width = out.Height = 1;
    out.Pixels = {7};
    for (std::size_t n = 0; n + 2 < file.size(); n += (n < 700 ? 3 : 29)) {
        TByteVector cut(file.begin(), file.begin() + std::ptrdiff_t(n));
        ASSERT_FALSE(DecodeJpeg(Span(cut), out)) << "length " << n;
    }
    EXPECT_EQ(out.Pixels, std::vector<TColor32>{7});

    TByteVector garbage(500, 0xAB);
    EXPECT_FALSE(DecodeJpeg(Span(garbage), out));

    // The frame header's height and width, changed in place.
    std::size_t sof = 0;
    for (std::size_t i = 0; i + 1 < file.size(); ++i)
        if (file[i] == 0xFF && file[i + 1] == 0xC0) sof = i;
    ASSERT_GT(sof, 0u);
    auto resized = [&](int w, int h) {
        TByteVector f = file;
        f[sof + 5] = std::uint8_t(h >> 8);
        f[sof + 6] = std::uint8_t(h);
        f[sof + 7] = std::uint8_t(w >> 8);
        f[sof + 8] = std::uint8_t(w);
        return f;
    };
    EXPECT_FALSE(DecodeJpeg(Span(resized(30001, 32)), out));
    EXPECT_FALSE(DecodeJpeg(Span(resized(20001, 20001)), out));
    EXPECT_FALSE(DecodeJpeg(Span(resized(48, 33)), out)); // more rows than the data holds
    EXPECT_EQ(out.Pixels, std::vector<TColor32>{7});
}

namespace {

// The file libjpeg itself writes for RGB rows with its defaults, quality 90
// with baseline tables, and the given forward DCT.
TByteVector ReferenceEncode(const TPixelBuffer& image, J_DCT_METHOD dct)
{
    std::vector<std::uint8_t> rgb;
    for (TColor32 c : image.Pixels) rgb.insert(rgb.end(), {RedComponent(c), GreenComponent(c), BlueComponent(c)});
    return EncodeRaw(image.Width, image.Height, 3, JCS_RGB, rgb.data(), 90, dct);
}

// The colours libjpeg itself decodes at full scale with the given inverse DCT.
std::vector<TColor32> ReferenceDecode(const TByteVector& file, J_DCT_METHOD dct)
{
    jpeg_decompress_struct info;
    jpeg_error_mgr err;
    info.err = jpeg_std_error(&err);
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, file.data(), (unsigned long)file.size());
    jpeg_read_header(&info, TRUE);
    info.dct_method = dct;
    info.do_block_smoothing = TRUE;
    info.out_color_space = JCS_RGB;
    jpeg_start_decompress(&info);
    std::vector<TColor32> out;
    std::vector<std::uint8_t> row(std::size_t(info.output_width) * 3);
    while (info.output_scanline < info.output_height) {
        JSAMPROW r = row.data();
        jpeg_read_scanlines(&info, &r, 1);
        for (std::size_t x = 0; x < info.output_width; ++x) out.push_back(Color32(row[3 * x], row[3 * x + 1], row[3 * x + 2]));
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return out;
}

} // namespace

TEST(Jpeg, EncoderAndDecoderUseTheFloatingPointTransforms)
{
    // Sharp random content, where the integer and floating-point transforms
    // round differently.
    const TPixelBuffer image = RandomPixels(40, 24, 5);
    TByteVector ours;
    ASSERT_TRUE(EncodeJpeg(ViewOf(image), ours));
    EXPECT_EQ(ours, ReferenceEncode(image, JDCT_FLOAT));
    ASSERT_NE(ReferenceEncode(image, JDCT_ISLOW), ReferenceEncode(image, JDCT_FLOAT));

    TPixelBuffer decoded;
    ASSERT_TRUE(DecodeJpeg(Span(ours), decoded));
    EXPECT_EQ(decoded.Pixels, ReferenceDecode(ours, JDCT_FLOAT));
    ASSERT_NE(ReferenceDecode(ours, JDCT_ISLOW), ReferenceDecode(ours, JDCT_FLOAT));
}

TEST(JpegReader, StrayBytesAroundCompleteDataAreHarmless)
{
    TByteVector file;
    ASSERT_TRUE(EncodeJpeg(ViewOf(PhotoLike(48, 32)), file));
    TPixelBuffer clean;
    ASSERT_TRUE(DecodeJpeg(Span(file), clean));
    ASSERT_EQ(file[file.size() - 2], 0xFF);
    ASSERT_EQ(file[file.size() - 1], 0xD9);
    std::size_t sof = 0;
    for (std::size_t i = 2; i + 1 < file.size() && !sof; ++i)
        if (file[i] == 0xFF && file[i + 1] == 0xC0) sof = i;
    ASSERT_GT(sof, 0u);

    TByteVector beforeMarker = file; // junk between two header segments
    beforeMarker.insert(beforeMarker.begin() + std::ptrdiff_t(sof), {0x00, 0x11, 0x22});
    TByteVector padded = file; // padding between the scan and the end marker
    padded.insert(padded.end() - 2, 8, 0x00);
    TByteVector unterminated(file.begin(), file.end() - 2); // padding in place of the end marker
    unterminated.insert(unterminated.end(), 16, 0x00);
    const TByteVector* variants[] = {&beforeMarker, &padded, &unterminated};
    for (int i = 0; i < 3; ++i) {
        TPixelBuffer out;
        ASSERT_TRUE(DecodeJpeg(Span(*variants[i]), out)) << "variant " << i;
        EXPECT_EQ(out.Pixels, clean.Pixels) << "variant " << i;
    }
}
