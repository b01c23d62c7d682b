#include "GraphicalSession.h"

#include <QCryptographicHash>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QFileInfo>

using namespace Qt::StringLiterals;

namespace {

// A hung bus must not hold up the start for long.
constexpr int busTimeoutMs = 2000;

// Where libdbus finds the session bus: the variable, else the user's bus socket. Never an
// address that would launch a bus of its own.
QString sessionBusAddress(const QProcessEnvironment &environment) {
    const QString address = environment.value(u"DBUS_SESSION_BUS_ADDRESS"_s);
    if (!address.isEmpty())
        return address;
    const QString runtimeDir = environment.value(u"XDG_RUNTIME_DIR"_s);
    if (runtimeDir.isEmpty())
        return {};
    const QString socket = runtimeDir + u"/bus"_s;
    return QFileInfo(socket).exists() ? u"unix:path="_s + socket : QString();
}

QString busId(const QString &address) {
    const QString connectionName = u"harklet-session-probe"_s;
    QString id;
    {
        QDBusConnection bus = QDBusConnection::connectToBus(address, connectionName);
        if (bus.isConnected()) {
            const QDBusMessage reply =
                bus.call(QDBusMessage::createMethodCall(u"org.freedesktop.DBus"_s,
                                                        u"/org/freedesktop/DBus"_s,
                                                        u"org.freedesktop.DBus"_s, u"GetId"_s),
                         QDBus::Block, busTimeoutMs);
            if (reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty())
                id = reply.arguments().constFirst().toString();
        }
    }
    QDBusConnection::disconnectFromBus(connectionName);
    return id;
}

// Socket paths can be long; the name must fit an abstract socket address.
QString digest(const QString &text) {
    return QString::fromLatin1(
        QCryptographicHash::hash(text.toUtf8(), QCryptographicHash::Sha256).toHex().left(32));
}

} // namespace

QString GraphicalSession::identity(const QProcessEnvironment &environment) {
    const QString address = sessionBusAddress(environment);
    if (!address.isEmpty()) {
        const QString id = busId(address);
        if (!id.isEmpty())
            return u"bus-"_s + digest(id);
    }
    const QString loginSession = environment.value(u"XDG_SESSION_ID"_s);
    if (!loginSession.isEmpty())
        return u"login-"_s + digest(loginSession);
    return u"display-"_s + digest(environment.value(u"XDG_RUNTIME_DIR"_s) + u'\n' +
                                  environment.value(u"WAYLAND_DISPLAY"_s) + u'\n' +
                                  environment.value(u"DISPLAY"_s));
}
