#include "Symbols.h"

#include <QIcon>
#include <QPainter>
#include <QPainterPath>
#include <QStringList>

namespace Symbols {
namespace {

QStringList themeNames(Symbol symbol) {
    switch (symbol) {
    case Symbol::moreActions:
        return {QStringLiteral("view-more-symbolic"), QStringLiteral("open-menu-symbolic")};
    case Symbol::magnifyingGlass:
        return {QStringLiteral("edit-find-symbolic"), QStringLiteral("system-search-symbolic")};
    case Symbol::clearFilter:
        return {QStringLiteral("edit-clear-symbolic")};
    case Symbol::openInBrowser:
        return {QStringLiteral("web-browser-symbolic")};
    case Symbol::stop:
        return {QStringLiteral("process-stop-symbolic"), QStringLiteral("window-close-symbolic")};
    case Symbol::lock:
        return {QStringLiteral("changes-prevent-symbolic"),
                QStringLiteral("system-lock-screen-symbolic")};
    case Symbol::chevron:
        return {QStringLiteral("pan-end-symbolic"), QStringLiteral("go-next-symbolic")};
    case Symbol::warning:
        return {QStringLiteral("dialog-warning-symbolic")};
    case Symbol::powerPlug:
        return {QStringLiteral("network-wired-symbolic")};
    }
    return {};
}

QIcon themeIcon(Symbol symbol) {
    for (const QString &name : themeNames(symbol)) {
        if (QIcon::hasThemeIcon(name))
            return QIcon::fromTheme(name);
    }
    return {};
}

// The drawings use a 16 × 16 grid; the painter is scaled to the requested size.
void draw(QPainter &p, Symbol symbol, const QColor &tint) {
    QPen pen(tint, 1.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    const QRectF ring(1.25, 1.25, 13.5, 13.5);

    switch (symbol) {
    case Symbol::moreActions:
        p.drawEllipse(ring);
        p.setPen(Qt::NoPen);
        p.setBrush(tint);
        for (qreal x : {5.0, 8.0, 11.0})
            p.drawEllipse(QPointF(x, 8), 1.1, 1.1);
        break;
    case Symbol::magnifyingGlass:
        pen.setWidthF(1.8);
        p.setPen(pen);
        p.drawEllipse(QRectF(1.5, 1.5, 9.5, 9.5));
        p.drawLine(QPointF(9.6, 9.6), QPointF(14.3, 14.3));
        break;
    case Symbol::clearFilter: {
        QPainterPath path;
        path.addEllipse(QRectF(0.5, 0.5, 15, 15));
        QPainterPathStroker cross;
        cross.setWidth(1.8);
        cross.setCapStyle(Qt::RoundCap);
        QPainterPath lines;
        lines.moveTo(5.2, 5.2);
        lines.lineTo(10.8, 10.8);
        lines.moveTo(10.8, 5.2);
        lines.lineTo(5.2, 10.8);
        p.fillPath(path.subtracted(cross.createStroke(lines)), tint);
        break;
    }
    case Symbol::openInBrowser: {
        p.drawEllipse(ring);
        QPolygonF needle(
            {QPointF(11.5, 4.5), QPointF(9.2, 9.2), QPointF(4.5, 11.5), QPointF(6.8, 6.8)});
        p.setPen(Qt::NoPen);
        p.setBrush(tint);
        p.drawPolygon(needle);
        break;
    }
    case Symbol::stop:
        p.drawEllipse(ring);
        p.drawLine(QPointF(5.5, 5.5), QPointF(10.5, 10.5));
        p.drawLine(QPointF(10.5, 5.5), QPointF(5.5, 10.5));
        break;
    case Symbol::lock:
        p.drawArc(QRectF(4.5, 1.5, 7, 8), 0, 180 * 16);
        p.drawLine(QPointF(4.5, 5.5), QPointF(4.5, 7.5));
        p.drawLine(QPointF(11.5, 5.5), QPointF(11.5, 7.5));
        p.setPen(Qt::NoPen);
        p.setBrush(tint);
        p.drawRoundedRect(QRectF(2.5, 7, 11, 8), 1.8, 1.8);
        break;
    case Symbol::chevron:
        pen.setWidthF(2.2);
        p.setPen(pen);
        p.drawPolyline(QPolygonF({QPointF(5.5, 2.5), QPointF(11, 8), QPointF(5.5, 13.5)}));
        break;
    case Symbol::warning: {
        QPainterPath triangle;
        triangle.moveTo(8, 1);
        triangle.lineTo(15.5, 14.5);
        triangle.lineTo(0.5, 14.5);
        triangle.closeSubpath();
        QPainterPath mark;
        mark.addRoundedRect(QRectF(7.1, 5, 1.8, 5.5), 0.9, 0.9);
        mark.addEllipse(QPointF(8, 12.4), 1.1, 1.1);
        p.fillPath(triangle.subtracted(mark), tint);
        break;
    }
    case Symbol::powerPlug:
        p.drawLine(QPointF(5.5, 1), QPointF(5.5, 4.5));
        p.drawLine(QPointF(10.5, 1), QPointF(10.5, 4.5));
        p.drawLine(QPointF(8, 12), QPointF(8, 15));
        p.setPen(Qt::NoPen);
        p.setBrush(tint);
        p.drawChord(QRectF(3, 0.5, 10, 12), 180 * 16, 180 * 16);
        p.drawRect(QRectF(3, 4.5, 10, 2.1));
        break;
    }
}

QPixmap blank(int size, qreal devicePixelRatio) {
    QPixmap result(QSize(size, size) * devicePixelRatio);
    result.setDevicePixelRatio(devicePixelRatio);
    result.fill(Qt::transparent);
    return result;
}

QPixmap fallback(Symbol symbol, int size, const QColor &tint, qreal devicePixelRatio) {
    QPixmap result = blank(size, devicePixelRatio);
    QPainter p(&result);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 16.0, size / 16.0);
    draw(p, symbol, tint);
    return result;
}

} // namespace

QPixmap pixmap(Symbol symbol, int size, const QColor &tint, qreal devicePixelRatio) {
    const QIcon icon = themeIcon(symbol);
    if (icon.isNull())
        return fallback(symbol, size, tint, devicePixelRatio);

    QPixmap result = blank(size, devicePixelRatio);
    QPainter p(&result);
    icon.paint(&p, QRect(0, 0, size, size));
    p.setCompositionMode(QPainter::CompositionMode_SourceIn);
    p.fillRect(QRect(0, 0, size, size), tint);
    return result;
}

} // namespace Symbols
