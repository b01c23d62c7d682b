#pragma once

#include <QString>

class PortsStore;
class QSystemTrayIcon;

// The texts on the tray icon that count the user's own listening servers.
struct MenuBarToolTip {
    QString text;
    QString accessibilityLabel;

    // Counts the store's user listeners; system listeners and the panel's filter never count.
    static MenuBarToolTip forStore(const PortsStore &store);

    // Sets the tool tip, and the accessibility label as the title of the icon's window where
    // the tray embeds X11 windows; hosts take that title as the icon's name. A status-notifier
    // tray has no such window: there the tool tip is what screen readers announce.
    void apply(QSystemTrayIcon &tray) const;

    bool operator==(const MenuBarToolTip &) const = default;
};
