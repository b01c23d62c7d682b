#include "RowTexts.h"

namespace RowTexts {

QString port(const PortEntry &entry) {
    return QStringLiteral(":") + QString::number(entry.port);
}

QString command(const PortEntry &entry) {
    // Without a process, its owner is all there is to tell who holds the port.
    return entry.hasProcess() ? entry.command : entry.login;
}

QString details(const PortEntry &entry) {
    if (!entry.hasProcess())
        return entry.displayAddress();
    return QStringLiteral("PID ") + QString::number(entry.pid) + QStringLiteral(" · ") +
           entry.displayAddress();
}

QString accessibleLabel(const PortEntry &entry) {
    if (!entry.hasProcess()) {
        return QStringLiteral("Port ") + QString::number(entry.port) +
               QStringLiteral(", owned by ") + entry.login;
    }
    QString label = QStringLiteral("Port ") + QString::number(entry.port) + QStringLiteral(", ") +
                    entry.command + QStringLiteral(", process ") + QString::number(entry.pid);
    if (entry.isSystem())
        label += QStringLiteral(", system process, locked");
    return label;
}

QString openToolTip(const PortEntry &entry) {
    return QStringLiteral("Open localhost:") + QString::number(entry.port) +
           QStringLiteral(" in browser");
}

} // namespace RowTexts
