#include "HarkletApp.h"

#include "MenuBarIcon.h"
#include "look/ReduceMotion.h"

#include <QApplication>
#include <QPalette>
#include <QSystemTrayIcon>

#include <cstdio>

using namespace Qt::StringLiterals;

HarkletApp::HarkletApp()
    : m_panel(m_store) {
    updateIcon();
    qApp->installEventFilter(this);
    ReduceMotion::readDesktopSetting(this);

    m_trayMenu.addAction(u"Refresh"_s, this, [this] { m_store.refresh(); });
    m_trayMenu.addSeparator();
    m_trayMenu.addAction(u"Quit Harklet"_s, qApp, &QCoreApplication::quit);

    connect(&m_store, &PortsStore::changed, this, &HarkletApp::updateToolTip);
    connect(&m_panel, &PanelWindow::closed, qApp, &QCoreApplication::quit);

    m_trayPoll.setInterval(trayPollInterval);
    connect(&m_trayPoll, &QTimer::timeout, this, &HarkletApp::lookForTray);
    lookForTray();
}

HarkletApp::~HarkletApp() = default;

void HarkletApp::showPanel() {
    if (m_tray)
        m_panel.popUp(m_tray->geometry());
    else if (m_trayPoll.isActive())
        m_panel.popUp(QRect());
    else
        m_panel.showAsWindow();
}

void HarkletApp::lookForTray() {
    if (QSystemTrayIcon::isSystemTrayAvailable()) {
        m_trayPoll.stop();
        installTray();
    } else if (--m_trayPollsLeft <= 0) {
        m_trayPoll.stop();
        showWithoutTray();
    } else if (!m_trayPoll.isActive()) {
        m_trayPoll.start();
    }
}

void HarkletApp::installTray() {
    m_tray = std::make_unique<QSystemTrayIcon>(MenuBarIcon::inColour(m_trayColour.stroke()));
    m_tray->setContextMenu(&m_trayMenu);
    connect(&m_trayColour, &TrayIconColour::strokeChanged, this,
            [this](const QColor &stroke) { m_tray->setIcon(MenuBarIcon::inColour(stroke)); });
    connect(m_tray.get(), &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                if (reason == QSystemTrayIcon::Trigger)
                    m_panel.toggle(m_tray->geometry());
            });
    m_tray->show();
    m_trayColour.follow(m_tray.get());
    updateToolTip();
}

void HarkletApp::showWithoutTray() {
    std::fputs("Harklet found no system tray, so it shows its panel in a window; closing the "
               "window quits.\n",
               stderr);
    m_panel.showAsWindow();
}

// The store changes several times per poll (scanning, then done) even when it finds the
// same listeners; only a new count reaches the tray.
void HarkletApp::updateToolTip() {
    if (!m_tray)
        return;
    MenuBarToolTip toolTip = MenuBarToolTip::forStore(m_store);
    if (toolTip == m_shownToolTip)
        return;
    toolTip.apply(*m_tray);
    m_shownToolTip = std::move(toolTip);
}

// The window icon sits on the theme's own surfaces, so it takes the theme's text colour; the
// tray icon sits on a bar the theme does not paint and takes its colour from the tray.
void HarkletApp::updateIcon() {
    const QIcon icon = MenuBarIcon::inColour(
        QGuiApplication::palette().color(QPalette::Active, QPalette::WindowText));
    if (icon.cacheKey() != QApplication::windowIcon().cacheKey())
        QApplication::setWindowIcon(icon);
}

bool HarkletApp::eventFilter(QObject *watched, QEvent *event) {
    // A switch between light and dark themes changes the window icon's colour.
    if (watched == qApp && event->type() == QEvent::ApplicationPaletteChange)
        updateIcon();
    return QObject::eventFilter(watched, event);
}
