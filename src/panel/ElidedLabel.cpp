#include "ElidedLabel.h"

#include <QEvent>
#include <QFontMetrics>
#include <QTextLayout>

ElidedLabel::ElidedLabel(int maxLines, QWidget *parent)
    : QLabel(parent)
    , m_maxLines(qMax(1, maxLines)) {
    setTextFormat(Qt::PlainText);
    setWordWrap(false);
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
}

void ElidedLabel::setFullText(const QString &text) {
    if (text == m_fullText)
        return;
    m_fullText = text;
    refit();
}

QString ElidedLabel::elided(const QString &text, const QFont &font, int width, int maxLines) {
    QString plain = text;
    plain.replace(QLatin1String("\r\n"), QString(QChar::LineSeparator));
    plain.replace(QLatin1Char('\n'), QChar::LineSeparator);
    plain.replace(QLatin1Char('\r'), QChar::LineSeparator);
    width = qMax(1, width);

    QTextLayout layout(plain, font);
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    layout.beginLayout();
    QStringList lines;
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(width);
        if (lines.size() == maxLines - 1) {
            QString rest = plain.mid(line.textStart());
            rest.replace(QChar::LineSeparator, QLatin1Char(' '));
            lines << QFontMetrics(font).elidedText(rest, Qt::ElideRight, width);
            break;
        }
        QString shown = plain.mid(line.textStart(), line.textLength());
        while (!shown.isEmpty() && (shown.back().isSpace() || shown.back() == QChar::LineSeparator))
            shown.chop(1);
        lines << shown;
    }
    layout.endLayout();
    return lines.join(QLatin1Char('\n'));
}

bool ElidedLabel::hasHeightForWidth() const {
    return m_maxLines > 1;
}

int ElidedLabel::heightForWidth(int width) const {
    const int available = width - contentsMargins().left() - contentsMargins().right();
    const auto lines =
        elided(m_fullText, font(), available, m_maxLines).count(QLatin1Char('\n')) + 1;
    return int(lines) * fontMetrics().lineSpacing() + contentsMargins().top() +
           contentsMargins().bottom();
}

void ElidedLabel::resizeEvent(QResizeEvent *event) {
    QLabel::resizeEvent(event);
    refit();
}

void ElidedLabel::changeEvent(QEvent *event) {
    QLabel::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        refit();
}

void ElidedLabel::refit() {
    setText(elided(m_fullText, font(), contentsRect().width(), m_maxLines));
}
