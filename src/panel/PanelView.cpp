#include "PanelView.h"

#include "Divider.h"
#include "ErrorBanner.h"
#include "FilterBar.h"
#include "FilterMatch.h"
#include "ListArea.h"
#include "PanelHeader.h"
#include "RevealBox.h"
#include "look/GlassBackground.h"
#include "look/Spring.h"
#include "store/PortsStore.h"

#include <QAction>
#include <QCoreApplication>
#include <QMenu>
#include <QVBoxLayout>

PanelView::PanelView(PortsStore &store, QWidget *parent)
    : QWidget(parent)
    , m_store(store)
    , m_glass(new GlassBackground(this))
    , m_header(new PanelHeader(makeMenu(), this))
    , m_list(new ListArea(store, panelWidth, this))
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
    layout->addWidget(m_bannerReveal);
    layout->addWidget(new Divider(this));
    layout->addWidget(m_filterBar);
    m_glass->lower();

    connect(&m_store, &PortsStore::changed, this, &PanelView::showStore);
    connect(m_filterBar, &FilterBar::textChanged, this, &PanelView::showFilteredStore);
    showStore();
}

QString PanelView::filter() const {
    return m_filterBar->text();
}

void PanelView::resizeEvent(QResizeEvent *event) {
    QWidget::resizeEvent(event);
    m_glass->setGeometry(rect());
}

void PanelView::showStore() {
    // Sorted once per change: the header counts and the list share them.
    const QList<PortEntry> user = m_store.userEntries();
    const QList<PortEntry> system = m_store.systemEntries();
    m_header->setCounts(user.size(), system.size());
    showLists(user, system);
    showError();
}

void PanelView::showFilteredStore() {
    showLists(m_store.userEntries(), m_store.systemEntries());
}

void PanelView::showLists(const QList<PortEntry> &user, const QList<PortEntry> &system) {
    const QString text = filter();
    m_list->setContent(apply(text, user), apply(text, system), !text.isEmpty());
}

void PanelView::showError() {
    const std::optional<QString> &error = m_store.lastError();
    // Keep the old text while the banner slides shut.
    if (error)
        m_banner->setMessage(*error);
    m_bannerReveal->reveal(error.has_value(), SpringTransaction::current());
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
