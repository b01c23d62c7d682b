#pragma once

#include "scan/PortEntry.h"

#include <QList>
#include <QString>

// What a filter text asks for: the text without spaces and tabs at either end,
// lower-cased. Line breaks are kept.
QString filterQuery(const QString &filter);

// The entries whose port or lower-cased command contains the query, in their order;
// all of them when the query is empty. Canonically equivalent texts match each other.
QList<PortEntry> apply(const QString &filter, const QList<PortEntry> &entries);
