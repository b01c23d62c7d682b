#pragma once

#include <QColor>
#include <QPalette>

class QWidget;

// Foreground levels derived from the palette, so light and dark palettes both work.
enum class Tone { primary, secondary, tertiary };

QColor toneColour(const QPalette &palette, Tone tone, qreal opacity = 1.0);

// The hairline between the panel's regions.
QColor separatorColour(const QPalette &palette);

// A system-like red that stays readable on light and dark windows.
QColor systemRed(const QPalette &palette);

// Sets the colour a label or line edit draws its text in.
void setTextColour(QWidget *widget, const QColor &colour);
