#pragma once

#include "scan/CurrentUser.h"
#include "scan/PortEntry.h"

// A listener of the user running the test, and one of somebody else.
inline PortEntry mine(qint64 port, pid_t pid = 100,
                      const QString &command = QStringLiteral("node")) {
    return {port, pid, command, currentLoginName(), {QStringLiteral("127.0.0.1")}};
}

inline PortEntry foreign(qint64 port, pid_t pid = 200,
                         const QString &command = QStringLiteral("postgres")) {
    return {
        port, pid, command, QStringLiteral("_not_") + currentLoginName(), {QStringLiteral("*")}};
}
