#include "Divider.h"

#include "look/Tones.h"

#include <QPainter>

Divider::Divider(QWidget *parent)
    : QWidget(parent) {
    setFixedHeight(1);
}

void Divider::paintEvent(QPaintEvent *) {
    QPainter p(this);
    QColor line = separatorColour(palette());
    line.setAlphaF(line.alphaF() * 0.4f);
    p.fillRect(rect(), line);
}
