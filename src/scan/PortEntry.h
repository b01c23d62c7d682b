#pragma once

#include "ProcessDetails.h"

#include <QString>
#include <QStringList>
#include <QUrl>
#include <QtGlobal>

#include <optional>
#include <sys/types.h>

// One process listening on one TCP port, with the local addresses it listens on there.
struct PortEntry {
    qint64 port = 0;
    pid_t pid = 0;
    QString command;
    QString login;
    QStringList addresses;
    // Known for the current user's own processes only.
    SharedProcessDetails process = {};

    // Commands of operating-system and desktop-session services that count as system
    // listeners even when they run as the current user. Tested in this order.
    static const QStringList systemCommandPrefixes;

    // "pid:port"; stable for as long as the same process holds the same port.
    QString id() const;
    // "all interfaces" when any address is a wildcard, else the first address.
    QString displayAddress() const;
    // Owned by someone else, without a known process, or an operating-system service of
    // the current user.
    bool isSystem() const;
    // A pid that can be signalled. A kernel socket no listed process accounts for has none.
    bool hasProcess() const { return pid > 0; }
    // http://localhost:<port>
    std::optional<QUrl> localURL() const;

    friend bool operator==(const PortEntry &, const PortEntry &) = default;
};
