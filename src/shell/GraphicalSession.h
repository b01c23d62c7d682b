#pragma once

#include <QProcessEnvironment>
#include <QString>

// Names the graphical session a process runs in, the same for every process of that session
// whichever of DISPLAY and WAYLAND_DISPLAY it happens to carry, and different between
// sessions.
//
// The session bus comes first: status-notifier trays and their items meet on it, so one
// bus is one set of trays, and an autostarted process and a terminal of the same desktop
// share it even where only one of them carries XDG_SESSION_ID (services started by the
// user's systemd instance run outside the login session). Every bus daemon has an id of its
// own, so two sessions never share it, even when both use the same socket path. Without a
// bus, the login session's id; without that, the displays themselves.
namespace GraphicalSession {

QString identity(const QProcessEnvironment &environment);

} // namespace GraphicalSession
