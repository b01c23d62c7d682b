#pragma once

#include "MenuBarToolTip.h"
#include "PanelWindow.h"
#include "TrayIconColour.h"
#include "store/PortsStore.h"

#include <QMenu>
#include <QObject>
#include <QTimer>

#include <chrono>
#include <memory>
#include <optional>

class QSystemTrayIcon;

// The application: owns the one store, the tray icon and the panel window it opens.
class HarkletApp : public QObject {
    Q_OBJECT

public:
    // A tray often appears only some seconds after login; until then the app waits, and
    // without one it shows the panel as a window.
    static constexpr std::chrono::milliseconds trayPollInterval{500};
    static constexpr int trayPolls = 20;

    HarkletApp();
    ~HarkletApp() override;

    // At the tray icon, or as the window when there is no tray.
    void showPanel();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void lookForTray();
    void installTray();
    void showWithoutTray();
    void updateToolTip();
    void updateIcon();

    // Declared first so it outlives the panel that reads it.
    PortsStore m_store;
    PanelWindow m_panel;
    QMenu m_trayMenu;
    TrayIconColour m_trayColour;
    std::unique_ptr<QSystemTrayIcon> m_tray;
    QTimer m_trayPoll;
    int m_trayPollsLeft = trayPolls;
    // What the tray shows now. Every change goes out over D-Bus to the tray host, which then
    // reads all of the item again, so an unchanged text is not set a second time.
    std::optional<MenuBarToolTip> m_shownToolTip;
};
