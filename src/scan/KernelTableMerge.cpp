#include "CurrentUser.h"
#include "PortScanner.h"

#include <QHash>
#include <QSet>

QList<PortEntry> PortScanner::merge(const QList<PortEntry> &listing,
                                    const QList<KernelSocket> &kernelTable) {
    QSet<std::pair<qint64, QString>> listed;
    for (const PortEntry &entry : listing) {
        for (const QString &address : entry.addresses)
            listed.insert({entry.port, address});
    }
    QList<PortEntry> merged = listing;
    // Unattributed sockets share the id 0:port, so one entry per port holds their addresses.
    QHash<qint64, qsizetype> unattributedByPort;
    for (const KernelSocket &socket : kernelTable) {
        const QString address = socket.lsofAddress();
        if (listed.contains({socket.port, address}))
            continue;
        if (const auto found = unattributedByPort.constFind(socket.port);
            found != unattributedByPort.cend()) {
            PortEntry &entry = merged[*found];
            if (!entry.addresses.contains(address))
                entry.addresses.append(address);
            continue;
        }
        unattributedByPort.insert(socket.port, merged.size());
        merged.append(PortEntry{socket.port, 0, {}, loginNameOf(socket.uid), {address}});
    }
    return merged;
}
