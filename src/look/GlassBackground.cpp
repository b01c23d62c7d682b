#include "GlassBackground.h"

#include "X11Compositor.h"

#include <QGuiApplication>
#include <QPainter>
#include <QPainterPath>
#include <QWindow>

GlassBackground::GlassBackground(QWidget *parent)
    : QWidget(parent) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
}

namespace {

bool canBeTranslucent() {
    // Wayland always composes; on X11 only a running compositing manager does.
    const QString platform = QGuiApplication::platformName();
    return platform.startsWith(QLatin1String("wayland")) ||
           (platform == QLatin1String("xcb") && X11Compositor::isRunning());
}

QPainterPath sheetPath(const QRect &bounds) {
    QPainterPath path;
    path.addRoundedRect(QRectF(bounds).adjusted(0.5, 0.5, -0.5, -0.5),
                        GlassBackground::cornerRadius, GlassBackground::cornerRadius);
    return path;
}

} // namespace

void GlassBackground::prepareWindow(QWidget *topLevel) {
    // A framed window sits inside the window manager's frame, where clear rounded corners
    // would show the desktop through it.
    const bool seeThrough =
        topLevel->windowFlags().testFlag(Qt::FramelessWindowHint) && canBeTranslucent();
    topLevel->setAttribute(Qt::WA_TranslucentBackground, seeThrough);
    topLevel->setAttribute(Qt::WA_NoSystemBackground, seeThrough);
}

void GlassBackground::paintEvent(QPaintEvent *) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    QColor fill = palette().color(QPalette::Window);

    if (!window()->testAttribute(Qt::WA_TranslucentBackground)) {
        p.fillRect(rect(), fill);
        return;
    }
    fill.setAlphaF(0.94f);
    QColor border = palette().color(QPalette::WindowText);
    border.setAlphaF(0.14f);
    const QPainterPath path = sheetPath(rect());
    p.fillPath(path, fill);
    p.setPen(QPen(border, 1));
    p.drawPath(path);
}

void GlassBackground::resizeEvent(QResizeEvent *event) {
    QWidget::resizeEvent(event);
    requestBlur();
}

void GlassBackground::showEvent(QShowEvent *event) {
    QWidget::showEvent(event);
    requestBlur();
}

void GlassBackground::requestBlur() {
    // The sheet fills the whole window; blur behind it, not behind the clear corners.
    if (isWindow() || !window()->testAttribute(Qt::WA_TranslucentBackground))
        return;
    const QPoint origin = mapTo(window(), QPoint());
    X11Compositor::requestBlurBehind(
        window()->windowHandle(),
        QRegion(sheetPath(rect()).toFillPolygon().toPolygon()).translated(origin));
}
