#pragma once

#include <QColor>
#include <QImage>
#include <QPixmap>

// Harklet's mark: a ring of small dots around a solid centre dot, in one colour. The tray
// icon, the window icon and the panel header all draw it.
namespace AppMark {

// Logical edge length of the drawing.
constexpr int size = 18;

// The mark filling a square image of the given pixel size.
QImage draw(int pixels, const QColor &color);

// One rendering of size × size logical pixels at the given device pixel ratio.
QPixmap render(qreal devicePixelRatio, const QColor &color);

} // namespace AppMark
