#include "CommandLine.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QStringList>

#include <cstdio>

using namespace Qt::StringLiterals;

namespace CommandLine {

int answer(int argc, char *argv[]) {
    // Taken before QCoreApplication sees argv, since it removes some arguments it knows.
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);

    // The help text names the program as it was called, which it reads from the application.
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(u"harklet"_s);
    QCoreApplication::setApplicationVersion(QStringLiteral(HARKLET_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        u"Shows which processes listen on local TCP ports, from the system tray.\n"
        "Started without arguments, it adds its icon to the tray; it has no other options."_s);
    // Not addHelpOption(): its --help-all lists toolkit options this program refuses.
    const QCommandLineOption help({u"h"_s, u"help"_s}, u"Displays this help."_s);
    parser.addOption(help);
    const QCommandLineOption version = parser.addVersionOption();

    const auto unexpected = [](const QString &argument) -> QString {
        return u"Unexpected argument '"_s + argument + u"'."_s;
    };
    QString problem;
    if (!parser.parse(arguments))
        problem = parser.errorText();
    else if (!parser.positionalArguments().isEmpty())
        problem = unexpected(parser.positionalArguments().constFirst());
    else if (parser.isSet(help)) {
        std::fputs(qPrintable(parser.helpText()), stdout);
        return 0;
    } else if (parser.isSet(version)) {
        std::fputs(qPrintable(u"harklet "_s + QCoreApplication::applicationVersion() + u'\n'),
                   stdout);
        return 0;
    } else {
        // Only a lone "--", which ends the options before any came.
        problem = unexpected(arguments.value(1));
    }
    // An argument may hold a line break or a terminal escape; the message stays one plain line.
    for (QChar &c : problem) {
        if (c.category() == QChar::Other_Control)
            c = u'?';
    }
    std::fputs(qPrintable(u"harklet: "_s + problem + u" See 'harklet --help'.\n"_s), stderr);
    return 2;
}

} // namespace CommandLine
