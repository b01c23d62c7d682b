#include "ListAccessibility.h"

#include "ListItemAccessible.h"
#include "PortListModel.h"
#include "PortListView.h"

#include <QAccessibleWidget>
#include <QGuiApplication>
#include <QScreen>

using namespace Qt::StringLiterals;

namespace {

// Qt's AT-SPI bridge hands rectangles on as they are, in device-independent pixels, while
// assistive technology on X11 measures the screen in device pixels: scaled by 2, every
// position would come out at half. Qt scales each screen about its origin.
qreal screenScale(const QWidget *widget) {
    return QGuiApplication::platformName() == "xcb"_L1 ? widget->devicePixelRatioF() : 1.0;
}

QPoint screenOrigin(const QWidget *widget) {
    const QScreen *screen = widget->screen();
    return screen ? screen->geometry().topLeft() : QPoint();
}

// A point on screen, as assistive technology gives it, in the widget.
QPoint fromScreen(const QWidget *widget, QPoint point) {
    const QPointF origin = screenOrigin(widget);
    const QPointF global = origin + (QPointF(point) - origin) / screenScale(widget);
    return widget->mapFromGlobal(global).toPoint();
}

// The view as a list whose children are its lines; the viewport and scroll bars between
// them stay out of the way.
class ListViewAccessible : public QAccessibleWidget {
public:
    explicit ListViewAccessible(PortListView *view)
        : QAccessibleWidget(view, QAccessible::List) {}

    QRect rect() const override {
        return widget()->isVisible() ? ListAccessibility::onScreen(widget(), widget()->rect())
                                     : QRect();
    }

    int childCount() const override { return view()->listModel()->rowCount(); }

    QAccessibleInterface *child(int index) const override {
        ListAccessibility *list = ListAccessibility::of(view());
        return list ? list->item(index) : nullptr;
    }

    int indexOfChild(const QAccessibleInterface *child) const override {
        const auto *item = dynamic_cast<const ListItemAccessible *>(child);
        return item && item->view() == view() && item->isValid() ? item->row() : -1;
    }

    QAccessibleInterface *childAt(int x, int y) const override {
        const QWidget *viewport = view()->viewport();
        const QPoint at = fromScreen(viewport, {x, y});
        const QModelIndex index =
            viewport->rect().contains(at) ? view()->indexAt(at) : QModelIndex();
        return index.isValid() ? child(index.row()) : nullptr;
    }

    QAccessibleInterface *focusChild() const override {
        const QModelIndex current = view()->currentIndex();
        return view()->hasFocus() && current.isValid() ? child(current.row()) : nullptr;
    }

private:
    PortListView *view() const { return static_cast<PortListView *>(widget()); }
};

QAccessibleInterface *listFactory(const QString &className, QObject *object) {
    if (className == "PortListView"_L1 && object && object->isWidgetType())
        return new ListViewAccessible(static_cast<PortListView *>(object));
    return nullptr;
}

} // namespace

ListAccessibility::ListAccessibility(PortListView *view)
    : QObject(view)
    , m_view(view) {
    const QAbstractItemModel *model = view->model();
    connect(model, &QAbstractItemModel::rowsAboutToBeRemoved, this,
            [this](const QModelIndex &, int first, int last) { forget(first, last); });
    connect(model, &QAbstractItemModel::rowsInserted, this,
            [this](const QModelIndex &, int first, int last) { announceNew(first, last); });
    connect(model, &QAbstractItemModel::modelAboutToBeReset, this, &ListAccessibility::forgetAll);
    connect(model, &QAbstractItemModel::modelReset, this,
            [this] { announceNew(0, m_view->model()->rowCount() - 1); });
    connect(model, &QAbstractItemModel::dataChanged, this,
            [this](const QModelIndex &topLeft, const QModelIndex &bottomRight) {
                announceChanges(topLeft.row(), bottomRight.row());
            });
    connect(view->selectionModel(), &QItemSelectionModel::currentChanged, this,
            &ListAccessibility::announceFocus);
    view->installEventFilter(this);
}

ListAccessibility::~ListAccessibility() {
    for (const QAccessible::Id id : std::as_const(m_items))
        QAccessible::deleteAccessibleInterface(id);
}

