#include "MenuBarIcon.h"

#include "look/AppMark.h"

#include <QHash>
#include <QIconEngine>
#include <QPainter>

using namespace Qt::StringLiterals;

namespace {

// Square edge lengths in device pixels that trays and high-density screens ask for.
constexpr int iconPixelSizes[] = {16, 18, 22, 24, 32, 36, 44, 48, 54, 64};

// The drawn glyph under the theme name of the installed symbolic icon. Status-notifier
// hosts that can recolour a symbolic icon load it by that name; the others, and X11
// trays, take the pixmaps drawn here.
class GlyphEngine : public QIconEngine {
public:
    explicit GlyphEngine(const QColor &color)
        : m_color(color) {}

    void paint(QPainter *painter, const QRect &rect, QIcon::Mode, QIcon::State) override {
        const int pixels = qMin(rect.width(), rect.height());
        if (pixels > 0)
            painter->drawImage(QRect(rect.topLeft(), QSize(pixels, pixels)),
                               AppMark::draw(pixels, m_color));
    }

    // Square, so that QIcon::paint centres it in a wider or taller space.
    QSize actualSize(const QSize &size, QIcon::Mode, QIcon::State) override {
        const int side = qMin(size.width(), size.height());
        return {side, side};
    }

    QPixmap pixmap(const QSize &size, QIcon::Mode, QIcon::State) override {
        return QPixmap::fromImage(
            AppMark::draw(qMax(1, qMin(size.width(), size.height())), m_color));
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

QIcon MenuBarIcon::inColour(const QColor &colour) {
    // A handful of colours in a session: the tray's, and the window's from the theme.
    static QHash<QRgb, QIcon> icons;
    QIcon &icon = icons[colour.rgba()];
    if (icon.isNull())
        icon = QIcon(new GlyphEngine(colour));
    return icon;
}
