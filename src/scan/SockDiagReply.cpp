#include "SockDiagReply.h"

#include <cstring>
#include <linux/inet_diag.h>
#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <linux/sock_diag.h>
#include <netinet/in.h>
#include <netinet/tcp.h>

namespace {

constexpr qsizetype aligned(qsizetype length) {
    return (length + 3) & ~qsizetype(3);
}

// Copies a fixed-size header out of the bytes; the caller has checked the length.
template <typename T> T headerAt(QByteArrayView bytes, qsizetype offset) {
    T value;
    std::memcpy(&value, bytes.data() + offset, sizeof value);
    return value;
}

bool attributesFit(QByteArrayView attributes) {
    qsizetype offset = 0;
    while (offset < attributes.size()) {
        const qsizetype left = attributes.size() - offset;
        if (left < qsizetype(sizeof(rtattr)))
            return false;
        const auto attribute = headerAt<rtattr>(attributes, offset);
        if (attribute.rta_len < sizeof(rtattr) || attribute.rta_len > left)
            return false;
        offset += aligned(attribute.rta_len);
    }
    return true;
}

// One SOCK_DIAG_BY_FAMILY message; false when it is malformed.
bool appendSocket(QByteArrayView payload, QList<KernelSocket> &sockets) {
    if (payload.size() < qsizetype(sizeof(inet_diag_msg)))
        return false;
    if (!attributesFit(payload.sliced(aligned(sizeof(inet_diag_msg)))))
        return false;
    const auto message = headerAt<inet_diag_msg>(payload, 0);
    KernelSocket socket;
    if (message.idiag_family == AF_INET) {
        socket.family = KernelSocket::Family::ipv4;
        std::memcpy(socket.address.data(), message.id.idiag_src, 4);
    } else if (message.idiag_family == AF_INET6) {
        socket.family = KernelSocket::Family::ipv6;
        std::memcpy(socket.address.data(), message.id.idiag_src, 16);
    } else {
        return false;
    }
    if (message.idiag_state != TCP_LISTEN)
        return true; // asked for listeners only; anything else is not ours to show
    socket.port = ntohs(message.id.idiag_sport);
    socket.uid = message.idiag_uid;
    socket.inode = message.idiag_inode;
    sockets.append(socket);
    return true;
}

// NLMSG_DONE carries the dump's error code; a negative one means the dump broke off.
bool dumpSucceeded(QByteArrayView payload) {
    if (payload.size() < qsizetype(sizeof(int)))
        return true;
    return headerAt<int>(payload, 0) >= 0;
}

} // namespace

SockDiagReply::Datagram SockDiagReply::decode(QByteArrayView datagram) {
    const Datagram failure{Progress::failed, {}};
    Datagram result;
    qsizetype offset = 0;
    while (offset < datagram.size()) {
        const qsizetype left = datagram.size() - offset;
        if (left < qsizetype(sizeof(nlmsghdr)))
            return failure;
        const auto header = headerAt<nlmsghdr>(datagram, offset);
        if (header.nlmsg_len < sizeof(nlmsghdr) || header.nlmsg_len > left)
            return failure;
        const QByteArrayView payload = datagram.sliced(offset + aligned(sizeof(nlmsghdr)),
                                                       header.nlmsg_len - sizeof(nlmsghdr));
        switch (header.nlmsg_type) {
        case NLMSG_DONE:
            if (!dumpSucceeded(payload))
                return failure;
            result.progress = Progress::done;
            return result;
        case NLMSG_NOOP:
            break;
        case SOCK_DIAG_BY_FAMILY:
            if (!appendSocket(payload, result.sockets))
                return failure;
            break;
        default: // NLMSG_ERROR, NLMSG_OVERRUN, or nothing a dump sends
            return failure;
        }
        offset += aligned(header.nlmsg_len);
    }
    return result;
}
