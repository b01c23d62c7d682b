#include "SectionReveal.h"

#include "look/ReduceMotion.h"
#include "look/Spring.h"

#include <algorithm>

SectionReveal::SectionReveal(QObject *parent)
    : QObject(parent) {}

void SectionReveal::moveTo(bool open) {
    delete m_animation;
    m_animation = nullptr;
    const qreal target = open ? 1 : 0;
    if (ReduceMotion::isOn()) {
        setFraction(target);
        emit settled();
        return;
    }
    m_animation = new SpringAnimation(Spring::section, this);
    m_animation->setStartValue(m_fraction);
    m_animation->setEndValue(target);
    connect(m_animation, &QVariantAnimation::valueChanged, this,
            [this](const QVariant &value) { setFraction(value.toReal()); });
    connect(m_animation, &QAbstractAnimation::finished, this, [this] {
        m_animation->deleteLater();
        m_animation = nullptr;
        emit settled();
    });
    m_animation->start();
}

void SectionReveal::setFraction(qreal fraction) {
    // The spring may overshoot past open; never below shut.
    m_fraction = std::max<qreal>(0, fraction);
    emit fractionChanged(m_fraction);
}
