#pragma once

#include "scan/PortEntry.h"

#include <QList>
#include <QWidget>

#include <optional>

class EmptyState;
class ErrorBanner;
class FilterBar;
class GlassBackground;
class PanelHeader;
class PortListView;
class PortsStore;
class RevealBox;

// The pop-up panel's content: header, listener list, error banner and filter bar. Follows
// the store while shown, and only when what it shows changed; while hidden it merely notes
// that the store moved on and catches up when shown. Opens with the focus in the filter.
class PanelView : public QWidget {
    Q_OBJECT

public:
    static constexpr int panelWidth = 360;

    explicit PanelView(PortsStore &store, QWidget *parent = nullptr);

    QString filter() const;
    PortListView *list() const { return m_list; }

protected:
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void showStore();
    void showFilteredStore();
    void showLists(const QList<PortEntry> &user, const QList<PortEntry> &system);
    void showError();
    void setTabOrder();
    QMenu *makeMenu();

    PortsStore &m_store;
    GlassBackground *m_glass;
    PanelHeader *m_header;
    PortListView *m_list;
    EmptyState *m_empty;
    ErrorBanner *m_banner;
    RevealBox *m_bannerReveal;
    FilterBar *m_filterBar;

    // What was last shown, to skip a store change that changes none of it.
    QList<PortEntry> m_shownEntries;
    std::optional<QString> m_shownError;
    bool m_stale = true;
};
