#pragma once

#include <QStringView>

#include <concepts>
#include <limits>
#include <optional>

// Strict decimal: one optional leading sign, then ASCII digits only, and the value must fit T.
// Stricter than QString::toInt, which accepts surrounding spaces.
template <std::signed_integral T> std::optional<T> parseDecimal(QStringView text) {
    bool negative = false;
    if (!text.isEmpty() && (text.front() == u'+' || text.front() == u'-')) {
        negative = text.front() == u'-';
        text = text.mid(1);
    }
    if (text.isEmpty())
        return std::nullopt;

    // Accumulate towards the sign's side so the most negative value is reachable.
    T value = 0;
    for (const QChar ch : text) {
        if (ch < u'0' || ch > u'9')
            return std::nullopt;
        const T digit = T(ch.unicode() - u'0');
        if (negative) {
            if (value < (std::numeric_limits<T>::min() + digit) / 10)
                return std::nullopt;
            value = value * 10 - digit;
        } else {
            if (value > (std::numeric_limits<T>::max() - digit) / 10)
                return std::nullopt;
            value = value * 10 + digit;
        }
    }
    return value;
}
