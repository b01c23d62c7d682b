#include "SingleInstance.h"

#include "GraphicalSession.h"
#include "ShowRequest.h"

#include <QLocalSocket>
#include <QTimer>

#include <sys/socket.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

// The abstract namespace is shared by all users, so both ends check who is on the other.
bool peerIsThisUser(const QLocalSocket &socket) {
    ucred peer{};
    socklen_t length = sizeof peer;
    return getsockopt(int(socket.socketDescriptor()), SOL_SOCKET, SO_PEERCRED, &peer, &length) ==
               0 &&
           peer.uid == getuid();
}

} // namespace

SingleInstance::SingleInstance(const QString &name, std::chrono::milliseconds answerTimeout,
                               QObject *parent)
    : QObject(parent)
    , m_name(name)
    , m_answerTimeout(answerTimeout) {
    m_server.setSocketOptions(QLocalServer::AbstractNamespaceOption);
    connect(&m_server, &QLocalServer::newConnection, this, &SingleInstance::answer);
}

QString SingleInstance::defaultName() {
    // Each graphical session has a tray of its own, so each gets its own Harklet.
    return u"harklet-"_s + QString::number(getuid()) + u'-' +
           GraphicalSession::identity(QProcessEnvironment::systemEnvironment());
}

SingleInstance::Role SingleInstance::claim() {
    if (m_server.listen(m_name))
        return Role::primary;
    if (m_server.serverError() != QAbstractSocket::AddressInUseError)
        return Role::primary;
    return askRunningToShow();
}

SingleInstance::Role SingleInstance::askRunningToShow() {
    QLocalSocket socket;
    socket.setSocketOptions(QLocalSocket::AbstractNamespaceOption);
    socket.connectToServer(m_name);
    const int timeout = int(m_answerTimeout.count());
    if (!socket.waitForConnected(timeout))
        return Role::stuck;
    // Another user's process on our name cannot be asked anything; run without answering.
    if (!peerIsThisUser(socket))
        return Role::primary;
    socket.write(showRequest);
    while (socket.bytesAvailable() < showAnswer.size()) {
        if (!socket.waitForReadyRead(timeout))
            return Role::stuck;
    }
    return socket.read(showAnswer.size()) == showAnswer ? Role::secondary : Role::stuck;
}

void SingleInstance::answer() {
    while (QLocalSocket *socket = m_server.nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        if (!peerIsThisUser(*socket)) {
            socket->abort();
            continue;
        }
        // A peer that never finishes its request is dropped rather than kept open.
        QTimer::singleShot(m_answerTimeout, socket, &QLocalSocket::abort);
        connect(socket, &QLocalSocket::readyRead, socket, [this, socket] {
            // One byte past the request is enough to tell a longer one.
            const ShowRequestState state = judgeShowRequest(socket->peek(showRequest.size() + 1));
            if (state == ShowRequestState::incomplete)
                return;
            disconnect(socket, &QLocalSocket::readyRead, socket, nullptr);
            if (state == ShowRequestState::complete) {
                socket->write(showAnswer);
                emit showRequested();
            }
            socket->disconnectFromServer();
        });
    }
}
