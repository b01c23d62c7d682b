#include "ReduceMotion.h"

#include <QProcess>
#include <QSettings>
#include <QStandardPaths>

#include <optional>

namespace ReduceMotion {
namespace {

std::optional<bool> setting;

bool kdeAnimationsOff() {
    const QString path =
        QStandardPaths::locate(QStandardPaths::GenericConfigLocation, QStringLiteral("kdeglobals"));
    if (path.isEmpty())
        return false;
    const QSettings globals(path, QSettings::IniFormat);
    const QVariant factor = globals.value(QStringLiteral("KDE/AnimationDurationFactor"));
    return factor.isValid() && factor.toDouble() == 0.0;
}

bool gnomeAnimationsOff() {
    const QString gsettings = QStandardPaths::findExecutable(QStringLiteral("gsettings"));
    if (gsettings.isEmpty())
        return false;
    QProcess query;
    query.start(gsettings, {QStringLiteral("get"), QStringLiteral("org.gnome.desktop.interface"),
                            QStringLiteral("enable-animations")});
    if (!query.waitForFinished(1000)) {
        query.kill();
        query.waitForFinished(1000);
        return false;
    }
    return query.readAllStandardOutput().trimmed() == "false";
}

} // namespace

bool isOn() {
    if (!setting)
        setting = kdeAnimationsOff() || gnomeAnimationsOff();
    return *setting;
}

void set(bool on) {
    setting = on;
}

} // namespace ReduceMotion
