#pragma once

#include <QAbstractButton>

// The clickable head of the system section: chevron, "System", the number of matching
// system listeners and a lock. Checked while the section is open.
class SystemSectionHeader : public QAbstractButton {
    Q_OBJECT

public:
    explicit SystemSectionHeader(QWidget *parent = nullptr);

    void setCount(qsizetype count);
    qsizetype count() const { return m_count; }
    // 0 points the chevron right, 1 points it down.
    void setChevronTurn(qreal turn);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    qsizetype m_count = 0;
    qreal m_turn = 0;
};
