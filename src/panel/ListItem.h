#pragma once

#include "scan/PortEntry.h"

#include <QString>

// One line of the listener list: a listener's row, or the System section's header.
struct ListItem {
    enum class Kind { userRow, systemHeader, systemRow };

    Kind kind = Kind::userRow;
    PortEntry entry;       // rows only
    int systemCount = 0;   // the header only: system listeners matching the filter
    bool expanded = false; // the header only

    // What keeps a line's identity across updates: the entry's id, or the header's.
    QString key() const;
    bool isRow() const { return kind != Kind::systemHeader; }

    friend bool operator==(const ListItem &, const ListItem &) = default;
};
