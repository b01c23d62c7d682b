#pragma once

#include <QVariantAnimation>

#include <optional>

// A critically-near damped spring, described the way designers tune one: the period of
// its undamped oscillation and its damping as a fraction of critical damping.
struct Spring {
    double response = 0.2;
    double dampingFraction = 0.85;

    // Travelled fraction (0 → 1, may overshoot slightly) after the given time.
    double position(double seconds) const;
    // Until the remaining motion is below a thousandth of the distance.
    int settlingMilliseconds() const;

    static const Spring section;
    static const Spring row;
};

// Moves a value from its start to its end along a spring.
class SpringAnimation : public QVariantAnimation {
    Q_OBJECT

public:
    explicit SpringAnimation(Spring spring, QObject *parent = nullptr);

protected:
    QVariant interpolated(const QVariant &from, const QVariant &to, qreal progress) const override;

private:
    Spring m_spring;
};

// Marks the state changes made while it lives as animated with the given spring, so that
// views updating in response (through signals) can animate them.
class SpringTransaction {
public:
    explicit SpringTransaction(Spring spring);
    ~SpringTransaction();
    SpringTransaction(const SpringTransaction &) = delete;
    SpringTransaction &operator=(const SpringTransaction &) = delete;

    static std::optional<Spring> current();

private:
    std::optional<Spring> m_outer;
};
