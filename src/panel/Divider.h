#pragma once

#include <QWidget>

// The hairline between the panel's header, list and filter bar.
class Divider : public QWidget {
    Q_OBJECT

public:
    explicit Divider(QWidget *parent = nullptr);

protected:
    void paintEvent(QPaintEvent *event) override;
};
