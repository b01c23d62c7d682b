#pragma once

#include "look/Symbols.h"

#include <QAbstractButton>

// A button that is only its symbol: no bevel, no background, no menu arrow.
class IconButton : public QAbstractButton {
    Q_OBJECT

public:
    IconButton(Symbol symbol, int symbolSize, QWidget *parent = nullptr);

    void setTint(const QColor &tint);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    Symbol m_symbol;
    int m_symbolSize;
    QColor m_tint;
};
