#include "PanelView.h"

#include "Divider.h"
#include "EmptyState.h"
#include "ErrorBanner.h"
#include "FilterBar.h"
#include "FilterMatch.h"
#include "PanelHeader.h"
#include "PortListView.h"
#include "RevealBox.h"
#include "look/GlassBackground.h"
#include "look/Spring.h"
#include "store/PortsStore.h"

#include <QAbstractButton>
#include <QAction>
#include <QCoreApplication>
#include <QMenu>
#include <QVBoxLayout>

PanelView::PanelView(PortsStore &store, QWidget *parent)
    : QWidget(parent)
    , m_store(store)
    , m_glass(new GlassBackground(this))
    , m_header(new PanelHeader(makeMenu(), this))
    , m_list(new PortListView(store, this))
    , m_empty(new EmptyState(this))
    , m_banner(new ErrorBanner)
    , m_bannerReveal(new RevealBox(m_banner, this))
    , m_filterBar(new FilterBar(this)) {
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->addWidget(m_header);
    layout->addWidget(new Divider(this));
    layout->addWidget(m_list);
    layout->addWidget(m_empty);
    layout->addWidget(m_bannerReveal);
    layout->addWidget(new Divider(this));
    layout->addWidget(m_filterBar);
    m_glass->lower();
    m_list->setFixedWidth(panelWidth);
    // The room the list gives its lines.
    m_empty->setContentsMargins(PortListView::padding, PortListView::padding, PortListView::padding,
                                PortListView::padding);
    m_empty->setFixedWidth(panelWidth);
    setTabOrder();

    connect(&m_store, &PortsStore::changed, this, &PanelView::showStore);
    connect(m_filterBar, &FilterBar::textChanged, this, &PanelView::showFilteredStore);
    connect(m_filterBar, &FilterBar::downPressed, m_list, &PortListView::enterAtTop);
    connect(m_list, &PortListView::leftAtTop, this,
            [this] { m_filterBar->setFocus(Qt::BacktabFocusReason); });
    connect(m_list, &PortListView::typed, m_filterBar, &FilterBar::type);
    showLists({}, {});
}

QString PanelView::filter() const {
    return m_filterBar->text();
}

void PanelView::resizeEvent(QResizeEvent *event) {
    QWidget::resizeEvent(event);
    m_glass->setGeometry(rect());
}

void PanelView::showEvent(QShowEvent *event) {
    QWidget::showEvent(event);
    if (m_stale)
        showStore();
    // Typing filters at once.
    m_filterBar->setFocus(Qt::ActiveWindowFocusReason);
}

void PanelView::showStore() {
    // The store publishes several times per poll, and while hidden nobody looks.
    if (!isVisible()) {
        m_stale = true;
        return;
    }
    const bool sameEntries = !m_stale && m_store.entries() == m_shownEntries;
    const bool sameError = !m_stale && m_store.lastError() == m_shownError;
    m_stale = false;
    // Shares the store's list, so that the next comparison is a pointer comparison.
    m_shownEntries = m_store.entries();
    m_shownError = m_store.lastError();
    if (!sameError)
        showError();
    if (sameEntries)
        return;
    // Sorted once per change: the header counts and the list share them.
    const QList<PortEntry> user = m_store.userEntries();
    const QList<PortEntry> system = m_store.systemEntries();
    m_header->setCounts(user.size(), system.size());
    showLists(user, system);
}

void PanelView::showFilteredStore() {
    showLists(m_store.userEntries(), m_store.systemEntries());
}

void PanelView::showLists(const QList<PortEntry> &user, const QList<PortEntry> &system) {
    const QString text = filter();
    const QList<PortEntry> shownUser = apply(text, user);
    const QList<PortEntry> shownSystem = apply(text, system);
    m_list->setLists(shownUser, shownSystem);
    const bool empty = shownUser.isEmpty() && shownSystem.isEmpty();
    m_empty->setFiltered(!text.isEmpty());
    m_empty->setVisible(empty);
    m_list->setVisible(!empty);
}

void PanelView::showError() {
    const std::optional<QString> &error = m_store.lastError();
    // Keep the old text while the banner slides shut.
    if (error)
        m_banner->setMessage(*error);
    m_bannerReveal->reveal(error.has_value(), SpringTransaction::current());
}

// Filter, list, then the panel's menu button: the filter comes first because the panel
// opens with the focus there.
void PanelView::setTabOrder() {
    auto *menuButton = m_header->findChild<QAbstractButton *>();
    QWidget::setTabOrder(m_filterBar, m_list);
    if (menuButton)
        QWidget::setTabOrder(m_list, menuButton);
}

QMenu *PanelView::makeMenu() {
    auto *refresh = new QAction(QStringLiteral("Refresh"), this);
    refresh->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_R));
    refresh->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    connect(refresh, &QAction::triggered, this, [this] { m_store.refresh(); });

    auto *quit = new QAction(QStringLiteral("Quit Harklet"), this);
    quit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    quit->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    connect(quit, &QAction::triggered, this, [] { QCoreApplication::quit(); });

    // On the panel as well, so the shortcuts work while it has the focus.
    addAction(refresh);
    addAction(quit);

    auto *menu = new QMenu(this);
    menu->addAction(refresh);
    menu->addSeparator();
    menu->addAction(quit);
    return menu;
}
