#include "PortRowDelegate.h"

#include "PortListModel.h"
#include "PortListView.h"
#include "RowCommands.h"
#include "RowTexts.h"
#include "look/AccentColours.h"
#include "look/TextStyles.h"
#include "look/Tones.h"

#include <QHelpEvent>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QTextDocument>
#include <QToolTip>

#include <algorithm>

namespace {
constexpr int horizontalPadding = 10;
constexpr int verticalPadding = 7;
constexpr int spacing = 11;     // between dot, texts and accessories
constexpr int accessoryGap = 8; // more room before the buttons or the lock
constexpr int rowGap = 2;       // between lines
constexpr int sectionGap = 6;   // more above the System header after user rows
constexpr int dotBox = 12;
constexpr qreal dotDiameter = 9;
constexpr qreal glowRadius = 3;
constexpr int buttonSymbolSize = 11;
constexpr int buttonSize = buttonSymbolSize + 4;
constexpr int lockSymbolSize = 10;
constexpr int headerSymbolSize = 9;
constexpr int headerGap = 6;
constexpr qreal systemOpacity = 0.75;

const ListItem &lineAt(const QModelIndex &index) {
    return static_cast<const PortListModel *>(index.model())->item(index.row());
}

qreal rowOpacity(const ListItem &line) {
    return line.entry.isSystem() ? systemOpacity : 1.0;
}

// Measured as a label measures its text: the box may reach past the font's height and the
// text's advance.
QRect labelBox(const QFontMetrics &metrics, const QString &text) {
    return metrics.boundingRect(QRect(0, 0, 10000, 1000), Qt::AlignLeft, text);
}

int labelWidth(const QFontMetrics &metrics, const QString &text) {
    return qMax(metrics.horizontalAdvance(text), labelBox(metrics, text).width());
}

int detailsHeight(const QFont &font) {
    const QFontMetrics metrics(font);
    return qMax(metrics.height(), labelBox(metrics, QStringLiteral("PID 0 · 0.0.0.0")).height());
}
} // namespace

struct PortRowDelegate::RowGeometry {
    QRect body;
    QPointF dotCentre;
    QRect texts;
    QRect open;
    QRect stop;
    QRect lock;
};

PortRowDelegate::PortRowDelegate(PortListView *view)
    : QStyledItemDelegate(view)
    , m_view(view) {
    refreshFonts();
}

void PortRowDelegate::refreshFonts() {
    m_portFont = TextStyles::callout(TextStyles::Design::monospaced);
    m_portFont.setWeight(QFont::DemiBold);
    m_commandFont = TextStyles::callout();
    m_detailsFont = TextStyles::caption(TextStyles::Design::monospaced);
    m_headerFont = TextStyles::caption();
    m_headerFont.setWeight(QFont::Medium);
    const int firstLine =
        qMax(QFontMetrics(m_portFont).height(), QFontMetrics(m_commandFont).height());
    const int texts = firstLine + 1 + detailsHeight(m_detailsFont);
    m_rowHeight = 2 * verticalPadding + std::max({texts, dotBox, buttonSize});
    m_headerHeight =
        2 * verticalPadding + qMax(QFontMetrics(m_headerFont).height(), headerSymbolSize);
    m_symbols.clear();
}

int PortRowDelegate::gapAbove(const QModelIndex &index) const {
    if (index.row() == 0)
        return 0;
    const bool header = lineAt(index).kind == ListItem::Kind::systemHeader;
    return header ? rowGap + sectionGap : rowGap;
}

int PortRowDelegate::fullHeight(const QModelIndex &index) const {
    const bool header = lineAt(index).kind == ListItem::Kind::systemHeader;
    return gapAbove(index) + (header ? m_headerHeight : m_rowHeight);
}

QSize PortRowDelegate::sizeHint(const QStyleOptionViewItem &, const QModelIndex &index) const {
    const int height = fullHeight(index);
    if (lineAt(index).kind != ListItem::Kind::systemRow)
        return {0, height};
    return {0, qRound(height * m_view->systemReveal())};
}

PortRowDelegate::RowGeometry PortRowDelegate::rowGeometry(const QRect &lineRect,
                                                          const QModelIndex &index) const {
    const ListItem &line = lineAt(index);
    RowGeometry g;
    g.body =
        QRect(lineRect.left(), lineRect.top() + gapAbove(index), lineRect.width(), m_rowHeight);
    const QRect inner =
        g.body.adjusted(horizontalPadding, verticalPadding, -horizontalPadding, -verticalPadding);
    const int middle = inner.center().y();
    const int dotTop = g.body.top() + (g.body.height() - dotBox) / 2;
    g.dotCentre = QRectF(inner.left(), dotTop, dotBox, dotBox).center();

    // Accessories from the trailing edge inwards; hidden ones take no room.
    int edge = inner.right() + 1;
    const auto place = [&](int size) {
        const QRect box(edge - size, middle - size / 2, size, size);
        edge = box.left() - spacing;
        return box;
    };
    const bool hovered = m_view->isHovered(index);
    if (line.entry.isSystem())
        g.lock = place(lockSymbolSize);
    if (hovered && RowCommands::canStop(line.entry))
        g.stop = place(buttonSize);
    if (hovered && RowCommands::canOpen(line.entry))
        g.open = place(buttonSize);
    const int textsLeft = inner.left() + dotBox + spacing;
    const int textsRight = edge - spacing - accessoryGap;
    g.texts = QRect(textsLeft, inner.top(), qMax(0, textsRight - textsLeft), inner.height());
    return g;
}

