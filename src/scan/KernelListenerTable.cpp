#include "KernelListenerTable.h"

#include "SockDiagReply.h"

#include <QByteArray>
#include <QScopeGuard>

#include <cerrno>
#include <linux/inet_diag.h>
#include <linux/netlink.h>
#include <linux/sock_diag.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

bool request(int fd, quint8 family, quint32 sequence) {
    struct {
        nlmsghdr header;
        inet_diag_req_v2 request;
    } message{};
    message.header.nlmsg_len = sizeof message;
    message.header.nlmsg_type = SOCK_DIAG_BY_FAMILY;
    message.header.nlmsg_flags = NLM_F_REQUEST | NLM_F_DUMP;
    message.header.nlmsg_seq = sequence;
    message.request.sdiag_family = family;
    message.request.sdiag_protocol = IPPROTO_TCP;
    message.request.idiag_states = 1u << TCP_LISTEN;
    sockaddr_nl kernel{};
    kernel.nl_family = AF_NETLINK;
    return ::sendto(fd, &message, sizeof message, 0, reinterpret_cast<sockaddr *>(&kernel),
                    sizeof kernel) == ssize_t(sizeof message);
}

bool dump(int fd, quint8 family, quint32 sequence, QList<KernelSocket> &sockets) {
    if (!request(fd, family, sequence))
        return false;
    // The kernel fills datagrams of at most 32 KiB; a larger one is reported, not cut.
    QByteArray buffer(64 * 1024, Qt::Uninitialized);
    for (;;) {
        sockaddr_nl sender{};
        socklen_t senderLength = sizeof sender;
        const ssize_t received = ::recvfrom(fd, buffer.data(), size_t(buffer.size()), MSG_TRUNC,
                                            reinterpret_cast<sockaddr *>(&sender), &senderLength);
        if (received < 0 && errno == EINTR)
            continue;
        if (received <= 0 || received > buffer.size() || sender.nl_pid != 0)
            return false;
        const SockDiagReply::Datagram datagram =
            SockDiagReply::decode(QByteArrayView(buffer.constData(), received));
        if (datagram.progress == SockDiagReply::Progress::failed)
            return false;
        sockets += datagram.sockets;
        if (datagram.progress == SockDiagReply::Progress::done)
            return true;
    }
}

} // namespace

std::optional<QList<KernelSocket>> KernelListenerTable::read() {
    const int fd = ::socket(AF_NETLINK, SOCK_DGRAM | SOCK_CLOEXEC, NETLINK_SOCK_DIAG);
    if (fd < 0)
        return std::nullopt;
    const auto closeSocket = qScopeGuard([fd] { ::close(fd); });
    const timeval limit{1, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
    QList<KernelSocket> sockets;
    if (!dump(fd, AF_INET, 1, sockets) || !dump(fd, AF_INET6, 2, sockets))
        return std::nullopt;
    return sockets;
}
