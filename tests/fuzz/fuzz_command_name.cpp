#include "store/CommandName.h"

#include <cstdint>
#include <cstdlib>

// Two kernel command names from one input: the first byte says where the first one ends.
// However lsof spelled them, two different names must never read the same, or a stop could
// reach a process other than the one listed.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size == 0)
        return 0;
    const QByteArrayView rest(data + 1, qsizetype(size - 1));
    const qsizetype split = qMin(qsizetype(data[0]), rest.size());
    const QByteArrayView first = rest.first(split);
    const QByteArrayView second = rest.sliced(split);

    for (const LsofLocale a : {LsofLocale::c, LsofLocale::utf8}) {
        const QString spelled = lsofCommandName(first, a);
        if (!commandNameMatches(first, spelled))
            std::abort();
        for (const LsofLocale b : {LsofLocale::c, LsofLocale::utf8}) {
            if (spelled == lsofCommandName(second, b) && first != second)
                std::abort();
        }
    }
    // The C locale spelling is printable ASCII only.
    for (const QChar ch : lsofCommandName(first, LsofLocale::c)) {
        if (ch < u' ' || ch > u'~')
            std::abort();
    }
    return 0;
}