PortRowDelegate::Button PortRowDelegate::buttonAt(const QRect &lineRect, const QModelIndex &index,
                                                  QPoint pos) const {
    if (!index.isValid() || lineAt(index).kind == ListItem::Kind::systemHeader)
        return Button::none;
    const RowGeometry g = rowGeometry(lineRect, index);
    if (g.open.isValid() && g.open.contains(pos))
        return Button::open;
    if (g.stop.isValid() && g.stop.contains(pos))
        return Button::stop;
    return Button::none;
}

void PortRowDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option,
                            const QModelIndex &index) const {
    painter->save();
    painter->setClipRect(option.rect); // a System row may be partly revealed
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setRenderHint(QPainter::SmoothPixmapTransform);
    if (lineAt(index).kind == ListItem::Kind::systemHeader)
        paintHeader(*painter, option, index);
    else
        paintRow(*painter, option, index);
    painter->restore();
}

void PortRowDelegate::paintRow(QPainter &p, const QStyleOptionViewItem &option,
                               const QModelIndex &index) const {
    const ListItem &line = lineAt(index);
    const PortEntry &entry = line.entry;
    const QPalette &colours = option.palette;
    const qreal opacity = rowOpacity(line);
    const qreal dpr = p.device()->devicePixelRatioF();
    const bool hovered = m_view->isHovered(index);
    const RowGeometry g = rowGeometry(option.rect, index);

    if (hovered) {
        QPainterPath background;
        background.addRoundedRect(QRectF(g.body), 8, 8);
        p.fillPath(background, toneColour(colours, Tone::primary, 0.06 * opacity));
    }

    const QRectF dot(g.dotCentre - QPointF(dotDiameter / 2, dotDiameter / 2),
                     QSizeF(dotDiameter, dotDiameter));
    p.setPen(Qt::NoPen);
    if (entry.isSystem()) {
        p.setBrush(toneColour(colours, Tone::secondary, 0.4 * opacity));
        p.drawEllipse(dot);
    } else {
        QColor glow = accentAmber();
        glow.setAlphaF(0.5f);
        const qreal haloRadius = dotDiameter / 2 + glowRadius;
        QRadialGradient halo(g.dotCentre, haloRadius);
        halo.setColorAt(dotDiameter / 2 / haloRadius, glow);
        halo.setColorAt(1, Qt::transparent);
        p.setBrush(halo);
        p.drawEllipse(g.dotCentre, haloRadius, haloRadius);
        QLinearGradient fill(dot.topLeft(), dot.bottomRight());
        fill.setColorAt(0, accentAmber());
        fill.setColorAt(1, accentCoral());
        p.setBrush(fill);
        p.drawEllipse(dot);
    }

    // Texts: drawn as plain text, whatever a process calls itself.
    const QFontMetrics portMetrics(m_portFont);
    const QFontMetrics commandMetrics(m_commandFont);
    const QFontMetrics detailsMetrics(m_detailsFont);
    const int firstLine = qMax(portMetrics.height(), commandMetrics.height());
    const QString port = RowTexts::port(entry);
    const int portWidth = qMin(labelWidth(portMetrics, port), g.texts.width());
    const QRect portRect(g.texts.left(), g.texts.top(), portWidth, firstLine);
    p.setFont(m_portFont);
    p.setPen(toneColour(colours, Tone::primary, opacity));
    p.drawText(portRect, Qt::AlignLeft | Qt::AlignVCenter, port);

    const QRect commandRect(portRect.right() + 1 + 6, g.texts.top(),
                            qMax(0, g.texts.right() - portRect.right() - 6), firstLine);
    const QColor secondary = toneColour(colours, Tone::secondary, opacity);
    p.setFont(m_commandFont);
    p.setPen(secondary);
    p.drawText(
        commandRect, Qt::AlignLeft | Qt::AlignVCenter,
        commandMetrics.elidedText(RowTexts::command(entry), Qt::ElideRight, commandRect.width()));

    const QRect detailsRect(g.texts.left(), g.texts.top() + firstLine + 1, g.texts.width(),
                            detailsHeight(m_detailsFont));
    p.setFont(m_detailsFont);
    p.drawText(
        detailsRect, Qt::AlignLeft | Qt::AlignVCenter,
        detailsMetrics.elidedText(RowTexts::details(entry), Qt::ElideRight, detailsRect.width()));

    if (g.open.isValid())
        p.drawPixmap(g.open.adjusted(2, 2, -2, -2),
                     symbol(Symbol::openInBrowser, buttonSymbolSize, secondary, dpr));
    if (g.stop.isValid()) {
        QColor coral = accentCoral();
        coral.setAlphaF(float(opacity));
        p.drawPixmap(g.stop.adjusted(2, 2, -2, -2),
                     symbol(Symbol::stop, buttonSymbolSize, coral, dpr));
    }
    if (g.lock.isValid()) {
        const qreal lockOpacity = (hovered ? 1.0 : 0.6) * opacity;
        p.drawPixmap(g.lock, symbol(Symbol::lock, lockSymbolSize,
                                    toneColour(colours, Tone::secondary, lockOpacity), dpr));
    }
    paintFocus(p, option, g.body);
}

