#pragma once

#include "scan/PortEntry.h"

#include <QHash>
#include <QWidget>

class PortRow;
class PortsStore;
class QVBoxLayout;

// A column of rows kept in step with a list of entries. A row lives as long as its
// entry's id stays in the list, so an unchanged poll recreates nothing and a hovered
// row stays hovered.
class RowList : public QWidget {
    Q_OBJECT

public:
    explicit RowList(PortsStore &store, QWidget *parent = nullptr);

    void setEntries(const QList<PortEntry> &entries);
    // In display order.
    QList<PortRow *> rows() const;

private:
    PortsStore &m_store;
    QVBoxLayout *m_layout;
    QHash<QString, PortRow *> m_rows;
};
