#include "RowList.h"

#include "panel/PortRow.h"

#include <QSet>
#include <QVBoxLayout>

RowList::RowList(PortsStore &store, QWidget *parent)
    : QWidget(parent)
    , m_store(store)
    , m_layout(new QVBoxLayout(this)) {
    m_layout->setContentsMargins(0, 0, 0, 0);
    m_layout->setSpacing(2);
}

void RowList::setEntries(const QList<PortEntry> &entries) {
    QSet<QString> wanted;
    for (const PortEntry &entry : entries)
        wanted.insert(entry.id());

    for (auto it = m_rows.begin(); it != m_rows.end();) {
        if (wanted.contains(it.key())) {
            ++it;
            continue;
        }
        // Later, not now: the row may be the one whose command led here.
        m_layout->removeWidget(it.value());
        it.value()->hide();
        it.value()->deleteLater();
        it = m_rows.erase(it);
    }

    int position = 0;
    QSet<QString> placed;
    for (const PortEntry &entry : entries) {
        const QString id = entry.id();
        if (placed.contains(id))
            continue; // one row per listener, even if a list names one twice
        placed.insert(id);
        PortRow *row = m_rows.value(id);
        if (row) {
            row->setEntry(entry);
        } else {
            row = new PortRow(entry, m_store, this);
            m_rows.insert(id, row);
        }
        if (m_layout->indexOf(row) != position) {
            m_layout->removeWidget(row);
            m_layout->insertWidget(position, row);
        }
        row->show();
        ++position;
    }
}

QList<PortRow *> RowList::rows() const {
    QList<PortRow *> ordered;
    for (int i = 0; i < m_layout->count(); ++i) {
        if (auto *row = qobject_cast<PortRow *>(m_layout->itemAt(i)->widget()))
            ordered << row;
    }
    return ordered;
}
