#pragma once

#include <QString>
#include <QtGlobal>

#include <array>
#include <compare>
#include <sys/types.h>

// One listening TCP socket as the kernel's socket table reports it.
struct KernelSocket {
    enum class Family : quint8 { ipv4, ipv6 };

    Family family = Family::ipv4;
    // Network byte order; an IPv4 address fills the first four bytes.
    std::array<quint8, 16> address{};
    quint16 port = 0;
    uid_t uid = 0;
    quint64 inode = 0;

    // The address as lsof's -nP output names it: "*" for any address, a dotted quad, an IPv6
    // address in brackets, and an IPv4-mapped IPv6 address as its IPv4 form.
    QString lsofAddress() const;

    friend auto operator<=>(const KernelSocket &, const KernelSocket &) = default;
};
