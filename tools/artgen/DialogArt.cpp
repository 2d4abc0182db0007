#include "DialogArt.h"

#include <QImage>
#include <QPainter>
#include <QPainterPath>

#include <cstdio>
#include <functional>

namespace {

using TDraw = std::function<void(QPainter&)>;

QImage Draw(int side, const TDraw& draw)
{
    QImage img(side, side, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    draw(p);
    p.end();
    return img;
}

QPen Outline(const QColor& c, double width = 1.5)
{
    QPen pen(c, width);
    pen.setJoinStyle(Qt::RoundJoin);
    pen.setCapStyle(Qt::RoundCap);
    return pen;
}

QLinearGradient Vertical(double top, double bottom, const QColor& a, const QColor& b)
{
    QLinearGradient g(0, top, 0, bottom);
    g.setColorAt(0, a);
    g.setColorAt(1, b);
    return g;
}

void FolderBack(QPainter& p)
{
    QPainterPath back;
    back.moveTo(4, 12);
    back.lineTo(17, 12);
    back.lineTo(21, 16);
    back.lineTo(44, 16);
    back.lineTo(44, 40);
    back.lineTo(4, 40);
    back.closeSubpath();
    p.setPen(Outline(QColor(0x9A, 0x6B, 0x12)));
    p.setBrush(Vertical(12, 40, QColor(0xF2, 0xC8, 0x5B), QColor(0xD9, 0xA1, 0x2E)));
    p.drawPath(back);
}

void FolderClose(QPainter& p)
{
    FolderBack(p);
    p.setBrush(Vertical(19, 40, QColor(0xFB, 0xDC, 0x7E), QColor(0xE8, 0xB2, 0x3C)));
    p.drawRoundedRect(QRectF(4, 19, 40, 21), 1.5, 1.5);
}

void FolderOpen(QPainter& p)
{
    FolderBack(p);
    p.setPen(Outline(QColor(0x80, 0x80, 0x80), 1));
    p.setBrush(QColor(0xFF, 0xFF, 0xFF));
    p.drawRect(QRectF(9, 8, 28, 24));  // a sheet inside
    QPainterPath flap;
    flap.moveTo(10, 22);
    flap.lineTo(47, 22);
    flap.lineTo(41, 40);
    flap.lineTo(4, 40);
    flap.closeSubpath();
    p.setPen(Outline(QColor(0x9A, 0x6B, 0x12)));
    p.setBrush(Vertical(22, 40, QColor(0xFD, 0xE5, 0x96), QColor(0xEC, 0xB8, 0x45)));
    p.drawPath(flap);
}

void Search(QPainter& p)
{
    p.setPen(QPen(QColor(0x55, 0x3A, 0x22), 6, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(29, 29), QPointF(42, 42));
    p.setPen(Outline(QColor(0x44, 0x4C, 0x58), 3.5));
    QRadialGradient glass(18, 16, 16);
    glass.setColorAt(0, QColor(0xFF, 0xFF, 0xFF, 230));
    glass.setColorAt(1, QColor(0x9C, 0xC8, 0xEE, 220));
    p.setBrush(glass);
    p.drawEllipse(QPointF(20, 20), 13, 13);
}

// A sheet with its top right corner folded.
void Sheet(QPainter& p, const QColor& paper)
{
    QPainterPath sheet;
    sheet.moveTo(10, 4);
    sheet.lineTo(30, 4);
    sheet.lineTo(39, 13);
    sheet.lineTo(39, 44);
    sheet.lineTo(10, 44);
    sheet.closeSubpath();
    p.setPen(Outline(QColor(0x6E, 0x76, 0x80)));
    p.setBrush(paper);
    p.drawPath(sheet);
    QPainterPath fold;
    fold.moveTo(30, 4);
    fold.lineTo(30, 13);
    fold.lineTo(39, 13);
    p.setBrush(QColor(0xD5, 0xDA, 0xE1));
    p.drawPath(fold);
}

void UnknownFile(QPainter& p)
{
    Sheet(p, QColor(0xFA, 0xFB, 0xFD));
    QPainterPath mark;  // a question mark
    mark.moveTo(19.5, 21);
    mark.cubicTo(19.5, 14.5, 30, 14.5, 30, 20.5);
    mark.cubicTo(30, 25, 24.5, 25, 24.5, 30);
    p.setPen(Outline(QColor(0x2F, 0x5C, 0x99), 3.5));
    p.setBrush(Qt::NoBrush);
    p.drawPath(mark);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x2F, 0x5C, 0x99));
    p.drawEllipse(QPointF(24.5, 37), 2.2, 2.2);
}

void Script(QPainter& p)
{
    Sheet(p, QColor(0xFF, 0xF8, 0xE1));
    const QColor ink[] = {QColor(0x2F, 0x5C, 0x99), QColor(0x3C, 0x8D, 0x4F), QColor(0x9B, 0x3D, 0x8C)};
    const double starts[] = {14, 18, 18, 14, 18, 22, 14};
    const double ends[] = {27, 34, 31, 30, 35, 33, 25};
    for (int i = 0; i < 7; ++i) {
        p.setPen(Outline(ink[i % 3], 2));
        p.drawLine(QPointF(starts[i], 17 + i * 3.8), QPointF(ends[i], 17 + i * 3.8));
    }
}

void Password(QPainter& p)
{
    p.setPen(Outline(QColor(0x8A, 0x6A, 0x10), 1.5));
    p.setBrush(Vertical(6, 42, QColor(0xFF, 0xE0, 0x6B), QColor(0xD9, 0xA5, 0x17)));
    QPainterPath key;
    key.addEllipse(QPointF(15, 24), 11, 11);
    QPainterPath shaft;
    shaft.moveTo(24, 21);
    shaft.lineTo(45, 21);
    shaft.lineTo(45, 27);
    shaft.lineTo(42, 27);
    shaft.lineTo(42, 32);
    shaft.lineTo(38, 32);
    shaft.lineTo(38, 27);
    shaft.lineTo(35, 27);
    shaft.lineTo(35, 31);
    shaft.lineTo(31, 31);
    shaft.lineTo(31, 27);
    shaft.lineTo(24, 27);
    shaft.closeSubpath();
    QPainterPath hole;
    hole.addEllipse(QPointF(11, 24), 3.5, 3.5);
    p.drawPath(key.united(shaft).subtracted(hole));
}

void UserName(QPainter& p)
{
    p.setPen(Outline(QColor(0x2B, 0x4A, 0x73)));
    QPainterPath body;
    body.moveTo(7, 45);
    body.cubicTo(7, 30, 14, 27, 24, 27);
    body.cubicTo(34, 27, 41, 30, 41, 45);
    body.closeSubpath();
    p.setBrush(Vertical(27, 45, QColor(0x5B, 0x8E, 0xD6), QColor(0x2F, 0x5C, 0x99)));
    p.drawPath(body);
    QRadialGradient face(21, 12, 12);
    face.setColorAt(0, QColor(0xFF, 0xE2, 0xC4));
    face.setColorAt(1, QColor(0xE8, 0xB5, 0x8A));
    p.setPen(Outline(QColor(0x9E, 0x6E, 0x4A)));
    p.setBrush(face);
    p.drawEllipse(QPointF(24, 15), 9.5, 10.5);
}

void Server(QPainter& p)
{
    p.setPen(Outline(QColor(0x3A, 0x40, 0x48)));
    QLinearGradient side(12, 0, 36, 0);
    side.setColorAt(0, QColor(0xB8, 0xBF, 0xC8));
    side.setColorAt(1, QColor(0x7D, 0x86, 0x92));
    p.setBrush(side);
    p.drawRoundedRect(QRectF(12, 3, 24, 42), 2, 2);
    for (int i = 0; i < 3; ++i) {
        const double y = 8 + i * 9;
        p.setPen(Outline(QColor(0x3A, 0x40, 0x48), 1));
        p.setBrush(QColor(0x4A, 0x52, 0x5C));
        p.drawRect(QRectF(15, y, 18, 5));
        p.setPen(Qt::NoPen);
        p.setBrush(i == 0 ? QColor(0x3D, 0xD6, 0x5A) : QColor(0xF2, 0xB1, 0x34));
        p.drawEllipse(QPointF(30, y + 2.5), 1.3, 1.3);
    }
    p.setPen(Outline(QColor(0x3A, 0x40, 0x48), 1));
    for (int i = 0; i < 4; ++i) p.drawLine(QPointF(16, 37 + i * 2), QPointF(32, 37 + i * 2));
}

void Firewall(QPainter& p)
{
    // Flames behind a brick wall.
    QPainterPath flame;
    flame.moveTo(12, 26);
    flame.cubicTo(8, 16, 17, 14, 16, 4);
    flame.cubicTo(22, 10, 24, 14, 25, 18);
    flame.cubicTo(27, 12, 31, 10, 31, 6);
    flame.cubicTo(38, 12, 41, 20, 36, 26);
    flame.closeSubpath();
    QLinearGradient fire(0, 4, 0, 26);
    fire.setColorAt(0, QColor(0xFF, 0xD2, 0x3F));
    fire.setColorAt(1, QColor(0xE2, 0x4A, 0x1B));
    p.setPen(Outline(QColor(0xB3, 0x33, 0x10), 1));
    p.setBrush(fire);
    p.drawPath(flame);
    p.setPen(Outline(QColor(0xE8, 0xE0, 0xD6), 1));
    for (int row = 0; row < 4; ++row) {
        const double y = 24 + row * 5.5;
        const double shift = row % 2 ? -5 : 0;
        for (int col = 0; col < 5; ++col) {
            const double x = 4 + shift + col * 10;
            const QRectF brick = QRectF(x, y, 10, 5.5).intersected(QRectF(4, 24, 40, 22));
            p.setBrush(((row + col) % 3) ? QColor(0xB8, 0x4A, 0x2E) : QColor(0xA2, 0x3F, 0x27));
            if (!brick.isEmpty()) p.drawRect(brick);
        }
    }
}

void MyComputer(QPainter& p)
{
    p.setPen(Outline(QColor(0x3A, 0x40, 0x48)));
    p.setBrush(QColor(0xC9, 0xCE, 0xD6));
    QPainterPath stand;
    stand.moveTo(20, 34);
    stand.lineTo(28, 34);
    stand.lineTo(30, 40);
    stand.lineTo(18, 40);
    stand.closeSubpath();
    p.drawPath(stand);
    p.drawRoundedRect(QRectF(12, 40, 24, 4), 1, 1);
    p.drawRoundedRect(QRectF(4, 5, 40, 30), 2.5, 2.5);
    QLinearGradient screen(0, 8, 0, 31);
    screen.setColorAt(0, QColor(0x4F, 0x9C, 0xE8));
    screen.setColorAt(1, QColor(0x1D, 0x55, 0x9E));
    p.setPen(Outline(QColor(0x2B, 0x33, 0x3D), 1));
    p.setBrush(screen);
    p.drawRect(QRectF(8, 9, 32, 22));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xFF, 0xFF, 0xFF, 70));
    QPainterPath shine;
    shine.moveTo(8, 9);
    shine.lineTo(28, 9);
    shine.lineTo(8, 23);
    shine.closeSubpath();
    p.drawPath(shine);
}

