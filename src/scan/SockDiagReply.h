#pragma once

#include "KernelSocket.h"

#include <QByteArrayView>
#include <QList>

// Reads the kernel's answer to a NETLINK_SOCK_DIAG dump of listening TCP sockets, one received
// datagram at a time. Pure: no sockets, no event loop, and safe on any bytes at all.
class SockDiagReply {
public:
    enum class Progress {
        more,   // a multi-part reply that goes on in the next datagram
        done,   // NLMSG_DONE reached: the dump is complete
        failed, // NLMSG_ERROR, an error in NLMSG_DONE, or a length that does not fit
    };

    struct Datagram {
        Progress progress = Progress::more;
        // The listening sockets this datagram holds; empty when it failed.
        QList<KernelSocket> sockets;
    };

    // Every length (message, payload, attribute) is checked against what is left before it is
    // read. Messages after NLMSG_DONE are ignored.
    static Datagram decode(QByteArrayView datagram);

    SockDiagReply() = delete;
};
