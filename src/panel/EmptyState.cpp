#include "EmptyState.h"

#include "look/Symbols.h"
#include "look/TextStyles.h"
#include "look/Tones.h"

#include <QEvent>
#include <QLabel>
#include <QVBoxLayout>

namespace {
constexpr int symbolSize = 24;
}

EmptyState::EmptyState(QWidget *parent)
    : QWidget(parent)
    , m_symbol(new QLabel(this))
    , m_title(new QLabel(this))
    , m_message(new QLabel(this)) {
    m_title->setObjectName(QStringLiteral("emptyTitle"));
    m_message->setObjectName(QStringLiteral("emptyMessage"));
    m_title->setFont(TextStyles::callout());
    m_message->setFont(TextStyles::caption());
    m_message->setWordWrap(true);
    for (QLabel *label : {m_symbol, m_title, m_message}) {
        label->setTextFormat(Qt::PlainText);
        label->setAlignment(Qt::AlignCenter);
    }

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 36, 0, 36);
    layout->setSpacing(8);
    layout->addWidget(m_symbol);
    layout->addWidget(m_title);
    layout->addWidget(m_message);

    setFiltered(false);
    applyColours();
}

void EmptyState::setFiltered(bool filtered) {
    m_title->setText(filtered ? QStringLiteral("No matches") : QStringLiteral("Nothing listening"));
    m_message->setText(filtered ? QStringLiteral("No port or process matches that filter.")
                                : QStringLiteral("Start a dev server and it shows up here "
                                                 "within seconds."));
}

void EmptyState::changeEvent(QEvent *event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange)
        applyColours();
}

void EmptyState::applyColours() {
    const QColor secondary = toneColour(palette(), Tone::secondary);
    setTextColour(m_title, secondary);
    setTextColour(m_message, secondary);
    m_symbol->setPixmap(
        Symbols::pixmap(Symbol::powerPlug, symbolSize, secondary, devicePixelRatioF()));
}
