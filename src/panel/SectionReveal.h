#pragma once

#include <QObject>

class SpringAnimation;

// How far a section of the list is open, from 0 (shut) to 1 (open): along the section's
// spring, or at once when the desktop asks for reduced motion.
class SectionReveal : public QObject {
    Q_OBJECT

public:
    explicit SectionReveal(QObject *parent = nullptr);

    void moveTo(bool open);
    qreal fraction() const { return m_fraction; }

signals:
    void fractionChanged(qreal fraction);
    // Arrived where the last moveTo() sent it.
    void settled();

private:
    void setFraction(qreal fraction);

    SpringAnimation *m_animation = nullptr;
    qreal m_fraction = 0;
};
