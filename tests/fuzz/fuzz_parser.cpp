#include "scan/PortScanner.h"

#include <QSet>

#include <cstdint>
#include <cstdlib>

// Whatever lsof or a hostile process name puts in the listing: no crash, and the records
// keep their shape (one per pid and port, each with its distinct addresses).
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    QSet<QString> ids;
    for (const PortEntry &entry : PortScanner::parse(text)) {
        if (ids.contains(entry.id()) || entry.addresses.isEmpty() ||
            QSet<QString>(entry.addresses.cbegin(), entry.addresses.cend()).size() !=
                entry.addresses.size())
            std::abort();
        ids.insert(entry.id());
    }
    return 0;
}
