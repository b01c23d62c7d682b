#include "GlassBackground.h"

#include <QGuiApplication>
#include <QPainter>
#include <QPainterPath>

GlassBackground::GlassBackground(QWidget *parent)
    : QWidget(parent) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
}

namespace {

bool canBeTranslucent() {
    // X11 desktops in use today run a compositor; Wayland always composes.
    const QString platform = QGuiApplication::platformName();
    return platform == QLatin1String("xcb") || platform.startsWith(QLatin1String("wayland"));
}

} // namespace

void GlassBackground::prepareWindow(QWidget *topLevel) {
    if (!canBeTranslucent())
        return;
    topLevel->setAttribute(Qt::WA_TranslucentBackground);
    topLevel->setAttribute(Qt::WA_NoSystemBackground);
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
    const QRectF sheet = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    QPainterPath path;
    path.addRoundedRect(sheet, cornerRadius, cornerRadius);
    p.fillPath(path, fill);
    p.setPen(QPen(border, 1));
    p.drawPath(path);
}
