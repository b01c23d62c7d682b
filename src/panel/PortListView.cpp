#include "PortListView.h"

#include "ListAccessibility.h"
#include "PortListModel.h"
#include "PortRowDelegate.h"
#include "RowCommands.h"
#include "SectionReveal.h"

#include <QContextMenuEvent>
#include <QCursor>
#include <QHoverEvent>
#include <QKeyEvent>
#include <QMenu>

#include <algorithm>

namespace {

// Printable text without a command modifier: what one types into a filter.
bool isTyping(const QKeyEvent &event) {
    const Qt::KeyboardModifiers commands = Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier;
    return !(event.modifiers() & commands) && !event.text().isEmpty() &&
           event.text().front().isPrint();
}

} // namespace

PortListView::PortListView(PortsStore &store, QWidget *parent)
    : QListView(parent)
    , m_commands(new RowCommands(store))
    , m_model(new PortListModel(this))
    , m_delegate(new PortRowDelegate(this))
    , m_reveal(new SectionReveal(this)) {
    setObjectName(QStringLiteral("portList"));
    setModel(m_model);
    setItemDelegate(m_delegate);
    ListAccessibility::attach(this);
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    setSelectionMode(QAbstractItemView::NoSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setViewportMargins(padding, padding, padding, padding);
    setMouseTracking(true);
    // Only the panel's background shows through.
    setAutoFillBackground(false);
    viewport()->setAutoFillBackground(false);
    // Moves over the list count as the pointer really moving, see pointerAt().
    viewport()->setAttribute(Qt::WA_Hover);

    connect(m_reveal, &SectionReveal::fractionChanged, this, &PortListView::followReveal);
    connect(m_reveal, &SectionReveal::settled, this, &PortListView::rebuild); // shut: rows go
    // Measured once per update, however many runs of lines came and went in it.
    const auto lineCountChanged = [this] { m_lineCountChanged = true; };
    connect(m_model, &QAbstractItemModel::rowsInserted, this, lineCountChanged);
    connect(m_model, &QAbstractItemModel::rowsRemoved, this, lineCountChanged);
    connect(m_model, &QAbstractItemModel::modelReset, this, lineCountChanged);
    connect(this, &QAbstractItemView::clicked, this, [this](const QModelIndex &index) {
        if (m_model->item(index.row()).kind == ListItem::Kind::systemHeader)
            toggleSystemSection();
    });
    followContentHeight();
}

PortListView::~PortListView() {
    delete m_commands;
}

PortListModel *PortListView::listModel() const {
    return m_model;
}

RowCommands &PortListView::commands() const {
    return *m_commands;
}

void PortListView::setLists(const QList<PortEntry> &user, const QList<PortEntry> &system) {
    if (user == m_user && system == m_system)
        return;
    m_user = user;
    m_system = system;
    rebuild();
}

void PortListView::rebuild() {
    QList<ListItem> lines;
    // Still there while sliding shut.
    const bool systemRows = m_expanded || m_reveal->fraction() > 0;
    lines.reserve(m_user.size() + 1 + (systemRows ? m_system.size() : 0));
    for (const PortEntry &entry : m_user)
        lines.append({ListItem::Kind::userRow, entry, 0, false});
    if (!m_system.isEmpty()) {
        lines.append({ListItem::Kind::systemHeader, {}, int(m_system.size()), m_expanded});
        if (systemRows) {
            for (const PortEntry &entry : m_system)
                lines.append({ListItem::Kind::systemRow, entry, 0, false});
        }
    }
    m_lineCountChanged = false;
    m_model->setItems(lines);
    if (m_lineCountChanged)
        followContentHeight();
}

bool PortListView::isSystemExpanded() const {
    return m_expanded;
}

void PortListView::toggleSystemSection() {
    m_expanded = !m_expanded;
    rebuild();
    m_reveal->moveTo(m_expanded);
}

qreal PortListView::systemReveal() const {
    return m_reveal->fraction();
}

void PortListView::followReveal() {
    scheduleDelayedItemsLayout();
    viewport()->update();
    followContentHeight();
}

void PortListView::followContentHeight() {
    int content = 2 * padding;
    QStyleOptionViewItem option;
    for (int row = 0; row < m_model->rowCount(); ++row)
        content += m_delegate->sizeHint(option, m_model->index(row)).height();
    setFixedHeight(std::clamp(content, 1, maxHeight));
}

bool PortListView::isHovered(const QModelIndex &index) const {
    return m_hovered.isValid() && m_hovered == index;
}

void PortListView::enterAtTop() {
    if (m_model->rowCount() == 0)
        return;
    setFocus(Qt::TabFocusReason);
    setCurrentIndex(m_model->index(0));
}

void PortListView::activate(const QModelIndex &index) {
    const ListItem &line = m_model->item(index.row());
    if (line.kind == ListItem::Kind::systemHeader)
        toggleSystemSection();
    else if (RowCommands::canOpen(line.entry))
        m_commands->openInBrowser(line.entry);
}

void PortListView::keyPressEvent(QKeyEvent *event) {
    const QModelIndex current = currentIndex();
    const bool plain =
        event->modifiers() == Qt::NoModifier || event->modifiers() == Qt::KeypadModifier;
    if (current.isValid() && event->matches(QKeySequence::Copy)) {
        const ListItem &line = m_model->item(current.row());
        if (line.isRow())
            m_commands->copyURL(line.entry);
        return;
    }
    switch (event->key()) {
    case Qt::Key_Escape:
        event->ignore(); // the window closes
        return;
    case Qt::Key_Up:
        if (plain && (!current.isValid() || current.row() == 0)) {
            emit leftAtTop();
            return;
        }
        break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (current.isValid())
            activate(current);
        return;
    case Qt::Key_Space:
        if (current.isValid() && m_model->item(current.row()).kind == ListItem::Kind::systemHeader)
            toggleSystemSection();
        return;
    case Qt::Key_Menu:
        showMenuAt(current.row());
        return;
    case Qt::Key_F10:
        if (event->modifiers() == Qt::ShiftModifier) {
            showMenuAt(current.row());
            return;
        }
        break;
    default:
        if (isTyping(*event)) {
            emit typed(event->text());
            return;
        }
        break;
    }
    QListView::keyPressEvent(event);
}

void PortListView::contextMenuEvent(QContextMenuEvent *event) {
    if (event->reason() == QContextMenuEvent::Keyboard) {
        showMenuAt(currentIndex().row());
        return;
    }
    const QModelIndex index = indexAt(event->pos());
    if (index.isValid())
        popUpMenu(index, event->globalPos());
}

void PortListView::showMenuAt(int row) {
    if (row < 0 || row >= m_model->rowCount())
        return;
    const QModelIndex index = m_model->index(row);
    scrollTo(index);
    const QRect line = visualRect(index);
    popUpMenu(index, viewport()->mapToGlobal(line.bottomLeft() + QPoint(10, -line.height() / 2)));
}

void PortListView::popUpMenu(const QModelIndex &index, QPoint globalPosition) {
    const ListItem &line = m_model->item(index.row());
    if (!line.isRow() || (m_menu && m_menu->isVisible()))
        return;
    m_menu = new QMenu(this);
    m_menu->setAttribute(Qt::WA_DeleteOnClose);
    m_commands->fillMenu(*m_menu, line.entry);
    m_menu->popup(globalPosition);
}

void PortListView::mousePressEvent(QMouseEvent *event) {
    const QPoint at = event->position().toPoint();
    const QModelIndex index = indexAt(at);
    const auto button = isHovered(index) && event->button() == Qt::LeftButton
                            ? m_delegate->buttonAt(visualRect(index), index, at)
                            : PortRowDelegate::Button::none;
    if (button != PortRowDelegate::Button::none) {
        m_pressedLine = index;
        m_pressedButton = int(button);
        return;
    }
    QListView::mousePressEvent(event);
}

void PortListView::mouseReleaseEvent(QMouseEvent *event) {
    if (!m_pressedLine.isValid()) {
        QListView::mouseReleaseEvent(event);
        return;
    }
    const QModelIndex pressed = m_pressedLine;
    m_pressedLine = QPersistentModelIndex();
    const QPoint at = event->position().toPoint();
    if (indexAt(at) != pressed ||
        int(m_delegate->buttonAt(visualRect(pressed), pressed, at)) != m_pressedButton)
        return;
    // A copy: the command may change the list, and with it the line.
    const PortEntry entry = m_model->item(pressed.row()).entry;
    if (m_pressedButton == int(PortRowDelegate::Button::open))
        m_commands->openInBrowser(entry);
    else
        m_commands->stop(entry);
}

bool PortListView::viewportEvent(QEvent *event) {
    switch (event->type()) {
    case QEvent::HoverEnter:
    case QEvent::HoverMove:
        pointerAt(static_cast<QHoverEvent *>(event)->position().toPoint());
        break;
    case QEvent::HoverLeave:
    case QEvent::Leave:
        setHovered({});
        break;
    default:
        break;
    }
    return QListView::viewportEvent(event);
}

// Lit only once the pointer has really moved: not by the enter event of a panel that opens
// under it.
void PortListView::pointerAt(QPoint position) {
    m_pointerMoved = m_pointerMoved || viewport()->mapToGlobal(position) != m_pointerAtShow;
    const QModelIndex index = m_pointerMoved ? indexAt(position) : QModelIndex();
    setHovered(index);
    const bool overButton =
        index.isValid() &&
        m_delegate->buttonAt(visualRect(index), index, position) != PortRowDelegate::Button::none;
    if (overButton)
        viewport()->setCursor(Qt::PointingHandCursor);
    else
        viewport()->unsetCursor();
}

void PortListView::setHovered(const QModelIndex &index) {
    if (index == m_hovered)
        return;
    if (m_hovered.isValid())
        viewport()->update(visualRect(m_hovered));
    m_hovered = index;
    if (index.isValid())
        viewport()->update(visualRect(index));
}

// The lines move under a pointer that stays put.
void PortListView::scrollContentsBy(int dx, int dy) {
    QListView::scrollContentsBy(dx, dy);
    if (m_hovered.isValid())
        pointerAt(viewport()->mapFromGlobal(QCursor::pos()));
}

void PortListView::showEvent(QShowEvent *event) {
    QListView::showEvent(event);
    m_pointerAtShow = QCursor::pos();
    m_pointerMoved = false;
}

// A closed panel must not open again with a row still lit from before.
void PortListView::hideEvent(QHideEvent *event) {
    QListView::hideEvent(event);
    setHovered({});
}

void PortListView::changeEvent(QEvent *event) {
    QListView::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        m_delegate->refreshFonts();
        scheduleDelayedItemsLayout();
        followContentHeight();
    }
}
