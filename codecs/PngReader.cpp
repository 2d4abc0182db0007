#include "codecs/PngReader.h"

#include <png.h>

#include <csetjmp>
#include <cstring>
#include <new>

namespace {

constexpr std::uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
// Ancillary chunks (profiles, text) may not take more than this each.
constexpr png_alloc_size_t kChunkLimit = png_alloc_size_t(8) << 20;

std::uint32_t BigEndian32(const std::uint8_t* p)
{
    return (std::uint32_t(p[0]) << 24) | (std::uint32_t(p[1]) << 16) | (std::uint32_t(p[2]) << 8) | p[3];
}

// The size from the header chunk that must follow the signature, read before
// libpng allocates anything; false when the file does not start that way.
bool PeekSize(TByteSource& source, std::int64_t& width, std::int64_t& height)
{
    std::uint8_t head[8 + 8 + 13];
    if (!source.ReadExactly(head, sizeof head) || !source.Seek(0)) return false;
    if (std::memcmp(head, kSignature, 8) != 0 || BigEndian32(head + 8) != 13 ||
        std::memcmp(head + 12, "IHDR", 4) != 0)
        return false;
    width = BigEndian32(head + 16);
    height = BigEndian32(head + 20);
    return true;
}

extern "C" void PngReaderInput(png_structp png, png_bytep data, png_size_t length)
{
    auto* source = static_cast<TByteSource*>(png_get_io_ptr(png));
    if (!source->ReadExactly(data, length)) png_error(png, "the file ends early");
}

extern "C" void PngReaderError(png_structp png, png_const_charp) { png_longjmp(png, 1); }
extern "C" void PngReaderWarning(png_structp, png_const_charp) {}

// What libpng holds; plain C data, so a longjmp skips no destructor.
struct TDecodeJob {
    png_structp Png = nullptr;
    png_infop Info = nullptr;
    png_uint_32 Width = 0, Height = 0;
    int Passes = 1;
};

// Reads the chunks up to the pixel data and sets the transforms that make
// every row Width colour words: blue, green, red, alpha in memory.
bool ReadHeader(TDecodeJob& job, TByteSource& source, const TImageLimits& limits)
{
    job.Png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, PngReaderError, PngReaderWarning);
    if (!job.Png) return false;
    job.Info = png_create_info_struct(job.Png);
    if (!job.Info || setjmp(png_jmpbuf(job.Png))) return false;
    png_set_read_fn(job.Png, &source, PngReaderInput);
    png_set_user_limits(job.Png, png_uint_32(limits.MaxSide), png_uint_32(limits.MaxSide));
    png_set_chunk_malloc_max(job.Png, kChunkLimit);
    png_set_chunk_cache_max(job.Png, 1000);
    // The compressed data is taken in large pieces: fewer calls into the
    // source and into zlib for the same bytes.
    png_set_compression_buffer_size(job.Png, 256 << 10);
#ifdef PNG_IGNORE_ADLER32
    // Every chunk's CRC already guards the compressed bytes; zlib's own sum
    // over the inflated ones would be a second pass over the whole picture.
    png_set_option(job.Png, PNG_IGNORE_ADLER32, PNG_OPTION_ON);
#endif
    png_read_info(job.Png, job.Info);

    png_set_expand(job.Png); // palette, low bit depths and tRNS to 8-bit colour with alpha
    png_set_strip_16(job.Png);
    png_set_gray_to_rgb(job.Png);
    png_set_bgr(job.Png);
    png_set_filler(job.Png, 0xFF, PNG_FILLER_AFTER); // opaque alpha when the file has none
    job.Passes = png_set_interlace_handling(job.Png);
    png_read_update_info(job.Png, job.Info);
    job.Width = png_get_image_width(job.Png, job.Info);
    job.Height = png_get_image_height(job.Png, job.Info);
    return png_get_channels(job.Png, job.Info) == 4 && png_get_bit_depth(job.Png, job.Info) == 8 &&
           png_get_rowbytes(job.Png, job.Info) == png_size_t(job.Width) * 4;
}

// `pixels` holds Width x Height colour words. An interlaced file fills each
// row over several passes; the last pass completes it.
bool ReadPixels(TDecodeJob& job, TColor32* pixels)
{
    if (setjmp(png_jmpbuf(job.Png))) return false;
    for (int pass = 0; pass < job.Passes; ++pass)
        for (png_uint_32 y = 0; y < job.Height; ++y)
            png_read_row(job.Png, reinterpret_cast<png_bytep>(pixels + std::size_t(y) * job.Width), nullptr);
    return true;
}

bool DecodeJob(TDecodeJob& job, TByteSource& source, TPixelBuffer& out, const TImageLimits& limits,
               const TAdmitHeader& admit)
{
    std::int64_t width = 0, height = 0;
    if (!PeekSize(source, width, height) || !limits.Allows(width, height)) return false;
    // libpng's rows: the file's row (up to 8 bytes a pixel), the previous one
    // for the filters, and the transformed row; and zlib's window.
    const std::int64_t work = width * 8 * 3 + (std::int64_t(256) << 10);
    if (admit && !admit(TImageHeader{width, height, work})) return false;

    TPixelBuffer decoded;
    bool ok = ReadHeader(job, source, limits) && job.Width == width && job.Height == height;
    if (ok) {
        try {
            decoded.Width = int(width);
            decoded.Height = int(height);
            decoded.Pixels.resize(std::size_t(width) * std::size_t(height));
        } catch (const std::bad_alloc&) {
            ok = false;
        }
    }
    ok = ok && ReadPixels(job, decoded.Pixels.data());
    if (ok) out = std::move(decoded);
    return ok;
}

} // namespace

bool DecodePng(TByteSource& source, TPixelBuffer& out, const TImageLimits& limits, const TAdmitHeader& admit)
{
    TDecodeJob job;
    const bool ok = DecodeJob(job, source, out, limits, admit);
    if (job.Png) png_destroy_read_struct(&job.Png, job.Info ? &job.Info : nullptr, nullptr);
    return ok;
}

bool DecodePng(TByteSpan data, TPixelBuffer& out, const TImageLimits& limits)
{
    TSpanSource source(data);
    return DecodePng(source, out, limits);
}
