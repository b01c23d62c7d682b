#include "CommandLine.h"
#include "HarkletApp.h"
#include "SingleInstance.h"

#include <QApplication>

#include <cstdio>
#include <cstdlib>

using namespace Qt::StringLiterals;

namespace {

const char noSessionSentence[] =
    "Harklet needs a graphical session (X11 or Wayland) and found none.\n";

bool started = false;

// Harklet logs nothing. The one fatal message that can come in normal use is the toolkit
// failing to reach the display; it becomes a plain sentence and an exit status.
void quietMessages(QtMsgType type, const QMessageLogContext &, const QString &message) {
    if (type != QtFatalMsg)
        return;
    if (!started) {
        std::fputs(noSessionSentence, stderr);
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
        std::fputs(noSessionSentence, stderr);
        return EXIT_FAILURE;
    }
    qInstallMessageHandler(quietMessages);
    QApplication app(argc, argv);
    started = true;
    QApplication::setApplicationName(u"harklet"_s);
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
