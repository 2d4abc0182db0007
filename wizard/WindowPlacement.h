// Where the main window opens, from its stored bounds and the screens.
#pragma once

#include <QList>
#include <QRect>

struct TWindowPlacement {
    QRect Bounds;  // position of the window, size of its client area
    bool Maximised = false;
};

// `stored` holds the stored left, top, width and height; a width below 1
// means nothing is stored. `screens` lists every screen, the primary first.
TWindowPlacement PlaceMainWindow(const QRect& stored, QSize designSize, QSize minimumSize,
                                 const QList<QRect>& screens);
