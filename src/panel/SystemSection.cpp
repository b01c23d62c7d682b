#include "SystemSection.h"

#include "RevealBox.h"
#include "RowList.h"
#include "SystemSectionHeader.h"
#include "look/ReduceMotion.h"

#include <QVBoxLayout>

SystemSection::SystemSection(PortsStore &store, QWidget *parent)
    : QWidget(parent)
    , m_layout(new QVBoxLayout(this))
    , m_header(new SystemSectionHeader(this))
    , m_rows(new RowList(store))
    , m_reveal(new RevealBox(m_rows, this)) {
    m_layout->setContentsMargins(0, 0, 0, 0);
    m_layout->setSpacing(2);
    m_layout->addWidget(m_header);
    m_layout->addWidget(m_reveal);

    connect(m_header, &QAbstractButton::clicked, this, &SystemSection::toggle);
    connect(m_reveal, &RevealBox::fractionChanged, m_header, &SystemSectionHeader::setChevronTurn);
    // Rows exist only while the section is open or opening or shutting.
    connect(m_reveal, &RevealBox::shut, this, [this] { m_rows->setEntries({}); });
}

void SystemSection::setEntries(const QList<PortEntry> &entries, bool afterUserRows) {
    m_entries = entries;
    m_header->setCount(entries.size());
    m_layout->setContentsMargins(0, afterUserRows ? 6 : 0, 0, 0);
    if (m_expanded || m_reveal->fraction() > 0)
        m_rows->setEntries(entries);
}

void SystemSection::toggle() {
    m_expanded = !m_expanded;
    m_header->setChecked(m_expanded);
    if (m_expanded)
        m_rows->setEntries(m_entries);
    m_reveal->reveal(m_expanded,
                     ReduceMotion::isOn() ? std::nullopt : std::optional(Spring::section));
}
