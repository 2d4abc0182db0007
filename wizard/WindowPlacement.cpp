#include "wizard/WindowPlacement.h"

#include <algorithm>

TWindowPlacement PlaceMainWindow(const QRect& stored, QSize designSize, QSize minimumSize,
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
    if (stored.width() < 1) return centred(designSize);

    // A size beyond the whole desktop is damage, not a choice, and would only
    // cost memory.
    QRect desktop = primary;
    for (const QRect& s : screens) desktop |= s;
    const QSize size(std::clamp(stored.width(), minimumSize.width(), std::max(desktop.width(), designSize.width())),
                     std::clamp(stored.height(), minimumSize.height(),
                                std::max(desktop.height(), designSize.height())));
    const QRect bounds(stored.topLeft(), size);
    // A window left on a monitor that has since gone could not be reached.
    const bool reachable = std::any_of(screens.begin(), screens.end(), [&](const QRect& s) { return s.intersects(bounds); });
    if (!reachable) return centred(size);
    return {bounds, false};
}
