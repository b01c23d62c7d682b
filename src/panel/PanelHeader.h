#pragma once

#include <QWidget>

class IconButton;
class QLabel;
class QMenu;

// The top of the panel: application icon, name, a one-line summary of what listens,
// and the button that opens the panel's menu.
class PanelHeader : public QWidget {
    Q_OBJECT

public:
    PanelHeader(QMenu *menu, QWidget *parent = nullptr);

    void setCounts(qsizetype userCount, qsizetype systemCount);

    // "3 dev servers · 12 system", "2 system listeners", "1 system listener" or
    // "Nothing listening".
    static QString subtitle(qsizetype userCount, qsizetype systemCount);

protected:
    void changeEvent(QEvent *event) override;

private:
    void applyColours();

    QLabel *m_icon;
    QLabel *m_title;
    QLabel *m_subtitle;
    IconButton *m_menuButton;
};
