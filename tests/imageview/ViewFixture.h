// A shown image view whose viewport has a known size in view pixels.
#pragma once

#include "imaging/ImgView32.h"

#include <QApplication>
#include <QMouseEvent>
#include <QTest>

#include <memory>

struct ViewFixture {
    std::unique_ptr<TImgView32> view = std::make_unique<TImgView32>();

    // Viewport of w x h view pixels (the offscreen screen has a pixel ratio of 1).
    explicit ViewFixture(int w = 300, int h = 200)
    {
        TScrollBarSettings bars;
        bars.Size = 16;
        view->SetScrollBars(bars);
        view->resize(w + 16, h + 16);
        view->show();
        (void)QTest::qWaitForWindowExposed(view.get());
    }
    void Press(Qt::MouseButton b, int x, int y, Qt::KeyboardModifiers m = {})
    {
        held |= b;
        QTest::mousePress(view.get(), b, m, QPoint(x, y));
    }
    // A move with the held buttons and the given modifiers (QTest's own move
    // carries no modifiers).
    void Move(int x, int y, Qt::KeyboardModifiers m = {})
    {
        const QPointF local(x, y);
        QMouseEvent e(QEvent::MouseMove, local, view->mapToGlobal(local), Qt::NoButton, held, m);
        QApplication::sendEvent(view.get(), &e);
    }
    void Release(Qt::MouseButton b, int x, int y, Qt::KeyboardModifiers m = {})
    {
        held &= ~Qt::MouseButtons(b);
        QTest::mouseRelease(view.get(), b, m, QPoint(x, y));
    }
    Qt::MouseButtons held;
};

inline void FillPattern(TBitmap32& b, int w, int h, std::uint32_t seed)
{
    b.SetSize(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            seed = seed * 1664525u + 1013904223u;
            b.SetPixelAt(x, y, seed);
        }
}
