#pragma once

#include <QColor>

// The two colours that mark the user's own listeners (status dot, stop symbol).
inline QColor accentAmber() {
    return QColor(255, 181, 84);
}

inline QColor accentCoral() {
    return QColor(255, 110, 99);
}
