#include "FilterBar.h"

#include "IconButton.h"
#include "look/TextStyles.h"
#include "look/Tones.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>

namespace {
constexpr int outerPadding = 12;
constexpr int symbolSize = 11;
constexpr qreal radius = 8;
} // namespace

FilterBar::FilterBar(QWidget *parent)
    : QWidget(parent)
    , m_symbol(new QLabel(this))
    , m_field(new QLineEdit(this))
    , m_clear(new IconButton(Symbol::clearFilter, symbolSize, this)) {
    m_field->setObjectName(QStringLiteral("filterField"));
    m_field->setFrame(false);
    m_field->setPlaceholderText(QStringLiteral("Filter by port or process"));
    m_field->setAccessibleName(QStringLiteral("Filter"));
    m_field->setFont(TextStyles::callout(TextStyles::Design::monospaced));

    m_clear->setObjectName(QStringLiteral("clearFilter"));
    m_clear->setAccessibleName(QStringLiteral("Clear filter"));
    // Clearing must leave the keyboard focus where it was.
    m_clear->setFocusPolicy(Qt::NoFocus);
    m_clear->hide();
    setFocusProxy(m_field);
    m_field->installEventFilter(this);

    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(outerPadding + 10, outerPadding + 8, outerPadding + 10,
                               outerPadding + 8);
    layout->setSpacing(8);
    layout->addWidget(m_symbol);
    layout->addWidget(m_field, 1);
    layout->addWidget(m_clear);

    connect(m_field, &QLineEdit::textChanged, this, [this](const QString &text) {
        m_clear->setVisible(!text.isEmpty());
        emit textChanged(text);
    });
    connect(m_clear, &QAbstractButton::clicked, m_field, &QLineEdit::clear);
    applyColours();
}

void FilterBar::type(const QString &text) {
    setFocus(Qt::OtherFocusReason);
    m_field->insert(text);
}

QString FilterBar::text() const {
    return m_field->text();
}

bool FilterBar::eventFilter(QObject *watched, QEvent *event) {
    if (watched == m_field && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent *>(event)->key() == Qt::Key_Down) {
        emit downPressed();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void FilterBar::paintEvent(QPaintEvent *) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath shape;
    shape.addRoundedRect(fieldRect(), radius, radius);
    p.fillPath(shape, toneColour(palette(), Tone::primary, 0.05));

    // A 1-point outline kept inside the filled shape.
    QPainterPath outline;
    outline.addRoundedRect(fieldRect().adjusted(0.5, 0.5, -0.5, -0.5), radius - 0.5, radius - 0.5);
    QPen pen(toneColour(palette(), Tone::primary, 0.08), 1, Qt::SolidLine, Qt::FlatCap,
             Qt::MiterJoin);
    p.strokePath(outline, pen);
}

void FilterBar::changeEvent(QEvent *event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange)
        applyColours();
}

void FilterBar::applyColours() {
    const QColor secondary = toneColour(palette(), Tone::secondary);
    QPalette colours = m_field->palette();
    colours.setColor(QPalette::Base, Qt::transparent);
    colours.setColor(QPalette::Text, toneColour(palette(), Tone::primary));
    colours.setColor(QPalette::PlaceholderText, toneColour(palette(), Tone::secondary, 0.8));
    m_field->setPalette(colours);
    m_clear->setTint(secondary);
    m_symbol->setPixmap(
        Symbols::pixmap(Symbol::magnifyingGlass, symbolSize, secondary, devicePixelRatioF()));
}

QRectF FilterBar::fieldRect() const {
    return QRectF(rect()).adjusted(outerPadding, outerPadding, -outerPadding, -outerPadding);
}
