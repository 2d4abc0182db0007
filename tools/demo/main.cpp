// cubiform-demo: composes a Three Side Box at the default size from generated
// faces and writes it as cubiform-demo.bmp in the current folder.
#include "render/Bitmap32Utils.h"

#include <QDir>
#include <QImage>

#include <cstdio>

namespace {

// A face with a vertical colour gradient and a darker frame, so that the
// mapping and the edge lines are easy to see.
void MakeFace(TBitmap32& face, int width, int height, TColor32 top, TColor32 bottom)
{
    face.SetSize(width, height);
    for (int y = 0; y < height; ++y) {
        const auto w = std::uint32_t(255 - (y * 255) / std::max(1, height - 1));
        const TColor32 c = plain::CombineColors(top, bottom, w);
        for (int x = 0; x < width; ++x) {
            const bool frame = x < 6 || y < 6 || x >= width - 6 || y >= height - 6;
            face.SetPixelAt(x, y, frame ? ShiftBrightness(c, -60) : c);
        }
    }
}

} // namespace

int main()
{
    TBitmap32 front, side, top, result;
    MakeFace(front, 233, 300, Color32(40, 90, 200), Color32(10, 30, 90));
    MakeFace(side, 17, 300, Color32(200, 60, 40), Color32(90, 20, 10));
    MakeFace(top, 250, 40, Color32(60, 170, 80), Color32(20, 90, 30));
    ComposeBox(result, front, side, top, bxThreeSideBox, boLeft, true, 250, 300, false);

    const QString path = QDir::current().absoluteFilePath(QStringLiteral("cubiform-demo.bmp"));
    if (!result.ToImage().save(path, "BMP")) {
        std::fprintf(stderr, "cubiform-demo: cannot write %s\n", qPrintable(path));
        return 1;
    }
    std::printf("%s\n", qPrintable(QDir::toNativeSeparators(path)));
    return 0;
}
