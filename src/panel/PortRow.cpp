#include "PortRow.h"

#include "ElidedLabel.h"
#include "IconButton.h"
#include "RowAccessibility.h"
#include "look/AccentColours.h"
#include "look/ReduceMotion.h"
#include "look/Spring.h"
#include "look/Symbols.h"
#include "look/TextStyles.h"
#include "look/Tones.h"
#include "store/PortsStore.h"

#include <QAccessible>
#include <QContextMenuEvent>
#include <QCursor>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QVBoxLayout>

namespace {
constexpr qreal dotDiameter = 9;
constexpr qreal glowRadius = 3;
constexpr int buttonSymbolSize = 11;
constexpr int lockSymbolSize = 10;
} // namespace

PortRow::PortRow(const PortEntry &entry, PortsStore &store, QWidget *parent)
    : QWidget(parent)
    , m_entry(entry)
    , m_store(store)
    , m_dotBox(new QWidget(this))
    , m_port(new QLabel(this))
    , m_command(new ElidedLabel(1, this))
    , m_details(new ElidedLabel(1, this))
    , m_open(new IconButton(Symbol::openInBrowser, buttonSymbolSize, this))
    , m_stop(new IconButton(Symbol::stop, buttonSymbolSize, this))
    , m_lock(new QLabel(this)) {
    RowAccessibility::install();

    // Moves inside the row count as the pointer really moving, see pointerAt().
    setAttribute(Qt::WA_Hover);
    m_details->setObjectName(QStringLiteral("details"));
    m_dotBox->setFixedSize(12, 12);
    m_port->setTextFormat(Qt::PlainText);
    m_port->setFont(TextStyles::callout(TextStyles::Design::monospaced));
    QFont portFont = m_port->font();
    portFont.setWeight(QFont::DemiBold);
    m_port->setFont(portFont);
    m_command->setFont(TextStyles::callout());
    m_details->setFont(TextStyles::caption(TextStyles::Design::monospaced));

    for (IconButton *button : {m_open, m_stop}) {
        button->setFocusPolicy(Qt::NoFocus);
        button->hide();
    }
    m_stop->setToolTip(QStringLiteral("Stop this server"));
    connect(m_open, &QAbstractButton::clicked, this, &PortRow::openInBrowser);
    connect(m_stop, &QAbstractButton::clicked, this, &PortRow::stop);

    auto *firstLine = new QHBoxLayout;
    firstLine->setSpacing(6);
    firstLine->addWidget(m_port);
    firstLine->addWidget(m_command, 1);

    auto *texts = new QVBoxLayout;
    texts->setSpacing(1);
    texts->addLayout(firstLine);
    texts->addWidget(m_details);

    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(10, 7, 10, 7);
    row->setSpacing(11);
    row->addWidget(m_dotBox);
    row->addLayout(texts, 1);
    row->addSpacing(8);
    row->addWidget(m_open);
    row->addWidget(m_stop);
    row->addWidget(m_lock);

    showEntry();
    applyColours();
}

void PortRow::setEntry(const PortEntry &entry) {
    if (entry == m_entry)
        return;
    const QString oldLabel = accessibleLabel(m_entry);
    m_entry = entry;
    showEntry();
    applyColours();
    if (accessibleLabel(entry) != oldLabel) {
        QAccessibleEvent changed(this, QAccessible::NameChanged);
        QAccessible::updateAccessibility(&changed);
    }
}

QString PortRow::accessibleLabel(const PortEntry &entry) {
    if (!entry.hasProcess()) {
        return QStringLiteral("Port ") + QString::number(entry.port) +
               QStringLiteral(", owned by ") + entry.login;
    }
    QString label = QStringLiteral("Port ") + QString::number(entry.port) + QStringLiteral(", ") +
                    entry.command + QStringLiteral(", process ") + QString::number(entry.pid);
    if (entry.isSystem())
        label += QStringLiteral(", system process, locked");
    return label;
}

void PortRow::fillContextMenu(QMenu &menu) {
    const QString copyText = QStringLiteral("Copy localhost:") + QString::number(m_entry.port);
    if (m_entry.isSystem() && m_entry.hasProcess()) {
        menu.addAction(copyText, this, &PortRow::copyURL);
        return;
    }
    menu.addAction(QStringLiteral("Open in Browser"), this, &PortRow::openInBrowser);
    menu.addAction(copyText, this, &PortRow::copyURL);
    if (!m_entry.hasProcess())
        return; // nothing to stop
    menu.addSeparator();
    menu.addAction(QStringLiteral("Stop (SIGTERM)"), this, &PortRow::stop);
    menu.addAction(QStringLiteral("Force Stop (SIGKILL)"), this, &PortRow::forceStop);
}

void PortRow::openInBrowser() {
    m_store.openInBrowser(m_entry);
}

void PortRow::copyURL() {
    m_store.copyURL(m_entry);
}

void PortRow::stop() {
    // A copy: the store notifies the panel before it is done with the entry, and the
    // panel may hand this row a newer one meanwhile.
    const PortEntry entry = m_entry;
    if (ReduceMotion::isOn()) {
        m_store.kill(entry, false);
        return;
    }
    SpringTransaction animated(Spring::row);
    m_store.kill(entry, false);
}

