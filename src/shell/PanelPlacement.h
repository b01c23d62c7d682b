#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

// Where the panel's top-left corner goes on screen. It hangs below the tray icon (or
// above it when the icon sits in the lower half of the screen), centred on the icon;
// without an icon geometry the cursor stands in for the icon. The panel always stays a
// few pixels inside `available`; one larger than that keeps its top-left corner in.
QPoint panelTopLeft(const QRect &iconGeometry, const QPoint &cursor, const QSize &panel,
                    const QRect &available);
