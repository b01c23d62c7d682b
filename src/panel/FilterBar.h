#pragma once

#include <QWidget>

class IconButton;
class QLabel;
class QLineEdit;

// The filter field at the foot of the panel, with its clear button. Takes the focus for
// its field; Down in the field asks to move on into the list.
class FilterBar : public QWidget {
    Q_OBJECT

public:
    explicit FilterBar(QWidget *parent = nullptr);

    QString text() const;
    // Takes the focus and types text at the cursor, as if typed here.
    void type(const QString &text);

signals:
    void textChanged(const QString &text);
    void downPressed();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void applyColours();
    QRectF fieldRect() const;

    QLabel *m_symbol;
    QLineEdit *m_field;
    IconButton *m_clear;
};
