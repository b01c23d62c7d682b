#include "MenuBarIcon.h"

#include <QGuiApplication>
#include <QIconEngine>
#include <QPainter>
#include <QPalette>

using namespace Qt::StringLiterals;

namespace {

// Square edge lengths in device pixels that trays and high-density screens ask for.
constexpr int iconPixelSizes[] = {16, 18, 22, 24, 32, 36, 44, 48, 54, 64};

// Draws the 18-unit design into a square image of the given pixel size.
QImage draw(int pixels, const QColor &color) {
    QImage image(pixels, pixels, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);

    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(pixels / qreal(MenuBarIcon::size), pixels / qreal(MenuBarIcon::size));

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

QColor foregroundColor() {
    return QGuiApplication::palette().color(QPalette::Active, QPalette::WindowText);
}

// The drawn glyph under the theme name of the installed symbolic icon. Status-notifier
// hosts that can recolour a symbolic icon load it by that name; the others, and X11
// trays, take the pixmaps drawn here in the desktop's text colour.
class GlyphEngine : public QIconEngine {
public:
    explicit GlyphEngine(const QColor &color)
        : m_color(color) {}

    void paint(QPainter *painter, const QRect &rect, QIcon::Mode, QIcon::State) override {
        const int pixels = qMin(rect.width(), rect.height());
        if (pixels > 0)
            painter->drawImage(QRect(rect.topLeft(), QSize(pixels, pixels)), draw(pixels, m_color));
    }

    // Square, so that QIcon::paint centres it in a wider or taller space.
    QSize actualSize(const QSize &size, QIcon::Mode, QIcon::State) override {
        const int side = qMin(size.width(), size.height());
        return {side, side};
    }

    QPixmap pixmap(const QSize &size, QIcon::Mode, QIcon::State) override {
        return QPixmap::fromImage(draw(qMax(1, qMin(size.width(), size.height())), m_color));
    }

    QList<QSize> availableSizes(QIcon::Mode, QIcon::State) override {
        QList<QSize> sizes;
        for (int pixels : iconPixelSizes)
            sizes << QSize(pixels, pixels);
        return sizes;
    }

    QString iconName() override { return MenuBarIcon::themeName; }
    QString key() const override { return u"harklet-glyph"_s; }
    QIconEngine *clone() const override { return new GlyphEngine(m_color); }

private:
    QColor m_color;
};

} // namespace

QPixmap MenuBarIcon::render(qreal devicePixelRatio, const QColor &color) {
    const int pixels = qMax(1, qRound(size * devicePixelRatio));
    QPixmap pixmap = QPixmap::fromImage(draw(pixels, color));
    pixmap.setDevicePixelRatio(devicePixelRatio);
    return pixmap;
}

QIcon MenuBarIcon::normal() {
    static QColor builtFor;
    static QIcon icon;
    const QColor color = foregroundColor();
    if (icon.isNull() || color != builtFor) {
        icon = QIcon(new GlyphEngine(color));
        builtFor = color;
    }
    return icon;
}
