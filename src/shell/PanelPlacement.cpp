#include "PanelPlacement.h"

#include <algorithm>

namespace {

// Space between the panel and the icon, and between the panel and the screen's edges.
constexpr int gap = 4;

int clampInto(int start, int length, int areaStart, int areaLength) {
    return std::max(areaStart, std::min(start, areaStart + areaLength - length));
}

} // namespace

QRect panelAnchor(const QRect &iconGeometry, const QPoint &cursor) {
    return iconGeometry.isValid() ? iconGeometry : QRect(cursor, QSize(1, 1));
}

QPoint panelTopLeft(const QRect &anchor, const QSize &panel, const QRect &available) {
    const int x = anchor.x() + (anchor.width() - panel.width()) / 2;
    const bool below = anchor.center().y() < available.center().y();
    const int y = below ? anchor.bottom() + 1 + gap : anchor.top() - gap - panel.height();
    const QRect area = available.adjusted(gap, gap, -gap, -gap);
    return {clampInto(x, panel.width(), area.x(), area.width()),
            clampInto(y, panel.height(), area.y(), area.height())};
}
