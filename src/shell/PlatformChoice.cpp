#include "PlatformChoice.h"

#include <QRegularExpression>

using namespace Qt::StringLiterals;

namespace {

struct Session {
    QString variable;    // "WAYLAND_DISPLAY" or "DISPLAY"
    QString description; // "a Wayland session"
    QString plugin;      // Qt's key for the platform plugin
    QString pluginName;  // "Wayland"
    QString package;     // the Debian package that ships the plugin
};

const Session sessions[] = {
    {u"WAYLAND_DISPLAY"_s, u"a Wayland session"_s, u"wayland"_s, u"Wayland"_s, u"qt6-wayland"_s},
    {u"DISPLAY"_s, u"an X11 session"_s, u"xcb"_s, u"X11"_s, u"libqt6gui6"_s},
};

} // namespace

QString PlatformChoice::preferred(const QProcessEnvironment &environment) {
    if (!environment.value(u"QT_QPA_PLATFORM"_s).isEmpty() ||
        environment.value(u"WAYLAND_DISPLAY"_s).isEmpty())
        return {};
    return u"wayland;xcb"_s;
}

QStringList PlatformChoice::installedPlugins(const QString &qtFailure) {
    static const QRegularExpression list(u"Available platform plugins are: ([^\n]*)\\."_s);
    const QRegularExpressionMatch match = list.match(qtFailure);
    return match.hasMatch() ? match.captured(1).split(u", "_s) : QStringList();
}

QString PlatformChoice::failureMessage(const QProcessEnvironment &environment,
                                       const QStringList &installed) {
    const QString chosen = environment.value(u"QT_QPA_PLATFORM"_s);
    if (!chosen.isEmpty())
        return u"Harklet could not start with QT_QPA_PLATFORM="_s + chosen + u".\n"_s;
    QString message;
    for (const Session &session : sessions) {
        const QString display = environment.value(session.variable);
        if (display.isEmpty())
            continue;
        message += u"Harklet found "_s + session.description + u" ("_s + session.variable + u'=' +
                   display + u") but "_s;
        if (installed.contains(session.plugin)) {
            message += u"could not connect to it.\n"_s;
        } else {
            message += u"Qt's "_s + session.pluginName +
                       u" platform plugin is not installed (Debian package "_s + session.package +
                       u").\n"_s;
        }
    }
    if (message.isEmpty())
        return u"Harklet needs a graphical session (X11 or Wayland) and found none.\n"_s;
    return message;
}
