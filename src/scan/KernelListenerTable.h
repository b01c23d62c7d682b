#pragma once

#include "KernelSocket.h"

#include <QList>

#include <optional>

// The kernel's own table of listening TCP sockets, IPv4 and IPv6, from a NETLINK_SOCK_DIAG
// dump. Costs microseconds whatever the number of open files, unlike lsof or /proc/net/tcp.
// Linux only.
class KernelListenerTable {
public:
    // Blocks for at most a second; nullopt when the socket or the reply fails.
    static std::optional<QList<KernelSocket>> read();

    KernelListenerTable() = delete;
};
