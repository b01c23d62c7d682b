#include "FilterMatch.h"

#include <QTextBoundaryFinder>

namespace {

bool isTrimmed(QChar c) {
    return c == QLatin1Char('\t') || c.category() == QChar::Separator_Space;
}

// Substring search on NFC text that only accepts a match whose both ends fall on
// character boundaries, so "e" does not match the first half of "e" + combining acute.
bool containsCanonically(const QString &text, const QString &normalizedQuery) {
    const QString haystack = text.normalized(QString::NormalizationForm_C);
    QTextBoundaryFinder characters(QTextBoundaryFinder::Grapheme, haystack);
    for (qsizetype at = haystack.indexOf(normalizedQuery); at >= 0;
         at = haystack.indexOf(normalizedQuery, at + 1)) {
        characters.setPosition(at);
        if (!characters.isAtBoundary())
            continue;
        characters.setPosition(at + normalizedQuery.size());
        if (characters.isAtBoundary())
            return true;
    }
    return false;
}

// What a filter text asks for: the text without spaces and tabs at either end,
// lower-cased. Line breaks are kept.
QString filterQuery(const QString &filter) {
    qsizetype begin = 0;
    qsizetype end = filter.size();
    while (begin < end && isTrimmed(filter.at(begin)))
        ++begin;
    while (end > begin && isTrimmed(filter.at(end - 1)))
        --end;
    return filter.mid(begin, end - begin).toLower();
}

} // namespace

QList<PortEntry> apply(const QString &filter, const QList<PortEntry> &entries) {
    const QString query = filterQuery(filter).normalized(QString::NormalizationForm_C);
    if (query.isEmpty())
        return entries;

    QList<PortEntry> matching;
    for (const PortEntry &entry : entries) {
        if (QString::number(entry.port).contains(query) ||
            containsCanonically(entry.command.toLower(), query) ||
            containsCanonically(entry.process->project.toLower(), query))
            matching << entry;
    }
    return matching;
}
