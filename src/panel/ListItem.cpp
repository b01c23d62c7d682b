#include "ListItem.h"

QString ListItem::key() const {
    // No entry id starts with '#': they are "pid:port".
    return kind == Kind::systemHeader ? QStringLiteral("#system") : entry.id();
}
