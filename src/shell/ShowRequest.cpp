#include "ShowRequest.h"

using namespace Qt::StringLiterals;

const QByteArray showRequest = "show\n"_ba;
const QByteArray showAnswer = "shown\n"_ba;

ShowRequestState judgeShowRequest(QByteArrayView received) {
    if (received.size() > showRequest.size() || !showRequest.startsWith(received))
        return ShowRequestState::invalid;
    return received.size() == showRequest.size() ? ShowRequestState::complete
                                                 : ShowRequestState::incomplete;
}
