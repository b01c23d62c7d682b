#pragma once

#include <QWidget>

class IconButton;
class QLabel;
class QLineEdit;

// The filter field at the foot of the panel, with its clear button.
class FilterBar : public QWidget {
    Q_OBJECT

public:
    explicit FilterBar(QWidget *parent = nullptr);

    QString text() const;

signals:
    void textChanged(const QString &text);

protected:
    void paintEvent(QPaintEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void applyColours();
    QRectF fieldRect() const;

    QLabel *m_symbol;
    QLineEdit *m_field;
    IconButton *m_clear;
};
