#pragma once

#include <QElapsedTimer>
#include <QRect>
#include <QWidget>

class PortsStore;

// The top-level window around the panel. As a pop-up it hangs at the tray icon and closes
// on Escape or when it loses focus; without a tray it is an ordinary window instead.
// A frameless tool window rather than a Qt::Popup, because screen readers reach only the
// former over AT-SPI.
class PanelWindow : public QWidget {
    Q_OBJECT

public:
    explicit PanelWindow(PortsStore &store, QWidget *parent = nullptr);

    // Shows the pop-up at the tray icon; an invalid geometry means: at the cursor.
    void popUp(const QRect &iconGeometry);
    // Closes the pop-up when open, else opens it.
    void toggle(const QRect &iconGeometry);
    // Turns the pop-up into an ordinary framed window and shows it; closing it emits closed().
    void showAsWindow();

signals:
    void closed();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void changeEvent(QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void place();

    bool m_isPopUp = true;
    QRect m_anchor;
    QElapsedTimer m_sinceFocusLost;
};
