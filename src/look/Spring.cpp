#include "Spring.h"

#include <algorithm>
#include <cmath>
#include <numbers>

const Spring Spring::section{0.2, 0.85};
const Spring Spring::row{0.18, 0.85};

namespace {
std::optional<Spring> currentTransaction;
}

double Spring::position(double seconds) const {
    const double omega = 2 * std::numbers::pi / response;
    const double zeta = std::clamp(dampingFraction, 0.0, 0.999);
    const double decay = zeta * omega;
    const double damped = omega * std::sqrt(1 - zeta * zeta);
    return 1 - std::exp(-decay * seconds) *
                   (std::cos(damped * seconds) + decay / damped * std::sin(damped * seconds));
}

int Spring::settlingMilliseconds() const {
    const double omega = 2 * std::numbers::pi / response;
    const double zeta = std::clamp(dampingFraction, 0.01, 0.999);
    const double envelope = 1 / std::sqrt(1 - zeta * zeta);
    return int(std::ceil(1000 * std::log(1000 * envelope) / (zeta * omega)));
}

SpringAnimation::SpringAnimation(Spring spring, QObject *parent)
    : QVariantAnimation(parent)
    , m_spring(spring) {
    setDuration(spring.settlingMilliseconds());
}

QVariant SpringAnimation::interpolated(const QVariant &from, const QVariant &to,
                                       qreal progress) const {
    if (progress >= 1)
        return to;
    const double seconds = progress * duration() / 1000.0;
    return QVariantAnimation::interpolated(from, to, m_spring.position(seconds));
}

SpringTransaction::SpringTransaction(Spring spring)
    : m_outer(currentTransaction) {
    currentTransaction = spring;
}

SpringTransaction::~SpringTransaction() {
    currentTransaction = m_outer;
}

std::optional<Spring> SpringTransaction::current() {
    return currentTransaction;
}
