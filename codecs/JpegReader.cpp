#include "codecs/JpegReader.h"

#include "codecs/JpegErrors.h"

#include <jerror.h>

#include <algorithm>
#include <memory>
#include <new>

namespace {

// libjpeg's source manager over a byte stream, read a buffer at a time.
struct TStreamSource {
    jpeg_source_mgr Base; // first: libjpeg hands back a pointer to it
    TByteSource* Stream;
    bool Ended; // the data ran out and the end marker was supplied
    JOCTET Buffer[16384];
};

// Everything libjpeg touches lives here, outside the frames that arm the jump.
struct TDecodeJob {
    jpeg_decompress_struct Info;
    TJpegErrorManager Errors;
    TStreamSource Source;
    bool Created = false;
    bool Cmyk = false;
    std::int64_t WorkBytes = 0; // the library's memory besides the pixels
};

extern "C" void SourceInit(j_decompress_ptr) {}
extern "C" void SourceTerm(j_decompress_ptr) {}

// At the end of the data (or a read error) asking for more means the file
// ends early. That is a warning, which refuses the file while rows are still
// missing; once all are out the end marker that should have followed is
// supplied, as the library's own file reader does.
extern "C" boolean SourceFill(j_decompress_ptr cinfo)
{
    static const JOCTET kEndMarker[2] = {0xFF, JPEG_EOI};
    auto* source = reinterpret_cast<TStreamSource*>(cinfo->src);
    const std::ptrdiff_t n = source->Stream->Read(source->Buffer, sizeof source->Buffer);
    if (n > 0) {
        source->Base.next_input_byte = source->Buffer;
        source->Base.bytes_in_buffer = std::size_t(n);
        return TRUE;
    }
    WARNMS(cinfo, JWRN_JPEG_EOF);
    source->Ended = true;
    source->Base.next_input_byte = kEndMarker;
    source->Base.bytes_in_buffer = 2;
    return TRUE;
}

// Skipping past the end lands on the end marker.
extern "C" void SourceSkip(j_decompress_ptr cinfo, long count)
{
    if (count <= 0) return;
    jpeg_source_mgr* src = cinfo->src;
    while (std::size_t(count) > src->bytes_in_buffer) {
        count -= long(src->bytes_in_buffer);
        src->bytes_in_buffer = 0;
        SourceFill(cinfo);
        if (reinterpret_cast<TStreamSource*>(src)->Ended) return;
    }
    src->next_input_byte += count;
    src->bytes_in_buffer -= std::size_t(count);
}

// The library's own buffers: the whole-image coefficient arrays of a
// progressive (multi-scan) file, and rows of samples for the rest.
std::int64_t LibraryWorkBytes(j_decompress_ptr info)
{
    std::int64_t bytes = std::int64_t(info->image_width) * 64 * std::max(info->num_components, 1);
    if (jpeg_has_multiple_scans(info)) {
        for (int ci = 0; ci < info->num_components; ++ci) {
            const jpeg_component_info& c = info->comp_info[ci];
            const std::int64_t across = std::int64_t(c.width_in_blocks) + c.h_samp_factor; // rounded up
            const std::int64_t down = std::int64_t(c.height_in_blocks) + c.v_samp_factor;
            bytes += across * down * DCTSIZE2 * std::int64_t(sizeof(JCOEF));
        }
    }
    return bytes;
}

bool ReadHeader(TDecodeJob& job, TByteSource& stream)
{
    job.Info.err = InstallJpegErrorManager(job.Errors);
    if (setjmp(job.Errors.Jump)) return false;
    jpeg_create_decompress(&job.Info);
    job.Created = true;

    jpeg_source_mgr& source = job.Source.Base;
    source.init_source = SourceInit;
    source.fill_input_buffer = SourceFill;
    source.skip_input_data = SourceSkip;
    source.resync_to_restart = jpeg_resync_to_restart;
    source.term_source = SourceTerm;
    source.next_input_byte = nullptr;
    source.bytes_in_buffer = 0;
    job.Source.Stream = &stream;
    job.Source.Ended = false;
    job.Info.src = &source;

    if (jpeg_read_header(&job.Info, TRUE) != JPEG_HEADER_OK) return false;
    job.Info.scale_num = 1;
    job.Info.scale_denom = 1;
    job.Info.dct_method = JDCT_FLOAT;
    job.Info.do_block_smoothing = TRUE;
    job.Cmyk = job.Info.jpeg_color_space == JCS_CMYK || job.Info.jpeg_color_space == JCS_YCCK;
    // Blue, green, red, 0xFF in memory is exactly an opaque colour word.
    job.Info.out_color_space = job.Cmyk ? JCS_CMYK : JCS_EXT_BGRA;
    job.WorkBytes = LibraryWorkBytes(&job.Info);
    return true;
}

std::uint8_t Mul255(unsigned a, unsigned b) { return std::uint8_t((a * b + 127) / 255); }

// Adobe applications store CMYK inverted (0 = full ink).
void CmykRowToColors(const JSAMPLE* src, TColor32* dst, unsigned width, bool inverted)
{
    for (unsigned x = 0; x < width; ++x, src += 4) {
        unsigned c = src[0], m = src[1], y = src[2], k = src[3];
        if (!inverted) {
            c = 255 - c;
            m = 255 - m;
            y = 255 - y;
            k = 255 - k;
        }
        dst[x] = Color32(Mul255(c, k), Mul255(m, k), Mul255(y, k));
    }
}

// `pixels` holds image_width x image_height colour words.
bool ReadPixels(TDecodeJob& job, TColor32* pixels)
{
    if (setjmp(job.Errors.Jump)) return false;
    jpeg_decompress_struct& info = job.Info;
    if (!jpeg_start_decompress(&info)) return false;
    if (info.output_width != info.image_width || info.output_height != info.image_height ||
        info.output_components != 4)
        return false;
    const unsigned width = info.output_width;
    if (job.Cmyk) {
        JSAMPARRAY row = (*info.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&info), JPOOL_IMAGE,
                                                   width * 4, 1);
        while (info.output_scanline < info.output_height) {
            TColor32* dst = pixels + std::size_t(info.output_scanline) * width;
            if (jpeg_read_scanlines(&info, row, 1) != 1) return false;
            CmykRowToColors(row[0], dst, width, info.saw_Adobe_marker);
        }
    } else {
        constexpr int kRows = 16;
        JSAMPROW rows[kRows];
        while (info.output_scanline < info.output_height) {
            const unsigned first = info.output_scanline;
            const unsigned count = std::min<unsigned>(kRows, info.output_height - first);
            for (unsigned i = 0; i < count; ++i)
                rows[i] = reinterpret_cast<JSAMPROW>(pixels + std::size_t(first + i) * width);
            if (jpeg_read_scanlines(&info, rows, count) == 0) return false;
        }
    }
    job.Errors.RowsComplete = true;
    jpeg_finish_decompress(&info);
    return true;
}

