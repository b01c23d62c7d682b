#include "Tones.h"

#include <QWidget>

QColor toneColour(const QPalette &palette, Tone tone, qreal opacity) {
    QColor colour = palette.color(QPalette::WindowText);
    const qreal level = tone == Tone::primary ? 1.0 : tone == Tone::secondary ? 0.55 : 0.3;
    colour.setAlphaF(float(colour.alphaF() * level * opacity));
    return colour;
}

QColor separatorColour(const QPalette &palette) {
    return toneColour(palette, Tone::primary, 0.25);
}

QColor systemRed(const QPalette &palette) {
    const bool dark = palette.color(QPalette::Window).lightnessF() < 0.5;
    return dark ? QColor(255, 69, 58) : QColor(255, 59, 48);
}

void setTextColour(QWidget *widget, const QColor &colour) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, colour);
    palette.setColor(QPalette::Text, colour);
    widget->setPalette(palette);
}