void PortRowDelegate::paintHeader(QPainter &p, const QStyleOptionViewItem &option,
                                  const QModelIndex &index) const {
    const ListItem &line = lineAt(index);
    const QRect body(option.rect.left(), option.rect.top() + gapAbove(index), option.rect.width(),
                     m_headerHeight);
    const QRect inner =
        body.adjusted(horizontalPadding, verticalPadding, -horizontalPadding, -verticalPadding);
    const qreal dpr = p.device()->devicePixelRatioF();
    const QColor secondary = toneColour(option.palette, Tone::secondary);
    const QColor tertiary = toneColour(option.palette, Tone::tertiary);

    const QRectF chevron(inner.left(), inner.center().y() - headerSymbolSize / 2.0 + 0.5,
                         headerSymbolSize, headerSymbolSize);
    p.save();
    p.translate(chevron.center());
    p.rotate(90 * m_view->systemReveal());
    p.drawPixmap(QPointF(-headerSymbolSize / 2.0, -headerSymbolSize / 2.0),
                 symbol(Symbol::chevron, headerSymbolSize, secondary, dpr));
    p.restore();

    const QFontMetrics metrics(m_headerFont);
    const QString name = QStringLiteral("System");
    int x = int(chevron.right()) + headerGap;
    p.setFont(m_headerFont);
    p.setPen(secondary);
    p.drawText(QRect(x, inner.top(), inner.width(), inner.height()), Qt::AlignVCenter, name);
    x += metrics.horizontalAdvance(name) + headerGap;
    p.setPen(tertiary);
    p.drawText(QRect(x, inner.top(), inner.width(), inner.height()), Qt::AlignVCenter,
               QString::number(line.systemCount));

    const QPointF lock(inner.right() + 1 - headerSymbolSize,
                       inner.center().y() - headerSymbolSize / 2.0 + 0.5);
    p.drawPixmap(lock, symbol(Symbol::lock, headerSymbolSize, tertiary, dpr));
    paintFocus(p, option, body);
}

void PortRowDelegate::paintFocus(QPainter &p, const QStyleOptionViewItem &option,
                                 const QRect &body) const {
    if (!(option.state & QStyle::State_HasFocus))
        return;
    QPen ring(option.palette.color(QPalette::Highlight), 2);
    p.setPen(ring);
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(QRectF(body).adjusted(1, 1, -1, -1), 7, 7);
}

bool PortRowDelegate::helpEvent(QHelpEvent *event, QAbstractItemView *view,
                                const QStyleOptionViewItem &option, const QModelIndex &index) {
    if (event->type() != QEvent::ToolTip || !index.isValid())
        return QStyledItemDelegate::helpEvent(event, view, option, index);
    const PortEntry &entry = lineAt(index).entry;
    QString tip;
    switch (buttonAt(option.rect, index, event->pos())) {
    case Button::open:
        tip = RowTexts::openToolTip(entry);
        break;
    case Button::stop:
        tip = QStringLiteral("Stop this server");
        break;
    case Button::none:
        // Process texts: never let the tool tip read them as markup.
        const QString plain = index.data(Qt::ToolTipRole).toString();
        if (!plain.isEmpty())
            tip = Qt::convertFromPlainText(plain, Qt::WhiteSpaceNormal);
        break;
    }
    if (tip.isEmpty()) {
        QToolTip::hideText();
        event->ignore();
        return false;
    }
    QToolTip::showText(event->globalPos(), tip, view->viewport(), option.rect);
    event->accept();
    return true;
}

QPixmap PortRowDelegate::symbol(Symbol which, int size, const QColor &tint, qreal dpr) const {
    const QString key = QString::number(int(which)) + u'/' + QString::number(size) + u'/' +
                        QString::number(tint.rgba(), 16) + u'/' + QString::number(dpr);
    auto found = m_symbols.constFind(key);
    if (found == m_symbols.constEnd())
        found = m_symbols.insert(key, Symbols::pixmap(which, size, tint, dpr));
    return *found;
}
