#include "CommandLine.h"
#include "HarkletApp.h"
#include "PlatformChoice.h"
#include "SingleInstance.h"

#include <QApplication>

#include <cstdio>
#include <cstdlib>

using namespace Qt::StringLiterals;

namespace {

bool started = false;

// The environment as Harklet was started, before it chose a platform plugin.
QProcessEnvironment &startEnvironment() {
    static QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    return environment;
}

// Harklet logs nothing. The one fatal message that can come in normal use is the toolkit
// failing to reach the display; it becomes a plain sentence and an exit status.
void quietMessages(QtMsgType type, const QMessageLogContext &, const QString &message) {
    if (type != QtFatalMsg)
        return;
    if (!started) {
        const QString why = PlatformChoice::failureMessage(
            startEnvironment(), PlatformChoice::installedPlugins(message));
        std::fputs(qPrintable(why), stderr);
        std::_Exit(EXIT_FAILURE);
    }
    std::fputs(qPrintable(message + u'\n'), stderr);
}

bool hasGraphicalSession() {
    return !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") ||
           !qEnvironmentVariableIsEmpty("DISPLAY") ||
           !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

} // namespace

int main(int argc, char *argv[]) {
    // Any argument is for the command line alone; only a bare start runs the tray app.
    if (argc > 1)
        return CommandLine::answer(argc, argv);
    if (!hasGraphicalSession()) {
        std::fputs(qPrintable(PlatformChoice::failureMessage(startEnvironment(), {})), stderr);
        return EXIT_FAILURE;
    }
    qInstallMessageHandler(quietMessages);
    // Only for Qt's choice at start-up; programs Harklet starts, such as the browser, choose
    // for themselves.
    const QString platform = PlatformChoice::preferred(startEnvironment());
    if (!platform.isEmpty())
        qputenv("QT_QPA_PLATFORM", platform.toLocal8Bit());
    QApplication app(argc, argv);
    if (!platform.isEmpty())
        qunsetenv("QT_QPA_PLATFORM");
    started = true;
    QApplication::setApplicationName(u"Harklet"_s);
    // Lets desktops match the panel window to the menu entry and its icon.
    QGuiApplication::setDesktopFileName(u"dev.harklet.Harklet"_s);
    // The panel comes and goes; only "Quit Harklet" or closing the tray-less window ends us.
    QApplication::setQuitOnLastWindowClosed(false);

    SingleInstance instance;
    switch (instance.claim()) {
    case SingleInstance::Role::secondary:
        return EXIT_SUCCESS;
    case SingleInstance::Role::stuck:
        std::fputs("Harklet is already running but does not answer.\n", stderr);
        return EXIT_FAILURE;
    case SingleInstance::Role::primary:
        break;
    }

    HarkletApp harklet;
    QObject::connect(&instance, &SingleInstance::showRequested, &harklet, &HarkletApp::showPanel);
    return app.exec();
}
