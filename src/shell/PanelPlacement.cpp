#include "PanelPlacement.h"

#include <algorithm>

namespace {

// Space between the icon and the panel, so the panel does not cover the icon's edge.
constexpr int gap = 4;

int clampInto(int start, int length, int areaStart, int areaLength) {
    return std::max(areaStart, std::min(start, areaStart + areaLength - length));
}

} // namespace

QPoint panelTopLeft(const QRect &iconGeometry, const QPoint &cursor, const QSize &panel,
                    const QRect &available) {
    const QRect anchor = iconGeometry.isValid() ? iconGeometry : QRect(cursor, QSize(1, 1));
    const int x = anchor.x() + (anchor.width() - panel.width()) / 2;
    const bool below = anchor.center().y() < available.center().y();
    const int y = below ? anchor.bottom() + 1 + gap : anchor.top() - gap - panel.height();
    return {clampInto(x, panel.width(), available.x(), available.width()),
            clampInto(y, panel.height(), available.y(), available.height())};
}
