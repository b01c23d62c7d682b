#include "PortListModel.h"

#include "RowTexts.h"
#include "scan/CurrentUser.h"
#include "store/ScanGate.h"

#include <QHash>
#include <QSet>

namespace {

// Where the process runs, its command line and how long it has run; read when asked, so the
// running time is current.
QString describe(const PortEntry &entry) {
    static const QString home = currentHomeDirectory();
    return RowTexts::processDescription(entry, ScanGate::bootClock(), home);
}

// "12 system listeners, collapsed": the header's number alone would not say what it counts.
QString describeHeader(const ListItem &header) {
    return QString::number(header.systemCount) +
           (header.systemCount == 1 ? QStringLiteral(" system listener, ")
                                    : QStringLiteral(" system listeners, ")) +
           (header.expanded ? QStringLiteral("expanded") : QStringLiteral("collapsed"));
}

// One line per key, the first one wins: a list may name a listener twice. The list itself,
// shared rather than copied, when it does not.
QList<ListItem> withUniqueKeys(const QList<ListItem> &items, QList<QString> &keys) {
    keys.reserve(items.size());
    QSet<QString> seen;
    seen.reserve(items.size());
    QList<qsizetype> repeated;
    for (qsizetype row = 0; row < items.size(); ++row) {
        QString key = items.at(row).key();
        if (seen.contains(key)) {
            repeated.append(row);
            continue;
        }
        seen.insert(key);
        keys.append(std::move(key));
    }
    if (repeated.isEmpty())
        return items;
    QList<ListItem> unique;
    unique.reserve(keys.size());
    for (qsizetype row = 0, next = 0; row < items.size(); ++row) {
        if (next < repeated.size() && repeated.at(next) == row)
            ++next;
        else
            unique.append(items.at(row));
    }
    return unique;
}

} // namespace

PortListModel::PortListModel(QObject *parent)
    : QAbstractListModel(parent) {}

void PortListModel::setItems(const QList<ListItem> &items) {
    if (items == m_items)
        return;
    QList<QString> newKeys;
    const QList<ListItem> wanted = withUniqueKeys(items, newKeys);
    if (m_items.isEmpty() || wanted.isEmpty()) {
        // Nothing to keep: one signal instead of a diff.
        beginResetModel();
        m_items = wanted;
        m_keys = newKeys;
        endResetModel();
        return;
    }

    QHash<QString, qsizetype> newRowOf;
    newRowOf.reserve(newKeys.size());
    for (qsizetype row = 0; row < newKeys.size(); ++row)
        newRowOf.insert(newKeys.at(row), row);

    // Kept: old lines still wanted whose order agrees with the new list. A line that moved
    // behind one kept before it goes and comes back, which is rare: the list is sorted.
    QList<bool> keep(m_items.size(), false);
    qsizetype lastKept = -1;
    for (qsizetype row = 0; row < m_keys.size(); ++row) {
        const qsizetype target = newRowOf.value(m_keys.at(row), -1);
        if (target > lastKept) {
            keep[row] = true;
            lastKept = target;
        }
    }
    removeUnkept(keep);

    // What is left is a subsequence of the new list: insert the gaps, update the rest.
    qsizetype row = 0;
    while (row < wanted.size()) {
        if (row < m_keys.size() && m_keys.at(row) == newKeys.at(row)) {
            if (!(m_items.at(row) == wanted.at(row))) {
                m_items[row] = wanted.at(row);
                const QModelIndex changed = index(int(row));
                emit dataChanged(changed, changed);
            }
            ++row;
            continue;
        }
        qsizetype end = row + 1;
        const QString next = row < m_keys.size() ? m_keys.at(row) : QString();
        while (end < wanted.size() && newKeys.at(end) != next)
            ++end;
        beginInsertRows({}, int(row), int(end - 1));
        m_items.insert(row, end - row, ListItem());
        m_keys.insert(row, end - row, QString());
        for (qsizetype i = row; i < end; ++i) {
            m_items[i] = wanted.at(i);
            m_keys[i] = newKeys.at(i);
        }
        endInsertRows();
        row = end;
    }
}

void PortListModel::removeUnkept(const QList<bool> &keep) {
    // From the back, a run at a time, so the rows named in each signal are still right.
    qsizetype row = keep.size();
    while (row > 0) {
        if (keep.at(row - 1)) {
            --row;
            continue;
        }
        const qsizetype last = row - 1;
        while (row > 0 && !keep.at(row - 1))
            --row;
        beginRemoveRows({}, int(row), int(last));
        m_items.remove(row, last - row + 1);
        m_keys.remove(row, last - row + 1);
        endRemoveRows();
    }
}

int PortListModel::rowCount(const QModelIndex &parent) const {
    return parent.isValid() ? 0 : int(m_items.size());
}

QVariant PortListModel::data(const QModelIndex &index, int role) const {
    if (!index.isValid() || index.row() >= m_items.size())
        return {};
    const ListItem &line = m_items.at(index.row());
    const bool header = line.kind == ListItem::Kind::systemHeader;
    switch (role) {
    case Qt::DisplayRole:
    case Qt::AccessibleTextRole:
        return header ? QStringLiteral("System") : RowTexts::accessibleLabel(line.entry);
    case Qt::AccessibleDescriptionRole:
        return header ? describeHeader(line) : describe(line.entry);
    case Qt::ToolTipRole:
        return header ? QString() : describe(line.entry);
    case ItemRole:
        return QVariant::fromValue(line);
    default:
        return {};
    }
}
