#include "RowAccessibility.h"

#include "PortRow.h"

const QString RowAccessibility::openAction = QStringLiteral("Open in browser");
const QString RowAccessibility::stopAction = QStringLiteral("Stop server");

namespace {

QAccessibleInterface *rowFactory(const QString &className, QObject *object) {
    if (className == QLatin1String("PortRow") && object && object->isWidgetType())
        return new RowAccessibility(static_cast<PortRow *>(object));
    return nullptr;
}

} // namespace

RowAccessibility::RowAccessibility(PortRow *row)
    : QAccessibleWidget(row, QAccessible::ListItem) {}

void RowAccessibility::install() {
    static const bool installed = [] {
        QAccessible::installFactory(rowFactory);
        return true;
    }();
    Q_UNUSED(installed);
}

int RowAccessibility::childCount() const {
    return 0;
}

QAccessibleInterface *RowAccessibility::child(int) const {
    return nullptr;
}

int RowAccessibility::indexOfChild(const QAccessibleInterface *) const {
    return -1;
}

QAccessibleInterface *RowAccessibility::childAt(int, int) const {
    return nullptr;
}

QString RowAccessibility::text(QAccessible::Text kind) const {
    if (kind == QAccessible::Name)
        return PortRow::accessibleLabel(row()->entry());
    return QAccessibleWidget::text(kind);
}

QStringList RowAccessibility::actionNames() const {
    if (!row()->entry().hasProcess())
        return {openAction};
    return {openAction, stopAction};
}

void RowAccessibility::doAction(const QString &actionName) {
    const PortEntry &entry = row()->entry();
    // A socket without a known process can be opened, never stopped.
    if (!entry.hasProcess()) {
        if (actionName == openAction)
            row()->openInBrowser();
        return;
    }
    // System listeners can be copied from the menu, but never opened or stopped.
    if (entry.isSystem())
        return;
    if (actionName == openAction)
        row()->openInBrowser();
    else if (actionName == stopAction)
        row()->stop();
}

QStringList RowAccessibility::keyBindingsForAction(const QString &) const {
    return {};
}

PortRow *RowAccessibility::row() const {
    return static_cast<PortRow *>(widget());
}
