#include "imaging/MeasureCanvas.h"

#include <QImage>

TMeasureCanvas& TMeasureCanvas::Instance()
{
    static TMeasureCanvas canvas;
    return canvas;
}

QPaintDevice* TMeasureCanvas::Device()
{
    // A 1 x 1 image: its resolution (96 dpi) is that of every image the
    // program draws text on, so measured sizes match drawn ones.
    static QImage surface(1, 1, QImage::Format_ARGB32_Premultiplied);
    return &surface;
}

void TMeasureCanvas::SetFont(const QFont& font)
{
    FFont = font;
}

QFontMetrics TMeasureCanvas::Metrics()
{
    return QFontMetrics(FFont, Device());
}

TMeasureCanvas::TExtent TMeasureCanvas::TextExtent(const QString& text)
{
    const QFontMetrics fm = Metrics();
    return TExtent{fm.horizontalAdvance(text), fm.height()};
}
