#pragma once

#include <QColor>
#include <QImage>

#include <optional>

// How the tray icon's strokes stand out from the bar behind them: contrast as WCAG defines it,
// and the stroke colours that keep it at 3:1 or more.
namespace TrayContrast {

// From 1 (same luminance) to 21 (black on white).
double ratio(const QColor &a, const QColor &b);

// Near-white on dark bars, near-black on light ones: at least 3.9:1 on any opaque bar.
QColor strokeFor(const QColor &bar);

// For a bar nobody knows: a mid grey at 3.8:1 on both a #1e1e1e and a #f0f0f0 bar.
QColor neutralStroke();

// The foreground colour of an X tray's _NET_SYSTEM_TRAY_COLORS hint: twelve 16-bit channels
// (foreground, error, warning, success). Nothing for a hint of another length or range.
std::optional<QColor> trayForeground(const QList<quint32> &hint);

// The bar's colour from a grab of the icon's cell: the median of its outermost pixels, where
// the mark never draws. Nothing for an empty grab.
std::optional<QColor> barColour(const QImage &cell);

} // namespace TrayContrast
