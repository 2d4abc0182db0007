#include "codecs/GifReader.h"

#include <gif_lib.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>

namespace {

// giflib's input: a short count at the end of the data or on a read error.
extern "C" int ReadFromSource(GifFileType* gif, GifByteType* buffer, int length)
{
    if (length <= 0) return 0;
    const std::ptrdiff_t n = static_cast<TByteSource*>(gif->UserData)->Read(buffer, std::size_t(length));
    return n < 0 ? 0 : int(n);
}

struct TGifCloser {
    void operator()(GifFileType* gif) const
    {
        int error = 0;
        DGifCloseFile(gif, &error);
    }
};
using TGifFile = std::unique_ptr<GifFileType, TGifCloser>;

// Reads extension blocks up to the first image; remembers its transparent index.
bool SkipToFirstImage(GifFileType* gif, int& transparent)
{
    for (;;) {
        GifRecordType type;
        if (DGifGetRecordType(gif, &type) == GIF_ERROR) return false;
        if (type == IMAGE_DESC_RECORD_TYPE) return DGifGetImageDesc(gif) != GIF_ERROR;
        if (type != EXTENSION_RECORD_TYPE) return false; // trailer or garbage before any image
        int code = 0;
        GifByteType* block = nullptr;
        if (DGifGetExtension(gif, &code, &block) == GIF_ERROR) return false;
        if (code == GRAPHICS_EXT_FUNC_CODE && block && block[0] >= 4) {
            GraphicsControlBlock control;
            if (DGifExtensionToGCB(block[0], block + 1, &control) == GIF_OK)
                transparent = control.TransparentColor;
        }
        while (block) {
            if (DGifGetExtensionNext(gif, &block) == GIF_ERROR) return false;
        }
    }
}

void StartFromBackground(TPixelBuffer& picture, TPixelView background)
{
    const std::size_t count = std::size_t(picture.Width) * std::size_t(picture.Height);
    if (!background.IsEmpty() && background.Width == picture.Width && background.Height == picture.Height)
        picture.Pixels.assign(background.Pixels, background.Pixels + count);
    else
        picture.Pixels.assign(count, clTransparent32);
}

bool DrawFirstImage(GifFileType* gif, int transparent, TPixelBuffer& picture)
{
    const GifImageDesc& desc = gif->Image;
    const ColorMapObject* map = desc.ColorMap ? desc.ColorMap : gif->SColorMap;
    if (!map || !map->Colors || desc.Width < 0 || desc.Height < 0) return false;
    TColor32 colors[256];
    for (int i = 0; i < 256; ++i) {
        if (i < map->ColorCount) {
            const GifColorType& c = map->Colors[i];
            colors[i] = Color32(c.Red, c.Green, c.Blue);
        } else {
            colors[i] = clBlack32;
        }
    }

    std::vector<GifPixelType> line(std::size_t(std::max(desc.Width, 1)));
    auto drawRow = [&](int row) {
        const int y = desc.Top + row;
        if (y < 0 || y >= picture.Height) return;
        TColor32* dst = picture.Row(y);
        const int xEnd = std::min(desc.Width, picture.Width - desc.Left);
        for (int x = std::max(0, -desc.Left); x < xEnd; ++x) {
            const int index = line[std::size_t(x)];
            if (index != transparent) dst[desc.Left + x] = colors[index];
        }
    };
    if (desc.Width == 0) return true;

    if (desc.Interlace) {
        static constexpr int kStart[4] = {0, 4, 2, 1}, kStep[4] = {8, 8, 4, 2};
        for (int pass = 0; pass < 4; ++pass) {
            for (int row = kStart[pass]; row < desc.Height; row += kStep[pass]) {
                if (DGifGetLine(gif, line.data(), desc.Width) == GIF_ERROR) return false;
                drawRow(row);
            }
        }
    } else {
        for (int row = 0; row < desc.Height; ++row) {
            if (DGifGetLine(gif, line.data(), desc.Width) == GIF_ERROR) return false;
            drawRow(row);
        }
    }
    return true;
}

// Pixels the first image leaves undrawn start from `background` when it is
// the screen's size, else transparent black; unless `keepAlpha`, every pixel
// ends opaque.
bool DecodeFirstImage(TByteSource& source, TPixelView background, bool keepAlpha, TPixelBuffer& out,
                      const TImageLimits& limits, const TAdmitHeader& admit)
{
    int error = 0;
    TGifFile gif(DGifOpen(&source, ReadFromSource, &error));
    if (!gif) return false;

    int transparent = NO_TRANSPARENT_COLOR;
    if (!SkipToFirstImage(gif.get(), transparent)) return false;

    std::int64_t width = gif->SWidth, height = gif->SHeight;
    if (width <= 0 || height <= 0) {
        width = std::int64_t(gif->Image.Left) + gif->Image.Width;
        height = std::int64_t(gif->Image.Top) + gif->Image.Height;
    }
    if (!limits.Allows(width, height)) return false;
    // Every row of the first image is decoded, also those off the screen, so
    // its own size is held to the same limits.
    const GifImageDesc& image = gif->Image;
    if (image.Width > limits.MaxSide || image.Height > limits.MaxSide ||
        std::int64_t(image.Width) * image.Height > limits.MaxPixels)
        return false;
    if (admit && !admit(TImageHeader{width, height, std::max(image.Width, 1)})) return false;
    try {
        TPixelBuffer picture;
        picture.Width = int(width);
        picture.Height = int(height);
        StartFromBackground(picture, background);
        if (!DrawFirstImage(gif.get(), transparent, picture)) return false;
        if (!keepAlpha)
            for (TColor32& c : picture.Pixels) c |= 0xFF000000u;
        out = std::move(picture);
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

} // namespace

bool DecodeGif(TByteSpan data, TPixelView background, TPixelBuffer& out, const TImageLimits& limits)
{
    TSpanSource source(data);
    return DecodeGif(source, background, out, limits);
}

bool DecodeGif(TByteSource& source, TPixelView background, TPixelBuffer& out, const TImageLimits& limits,
               const TAdmitHeader& admit)
{
    return DecodeFirstImage(source, background, false, out, limits, admit);
}

bool DecodeGifWithAlpha(TByteSpan data, TPixelBuffer& out, const TImageLimits& limits)
{
    TSpanSource source(data);
    return DecodeGifWithAlpha(source, out, limits);
}

bool DecodeGifWithAlpha(TByteSource& source, TPixelBuffer& out, const TImageLimits& limits, const TAdmitHeader& admit)
{
    return DecodeFirstImage(source, {}, true, out, limits, admit);
}
