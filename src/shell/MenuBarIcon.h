#pragma once

#include <QColor>
#include <QIcon>
#include <QString>

// The tray icon and the application's window icon: the mark in one colour.
class MenuBarIcon {
public:
    // The installed symbolic icon's name in the icon theme; the icon offers it to hosts.
    static constexpr QLatin1String themeName{"harklet-symbolic"};

    // The icon in the desktop's foreground colour, drawn at any size and named after the
    // theme's symbolic icon. A new icon only when that colour changes.
    static QIcon normal();

    MenuBarIcon() = delete;
};
