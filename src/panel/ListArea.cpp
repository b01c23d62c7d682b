#include "ListArea.h"

#include "EmptyState.h"
#include "RowList.h"
#include "SystemSection.h"

#include <QEvent>
#include <QScrollBar>
#include <QVBoxLayout>

#include <algorithm>

ListArea::ListArea(PortsStore &store, int width, QWidget *parent)
    : QScrollArea(parent)
    , m_content(new QWidget)
    , m_userRows(new RowList(store, m_content))
    , m_system(new SystemSection(store, m_content))
    , m_empty(new EmptyState(m_content)) {
    setObjectName(QStringLiteral("listArea"));
    setFixedWidth(width);
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setWidgetResizable(true);

    auto *layout = new QVBoxLayout(m_content);
    layout->setContentsMargins(8, 8, 8, 8);
    layout->setSpacing(2);
    layout->addWidget(m_userRows);
    layout->addWidget(m_system);
    layout->addWidget(m_empty);
    layout->addStretch(1);
    setWidget(m_content);
    // Only the panel's background shows through; setWidget() turns filling on.
    viewport()->setAutoFillBackground(false);
    m_content->setAutoFillBackground(false);
    m_content->installEventFilter(this);

    setContent({}, {}, false);
}

void ListArea::setContent(const QList<PortEntry> &user, const QList<PortEntry> &system,
                          bool filterTyped) {
    const bool empty = user.isEmpty() && system.isEmpty();
    m_userRows->setEntries(user);
    m_userRows->setVisible(!user.isEmpty());
    m_system->setEntries(system, !user.isEmpty());
    m_system->setVisible(!system.isEmpty());
    m_empty->setFiltered(filterTyped);
    m_empty->setVisible(empty);
    followContentHeight();
}

int ListArea::clampedHeight(int contentHeight) {
    return std::clamp(contentHeight, 1, maxHeight);
}

int ListArea::contentHeight() const {
    QLayout *layout = m_content->layout();
    const int width = maximumViewportSize().width();
    return layout->hasHeightForWidth() ? layout->totalHeightForWidth(width)
                                       : layout->totalSizeHint().height();
}

bool ListArea::eventFilter(QObject *watched, QEvent *event) {
    if (watched == m_content && event->type() == QEvent::LayoutRequest)
        followContentHeight();
    return QScrollArea::eventFilter(watched, event);
}

void ListArea::followContentHeight() {
    setFixedHeight(clampedHeight(contentHeight()));
}
