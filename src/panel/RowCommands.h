#pragma once

#include "scan/PortEntry.h"

#include <QKeySequence>
#include <QList>
#include <QString>

#include <functional>

class PortsStore;
class QMenu;

// One thing a row offers: its context-menu item and the same command for assistive
// technology, so the two never disagree.
struct RowAction {
    // "Open in browser", "Copy address", "Stop server", "Force stop server"
    QString accessibleName;
    // "Open in Browser", "Copy localhost:3000", "Stop (SIGTERM)", "Force Stop (SIGKILL)"
    QString menuText;
    // A separator goes before this item in the menu.
    bool separatorBefore = false;
    std::function<void()> run;
    // The key that does the same on the list's current row; none for the stops.
    QKeySequence key = {};
};

// The row commands, all sent to the store; their results are the store's to publish.
class RowCommands {
public:
    explicit RowCommands(PortsStore &store);

    void openInBrowser(const PortEntry &entry);
    void copyURL(const PortEntry &entry);
    // SIGTERM, animated unless reduced motion is asked for.
    void stop(const PortEntry &entry);
    // SIGKILL, never animated.
    void forceStop(const PortEntry &entry);

    // Whether a listener can be opened (all but system listeners with a process) and
    // stopped (the user's own, with a process); copying is always offered.
    static bool canOpen(const PortEntry &entry);
    static bool canStop(const PortEntry &entry);

    // What the row's menu offers, in menu order: for a system listener only the copy,
    // for a socket without a process open and copy, else all four.
    QList<RowAction> actionsFor(const PortEntry &entry);
    // Those actions as menu items, into an empty menu.
    void fillMenu(QMenu &menu, const PortEntry &entry);

private:
    PortsStore &m_store;
};
