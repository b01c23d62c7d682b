#pragma once

#include "ListItem.h"
#include "look/Symbols.h"

#include <QFont>
#include <QHash>
#include <QStyledItemDelegate>

class PortListView;

// Paints the list's lines: a listener's row (status dot, port, command, pid and address,
// the hover buttons or the lock) and the System section's header (chevron, name, count,
// lock). Rows of the System section are as tall as the section is revealed.
class PortRowDelegate : public QStyledItemDelegate {
    Q_OBJECT

public:
    enum class Button { none, open, stop };

    explicit PortRowDelegate(PortListView *view);

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    bool helpEvent(QHelpEvent *event, QAbstractItemView *view, const QStyleOptionViewItem &option,
                   const QModelIndex &index) override;

    // The hover button at pos in a hovered line at lineRect.
    Button buttonAt(const QRect &lineRect, const QModelIndex &index, QPoint pos) const;
    // After a font change.
    void refreshFonts();

private:
    struct RowGeometry;
    RowGeometry rowGeometry(const QRect &lineRect, const QModelIndex &index) const;
    int gapAbove(const QModelIndex &index) const;
    // The height of a fully shown line, its gap above included.
    int fullHeight(const QModelIndex &index) const;
    void paintRow(QPainter &p, const QStyleOptionViewItem &option, const QModelIndex &index) const;
    void paintHeader(QPainter &p, const QStyleOptionViewItem &option,
                     const QModelIndex &index) const;
    void paintFocus(QPainter &p, const QStyleOptionViewItem &option, const QRect &body) const;
    QPixmap symbol(Symbol symbol, int size, const QColor &tint, qreal dpr) const;

    PortListView *m_view;
    QFont m_portFont, m_commandFont, m_detailsFont, m_headerFont;
    int m_rowHeight = 0;
    int m_headerHeight = 0;
    mutable QHash<QString, QPixmap> m_symbols;
};
