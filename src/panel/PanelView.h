#pragma once

#include <QWidget>

class PortsStore;

// The pop-up panel's content: header, listener list, error banner and filter bar.
// Rebuilt in place from the store on every change.
class PanelView : public QWidget
{
    Q_OBJECT

public:
    explicit PanelView(PortsStore &store, QWidget *parent = nullptr);
};
