#pragma once

#include "scan/PortEntry.h"

#include <QList>
#include <QString>

// The entries whose port, lower-cased command or lower-cased project contains the query, in
// their order; all of them when the query is empty. Canonically equivalent texts match each
// other.
QList<PortEntry> apply(const QString &filter, const QList<PortEntry> &entries);
