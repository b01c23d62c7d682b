#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

// What the panel hangs from: the tray icon, or the cursor when the tray tells no geometry.
QRect panelAnchor(const QRect &iconGeometry, const QPoint &cursor);

// Where the panel's top-left corner goes on screen: below the anchor (or above it when the
// anchor sits in the lower half of the screen), centred on it. The panel always stays a few
// pixels inside `available`; one larger than that keeps its top-left corner in.
QPoint panelTopLeft(const QRect &anchor, const QSize &panel, const QRect &available);
