#pragma once

#include "scan/PortEntry.h"

#include <QList>
#include <QListView>
#include <QPersistentModelIndex>
#include <QPointer>

class PortListModel;
class QMenu;
class PortsStore;
class RowCommands;
class PortRowDelegate;
class SectionReveal;

// The listener list: rows painted by a delegate, with hover buttons, the System
// section's header that opens and shuts it with spring motion, a context menu, and
// keyboard control (Up/Down/Home/End/Page keys, Enter opens, Ctrl+C copies, the Menu
// key and Shift+F10 open the menu, Space/Enter on the header toggles it).
// As tall as its lines, between 1 and maxHeight; taller content scrolls.
class PortListView : public QListView {
    Q_OBJECT

public:
    static constexpr int maxHeight = 380;
    static constexpr int padding = 8;

    explicit PortListView(PortsStore &store, QWidget *parent = nullptr);
    ~PortListView() override;

    PortListModel *listModel() const;
    RowCommands &commands() const;

    // The listeners to show, filtered; the System rows show while the section is open.
    void setLists(const QList<PortEntry> &user, const QList<PortEntry> &system);

    bool isSystemExpanded() const;
    void toggleSystemSection();
    // How far the System section is open: 0 shut, 1 open, in between while it slides.
    qreal systemReveal() const;

    // The line the pointer lights, once it has really moved over the list.
    bool isHovered(const QModelIndex &index) const;
    // The focus to the first line, coming from the filter above.
    void enterAtTop();

    // The context menu of the line at row, placed at the line.
    void showMenuAt(int row);

signals:
    // Up was pressed on the first line: the focus goes back to the filter.
    void leftAtTop();
    // Text was typed on a line: it belongs in the filter.
    void typed(const QString &text);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    bool viewportEvent(QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void changeEvent(QEvent *event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    void rebuild();
    void followReveal();
    void followContentHeight();
    void pointerAt(QPoint position);
    void setHovered(const QModelIndex &index);
    void activate(const QModelIndex &index);
    void popUpMenu(const QModelIndex &index, QPoint globalPosition);

    RowCommands *m_commands;
    PortListModel *m_model;
    PortRowDelegate *m_delegate;
    QList<PortEntry> m_user;
    QList<PortEntry> m_system;
    bool m_lineCountChanged = false;
    bool m_expanded = false;
    SectionReveal *m_reveal;

    QPersistentModelIndex m_hovered;
    // Where the pointer was when the list appeared, and whether it has left that spot since.
    // A window that opens under a resting pointer gets an enter event, and under Xwayland
    // the X server may still place the pointer where it was long ago, inside the panel.
    QPoint m_pointerAtShow;
    bool m_pointerMoved = false;
    // The hover button a press went down on, to act on its release over the same one.
    QPersistentModelIndex m_pressedLine;
    int m_pressedButton = 0;
    // Some platforms follow the Menu key's press with a context menu event: one menu.
    QPointer<QMenu> m_menu;
};
