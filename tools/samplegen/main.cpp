// Draws the Greyfinch sample faces and saves them as JPEG files:
//   cubiform-samplegen [FOLDER]   (default: Samples)
// The committed Samples/ folder was made with this program.
#include "SampleArt.h"

#include "codecs/ImageFiles.h"

#include <QDir>
#include <QGuiApplication>

#include <cstdio>

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("Samples");
    if (!QDir().mkpath(folder)) {
        std::fprintf(stderr, "cannot create %s\n", qPrintable(folder));
        return 1;
    }
    struct TFace {
        const char* Name;
        void (*Draw)(TBitmap32&);
    };
    const TFace faces[] = {{"GreyfinchFront.jpg", samples::DrawFront},
                           {"GreyfinchSide.jpg", samples::DrawSide},
                           {"GreyfinchTop.jpg", samples::DrawTop}};
    for (const TFace& face : faces) {
        TBitmap32 image;
        face.Draw(image);
        const QString path = QDir(folder).filePath(QString::fromLatin1(face.Name));
        if (!SaveAsJpeg(path, image)) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            return 1;
        }
        std::printf("%s\n", qPrintable(path));
    }
    return 0;
}
