// cubiform-assetgen: draws the renderer's bitmaps (BOOKTOP, SHADOW, SHADOW_R)
// and writes them as BMP files into the given folder (default: render/bitmaps).
#include "tools/assetgen/AssetArt.h"

#include <QDir>
#include <QSaveFile>

#include <cstdio>

namespace {

// Writes through a temporary file, so a failed run leaves the old file intact.
bool WriteFile(const QString& path, const std::vector<std::uint8_t>& bytes)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return false;
    if (file.write(reinterpret_cast<const char*>(bytes.data()), qint64(bytes.size())) !=
        qint64(bytes.size()))
        return false;
    return file.commit();
}

} // namespace

int main(int argc, char** argv)
{
    const QDir folder(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("render/bitmaps"));
    if (!folder.exists()) {
        std::fprintf(stderr, "cubiform-assetgen: folder %s does not exist\n",
                     qPrintable(folder.path()));
        return 1;
    }

    TBitmap32 bookTop, shadow, shadowRight;
    assetart::DrawBookTop(bookTop);
    assetart::DrawShadow(shadow, false);
    assetart::DrawShadow(shadowRight, true);

    const struct {
        const char* Name;
        std::vector<std::uint8_t> Bytes;
    } files[] = {
        {"BOOKTOP.bmp", assetart::EncodeBmp24(bookTop)},
        {"SHADOW.bmp", assetart::EncodeShadowBmp8(shadow)},
        {"SHADOW_R.bmp", assetart::EncodeShadowBmp8(shadowRight)},
    };
    for (const auto& f : files) {
        const QString path = folder.filePath(QString::fromLatin1(f.Name));
        if (!WriteFile(path, f.Bytes)) {
            std::fprintf(stderr, "cubiform-assetgen: cannot write %s\n", qPrintable(path));
            return 1;
        }
        std::printf("%s\n", qPrintable(QDir::toNativeSeparators(path)));
    }
    return 0;
}
