#include "RowCommands.h"

#include "look/ReduceMotion.h"
#include "look/Spring.h"
#include "store/PortsStore.h"

#include <QMenu>

RowCommands::RowCommands(PortsStore &store)
    : m_store(store) {}

void RowCommands::openInBrowser(const PortEntry &entry) {
    m_store.openInBrowser(entry);
}

void RowCommands::copyURL(const PortEntry &entry) {
    m_store.copyURL(entry);
}

void RowCommands::stop(const PortEntry &entry) {
    if (ReduceMotion::isOn()) {
        m_store.kill(entry, false);
        return;
    }
    SpringTransaction animated(Spring::row);
    m_store.kill(entry, false);
}

void RowCommands::forceStop(const PortEntry &entry) {
    m_store.kill(entry, true);
}

bool RowCommands::canOpen(const PortEntry &entry) {
    return !entry.isSystem() || !entry.hasProcess();
}

bool RowCommands::canStop(const PortEntry &entry) {
    return !entry.isSystem() && entry.hasProcess();
}

QList<RowAction> RowCommands::actionsFor(const PortEntry &entry) {
    // Copies: the store notifies the panel before it is done, and the list may drop or
    // replace the entry meanwhile.
    const RowAction copy{QStringLiteral("Copy address"),
                         QStringLiteral("Copy localhost:") + QString::number(entry.port), false,
                         [this, entry] { copyURL(entry); }, QKeySequence::Copy};
    if (!canOpen(entry))
        return {copy};
    const RowAction open{QStringLiteral("Open in browser"), QStringLiteral("Open in Browser"),
                         false, [this, entry] { openInBrowser(entry); },
                         QKeySequence(Qt::Key_Return)};
    if (!canStop(entry))
        return {open, copy};
    return {open,
            copy,
            {QStringLiteral("Stop server"), QStringLiteral("Stop (SIGTERM)"), true,
             [this, entry] { stop(entry); }},
            {QStringLiteral("Force stop server"), QStringLiteral("Force Stop (SIGKILL)"), false,
             [this, entry] { forceStop(entry); }}};
}

void RowCommands::fillMenu(QMenu &menu, const PortEntry &entry) {
    for (const RowAction &action : actionsFor(entry)) {
        if (action.separatorBefore)
            menu.addSeparator();
        QObject::connect(menu.addAction(action.menuText), &QAction::triggered, &menu, action.run);
    }
}
