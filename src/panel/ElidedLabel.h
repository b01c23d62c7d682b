#pragma once

#include <QLabel>

// Plain text cut to a number of lines at the label's width; the last line that fits
// ends in an ellipsis when more text would follow.
class ElidedLabel : public QLabel {
    Q_OBJECT

public:
    explicit ElidedLabel(int maxLines = 1, QWidget *parent = nullptr);

    void setFullText(const QString &text);
    const QString &fullText() const { return m_fullText; }

    static QString elided(const QString &text, const QFont &font, int width, int maxLines);

    bool hasHeightForWidth() const override;
    int heightForWidth(int width) const override;

protected:
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void refit();

    QString m_fullText;
    int m_maxLines;
};
