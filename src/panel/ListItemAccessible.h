#pragma once

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QPersistentModelIndex>
#include <QPointer>

class PortListView;

// One line of the listener list as assistive technology sees it: a list item with the row's
// spoken label and description, and exactly the actions its context menu offers; the System
// header's item expands and collapses the section. It follows its line while lines above it
// come and go, and lives exactly as long as the line.
class ListItemAccessible : public QAccessibleInterface, public QAccessibleActionInterface {
public:
    ListItemAccessible(PortListView *view, const QModelIndex &index);

    // What a screen reader has been told of this item since the last call changed; the
    // events to send for it.
    QList<QAccessible::Event> takeChanges();
    PortListView *view() const { return m_view; }
    int row() const { return m_index.row(); }

    bool isValid() const override;
    QObject *object() const override;
    QWindow *window() const override;
    QAccessibleInterface *parent() const override;
    QAccessibleInterface *child(int index) const override;
    int childCount() const override;
    int indexOfChild(const QAccessibleInterface *child) const override;
    QAccessibleInterface *childAt(int x, int y) const override;
    QString text(QAccessible::Text kind) const override;
    void setText(QAccessible::Text kind, const QString &text) override;
    QRect rect() const override;
    QAccessible::Role role() const override;
    QAccessible::State state() const override;
    void *interface_cast(QAccessible::InterfaceType type) override;

    QStringList actionNames() const override;
    void doAction(const QString &actionName) override;
    QStringList keyBindingsForAction(const QString &actionName) const override;

private:
    bool isHeader() const;
    bool isExpanded() const;

    QPointer<PortListView> m_view;
    QPersistentModelIndex m_index;
    // As last told.
    QString m_name;
    QString m_description;
    bool m_expanded = false;
};
