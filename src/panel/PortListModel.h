#pragma once

#include "ListItem.h"

#include <QAbstractListModel>
#include <QList>

// The list's lines, kept in step with the store by key: a changed line is a dataChanged,
// a new one an insertion, a gone one a removal, so views redo only what changed and a
// line's state (hover, focus, accessibility object) survives a poll.
class PortListModel : public QAbstractListModel {
    Q_OBJECT

public:
    enum Role {
        ItemRole = Qt::UserRole + 1, // the ListItem
    };

    explicit PortListModel(QObject *parent = nullptr);

    // Replaces the lines; does nothing at all when they equal the current ones.
    void setItems(const QList<ListItem> &items);
    const QList<ListItem> &items() const { return m_items; }
    const ListItem &item(int row) const { return m_items.at(row); }
    int rowCount(const QModelIndex &parent = {}) const override;
    // Qt::DisplayRole and Qt::AccessibleTextRole: the spoken label;
    // Qt::AccessibleDescriptionRole and Qt::ToolTipRole: the longer description;
    // ItemRole: the ListItem.
    QVariant data(const QModelIndex &index, int role) const override;

private:
    // Removes the lines not marked, a run at a time.
    void removeUnkept(const QList<bool> &keep);

    QList<ListItem> m_items;
    QList<QString> m_keys; // m_items' keys, row by row
};
