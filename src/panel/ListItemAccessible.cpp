#include "ListItemAccessible.h"

#include "ListAccessibility.h"
#include "PortListModel.h"
#include "PortListView.h"
#include "RowCommands.h"

#include <QKeySequence>

using namespace Qt::StringLiterals;

ListItemAccessible::ListItemAccessible(PortListView *view, const QModelIndex &index)
    : m_view(view)
    , m_index(index) {
    takeChanges(); // a new item has nothing to announce beyond its creation
}

QList<QAccessible::Event> ListItemAccessible::takeChanges() {
    QList<QAccessible::Event> changes;
    if (!isValid())
        return changes;
    const QString name = text(QAccessible::Name);
    const QString description = text(QAccessible::Description);
    const bool expanded = isExpanded();
    if (name != m_name)
        changes << QAccessible::NameChanged;
    if (description != m_description)
        changes << QAccessible::DescriptionChanged;
    if (expanded != m_expanded)
        changes << QAccessible::StateChanged;
    m_name = name;
    m_description = description;
    m_expanded = expanded;
    return changes;
}

bool ListItemAccessible::isValid() const {
    return m_view && m_index.isValid();
}

// None: the cache keys interfaces by object, and every line shares the view.
QObject *ListItemAccessible::object() const {
    return nullptr;
}

QWindow *ListItemAccessible::window() const {
    return m_view ? m_view->window()->windowHandle() : nullptr;
}

QAccessibleInterface *ListItemAccessible::parent() const {
    return m_view ? QAccessible::queryAccessibleInterface(m_view.data()) : nullptr;
}

QAccessibleInterface *ListItemAccessible::child(int) const {
    return nullptr;
}

int ListItemAccessible::childCount() const {
    return 0;
}

int ListItemAccessible::indexOfChild(const QAccessibleInterface *) const {
    return -1;
}

QAccessibleInterface *ListItemAccessible::childAt(int, int) const {
    return nullptr;
}

QString ListItemAccessible::text(QAccessible::Text kind) const {
    if (!isValid())
        return {};
    switch (kind) {
    case QAccessible::Name:
        return m_index.data(Qt::AccessibleTextRole).toString();
    case QAccessible::Description:
        return m_index.data(Qt::AccessibleDescriptionRole).toString();
    default:
        return {};
    }
}

void ListItemAccessible::setText(QAccessible::Text, const QString &) {}

QRect ListItemAccessible::rect() const {
    if (!isValid())
        return {};
    const QRect line = m_view->visualRect(m_index);
    if (line.isEmpty())
        return {};
    return ListAccessibility::onScreen(m_view->viewport(), line);
}

QAccessible::Role ListItemAccessible::role() const {
    return QAccessible::ListItem;
}

QAccessible::State ListItemAccessible::state() const {
    QAccessible::State state;
    if (!isValid()) {
        state.invalid = true;
        return state;
    }
    state.focusable = true;
    state.focused = m_view->hasFocus() && m_view->currentIndex() == m_index;
    const QRect line = m_view->visualRect(m_index);
    state.invisible = !m_view->isVisible() || line.isEmpty();
    state.offscreen = !state.invisible && !m_view->viewport()->rect().intersects(line);
    if (isHeader()) {
        state.expandable = true;
        state.expanded = isExpanded();
        state.collapsed = !state.expanded;
    }
    return state;
}

void *ListItemAccessible::interface_cast(QAccessible::InterfaceType type) {
    if (type == QAccessible::ActionInterface)
        return static_cast<QAccessibleActionInterface *>(this);
    return nullptr;
}

QStringList ListItemAccessible::actionNames() const {
    if (!isValid())
        return {};
    if (isHeader())
        return {toggleAction()};
    QStringList names;
    for (const RowAction &action :
         m_view->commands().actionsFor(m_view->listModel()->item(row()).entry))
        names << action.accessibleName;
    return names;
}

void ListItemAccessible::doAction(const QString &actionName) {
    if (!isValid())
        return;
    if (isHeader()) {
        if (actionName == toggleAction())
            m_view->toggleSystemSection();
        return;
    }
    const PortEntry entry = m_view->listModel()->item(row()).entry;
    for (const RowAction &action : m_view->commands().actionsFor(entry)) {
        if (action.accessibleName == actionName) {
            action.run();
            return;
        }
    }
}

// The keys that do the same on the focused line.
QStringList ListItemAccessible::keyBindingsForAction(const QString &actionName) const {
    if (actionName == toggleAction())
        return {QKeySequence(Qt::Key_Space).toString()};
    if (!isValid() || isHeader())
        return {};
    for (const RowAction &action :
         m_view->commands().actionsFor(m_view->listModel()->item(row()).entry)) {
        if (action.accessibleName == actionName && !action.key.isEmpty())
            return {action.key.toString()};
    }
    return {};
}

bool ListItemAccessible::isHeader() const {
    return m_view->listModel()->item(row()).kind == ListItem::Kind::systemHeader;
}

bool ListItemAccessible::isExpanded() const {
    return isHeader() && m_view->listModel()->item(row()).expanded;
}
