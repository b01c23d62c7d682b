#pragma once

#include "scan/PortEntry.h"

#include <QList>
#include <QWidget>

class ErrorBanner;
class FilterBar;
class GlassBackground;
class ListArea;
class PanelHeader;
class PortsStore;
class RevealBox;

// The pop-up panel's content: header, listener list, error banner and filter bar.
// Rebuilt in place from the store on every change.
class PanelView : public QWidget {
    Q_OBJECT

public:
    static constexpr int panelWidth = 360;

    explicit PanelView(PortsStore &store, QWidget *parent = nullptr);

    QString filter() const;
    ListArea *listArea() const { return m_list; }

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void showStore();
    void showFilteredStore();
    void showLists(const QList<PortEntry> &user, const QList<PortEntry> &system);
    void showError();
    QMenu *makeMenu();

    PortsStore &m_store;
    GlassBackground *m_glass;
    PanelHeader *m_header;
    ListArea *m_list;
    ErrorBanner *m_banner;
    RevealBox *m_bannerReveal;
    FilterBar *m_filterBar;
};