void Info(QPainter& p)
{
    QRadialGradient disc(18, 14, 28);
    disc.setColorAt(0, QColor(0x6F, 0xA8, 0xF0));
    disc.setColorAt(1, QColor(0x1E, 0x4F, 0xA3));
    p.setPen(Outline(QColor(0x17, 0x3C, 0x7A)));
    p.setBrush(disc);
    p.drawEllipse(QPointF(24, 24), 20, 20);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(24, 14), 3.2, 3.2);
    QPainterPath stem;
    stem.moveTo(19.5, 20);
    stem.lineTo(26.5, 20);
    stem.lineTo(26.5, 33);
    stem.lineTo(29, 33);
    stem.lineTo(29, 36);
    stem.lineTo(19, 36);
    stem.lineTo(19, 33);
    stem.lineTo(21.5, 33);
    stem.lineTo(21.5, 23);
    stem.lineTo(19.5, 23);
    stem.closeSubpath();
    p.drawPath(stem);
}

void AddGlyph(QPainter& p)
{
    p.setPen(Outline(QColor(0x1E, 0x6B, 0x2C), 1));
    p.setBrush(QColor(0x3F, 0xAE, 0x4F));
    QPainterPath upright, across;
    upright.addRect(QRectF(6, 2, 4, 12));
    across.addRect(QRectF(2, 6, 12, 4));
    p.drawPath(upright.united(across));
}

