#include "SystemSectionHeader.h"

#include "look/Symbols.h"
#include "look/TextStyles.h"
#include "look/Tones.h"

#include <QPainter>

namespace {
constexpr int horizontalPadding = 10;
constexpr int verticalPadding = 7;
constexpr int gap = 6;
constexpr int symbolSize = 9;

QFont headerFont() {
    QFont font = TextStyles::caption();
    font.setWeight(QFont::Medium);
    return font;
}
} // namespace

SystemSectionHeader::SystemSectionHeader(QWidget *parent)
    : QAbstractButton(parent) {
    setCheckable(true);
    setText(QStringLiteral("System"));
    setFont(headerFont());
    setFocusPolicy(Qt::TabFocus);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

void SystemSectionHeader::setCount(qsizetype count) {
    if (count == m_count)
        return;
    m_count = count;
    setAccessibleDescription(QString::number(count) + QStringLiteral(" system listeners"));
    update();
}

void SystemSectionHeader::setChevronTurn(qreal turn) {
    m_turn = turn;
    update();
}

QSize SystemSectionHeader::sizeHint() const {
    const QFontMetrics metrics(font());
    const int width = 2 * horizontalPadding + symbolSize + gap + metrics.horizontalAdvance(text()) +
                      gap + metrics.horizontalAdvance(QString::number(m_count)) + gap + symbolSize;
    return {width, qMax(metrics.height(), symbolSize) + 2 * verticalPadding};
}

void SystemSectionHeader::paintEvent(QPaintEvent *) {
    QPainter p(this);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    const QRect inner =
        rect().adjusted(horizontalPadding, verticalPadding, -horizontalPadding, -verticalPadding);
    const qreal dpr = devicePixelRatioF();
    const QColor secondary = toneColour(palette(), Tone::secondary);
    const QColor tertiary = toneColour(palette(), Tone::tertiary);

    const QRectF chevron(inner.left(), inner.center().y() - symbolSize / 2.0 + 0.5, symbolSize,
                         symbolSize);
    p.save();
    p.translate(chevron.center());
    p.rotate(90 * m_turn);
    p.drawPixmap(QPointF(-symbolSize / 2.0, -symbolSize / 2.0),
                 Symbols::pixmap(Symbol::chevron, symbolSize, secondary, dpr));
    p.restore();

    const QFontMetrics metrics(font());
    int x = int(chevron.right()) + gap;
    p.setPen(secondary);
    p.drawText(QRect(x, inner.top(), inner.width(), inner.height()), Qt::AlignVCenter, text());
    x += metrics.horizontalAdvance(text()) + gap;
    p.setPen(tertiary);
    p.drawText(QRect(x, inner.top(), inner.width(), inner.height()), Qt::AlignVCenter,
               QString::number(m_count));

    const QPointF lock(inner.right() + 1 - symbolSize, inner.center().y() - symbolSize / 2.0 + 0.5);
    p.drawPixmap(lock, Symbols::pixmap(Symbol::lock, symbolSize, tertiary, dpr));
}