bool DecodeJob(TDecodeJob& job, TByteSource& source, TPixelBuffer& out, const TImageLimits& limits,
               const TAdmitHeader& admit)
{
    TPixelBuffer decoded;
    bool ok = ReadHeader(job, source) && limits.Allows(job.Info.image_width, job.Info.image_height) &&
              (!admit || admit(TImageHeader{job.Info.image_width, job.Info.image_height, job.WorkBytes}));
    if (ok) {
        try {
            decoded.Width = int(job.Info.image_width);
            decoded.Height = int(job.Info.image_height);
            decoded.Pixels.resize(std::size_t(decoded.Width) * std::size_t(decoded.Height));
        } catch (const std::bad_alloc&) {
            ok = false;
        }
    }
    ok = ok && ReadPixels(job, decoded.Pixels.data());
    if (job.Created) jpeg_destroy_decompress(&job.Info);
    if (ok) out = std::move(decoded);
    return ok;
}

} // namespace

bool DecodeJpeg(TByteSource& source, TPixelBuffer& out, const TImageLimits& limits, const TAdmitHeader& admit)
{
    // Large (the source's buffer): on the heap.
    const auto job = std::make_unique<TDecodeJob>();
    return DecodeJob(*job, source, out, limits, admit);
}

bool DecodeJpeg(TByteSpan data, TPixelBuffer& out, const TImageLimits& limits)
{
    TSpanSource source(data);
    return DecodeJpeg(source, out, limits);
}
