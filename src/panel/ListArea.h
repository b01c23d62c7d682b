#pragma once

#include "scan/PortEntry.h"

#include <QScrollArea>

class EmptyState;
class PortsStore;
class RowList;
class SystemSection;

// The panel's scrolling middle: the user's rows, the system section, or the empty
// state. As tall as its content, between 1 and 380 points; taller content scrolls.
class ListArea : public QScrollArea {
    Q_OBJECT

public:
    static constexpr int maxHeight = 380;

    ListArea(PortsStore &store, int width, QWidget *parent = nullptr);

    // The filtered lists; filterTyped picks the empty state's wording.
    void setContent(const QList<PortEntry> &user, const QList<PortEntry> &system, bool filterTyped);

    static int clampedHeight(int contentHeight);

    RowList *userRows() const { return m_userRows; }
    SystemSection *systemSection() const { return m_system; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    int contentHeight() const;
    void followContentHeight();

    QWidget *m_content;
    RowList *m_userRows;
    SystemSection *m_system;
    EmptyState *m_empty;
};
