#include "PanelWindow.h"

#include "PanelPlacement.h"
#include "look/GlassBackground.h"
#include "panel/PanelView.h"

#include <QAccessibleWidget>
#include <QCursor>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QScreen>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

// A tray click that takes the focus from the open pop-up arrives just after the focus
// loss has closed it; within this time the click only closes, it does not reopen.
constexpr qint64 reopenGuardMs = 300;

constexpr Qt::WindowFlags popUpFlags =
    Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint;

// Wayland clients cannot place their windows; the compositor does.
bool canPlaceWindows() {
    return !QGuiApplication::platformName().startsWith("wayland"_L1);
}

// A window to assistive technology rather than an anonymous filler, so that a screen reader
// announces the panel by its name when it opens.
QAccessibleInterface *panelWindowAccessible(const QString &className, QObject *object) {
    if (className == "PanelWindow"_L1 && object && object->isWidgetType())
        return new QAccessibleWidget(static_cast<QWidget *>(object), QAccessible::Window);
    return nullptr;
}

} // namespace

PanelWindow::PanelWindow(PortsStore &store, QWidget *parent)
    : QWidget(parent, popUpFlags) {
    static const bool accessibleAsWindow = [] {
        QAccessible::installFactory(panelWindowAccessible);
        return true;
    }();
    Q_UNUSED(accessibleAsWindow);
    setWindowTitle(u"Harklet"_s);
    setAccessibleName(u"Harklet"_s);
    GlassBackground::prepareWindow(this);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    // The window takes the panel's size and follows it as rows come and go.
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->addWidget(new PanelView(store, this));
}

void PanelWindow::popUp(const QRect &iconGeometry) {
    m_anchor = panelAnchor(iconGeometry, QCursor::pos());
    adjustSize();
    place();
    show();
    raise();
    activateWindow();
}

void PanelWindow::toggle(const QRect &iconGeometry) {
    if (isVisible())
        hide();
    else if (!m_sinceFocusLost.isValid() || m_sinceFocusLost.elapsed() > reopenGuardMs)
        popUp(iconGeometry);
}

void PanelWindow::showAsWindow() {
    if (m_isPopUp) {
        m_isPopUp = false;
        setWindowFlags(Qt::Window);
        GlassBackground::prepareWindow(this);
    }
    show();
    raise();
    activateWindow();
}

void PanelWindow::place() {
    if (!m_isPopUp || !canPlaceWindows())
        return;
    const QScreen *screen = QGuiApplication::screenAt(m_anchor.center());
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    move(panelTopLeft(m_anchor, size(), screen->availableGeometry()));
}

void PanelWindow::keyPressEvent(QKeyEvent *event) {
    if (m_isPopUp && event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        hide();
        return;
    }
    QWidget::keyPressEvent(event);
}

void PanelWindow::changeEvent(QEvent *event) {
    QWidget::changeEvent(event);
    // Only a window that had the focus loses it, so the click that opened the pop-up
    // cannot close it again before it was ever active.
    if (event->type() == QEvent::ActivationChange && m_isPopUp && isVisible() &&
        !isActiveWindow()) {
        m_sinceFocusLost.start();
        hide();
    }
}

void PanelWindow::resizeEvent(QResizeEvent *event) {
    QWidget::resizeEvent(event);
    // A growing panel must stay on screen and keep its edge at the icon.
    if (isVisible())
        place();
}

void PanelWindow::closeEvent(QCloseEvent *event) {
    QWidget::closeEvent(event);
    if (!m_isPopUp)
        emit closed();
}
