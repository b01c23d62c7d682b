#include "IconButton.h"

#include <QPainter>

namespace {
constexpr int padding = 2;
}

IconButton::IconButton(Symbol symbol, int symbolSize, QWidget *parent)
    : QAbstractButton(parent)
    , m_symbol(symbol)
    , m_symbolSize(symbolSize) {
    setCursor(Qt::PointingHandCursor);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void IconButton::setTint(const QColor &tint) {
    if (tint == m_tint)
        return;
    m_tint = tint;
    update();
}

QSize IconButton::sizeHint() const {
    return {m_symbolSize + 2 * padding, m_symbolSize + 2 * padding};
}

void IconButton::paintEvent(QPaintEvent *) {
    QPainter p(this);
    if (isDown())
        p.setOpacity(0.6);
    const QPixmap symbol = Symbols::pixmap(m_symbol, m_symbolSize, m_tint, devicePixelRatioF());
    const QSize size = symbol.deviceIndependentSize().toSize();
    p.drawPixmap(QRect(QPoint(), size).translated(rect().center() - QRect(QPoint(), size).center()),
                 symbol);
}
