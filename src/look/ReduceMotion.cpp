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

} // namespace

void readDesktopSetting(QObject *context) {
    setting = kdeAnimationsOff();
    const QString gsettings = QStandardPaths::findExecutable(QStringLiteral("gsettings"));
    if (gsettings.isEmpty())
        return;
    auto *query = new QProcess(context);
    query->setStandardErrorFile(QProcess::nullDevice());
    QObject::connect(query, &QProcess::finished, context, [query] {
        if (query->readAllStandardOutput().trimmed() == "false")
            setting = true;
        query->deleteLater();
    });
    QObject::connect(query, &QProcess::errorOccurred, context, [query] { query->deleteLater(); });
    query->start(gsettings, {QStringLiteral("get"), QStringLiteral("org.gnome.desktop.interface"),
                             QStringLiteral("enable-animations")});
}

bool isOn() {
    if (!setting)
        setting = kdeAnimationsOff();
    return *setting;
}

void set(bool on) {
    setting = on;
}

} // namespace ReduceMotion
