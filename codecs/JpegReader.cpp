#include "codecs/JpegReader.h"

#include "codecs/JpegErrors.h"

#include <jerror.h>

#include <algorithm>
#include <new>

namespace {

// Everything libjpeg touches lives here, outside the frames that arm the jump.
struct TDecodeJob {
    jpeg_decompress_struct Info;
    TJpegErrorManager Errors;
    jpeg_source_mgr Source;
    bool Created = false;
    bool Cmyk = false;
};

extern "C" void SourceInit(j_decompress_ptr) {}
extern "C" void SourceTerm(j_decompress_ptr) {}

// The whole file is in the buffer from the start: asking for more means the
// data ends early. That is a warning, which refuses the file while rows are
// still missing; once all are out the end marker that should have followed
// is supplied, as the library's own file reader does.
extern "C" boolean SourceFill(j_decompress_ptr cinfo)
{
    static const JOCTET kEndMarker[2] = {0xFF, JPEG_EOI};
    WARNMS(cinfo, JWRN_JPEG_EOF);
    cinfo->src->next_input_byte = kEndMarker;
    cinfo->src->bytes_in_buffer = 2;
    return TRUE;
}

// Skipping past the end lands on the end marker.
extern "C" void SourceSkip(j_decompress_ptr cinfo, long count)
{
    if (count <= 0) return;
    if (std::size_t(count) > cinfo->src->bytes_in_buffer) {
        cinfo->src->bytes_in_buffer = 0;
        SourceFill(cinfo);
        return;
    }
    cinfo->src->next_input_byte += count;
    cinfo->src->bytes_in_buffer -= std::size_t(count);
}

bool ReadHeader(TDecodeJob& job, TByteSpan data)
{
    job.Info.err = InstallJpegErrorManager(job.Errors);
    if (setjmp(job.Errors.Jump)) return false;
    jpeg_create_decompress(&job.Info);
    job.Created = true;

    job.Source.init_source = SourceInit;
    job.Source.fill_input_buffer = SourceFill;
    job.Source.skip_input_data = SourceSkip;
    job.Source.resync_to_restart = jpeg_resync_to_restart;
    job.Source.term_source = SourceTerm;
    job.Source.next_input_byte = data.data();
    job.Source.bytes_in_buffer = data.size();
    job.Info.src = &job.Source;

    if (jpeg_read_header(&job.Info, TRUE) != JPEG_HEADER_OK) return false;
    job.Info.scale_num = 1;
    job.Info.scale_denom = 1;
    job.Info.dct_method = JDCT_FLOAT;
    job.Info.do_block_smoothing = TRUE;
    job.Cmyk = job.Info.jpeg_color_space == JCS_CMYK || job.Info.jpeg_color_space == JCS_YCCK;
    // Blue, green, red, 0xFF in memory is exactly an opaque colour word.
    job.Info.out_color_space = job.Cmyk ? JCS_CMYK : JCS_EXT_BGRA;
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

} // namespace

bool DecodeJpeg(TByteSpan data, TPixelBuffer& out, const TImageLimits& limits)
{
    TDecodeJob job{};
    TPixelBuffer decoded;
    bool ok = ReadHeader(job, data) && limits.Allows(job.Info.image_width, job.Info.image_height);
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
