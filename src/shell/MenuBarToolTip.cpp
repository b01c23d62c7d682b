#include "MenuBarToolTip.h"

#include "store/PortsStore.h"

#include <QApplication>
#include <QSystemTrayIcon>
#include <QWidget>

using namespace Qt::StringLiterals;

MenuBarToolTip MenuBarToolTip::forStore(const PortsStore &store) {
    const qsizetype userListeners = store.userEntries().size();
    if (userListeners == 0)
        return {u"Harklet"_s, u"Harklet"_s};
    const QString n = QString::number(userListeners);
    return {u"Harklet ("_s + n + u" listening)"_s, u"Harklet, "_s + n + u" servers listening"_s};
}

void MenuBarToolTip::apply(QSystemTrayIcon &tray) const {
    tray.setToolTip(text);
    // Qt hosts an embedded tray icon in a top-level widget of its own, and tray hosts name
    // the icon after that window's title. This program has one tray icon, so the widget is
    // ours. Until it exists there is nothing to name; the next change of the store retries.
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (QWidget *window : windows) {
        if (window->objectName() == "QSystemTrayIconSys"_L1)
            window->setWindowTitle(accessibilityLabel);
    }
}
