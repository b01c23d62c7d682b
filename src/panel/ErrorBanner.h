#pragma once

#include <QWidget>

class ElidedLabel;
class QLabel;

// The store's last error, under the list: a warning sign and the message on at most
// two lines, on a faint red band across the panel.
class ErrorBanner : public QWidget {
    Q_OBJECT

public:
    static constexpr int maxLines = 2;

    explicit ErrorBanner(QWidget *parent = nullptr);

    void setMessage(const QString &message);

protected:
    void paintEvent(QPaintEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void applyColours();

    QLabel *m_symbol;
    ElidedLabel *m_message;
};
