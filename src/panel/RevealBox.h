#pragma once

#include "look/Spring.h"

#include <QWidget>

#include <optional>

// Shows its one child from the top down to a fraction of the child's height, so the
// child can slide open and shut. Hidden while fully shut.
class RevealBox : public QWidget {
    Q_OBJECT

public:
    explicit RevealBox(QWidget *content, QWidget *parent = nullptr);

    // Opens or shuts, along the spring when one is given, else at once.
    void reveal(bool open, std::optional<Spring> spring);
    qreal fraction() const { return m_fraction; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    bool hasHeightForWidth() const override;
    int heightForWidth(int width) const override;

signals:
    void fractionChanged(qreal fraction);
    // Fully shut after shutting, animated or not.
    void shut();

protected:
    bool event(QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void setFraction(qreal fraction);
    int contentHeight(int width) const;
    void placeContent();

    QWidget *m_content;
    SpringAnimation *m_animation = nullptr;
    qreal m_fraction = 0;
    bool m_open = false;
};
