#pragma once

#include <QWidget>

class QLabel;

// Shown instead of the list when nothing matches: a plug, a title and a hint that
// depend on whether a filter was typed.
class EmptyState : public QWidget {
    Q_OBJECT

public:
    explicit EmptyState(QWidget *parent = nullptr);

    void setFiltered(bool filtered);

protected:
    void changeEvent(QEvent *event) override;

private:
    void applyColours();

    QLabel *m_symbol;
    QLabel *m_title;
    QLabel *m_message;
};
