#include "widgets/FrameDrawing.h"

#include <QPainter>

#include <algorithm>

void DrawPolyline(QPainter& p, const QColor& color, std::initializer_list<QPoint> points)
{
    const QPoint* prev = nullptr;
    for (const QPoint& pt : points) {
        if (prev) {
            const QPoint a = *prev;
            if (a.y() == pt.y() && a.x() != pt.x()) {
                // Horizontal: from a up to, not including, pt.
                const int x0 = pt.x() > a.x() ? a.x() : pt.x() + 1;
                p.fillRect(QRect(x0, a.y(), std::abs(pt.x() - a.x()), 1), color);
            } else if (a.x() == pt.x() && a.y() != pt.y()) {
                const int y0 = pt.y() > a.y() ? a.y() : pt.y() + 1;
                p.fillRect(QRect(a.x(), y0, 1, std::abs(pt.y() - a.y())), color);
            }
        }
        prev = &pt;
    }
}

void DrawOutline(QPainter& p, const QColor& color, int left, int top, int right, int bottom)
{
    if (right <= left || bottom <= top) return;
    p.fillRect(QRect(left, top, right - left, 1), color);
    p.fillRect(QRect(left, bottom - 1, right - left, 1), color);
    p.fillRect(QRect(left, top, 1, bottom - top), color);
    p.fillRect(QRect(right - 1, top, 1, bottom - top), color);
}

void Frame3D(QPainter& p, QRect& r, const QColor& topLeft, const QColor& bottomRight, int width)
{
    for (int i = 0; i < width && r.width() > 0 && r.height() > 0; ++i) {
        p.fillRect(QRect(r.left(), r.top(), r.width(), 1), topLeft);
        p.fillRect(QRect(r.left(), r.top(), 1, r.height()), topLeft);
        p.fillRect(QRect(r.left() + 1, r.bottom(), r.width() - 1, 1), bottomRight);
        p.fillRect(QRect(r.right(), r.top() + 1, 1, r.height() - 1), bottomRight);
        r.adjust(1, 1, -1, -1);
    }
}