void DeleteGlyph(QPainter& p)
{
    p.setPen(QPen(QColor(0x9E, 0x1B, 0x1B), 4, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(4, 4), QPointF(12, 12));
    p.drawLine(QPointF(12, 4), QPointF(4, 12));
    p.setPen(QPen(QColor(0xE0, 0x45, 0x3A), 2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(4, 4), QPointF(12, 12));
    p.drawLine(QPointF(12, 4), QPointF(4, 12));
}

void OpenGlyph(QPainter& p)
{
    p.scale(16.0 / 48.0, 16.0 / 48.0);
    FolderOpen(p);
}

void SelectGlyph(QPainter& p)
{
    // Three swatches of a palette.
    p.setPen(Outline(QColor(0x40, 0x40, 0x40), 1));
    p.setBrush(QColor(0xE0, 0x45, 0x3A));
    p.drawRect(QRectF(1.5, 1.5, 7, 7));
    p.setBrush(QColor(0x3F, 0xAE, 0x4F));
    p.drawRect(QRectF(7.5, 4.5, 7, 7));
    p.setBrush(QColor(0x2F, 0x6C, 0xC9));
    p.drawRect(QRectF(4.5, 7.5, 7, 7));
}

} // namespace

bool WriteDialogArt(const QDir& dir)
{
    const struct {
        const char* Name;
        int Side;
        void (*Paint)(QPainter&);
    } kArt[] = {
        {"FOLDER_CLOSE", 48, FolderClose}, {"FOLDER_OPEN", 48, FolderOpen}, {"SEARCH", 48, Search},
        {"UNK_FILE", 48, UnknownFile},     {"SCRIPT", 48, Script},          {"PASSWORD", 48, Password},
        {"USERNAME", 48, UserName},        {"SERVER", 48, Server},          {"FIREWALL", 48, Firewall},
        {"MYCOMPUTER", 48, MyComputer},    {"INFO", 48, Info},              {"btnAdd", 16, AddGlyph},
        {"btnDelete", 16, DeleteGlyph},    {"btnOpen", 16, OpenGlyph},      {"btnSelect", 16, SelectGlyph},
    };
    const QString folder = dir.filePath(QStringLiteral("dialogs"));
    if (!QDir().mkpath(folder)) {
        std::fprintf(stderr, "cubiform-artgen: cannot create %s\n", qPrintable(folder));
        return false;
    }
    for (const auto& art : kArt) {
        const QString path = folder + QLatin1Char('/') + QLatin1String(art.Name) + QStringLiteral(".png");
        if (!Draw(art.Side, art.Paint).save(path, "PNG")) {
            std::fprintf(stderr, "cubiform-artgen: cannot write %s\n", qPrintable(path));
            return false;
        }
    }
    return true;
}
