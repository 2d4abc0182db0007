#include "CodecTestSupport.h"

#include <QDir>
#include <QFile>

#include <gif_lib.h>
#include <png.h>

#include <cstring>
#include <random>
#include <stdexcept>

namespace codectest {

TPixelBuffer PhotoLike(int width, int height, std::uint32_t seed)
{
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> noise(-6, 6);
    TPixelBuffer b;
    b.Width = width;
    b.Height = height;
    b.Pixels.resize(std::size_t(width) * std::size_t(height));
    auto clamp = [](int v) { return std::uint8_t(v < 0 ? 0 : v > 255 ? 255 : v); };
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const int r = 40 + 180 * x / width + noise(rng);
            const int g = 200 - 150 * y / height + noise(rng);
            const int bl = 90 + 80 * ((x + y) % 97) / 97 + noise(rng);
            b.Row(y)[x] = Color32(clamp(r), clamp(g), clamp(bl));
        }
    }
    return b;
}

TPixelBuffer RandomPixels(int width, int height, std::uint32_t seed)
{
    std::mt19937 rng(seed);
    TPixelBuffer b;
    b.Width = width;
    b.Height = height;
    b.Pixels.resize(std::size_t(width) * std::size_t(height));
    for (TColor32& c : b.Pixels) c = TColor32(rng());
    return b;
}

TByteVector ReadAll(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    const QByteArray bytes = f.readAll();
    return TByteVector(bytes.begin(), bytes.end());
}

void WriteAll(const QString& path, const TByteVector& bytes)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) ||
        f.write(reinterpret_cast<const char*>(bytes.data()), qint64(bytes.size())) != qint64(bytes.size()))
        throw std::runtime_error("cannot write test file");
}

QStringList FolderEntries(const QString& folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                                  QDir::Name);
}

namespace {
struct TReader {
    const TByteVector* Data;
    std::size_t Pos = 0;
};
extern "C" int ReadTestGif(GifFileType* gif, GifByteType* buf, int len)
{
    auto* r = static_cast<TReader*>(gif->UserData);
    const std::size_t n = std::min(std::size_t(len), r->Data->size() - r->Pos);
    std::memcpy(buf, r->Data->data() + r->Pos, n);
    r->Pos += n;
    return int(n);
}
} // namespace

TGiflibImage DecodeWithGiflib(const TByteVector& file)
{
    TGiflibImage result;
    TReader reader{&file};
    int error = 0;
    GifFileType* gif = DGifOpen(&reader, ReadTestGif, &error);
    if (!gif) return result;
    if (DGifSlurp(gif) == GIF_OK && gif->ImageCount > 0) {
        const SavedImage& image = gif->SavedImages[0];
        result.Ok = true;
        result.ScreenWidth = gif->SWidth;
        result.ScreenHeight = gif->SHeight;
        result.Width = image.ImageDesc.Width;
        result.Height = image.ImageDesc.Height;
        result.ImageCount = gif->ImageCount;
        result.HasGlobalColorMap = gif->SColorMap != nullptr;
        result.ExtensionBlocks = gif->ExtensionBlockCount + image.ExtensionBlockCount;
        result.Indices.assign(image.RasterBits, image.RasterBits + std::size_t(result.Width) * result.Height);
    }
    DGifCloseFile(gif, &error);
    return result;
}

namespace {
extern "C" int AppendToVector(GifFileType* gif, const GifByteType* data, int length)
{
    auto* out = static_cast<TByteVector*>(gif->UserData);
    out->insert(out->end(), data, data + length);
    return length;
}
} // namespace

TByteVector MakeGif(int screenWidth, int screenHeight, const std::vector<TGifImageSpec>& images)
{
    TByteVector out;
    int error = 0;
    GifFileType* gif = EGifOpen(&out, AppendToVector, &error);
    const GifColorType colors[4] = {{0, 0, 0}, {255, 0, 0}, {0, 255, 0}, {0, 0, 255}};
    ColorMapObject* map = GifMakeMapObject(4, colors);
    EGifSetGifVersion(gif, true);
    EGifPutScreenDesc(gif, screenWidth, screenHeight, 8, 0, map);
    for (const TGifImageSpec& s : images) {
        if (s.Transparent >= 0) {
            GraphicsControlBlock control{};
            control.TransparentColor = s.Transparent;
            GifByteType ext[4];
            const std::size_t n = EGifGCBToExtension(&control, ext);
            EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, int(n), ext);
        }
        EGifPutImageDesc(gif, s.Left, s.Top, s.Width, s.Height, s.Interlaced, nullptr);
        std::vector<GifPixelType> line(std::size_t(s.Width), s.Fill);
        line[0] = 1;
        for (int r = 0; r < s.Height; ++r) {
            std::vector<GifPixelType> l = line;
            if (s.Width > 1) l[1] = GifPixelType(2 + (r & 1));
            EGifPutLine(gif, l.data(), s.Width);
        }
    }
    EGifCloseFile(gif, &error);
    GifFreeMapObject(map);
    return out;
}

namespace {

extern "C" void AppendPng(png_structp png, png_bytep data, png_size_t length)
{
    auto* out = static_cast<TByteVector*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + length);
}
extern "C" void FlushPng(png_structp) {}

} // namespace

TByteVector MakePng(const TPngSpec& spec)
{
    // Everything with a destructor exists before the jump is armed.
    TByteVector out;
    std::vector<png_color> palette;
    for (std::size_t i = 0; i + 2 < spec.Palette.size(); i += 3)
        palette.push_back({spec.Palette[i], spec.Palette[i + 1], spec.Palette[i + 2]});
    const std::size_t stride = spec.Rows.size() / std::size_t(spec.Height);
    std::vector<png_bytep> rows;
    for (int y = 0; y < spec.Height; ++y) rows.push_back(const_cast<png_bytep>(spec.Rows.data() + stride * y));
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) throw std::runtime_error("libpng could not write the test file");
    png_set_write_fn(png, &out, AppendPng, FlushPng);
    png_set_IHDR(png, info, png_uint_32(spec.Width), png_uint_32(spec.Height), spec.BitDepth, spec.ColorType,
                 spec.Interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    if (!palette.empty()) png_set_PLTE(png, info, palette.data(), int(palette.size()));
    if (spec.TransparentColor) {
        png_color_16 colour{0, spec.TransparentRed, spec.TransparentGreen, spec.TransparentBlue, spec.TransparentGrey};
        png_set_tRNS(png, info, nullptr, 0, &colour);
    } else if (!spec.Transparency.empty()) {
        png_set_tRNS(png, info, spec.Transparency.data(), int(spec.Transparency.size()), nullptr);
    }
    png_write_info(png, info);
    png_write_image(png, rows.data());
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return out;
}

bool DecodeWithLibpng(const TByteVector& file, TPixelBuffer& out)
{
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&image, file.data(), file.size())) return false;
    image.format = PNG_FORMAT_BGRA;
    out.Width = int(image.width);
    out.Height = int(image.height);
    out.Pixels.assign(std::size_t(image.width) * image.height, 0);
    return png_image_finish_read(&image, nullptr, out.Pixels.data(), 0, nullptr) != 0;
}

} // namespace codectest
