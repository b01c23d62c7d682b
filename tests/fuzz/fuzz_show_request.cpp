#include "shell/ShowRequest.h"

#include <cstdint>
#include <cstdlib>

// A peer's bytes as they arrive, one more at a time: only the exact request is complete, and
// once the bytes went wrong no later byte makes them right.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const QByteArrayView received(data, qsizetype(size));
    bool wentWrong = false;
    for (qsizetype n = 0; n <= received.size(); ++n) {
        const ShowRequestState state = judgeShowRequest(received.first(n));
        if (wentWrong && state != ShowRequestState::invalid)
            std::abort();
        if ((state == ShowRequestState::complete) != (received.first(n) == showRequest))
            std::abort();
        wentWrong = state == ShowRequestState::invalid;
    }
    return 0;
}
