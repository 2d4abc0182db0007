#include "wizard/PageArt.h"

#include <QString>

namespace {

QPixmap LoadArt(const QString& name)
{
    return QPixmap(QStringLiteral(":/art/page/") + name + QStringLiteral(".png"));
}

bool IsGlyphIndex(int index)
{
    return index == 0 || index == 1 || (index >= 5 && index <= 13) || (index >= 16 && index <= 19);
}

} // namespace

QPixmap PageBanner() { return LoadArt(QStringLiteral("banner")); }

QPixmap PageGlyphPixmap(int index)
{
    if (!IsGlyphIndex(index)) return {};
    return LoadArt(QStringLiteral("glyph%1").arg(index, 2, 10, QLatin1Char('0')));
}

QIcon PageGlyph(int index)
{
    const QPixmap p = PageGlyphPixmap(index);
    return p.isNull() ? QIcon() : QIcon(p);
}

QPixmap SelectGlyph() { return LoadArt(QStringLiteral("select")); }

const TImageList& PageImageList()
{
    static const TImageList list = [] {
        TImageList l(QSize(kPageGlyphSize, kPageGlyphSize));
        for (int i = 0; i < kPageGlyphCount; ++i) {
            QPixmap p = PageGlyphPixmap(i);
            if (p.isNull()) {
                // Unused places of the list stay transparent.
                p = QPixmap(kPageGlyphSize, kPageGlyphSize);
                p.fill(Qt::transparent);
            }
            l.Add(p);
        }
        return l;
    }();
    return list;
}