void ListAccessibility::attach(PortListView *view) {
    static const bool installed = [] {
        QAccessible::installFactory(listFactory);
        return true;
    }();
    Q_UNUSED(installed);
    // Focus on an unnamed list would leave a screen reader nothing to say.
    if (view->accessibleName().isEmpty())
        view->setAccessibleName(u"Listeners"_s);
    new ListAccessibility(view);
}

ListAccessibility *ListAccessibility::of(const PortListView *view) {
    return view->findChild<ListAccessibility *>(QString(), Qt::FindDirectChildrenOnly);
}

QRect ListAccessibility::onScreen(const QWidget *widget, const QRect &rect) {
    const qreal scale = screenScale(widget);
    const QPointF origin = screenOrigin(widget);
    const QPointF topLeft =
        origin + (QPointF(widget->mapToGlobal(rect.topLeft())) - origin) * scale;
    return {topLeft.toPoint(), (QSizeF(rect.size()) * scale).toSize()};
}

QAccessibleInterface *ListAccessibility::item(int row) {
    const PortListModel *model = m_view->listModel();
    if (row < 0 || row >= model->rowCount())
        return nullptr;
    const QString key = model->item(row).key();
    if (QAccessibleInterface *known = QAccessible::accessibleInterface(m_items.value(key)))
        return known;
    auto *made = new ListItemAccessible(m_view, model->index(row));
    m_items.insert(key, QAccessible::registerAccessibleInterface(made));
    return made;
}

bool ListAccessibility::eventFilter(QObject *watched, QEvent *event) {
    // After Qt has announced the view itself as focused, the line within it.
    if (watched == m_view && event->type() == QEvent::FocusIn)
        QMetaObject::invokeMethod(this, &ListAccessibility::announceFocus, Qt::QueuedConnection);
    return QObject::eventFilter(watched, event);
}

void ListAccessibility::forget(int first, int last) {
    if (m_items.isEmpty())
        return;
    const PortListModel *model = m_view->listModel();
    for (int row = first; row <= last; ++row) {
        const QAccessible::Id id = m_items.take(model->item(row).key());
        if (!id)
            continue;
        send(QAccessible::accessibleInterface(id), QAccessible::ObjectDestroyed);
        QAccessible::deleteAccessibleInterface(id);
    }
}

void ListAccessibility::forgetAll() {
    for (const QAccessible::Id id : std::as_const(m_items)) {
        send(QAccessible::accessibleInterface(id), QAccessible::ObjectDestroyed);
        QAccessible::deleteAccessibleInterface(id);
    }
    m_items.clear();
}

void ListAccessibility::announceNew(int first, int last) {
    if (!QAccessible::isActive())
        return;
    for (int row = first; row <= last; ++row)
        send(item(row), QAccessible::ObjectCreated);
}

void ListAccessibility::announceChanges(int first, int last) {
    if (m_items.isEmpty())
        return;
    const PortListModel *model = m_view->listModel();
    for (int row = first; row <= last; ++row) {
        auto *line = static_cast<ListItemAccessible *>(
            QAccessible::accessibleInterface(m_items.value(model->item(row).key())));
        if (!line)
            continue;
        for (const QAccessible::Event change : line->takeChanges()) {
            if (change != QAccessible::StateChanged) {
                send(line, change);
                continue;
            }
            if (!QAccessible::isActive())
                continue;
            QAccessible::State expansion;
            expansion.expanded = true;
            expansion.collapsed = true;
            QAccessibleStateChangeEvent event(line, expansion);
            QAccessible::updateAccessibility(&event);
        }
    }
}

void ListAccessibility::announceFocus() {
    if (!QAccessible::isActive())
        return;
    const QModelIndex current = m_view->currentIndex();
    if (m_view->hasFocus() && current.isValid())
        send(item(current.row()), QAccessible::Focus);
}

void ListAccessibility::send(QAccessibleInterface *item, QAccessible::Event type) {
    if (!item || !QAccessible::isActive())
        return;
    QAccessibleEvent event(item, type);
    QAccessible::updateAccessibility(&event);
}
