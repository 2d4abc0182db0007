#include "codecs/PngWriter.h"

#include <png.h>

#include <csetjmp>
#include <cstdlib>
#include <cstring>

namespace {

// The output grows in a malloc'ed block that the caller frees whatever
// happens: a longjmp out of libpng skips no destructor.
struct TEncodeJob {
    std::uint8_t* Data = nullptr;
    std::size_t Size = 0, Capacity = 0;
};

extern "C" void PngWriterOutput(png_structp png, png_bytep data, png_size_t length)
{
    auto* job = static_cast<TEncodeJob*>(png_get_io_ptr(png));
    if (length > job->Capacity - job->Size) {
        std::size_t capacity = job->Capacity ? job->Capacity : 1 << 16;
        while (capacity - job->Size < length) capacity *= 2;
        auto* grown = static_cast<std::uint8_t*>(std::realloc(job->Data, capacity));
        if (!grown) png_error(png, "out of memory");
        job->Data = grown;
        job->Capacity = capacity;
    }
    std::memcpy(job->Data + job->Size, data, length);
    job->Size += length;
}

extern "C" void PngWriterFlush(png_structp) {}

// Errors jump back to the setjmp in Encode; nothing is printed.
extern "C" void PngWriterError(png_structp png, png_const_charp) { png_longjmp(png, 1); }
extern "C" void PngWriterWarning(png_structp, png_const_charp) {}

// Plain C data only in this frame: libpng may longjmp back into it.
bool Encode(TEncodeJob& job, TPixelView image, const TPngSettings& settings)
{
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, PngWriterError, PngWriterWarning);
    if (!png) return false;
    png_infop info = png_create_info_struct(png);
    if (!info || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_set_write_fn(png, &job, PngWriterOutput, PngWriterFlush);
    png_set_IHDR(png, info, png_uint_32(image.Width), png_uint_32(image.Height), 8, PNG_COLOR_TYPE_RGB_ALPHA,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_set_compression_level(png, settings.Level);
    png_set_compression_strategy(png, settings.Strategy);
    png_set_filter(png, PNG_FILTER_TYPE_BASE, settings.Filters);
    png_write_info(png, info);
    // A colour word is blue, green, red, alpha in memory: RGBA once swapped.
    png_set_bgr(png);
    for (int y = 0; y < image.Height; ++y) png_write_row(png, reinterpret_cast<png_const_bytep>(image.Row(y)));
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

} // namespace

bool EncodePng(TPixelView image, TByteVector& out, const TPngSettings& settings)
{
    if (image.IsEmpty()) return false;
    TEncodeJob job;
    bool ok = Encode(job, image, settings);
    if (ok) {
        try {
            out.assign(job.Data, job.Data + job.Size);
        } catch (...) {
            ok = false;
        }
    }
    std::free(job.Data);
    return ok;
}
