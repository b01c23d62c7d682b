#include "ErrorBanner.h"

#include "ElidedLabel.h"
#include "look/Symbols.h"
#include "look/TextStyles.h"
#include "look/Tones.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>

ErrorBanner::ErrorBanner(QWidget *parent)
    : QWidget(parent)
    , m_symbol(new QLabel(this))
    , m_message(new ElidedLabel(maxLines, this)) {
    setObjectName(QStringLiteral("errorBanner"));
    m_message->setObjectName(QStringLiteral("errorMessage"));
    m_message->setFont(TextStyles::caption());

    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(14, 8, 14, 8);
    layout->setSpacing(8);
    layout->addWidget(m_symbol);
    layout->addWidget(m_message, 1);
    applyColours();
}

void ErrorBanner::setMessage(const QString &message) {
    m_message->setFullText(message);
    // Screen readers read the whole message, not the two lines that fit.
    m_message->setAccessibleName(message);
}

void ErrorBanner::paintEvent(QPaintEvent *) {
    QPainter p(this);
    QColor band = systemRed(palette());
    band.setAlphaF(0.08f);
    p.fillRect(rect(), band);
}

void ErrorBanner::changeEvent(QEvent *event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange)
        applyColours();
}

void ErrorBanner::applyColours() {
    setTextColour(m_message, toneColour(palette(), Tone::secondary));
    const int size = QFontMetrics(m_message->font()).ascent();
    m_symbol->setPixmap(
        Symbols::pixmap(Symbol::warning, size, systemRed(palette()), devicePixelRatioF()));
}
