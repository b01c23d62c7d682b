#include "PortEntry.h"

#include "CurrentUser.h"

#include <algorithm>

using namespace Qt::StringLiterals;

#ifdef Q_OS_MACOS
const QStringList PortEntry::systemCommandPrefixes = {
    u"rapportd"_s,          u"ControlCenter"_s, u"sharingd"_s,   u"AirPlay"_s,
    u"identityservicesd"_s, u"remoted"_s,       u"launchd"_s,    u"bluetoothd"_s,
    u"WiFiAgent"_s,         u"airportd"_s,      u"AMPDevices"_s,
};
#else
// Desktop-session programs that listen on TCP for other devices, not dev servers. lsof names
// a process by its kernel name, at most 15 characters.
const QStringList PortEntry::systemCommandPrefixes = {
    // KDE Connect's daemon, /usr/lib/x86_64-linux-gnu/libexec/kdeconnectd in Debian's
    // kdeconnect (22.12.3-1), started over D-Bus; phones reach it on TCP 1714-1764 (the
    // range KDE Connect's documentation asks firewalls to open).
    u"kdeconnectd"_s,
    // GNOME's remote desktop, /usr/libexec/gnome-remote-desktop-daemon in Debian's
    // gnome-remote-desktop (43.3-1), a systemd user service; RDP on TCP 3389, VNC on 5900
    // (its rdp-port and vnc-port settings). Cut to 15 characters as the kernel names it.
    u"gnome-remote-de"_s,
    // KDE's desktop sharing, /usr/bin/krfb in Debian's krfb (22.12.3-1); VNC on TCP 5900 by
    // default (its handbook, "Use default port").
    u"krfb"_s,
};
#endif

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
