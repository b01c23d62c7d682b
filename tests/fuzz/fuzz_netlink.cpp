#include "scan/SockDiagReply.h"

#include <cstdint>
#include <cstdlib>

// Any datagram the kernel (or anyone able to write to our netlink socket) could send: decoding
// never reads out of bounds, a failed datagram yields no sockets, and every socket it yields
// has an address lsof could have printed.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const QByteArrayView datagram(data, qsizetype(size));
    const SockDiagReply::Datagram decoded = SockDiagReply::decode(datagram);
    if (decoded.progress == SockDiagReply::Progress::failed && !decoded.sockets.isEmpty())
        std::abort();
    for (const KernelSocket &socket : decoded.sockets) {
        if (socket.lsofAddress().isEmpty())
            std::abort();
    }
    return 0;
}
