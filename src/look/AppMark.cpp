#include "AppMark.h"

#include <QPainter>
#include <QPen>

namespace AppMark {

QImage draw(int pixels, const QColor &color) {
    QImage image(pixels, pixels, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);

    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(pixels / qreal(size), pixels / qreal(size));

    // The design is laid out with y growing upwards from the bottom edge: the square
    // starts 1.8 above the bottom, so its top edge sits at 18 - 1.8 - 13.2 = 3.0 here,
    // and the dot's centre at 18 - 8.4 = 9.6.
    constexpr qreal lineWidth = 1.3;
    QPen pen(color, lineWidth, Qt::CustomDashLine, Qt::RoundCap, Qt::RoundJoin);
    // Qt measures dashes in line widths; each 0.1-long dash grows round caps into a dot.
    pen.setDashPattern({0.1 / lineWidth, 2.5 / lineWidth});
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(QRectF(2.4, 3.0, 13.2, 13.2), 4.2, 4.2);

    painter.setPen(Qt::NoPen);
    painter.setBrush(color);
    painter.drawEllipse(QPointF(9.0, 9.6), 2.6, 2.6);
    return image;
}

QPixmap render(qreal devicePixelRatio, const QColor &color) {
    const int pixels = qMax(1, qRound(size * devicePixelRatio));
    QPixmap pixmap = QPixmap::fromImage(draw(pixels, color));
    pixmap.setDevicePixelRatio(devicePixelRatio);
    return pixmap;
}

} // namespace AppMark
