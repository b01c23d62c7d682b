#pragma once

#include <QListView>

class PortListModel;
class PortsStore;
class RowCommands;

// The listener list: rows painted by a delegate, with hover buttons, the System
// section's header that opens and shuts it with spring motion, a context menu, and
// keyboard control (Up/Down/Home/End/Page keys, Enter opens, Ctrl+C copies, the Menu
// key and Shift+F10 open the menu, Space/Enter on the header toggles it).
class PortListView : public QListView {
    Q_OBJECT

public:
    explicit PortListView(PortsStore &store, QWidget *parent = nullptr);
    ~PortListView() override;

    PortListModel *listModel() const;
    RowCommands &commands() const;

    bool isSystemExpanded() const;
    void toggleSystemSection();

    // The context menu of the line at row, placed at the line.
    void showMenuAt(int row);

signals:
    // Up was pressed on the first line: the focus goes back to the filter.
    void leftAtTop();
    void systemExpandedChanged(bool expanded);
};
