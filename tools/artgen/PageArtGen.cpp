// The wizard page's artwork: its 216 x 57 banner, the Select button's glyph
// and the 16 x 16 pictures of its image list, drawn with anti-aliased paths
// (no text, so the pixels do not depend on the installed fonts).
#include "PageArtGen.h"

#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>

#include <cstdio>
#include <functional>

namespace {

using DrawFn = std::function<void(QPainter&)>;

QImage Paint(int w, int h, const DrawFn& draw)
{
    QImage img(w, h, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    {
        QPainter p(&img);
        p.setRenderHint(QPainter::Antialiasing);
        draw(p);
    }
    return img.convertToFormat(QImage::Format_ARGB32);
}

QColor Rgb(unsigned rgb) { return QColor::fromRgb(QRgb(0xFF000000u | rgb)); }

QPolygonF Poly(std::initializer_list<QPointF> points) { return QPolygonF(QList<QPointF>(points)); }

void Fill(QPainter& p, const QPolygonF& poly, QColor fill, QColor edge)
{
    p.setPen(QPen(edge, 1.0));
    p.setBrush(fill);
    p.drawPolygon(poly);
}

// A box seen corner-on: lid over a front face on the left and a side on the
// right, the front corner's top at (cx, cy).
void Box(QPainter& p, double cx, double cy, double w, double d, double h, QColor front, QColor side,
         QColor lid, QColor edge)
{
    const double dy = 0.45;
    const QPointF ft(cx, cy), lt(cx - w, cy - w * dy), rt(cx + d, cy - d * dy),
        bt(cx + d - w, cy - (w + d) * dy);
    Fill(p, Poly({lt, ft, {cx, cy + h}, {lt.x(), lt.y() + h}}), front, edge);
    Fill(p, Poly({ft, rt, {rt.x(), rt.y() + h}, {cx, cy + h}}), side, edge);
    Fill(p, Poly({lt, bt, rt, ft}), lid, edge);
}

// A sheet of paper with a folded corner.
void Sheet(QPainter& p, double x, double y, double w, double h, QColor fill)
{
    Fill(p, Poly({{x, y}, {x + w - 3, y}, {x + w, y + 3}, {x + w, y + h}, {x, y + h}}), fill, Rgb(0x4A5A70));
    p.setPen(QPen(Rgb(0xA9B6C8), 1.0));
    for (double ly = y + 4.5; ly < y + h - 1.5; ly += 2.5) p.drawLine(QPointF(x + 2, ly), QPointF(x + w - 2, ly));
}

// Three stacked squares; `lifted` (0 bottom .. 2 top) is drawn in colour and
// the arrow points the way the layer moves.
void Stack(QPainter& p, int lifted, bool up, bool allTheWay)
{
    const QPointF origin[3] = {{1.5, 8.5}, {4.5, 5.5}, {7.5, 2.5}};
    for (int i = 0; i < 3; ++i) {
        const bool mine = i == lifted;
        p.setPen(QPen(mine ? Rgb(0x1B3A66) : Rgb(0x7F8A99), 1.0));
        p.setBrush(mine ? Rgb(0x3E7CC9) : Rgb(0xDDE3EA));
        p.drawRect(QRectF(origin[i], QSizeF(6, 6)));
    }
    p.setPen(Qt::NoPen);
    p.setBrush(Rgb(0x2E9E48));
    const double x = 13, y = up ? 2 : 14, s = up ? 1 : -1;
    p.drawPolygon(Poly({{x, y}, {x + 2.5, y + 3 * s}, {x - 2.5, y + 3 * s}}));
    p.drawRect(QRectF(x - 0.75, up ? y + 3 : y - (allTheWay ? 11 : 7), 1.5, allTheWay ? 8 : 4));
}

// A three-quarter arc with an arrow head, turning one way or the other.
void Turn(QPainter& p, bool clockwise)
{
    // Drawn turning clockwise (the head at the top points right); mirrored for the other way.
    if (!clockwise) {
        p.translate(16, 0);
        p.scale(-1, 1);
    }
    QPainterPath arc;
    arc.arcMoveTo(QRectF(2.5, 2.5, 11, 11), 90);
    arc.arcTo(QRectF(2.5, 2.5, 11, 11), 90, 270);
    p.setPen(QPen(Rgb(0x2F5C99), 2.0, Qt::SolidLine, Qt::FlatCap));
    p.setBrush(Qt::NoBrush);
    p.drawPath(arc);
    p.setPen(Qt::NoPen);
    p.setBrush(Rgb(0x2F5C99));
    p.drawPolygon(Poly({{5, 0}, {10.5, 3}, {5, 6}}));
}

QImage Glyph(int index)
{
    return Paint(16, 16, [index](QPainter& p) {
        switch (index) {
        case 0: // the template list: a drop-down box
            Fill(p, Poly({{0.5, 4.5}, {15.5, 4.5}, {15.5, 11.5}, {0.5, 11.5}}), Rgb(0xFFFFFF), Rgb(0x5C6B80));
            Fill(p, Poly({{10.5, 4.5}, {15.5, 4.5}, {15.5, 11.5}, {10.5, 11.5}}), Rgb(0xD6E2F0), Rgb(0x5C6B80));
            p.setPen(Qt::NoPen);
            p.setBrush(Rgb(0x1B3A66));
            p.drawPolygon(Poly({{11.5, 7}, {14.5, 7}, {13, 9.5}}));
            p.setBrush(Rgb(0x3E7CC9));
            p.drawRect(QRectF(2.5, 7, 6, 2));
            break;
        case 1: // the front face of a box, picked out
            Box(p, 9, 6, 8, 6, 9, Rgb(0x3E7CC9), Rgb(0xC9CED6), Rgb(0xEEF2F7), Rgb(0x1B3A66));
            break;
        case 5: // cut: scissors
            p.setPen(QPen(Rgb(0x5C6B80), 1.4));
            p.drawLine(QPointF(4, 1), QPointF(10.5, 10));
            p.drawLine(QPointF(12, 1), QPointF(5.5, 10));
            p.setPen(QPen(Rgb(0xC0392B), 1.5));
            p.setBrush(Qt::NoBrush);
            p.drawEllipse(QPointF(4.5, 12), 2.5, 2.5);
            p.drawEllipse(QPointF(11.5, 12), 2.5, 2.5);
            break;
        case 6: // copy: two sheets
            Sheet(p, 1.5, 1.5, 8, 10, Rgb(0xF4F7FB));
            Sheet(p, 6.5, 4.5, 8, 10, Rgb(0xFFFFFF));
            break;
        case 7: // paste: a sheet on a clipboard
            Fill(p, Poly({{1.5, 2.5}, {11.5, 2.5}, {11.5, 14.5}, {1.5, 14.5}}), Rgb(0xC8924A), Rgb(0x7A5526));
            Fill(p, Poly({{4.5, 1.5}, {8.5, 1.5}, {8.5, 4.5}, {4.5, 4.5}}), Rgb(0xB9C2CE), Rgb(0x5C6B80));
            Sheet(p, 6.5, 5.5, 8, 9.5, Rgb(0xFFFFFF));
            break;
        case 8: Stack(p, 2, true, true); break;   // bring to front
        case 9: Stack(p, 1, true, false); break;  // bring forward
        case 10: Stack(p, 1, false, false); break; // send back
        case 11: Stack(p, 0, false, true); break;  // send to back
        case 12: Turn(p, false); break;
        case 13: Turn(p, true); break;
        case 16: // text layer: a capital A over a baseline
            p.setPen(Qt::NoPen);
            p.setBrush(Rgb(0x1B3A66));
            p.drawPolygon(Poly({{6.5, 1}, {9.5, 1}, {14.5, 14}, {11.8, 14}, {10.6, 10.5}, {5.4, 10.5},
                                {4.2, 14}, {1.5, 14}}));
            p.setBrush(Rgb(0xFFFFFF));
            p.drawPolygon(Poly({{8, 4.2}, {9.8, 8.5}, {6.2, 8.5}}));
            p.setBrush(Rgb(0x3E7CC9));
            p.drawRect(QRectF(0.5, 14.5, 15, 1.5));
            break;
        case 17: // image layer: a framed landscape
            Fill(p, Poly({{0.5, 2.5}, {15.5, 2.5}, {15.5, 13.5}, {0.5, 13.5}}), Rgb(0xCFE6FA), Rgb(0x4A5A70));
            p.setPen(Qt::NoPen);
            p.setBrush(Rgb(0xF2C230));
            p.drawEllipse(QPointF(11.5, 6), 1.8, 1.8);
            p.setBrush(Rgb(0x3C8D40));
            p.drawPolygon(Poly({{1, 13}, {6, 6.5}, {9, 10}, {11, 8.5}, {15, 13}}));
            break;
        case 18: // delete: a red cross
            p.setPen(QPen(Rgb(0xC0392B), 3.0, Qt::SolidLine, Qt::RoundCap));
            p.drawLine(QPointF(3.5, 3.5), QPointF(12.5, 12.5));
            p.drawLine(QPointF(12.5, 3.5), QPointF(3.5, 12.5));
            break;
        case 19: // edit templates: a box with a pencil
            Box(p, 7, 6, 6, 5, 8, Rgb(0xE8892B), Rgb(0xB96A1E), Rgb(0xF6D9B8), Rgb(0x6B3F12));
            p.setPen(Qt::NoPen);
            p.setBrush(Rgb(0x2F5C99));
            p.drawPolygon(Poly({{14, 5}, {16, 7}, {10, 13}, {8, 11}}));
            p.setBrush(Rgb(0x1B1B1B));
            p.drawPolygon(Poly({{8, 11}, {10, 13}, {7, 14}}));
            break;
        default: break;
        }
    });
}

QImage SelectGlyph()
{
    return Paint(16, 16, [](QPainter& p) {
        // An open folder.
        Fill(p, Poly({{0.5, 3.5}, {5.5, 3.5}, {7, 5}, {13.5, 5}, {13.5, 13.5}, {0.5, 13.5}}), Rgb(0xE0B04A),
             Rgb(0x8A6416));
        Fill(p, Poly({{3, 7.5}, {15.5, 7.5}, {13.5, 13.5}, {0.5, 13.5}}), Rgb(0xF6D27A), Rgb(0x8A6416));
    });
}

QImage Banner()
{
    return Paint(216, 57, [](QPainter& p) {
        QLinearGradient g(0, 0, 216, 0);
        g.setColorAt(0.0, Rgb(0xFFFFFF));
        g.setColorAt(1.0, Rgb(0xDCE8F5));
        p.fillRect(QRectF(0, 0, 216, 57), g);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0, 0, 0, 40));
        p.drawEllipse(QPointF(168, 50), 40, 5);
        Box(p, 158, 20, 30, 22, 28, Rgb(0x2F6DB5), Rgb(0xE8892B), Rgb(0xDCE8F5), Rgb(0x1B3A66));
        Box(p, 200, 34, 12, 10, 14, Rgb(0x5B8ED0), Rgb(0xF0A75A), Rgb(0xEEF3FA), Rgb(0x1B3A66));
    });
}

bool WritePng(const QImage& img, const QDir& dir, const QString& name)
{
    const QString path = dir.filePath(name + QStringLiteral(".png"));
    if (img.save(path, "PNG")) return true;
    std::fprintf(stderr, "cubiform-artgen: cannot write %s\n", qPrintable(path));
    return false;
}

} // namespace

bool WritePageArt(const QDir& outputFolder)
{
    const QDir dir(outputFolder.filePath(QStringLiteral("page")));
    if (!dir.exists() && !QDir().mkpath(dir.path())) {
        std::fprintf(stderr, "cubiform-artgen: cannot create %s\n", qPrintable(dir.path()));
        return false;
    }
    bool ok = WritePng(Banner(), dir, QStringLiteral("banner")) && WritePng(SelectGlyph(), dir, QStringLiteral("select"));
    for (int index : {0, 1, 5, 6, 7, 8, 9, 10, 11, 12, 13, 16, 17, 18, 19})
        ok = ok && WritePng(Glyph(index), dir, QStringLiteral("glyph%1").arg(index, 2, 10, QLatin1Char('0')));
    return ok;
}
