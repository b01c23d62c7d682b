#include "RowTexts.h"

#include <QDir>
#include <QStringList>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

// Command lines can run to pages (class paths); a description shows their start.
constexpr qsizetype longestCommandLineShown = 1000;

// Line breaks and other controls come from other processes' paths and arguments; shown
// as they are they could fake lines of the description.
QString oneLine(QString text) {
    for (QChar &c : text) {
        const QChar::Category category = c.category();
        if (category == QChar::Other_Control || category == QChar::Separator_Line ||
            category == QChar::Separator_Paragraph)
            c = QChar::ReplacementCharacter;
    }
    return text;
}

// Home as ~, only when home is a whole leading component: /home/ann2 is not ~2.
QString withTilde(const QString &path, const QString &homeDirectory) {
    const QString home = QDir::cleanPath(homeDirectory);
    if (home.isEmpty() || home == u"/"_s)
        return path;
    if (path == home)
        return u"~"_s;
    if (path.startsWith(home) && path.at(home.size()) == u'/')
        return u'~' + path.mid(home.size());
    return path;
}

QString commandLine(const QStringList &arguments) {
    QStringList shown;
    for (const QString &argument : arguments) {
        const bool needsQuotes =
            argument.isEmpty() ||
            std::any_of(argument.cbegin(), argument.cend(), [](QChar c) { return c.isSpace(); });
        shown << (needsQuotes ? u'"' + argument + u'"' : argument);
    }
    QString line = oneLine(shown.join(u' '));
    if (line.size() > longestCommandLineShown)
        line = line.left(longestCommandLineShown) + u'…';
    return line;
}

// "40 s", "12 min", "2 h 5 min", "3 d 4 h": the largest unit and the next one down.
QString duration(std::chrono::seconds elapsed) {
    const qint64 s = std::max<qint64>(elapsed.count(), 0);
    const auto pair = [](qint64 big, const QString &bigUnit, qint64 small,
                         const QString &smallUnit) {
        QString text = QString::number(big) + u' ' + bigUnit;
        if (small > 0)
            text += u' ' + QString::number(small) + u' ' + smallUnit;
        return text;
    };
    if (s < 60)
        return QString::number(s) + u" s"_s;
    if (s < 3600)
        return QString::number(s / 60) + u" min"_s;
    if (s < 86400)
        return pair(s / 3600, u"h"_s, s % 3600 / 60, u"min"_s);
    return pair(s / 86400, u"d"_s, s % 86400 / 3600, u"h"_s);
}

} // namespace

namespace RowTexts {

QString port(const PortEntry &entry) {
    return QStringLiteral(":") + QString::number(entry.port);
}

QString command(const PortEntry &entry) {
    // Without a process, its owner is all there is to tell who holds the port.
    return entry.hasProcess() ? entry.command : entry.login;
}

QString details(const PortEntry &entry) {
    if (!entry.hasProcess())
        return entry.displayAddress();
    QString text = QStringLiteral("PID ") + QString::number(entry.pid) + QStringLiteral(" · ") +
                   entry.displayAddress();
    if (!entry.process->project.isEmpty())
        text += QStringLiteral(" · ") + entry.process->project;
    return text;
}

QString processDescription(const PortEntry &entry, std::chrono::nanoseconds bootClockNow,
                           const QString &homeDirectory) {
    const ProcessDetails &process = *entry.process;
    QStringList lines;
    if (!process.workingDirectory.isEmpty())
        lines << oneLine(withTilde(process.workingDirectory, homeDirectory));
    if (!process.commandLine.isEmpty())
        lines << commandLine(process.commandLine);
    if (process.startedAfterBoot) {
        const auto elapsed = std::chrono::duration_cast<std::chrono::seconds>(
            bootClockNow - *process.startedAfterBoot);
        lines << u"running for "_s + duration(elapsed);
    }
    return lines.join(u'\n');
}

QString accessibleLabel(const PortEntry &entry) {
    if (!entry.hasProcess()) {
        return QStringLiteral("Port ") + QString::number(entry.port) +
               QStringLiteral(", owned by ") + entry.login;
    }
    QString label = QStringLiteral("Port ") + QString::number(entry.port) + QStringLiteral(", ") +
                    entry.command + QStringLiteral(", process ") + QString::number(entry.pid);
    if (entry.isSystem())
        label += QStringLiteral(", system process, locked");
    return label;
}

QString openToolTip(const PortEntry &entry) {
    return QStringLiteral("Open localhost:") + QString::number(entry.port) +
           QStringLiteral(" in browser");
}

} // namespace RowTexts
