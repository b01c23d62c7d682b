#pragma once

#include <QColor>
#include <QIcon>
#include <QString>

// The tray icon and the application's window icon: the mark in one colour.
class MenuBarIcon {
public:
    // The installed symbolic icon's name in the icon theme; the icon offers it to hosts.
    static constexpr QLatin1String themeName{"harklet-symbolic"};

    // The mark in the given colour, drawn at any size and named after the theme's symbolic
    // icon. The same icon for the same colour, so that an unchanged one is not sent again.
    static QIcon inColour(const QColor &colour);

    MenuBarIcon() = delete;
};
