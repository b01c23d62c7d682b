#pragma once

#include <QAbstractNativeEventFilter>
#include <QColor>
#include <QObject>
#include <QRect>
#include <QTimer>

class QSystemTrayIcon;

// The colour of the tray icon's strokes, whatever the application's theme. Until the icon
// docks in an X tray nobody knows the bar behind it, and a status-notifier host never tells:
// there a mid grey that reads on dark and light bars. Docked, the tray's own colour hint, and
// without one the colour that stands out from the bar's pixels around the icon. A new hint or
// a new tray is looked at again.
class TrayIconColour : public QObject, public QAbstractNativeEventFilter {
    Q_OBJECT

public:
    TrayIconColour();
    ~TrayIconColour() override;

    QColor stroke() const { return m_stroke; }

    // Watches where this icon docks; it must outlive this object's use of it.
    void follow(const QSystemTrayIcon *tray);

signals:
    void strokeChanged(const QColor &stroke);

protected:
    bool nativeEventFilter(const QByteArray &eventType, void *message, qintptr *) override;

private:
    void lookForDock();
    void checkDock();
    void choose();
    void setStroke(const QColor &stroke);

    const QSystemTrayIcon *m_tray = nullptr;
    QColor m_stroke;
    QTimer m_dockCheck;
    int m_dockChecksLeft = 0;
    QRect m_cell;
    // The tray that owns the selection, its hint's atom and the atoms that announce a new tray.
    quint32 m_trayWindow = 0, m_selection = 0, m_coloursAtom = 0, m_managerAtom = 0;
};
