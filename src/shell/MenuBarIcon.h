#pragma once

#include <QColor>
#include <QIcon>
#include <QPixmap>
#include <QString>

// The tray icon: a ring of small dots around a solid centre dot, in one colour.
// Also the application's window icon and the panel header's icon.
class MenuBarIcon {
public:
    // Logical edge length of the drawing.
    static constexpr int size = 18;
    // The installed symbolic icon's name in the icon theme; the icon offers it to hosts.
    static constexpr QLatin1String themeName{"harklet-symbolic"};

    // The icon in the desktop's foreground colour, drawn at any size and named after the
    // theme's symbolic icon. A new icon only when that colour changes.
    static QIcon normal();

    // One rendering of size × size logical pixels at the given device pixel ratio.
    static QPixmap render(qreal devicePixelRatio, const QColor &color);

    MenuBarIcon() = delete;
};
