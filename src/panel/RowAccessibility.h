#pragma once

#include <QAccessibleWidget>

class PortRow;

// Presents a row to assistive technology as one element with a spoken label and the
// actions "Open in browser" and "Stop server"; its dot, texts and buttons stay hidden.
class RowAccessibility : public QAccessibleWidget {
public:
    static const QString openAction;
    static const QString stopAction;

    explicit RowAccessibility(PortRow *row);

    // Registers the factory that gives every PortRow this interface; runs once.
    static void install();

    int childCount() const override;
    QAccessibleInterface *child(int index) const override;
    int indexOfChild(const QAccessibleInterface *child) const override;
    QAccessibleInterface *childAt(int x, int y) const override;
    QString text(QAccessible::Text kind) const override;

    QStringList actionNames() const override;
    void doAction(const QString &actionName) override;
    QStringList keyBindingsForAction(const QString &actionName) const override;

private:
    PortRow *row() const;
};
