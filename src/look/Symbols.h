#pragma once

#include <QColor>
#include <QPixmap>

// The panel's pictograms: the desktop theme's symbolic icons where the theme has them,
// otherwise our own drawings, so the panel looks right with no icon theme installed.
// Either way the result is a single-colour silhouette in the tint asked for.
enum class Symbol {
    moreActions,
    magnifyingGlass,
    clearFilter,
    openInBrowser,
    stop,
    lock,
    chevron,
    warning,
    powerPlug,
};

namespace Symbols {

// A size × size (logical pixels) rendering at the given device pixel ratio.
QPixmap pixmap(Symbol symbol, int size, const QColor &tint, qreal devicePixelRatio);

} // namespace Symbols
