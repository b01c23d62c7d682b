#pragma once

#include "scan/PortEntry.h"

#include <QWidget>

class PortsStore;
class RevealBox;
class RowList;
class SystemSectionHeader;
class QVBoxLayout;

// The system listeners: a header that shows how many match the filter and opens or
// shuts the section, and below it their rows while open.
class SystemSection : public QWidget {
    Q_OBJECT

public:
    explicit SystemSection(PortsStore &store, QWidget *parent = nullptr);

    // afterUserRows adds the gap that sets the section off from the rows above it.
    void setEntries(const QList<PortEntry> &entries, bool afterUserRows);
    bool isExpanded() const { return m_expanded; }
    SystemSectionHeader *header() const { return m_header; }
    RowList *rows() const { return m_rows; }

private:
    void toggle();

    QVBoxLayout *m_layout;
    SystemSectionHeader *m_header;
    RowList *m_rows;
    RevealBox *m_reveal;
    QList<PortEntry> m_entries;
    bool m_expanded = false;
};
