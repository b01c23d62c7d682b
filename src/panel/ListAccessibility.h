#pragma once

#include <QAccessible>
#include <QHash>
#include <QObject>
#include <QRect>

class PortListView;
class QAccessibleInterface;

// The listener list for assistive technology: the view is a list, every line an item of it
// (see ListItemAccessible), and screen readers hear of lines that come, go or change their
// label, and of the line the focus is on. One per view, owned by it.
class ListAccessibility : public QObject {
    Q_OBJECT

public:
    // Names the view, gives it its accessible interface and reports its changes. Once per
    // view, after its model is set.
    static void attach(PortListView *view);
    // The view's, or nullptr when not attached.
    static ListAccessibility *of(const PortListView *view);

    // A rectangle of the widget on screen, as assistive technology measures it.
    static QRect onScreen(const QWidget *widget, const QRect &rect);

    // The item of the line at row, made on first use and kept while the line lives.
    QAccessibleInterface *item(int row);

private:
    explicit ListAccessibility(PortListView *view);
    ~ListAccessibility() override;

    bool eventFilter(QObject *watched, QEvent *event) override;

    // The lines' items go, told to assistive technology first while they can still say
    // where they were.
    void forget(int first, int last);
    void forgetAll();
    void announceNew(int first, int last);
    void announceChanges(int first, int last);
    void announceFocus();
    void send(QAccessibleInterface *item, QAccessible::Event type);

    PortListView *m_view;
    QHash<QString, QAccessible::Id> m_items; // by line key
};
