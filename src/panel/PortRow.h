#pragma once

#include "scan/PortEntry.h"

#include <QWidget>

class ElidedLabel;
class IconButton;
class PortsStore;
class QLabel;
class QMenu;

// One listener in the panel's list: status dot, port, command, pid and address, with
// open and stop buttons while hovered (a lock for system listeners), a context menu
// and accessibility actions. Every command goes to the store; results are not shown
// here, the store publishes failures itself.
class PortRow : public QWidget {
    Q_OBJECT

public:
    PortRow(const PortEntry &entry, PortsStore &store, QWidget *parent = nullptr);

    const PortEntry &entry() const { return m_entry; }
    // The same listener (same id) with newer details.
    void setEntry(const PortEntry &entry);

    // "Port 3000, node, process 812", plus ", system process, locked" for system ones;
    // "Port 5432, owned by root" for a socket without a known process.
    static QString accessibleLabel(const PortEntry &entry);

    // The secondary-click menu, into an empty menu.
    void fillContextMenu(QMenu &menu);

    void openInBrowser();
    void copyURL();
    // SIGTERM, animated unless reduced motion is asked for.
    void stop();
    // SIGKILL, never animated.
    void forceStop();

protected:
    void enterEvent(QEnterEvent *event) override;
    bool event(QEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void showEntry();
    void showAccessory();
    void applyColours();
    void setHovering(bool hovering);
    void pointerAt(const QPointF &globalPosition);
    qreal rowOpacity() const;

    PortEntry m_entry;
    PortsStore &m_store;
    bool m_hovering = false;
    // Where the pointer was when the row appeared, and whether it has left that spot since.
    // A window that opens under a resting pointer gets an enter event, and under Xwayland
    // the X server may still place the pointer where it was long ago, inside the panel.
    QPoint m_pointerAtShow;
    bool m_pointerMoved = false;

    QWidget *m_dotBox;
    QLabel *m_port;
    ElidedLabel *m_command;
    ElidedLabel *m_details;
    IconButton *m_open;
    IconButton *m_stop;
    QLabel *m_lock;
};
