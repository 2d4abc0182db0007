// Where the main window opens, from its stored bounds and the screens.
#pragma once

#include <QList>
#include <QRect>

// The four stored values as they were read, which may be anything.
struct TStoredBounds {
    int Left = 0, Top = 0, Width = 0, Height = 0;
};

struct TWindowPlacement {
    QRect Bounds;  // position of the window, size of its client area
    bool Maximised = false;
};

// A stored width below 1 means nothing is stored. `screens` lists every
// screen, the primary first.
TWindowPlacement PlaceMainWindow(const TStoredBounds& stored, QSize designSize, QSize minimumSize,
                                 const QList<QRect>& screens);
