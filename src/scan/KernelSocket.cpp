#include "KernelSocket.h"

#include <algorithm>
#include <arpa/inet.h>
#include <netinet/in.h>

using namespace Qt::StringLiterals;

namespace {

QString ntop(int family, const quint8 *bytes) {
    char text[INET6_ADDRSTRLEN] = {};
    if (!inet_ntop(family, bytes, text, sizeof text))
        return {};
    return QString::fromLatin1(text);
}

bool allZero(const quint8 *bytes, int count) {
    return std::all_of(bytes, bytes + count, [](quint8 b) { return b == 0; });
}

} // namespace

QString KernelSocket::lsofAddress() const {
    const quint8 *bytes = address.data();
    if (family == Family::ipv4)
        return allZero(bytes, 4) ? u"*"_s : ntop(AF_INET, bytes);
    if (allZero(bytes, 16))
        return u"*"_s;
    constexpr quint8 mappedPrefix[12] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xff, 0xff};
    if (std::equal(bytes, bytes + 12, mappedPrefix))
        return allZero(bytes + 12, 4) ? u"*"_s : ntop(AF_INET, bytes + 12);
    return u'[' + ntop(AF_INET6, bytes) + u']';
}
