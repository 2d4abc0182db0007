#include "codecs/JpegWriter.h"

#include "codecs/JpegErrors.h"

#include <jerror.h>

#include <cstdlib>
#include <new>

namespace {

// A growing malloc'ed buffer that the job frees whatever happens.
struct TMemoryDestination {
    jpeg_destination_mgr Base;
    JOCTET* Data = nullptr;
    std::size_t Capacity = 0;
    std::size_t Size = 0;
};

struct TEncodeJob {
    jpeg_compress_struct Info;
    TJpegErrorManager Errors;
    TMemoryDestination Destination;
    bool Created = false;
};

TMemoryDestination& DestinationOf(j_compress_ptr cinfo)
{
    return *reinterpret_cast<TMemoryDestination*>(cinfo->dest);
}

extern "C" void DestinationInit(j_compress_ptr cinfo)
{
    TMemoryDestination& d = DestinationOf(cinfo);
    d.Capacity = 64 * 1024;
    d.Data = static_cast<JOCTET*>(std::malloc(d.Capacity));
    if (!d.Data) ERREXIT1(cinfo, JERR_OUT_OF_MEMORY, 0);
    d.Base.next_output_byte = d.Data;
    d.Base.free_in_buffer = d.Capacity;
}

extern "C" boolean DestinationGrow(j_compress_ptr cinfo)
{
    TMemoryDestination& d = DestinationOf(cinfo);
    const std::size_t used = d.Capacity; // the library only calls this with the buffer full
    auto* bigger = static_cast<JOCTET*>(std::realloc(d.Data, d.Capacity * 2));
    if (!bigger) ERREXIT1(cinfo, JERR_OUT_OF_MEMORY, 1);
    d.Data = bigger;
    d.Capacity *= 2;
    d.Base.next_output_byte = d.Data + used;
    d.Base.free_in_buffer = d.Capacity - used;
    return TRUE;
}

extern "C" void DestinationTerm(j_compress_ptr cinfo)
{
    TMemoryDestination& d = DestinationOf(cinfo);
    d.Size = d.Capacity - d.Base.free_in_buffer;
}

bool Compress(TEncodeJob& job, TPixelView image)
{
    job.Info.err = InstallJpegErrorManager(job.Errors);
    if (setjmp(job.Errors.Jump)) return false;
    jpeg_compress_struct& info = job.Info;
    jpeg_create_compress(&info);
    job.Created = true;
    job.Destination.Base.init_destination = DestinationInit;
    job.Destination.Base.empty_output_buffer = DestinationGrow;
    job.Destination.Base.term_destination = DestinationTerm;
    info.dest = &job.Destination.Base;

    info.image_width = JDIMENSION(image.Width);
    info.image_height = JDIMENSION(image.Height);
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, kJpegSaveQuality, TRUE);
    info.dct_method = JDCT_FLOAT;
    jpeg_start_compress(&info, TRUE);

    JSAMPARRAY row = (*info.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&info), JPOOL_IMAGE,
                                               info.image_width * 3, 1);
    while (info.next_scanline < info.image_height) {
        const TColor32* src = image.Row(int(info.next_scanline));
        JSAMPLE* dst = row[0];
        for (int x = 0; x < image.Width; ++x, dst += 3) {
            dst[0] = RedComponent(src[x]);
            dst[1] = GreenComponent(src[x]);
            dst[2] = BlueComponent(src[x]);
        }
        jpeg_write_scanlines(&info, row, 1);
    }
    jpeg_finish_compress(&info);
    return true;
}

} // namespace

bool EncodeJpeg(TPixelView image, TByteVector& out)
{
    if (image.IsEmpty()) return false;
    TEncodeJob job{};
    const bool ok = Compress(job, image);
    if (job.Created) jpeg_destroy_compress(&job.Info);
    const TMemoryDestination& d = job.Destination;
    bool copied = false;
    if (ok && d.Data) {
        try {
            out.assign(d.Data, d.Data + d.Size);
            copied = true;
        } catch (const std::bad_alloc&) {
        }
    }
    std::free(d.Data);
    return copied;
}
