#include "wizard/WindowPlacement.h"

#include "settings/ComponentPosition.h"

#include <algorithm>

TWindowPlacement PlaceMainWindow(const TStoredBounds& stored, QSize designSize, QSize minimumSize,
                                 const QList<QRect>& screens)
{
    const QRect primary = screens.isEmpty() ? QRect(QPoint(0, 0), designSize) : screens.first();
    auto centred = [&](QSize size) {
        TWindowPlacement p;
        // Halves round toward zero, as integer division does.
        p.Bounds = QRect(QPoint(primary.x() + (primary.width() - size.width()) / 2,
                                primary.y() + (primary.height() - size.height()) / 2),
                         size);
        p.Maximised = primary.width() < size.width();
        return p;
    };
    if (stored.Width < 1) return centred(designSize);

    // A size beyond the whole desktop is damage, not a choice, and would only
    // cost memory.
    QRect desktop = primary;
    for (const QRect& s : screens) desktop |= s;
    const QSize size(std::clamp(stored.Width, minimumSize.width(), std::max(desktop.width(), designSize.width())),
                     std::clamp(stored.Height, minimumSize.height(),
                                std::max(desktop.height(), designSize.height())));
    // A window left on a monitor that has since gone, or with its title bar
    // beyond the screen's edge, could not be reached. Only a reachable place
    // is near enough to the screens to be a QRect without overflow.
    if (!IsPlaceReachable(stored.Left, stored.Top, size.width(), screens)) return centred(size);
    return {QRect(QPoint(stored.Left, stored.Top), size), false};
}
