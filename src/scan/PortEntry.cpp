#include "PortEntry.h"

#include "CurrentUser.h"

#include <algorithm>

using namespace Qt::StringLiterals;

const QStringList PortEntry::systemCommandPrefixes = {
    u"rapportd"_s,          u"ControlCenter"_s, u"sharingd"_s,   u"AirPlay"_s,
    u"identityservicesd"_s, u"remoted"_s,       u"launchd"_s,    u"bluetoothd"_s,
    u"WiFiAgent"_s,         u"airportd"_s,      u"AMPDevices"_s,
};

QString PortEntry::id() const {
    return QString::number(pid) + u':' + QString::number(port);
}

QString PortEntry::displayAddress() const {
    const bool anyWildcard = std::any_of(addresses.cbegin(), addresses.cend(),
                                         [](const QString &a) { return a.startsWith(u'*'); });
    if (anyWildcard)
        return u"all interfaces"_s;
    return addresses.isEmpty() ? QString() : addresses.first();
}

bool PortEntry::isSystem() const {
    // A socket without a known process is the system's, even when its owner is this user.
    if (!hasProcess() || login != currentLoginName())
        return true;
    return std::any_of(systemCommandPrefixes.cbegin(), systemCommandPrefixes.cend(),
                       [this](const QString &prefix) { return command.startsWith(prefix); });
}

std::optional<QUrl> PortEntry::localURL() const {
    const QUrl url(u"http://localhost:"_s + QString::number(port), QUrl::StrictMode);
    if (!url.isValid())
        return std::nullopt;
    return url;
}
