#include "IconSet.h"

#include <cstdio>

bool WriteIconSet(const QImage& icon256, const QDir& dir, const QString& name)
{
    const QImage source = icon256.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    for (const int size : {16, 32, 48, 128, 256}) {
        QImage icon = size == source.width()
                          ? source
                          : source.scaled(size, size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        const QString path = dir.filePath(QStringLiteral("%1-%2.png").arg(name).arg(size));
        if (!icon.convertToFormat(QImage::Format_ARGB32).save(path, "PNG")) {
            std::fprintf(stderr, "cubiform-artgen: cannot write %s\n", qPrintable(path));
            return false;
        }
    }
    return true;
}
