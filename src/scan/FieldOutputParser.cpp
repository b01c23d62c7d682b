#include "DecimalNumber.h"
#include "PortScanner.h"

#include <QHash>

#include <sys/types.h>

QList<PortEntry> PortScanner::parse(const QString &fieldOutput) {
    pid_t pid = 0;
    QString command;
    QString login;
    QList<PortEntry> records;
    // Keyed like PortEntry::id(), without building its text for every socket.
    QHash<std::pair<pid_t, qint64>, qsizetype> indexById;

    for (const QStringView line : QStringView(fieldOutput).split(u'\n')) {
        if (line.isEmpty())
            continue;
        const QStringView value = line.mid(1);
        switch (line.front().unicode()) {
        case u'p':
            pid = parseDecimal<pid_t>(value).value_or(0);
            // lsof leaves out L for a uid without a name and c for some processes; keeping
            // the previous process's values would hand another user's server to this one.
            command.clear();
            login.clear();
            break;
        case u'c':
            command = value.toString();
            break;
        case u'L':
            login = value.toString();
            break;
        case u'n': {
            const qsizetype colon = value.lastIndexOf(u':');
            if (colon < 0)
                break;
            const std::optional<qint64> port = parseDecimal<qint64>(value.mid(colon + 1));
            if (!port)
                break;
            const QString address = value.left(colon).toString();
            const auto key = std::pair(pid, *port);
            if (const auto found = indexById.constFind(key); found != indexById.cend()) {
                PortEntry &existing = records[*found];
                if (existing.addresses.contains(address))
                    break;
                existing = PortEntry{*port, pid, command, login, existing.addresses << address};
            } else {
                indexById.insert(key, records.size());
                records.append(PortEntry{*port, pid, command, login, {address}});
            }
            break;
        }
        default:
            break;
        }
    }
    return records;
}
