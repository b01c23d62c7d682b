#pragma once

#include <QByteArray>
#include <QByteArrayView>

// What a later start sends to the running Harklet, and what it answers.
extern const QByteArray showRequest;
extern const QByteArray showAnswer;

enum class ShowRequestState {
    incomplete, // a proper beginning of the request; more may follow
    complete,   // exactly the request
    invalid,    // anything else, a longer text included
};

// Judges everything a peer has sent so far.
ShowRequestState judgeShowRequest(QByteArrayView received);