void PortRow::forceStop() {
    const PortEntry entry = m_entry;
    m_store.kill(entry, true);
}

void PortRow::enterEvent(QEnterEvent *event) {
    QWidget::enterEvent(event);
    pointerAt(event->globalPosition());
}

// Moves over the row's labels and buttons reach it as hover moves; mouse moves stop there.
bool PortRow::event(QEvent *event) {
    if (event->type() == QEvent::HoverMove)
        pointerAt(mapToGlobal(static_cast<QHoverEvent *>(event)->position()));
    return QWidget::event(event);
}

// Lit only once the pointer has really moved: not by the enter event of a panel that opens
// under it.
void PortRow::pointerAt(const QPointF &globalPosition) {
    m_pointerMoved = m_pointerMoved || globalPosition.toPoint() != m_pointerAtShow;
    setHovering(m_pointerMoved);
}

void PortRow::showEvent(QShowEvent *event) {
    QWidget::showEvent(event);
    m_pointerAtShow = QCursor::pos();
    m_pointerMoved = false;
}

void PortRow::leaveEvent(QEvent *event) {
    QWidget::leaveEvent(event);
    setHovering(false);
}

// A closed panel must not open again with a row still lit from before.
void PortRow::hideEvent(QHideEvent *event) {
    QWidget::hideEvent(event);
    setHovering(false);
}

void PortRow::paintEvent(QPaintEvent *) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);

    if (m_hovering) {
        QPainterPath background;
        background.addRoundedRect(QRectF(rect()), 8, 8);
        p.fillPath(background, toneColour(palette(), Tone::primary, 0.06 * rowOpacity()));
    }

    const QPointF centre = QRectF(m_dotBox->geometry()).center();
    const QRectF dot(centre - QPointF(dotDiameter / 2, dotDiameter / 2),
                     QSizeF(dotDiameter, dotDiameter));
    p.setPen(Qt::NoPen);
    if (m_entry.isSystem()) {
        p.setBrush(toneColour(palette(), Tone::secondary, 0.4 * rowOpacity()));
        p.drawEllipse(dot);
        return;
    }
    QColor glow = accentAmber();
    glow.setAlphaF(0.5f);
    QRadialGradient halo(centre, dotDiameter / 2 + glowRadius);
    halo.setColorAt(dotDiameter / 2 / (dotDiameter / 2 + glowRadius), glow);
    halo.setColorAt(1, Qt::transparent);
    p.setBrush(halo);
    p.drawEllipse(centre, dotDiameter / 2 + glowRadius, dotDiameter / 2 + glowRadius);

    QLinearGradient fill(dot.topLeft(), dot.bottomRight());
    fill.setColorAt(0, accentAmber());
    fill.setColorAt(1, accentCoral());
    p.setBrush(fill);
    p.drawEllipse(dot);
}

void PortRow::contextMenuEvent(QContextMenuEvent *event) {
    auto *menu = new QMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    fillContextMenu(*menu);
    menu->popup(event->globalPos());
}

void PortRow::changeEvent(QEvent *event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange)
        applyColours();
}

void PortRow::showEntry() {
    m_port->setText(QStringLiteral(":") + QString::number(m_entry.port));
    // Without a process, its owner is all there is to tell who holds the port.
    if (m_entry.hasProcess()) {
        m_command->setFullText(m_entry.command);
        m_details->setFullText(QStringLiteral("PID ") + QString::number(m_entry.pid) +
                               QStringLiteral(" · ") + m_entry.displayAddress());
    } else {
        m_command->setFullText(m_entry.login);
        m_details->setFullText(m_entry.displayAddress());
    }
    m_open->setToolTip(QStringLiteral("Open localhost:") + QString::number(m_entry.port) +
                       QStringLiteral(" in browser"));
    showAccessory();
}

void PortRow::showAccessory() {
    const bool system = m_entry.isSystem();
    m_open->setVisible(m_hovering && (!system || !m_entry.hasProcess()));
    m_stop->setVisible(m_hovering && !system && m_entry.hasProcess());
    m_lock->setVisible(system);
}

void PortRow::applyColours() {
    const QPalette &colours = palette();
    const qreal opacity = rowOpacity();
    setTextColour(m_port, toneColour(colours, Tone::primary, opacity));
    setTextColour(m_command, toneColour(colours, Tone::secondary, opacity));
    setTextColour(m_details, toneColour(colours, Tone::secondary, opacity));
    m_open->setTint(toneColour(colours, Tone::secondary, opacity));
    QColor coral = accentCoral();
    coral.setAlphaF(float(opacity));
    m_stop->setTint(coral);
    const qreal lockOpacity = (m_hovering ? 1.0 : 0.6) * opacity;
    m_lock->setPixmap(Symbols::pixmap(Symbol::lock, lockSymbolSize,
                                      toneColour(colours, Tone::secondary, lockOpacity),
                                      devicePixelRatioF()));
    update();
}

void PortRow::setHovering(bool hovering) {
    if (hovering == m_hovering)
        return;
    m_hovering = hovering;
    showAccessory();
    applyColours();
}

qreal PortRow::rowOpacity() const {
    return m_entry.isSystem() ? 0.75 : 1.0;
}
