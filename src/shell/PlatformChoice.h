#pragma once

#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

// Which of Qt's platform plugins Harklet asks for, and what to tell the user when none of
// them reaches the desktop.
namespace PlatformChoice {

// Native Wayland wherever a Wayland display is given, X11 (Xwayland) as the fallback; Qt by
// itself would pick X11 wherever the login manager did not say "wayland". Empty when the
// user chose with QT_QPA_PLATFORM or there is no Wayland display.
QString preferred(const QProcessEnvironment &environment);

// The plugins that Qt's own failure message lists as installed.
QStringList installedPlugins(const QString &qtFailure);

// One line per session the environment names (Wayland first, then X11), each saying
// which plugin is missing or that the display could not be reached.
QString failureMessage(const QProcessEnvironment &environment, const QStringList &installed);

} // namespace PlatformChoice
