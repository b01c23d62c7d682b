#include "RevealBox.h"

#include <QEvent>

RevealBox::RevealBox(QWidget *content, QWidget *parent)
    : QWidget(parent)
    , m_content(content) {
    m_content->setParent(this);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    setVisible(false);
}

void RevealBox::reveal(bool open, std::optional<Spring> spring) {
    if (open == m_open)
        return;
    m_open = open;
    delete m_animation;
    m_animation = nullptr;

    const qreal target = open ? 1.0 : 0.0;
    if (!spring) {
        setFraction(target);
        if (!open)
            emit shut();
        return;
    }
    m_animation = new SpringAnimation(*spring, this);
    m_animation->setStartValue(m_fraction);
    m_animation->setEndValue(target);
    connect(m_animation, &QVariantAnimation::valueChanged, this,
            [this](const QVariant &value) { setFraction(value.toReal()); });
    connect(m_animation, &QAbstractAnimation::finished, this, [this] {
        if (!m_open)
            emit shut();
    });
    m_animation->start();
}

QSize RevealBox::sizeHint() const {
    return {m_content->sizeHint().width(), heightForWidth(width())};
}

QSize RevealBox::minimumSizeHint() const {
    return {0, sizeHint().height()};
}

bool RevealBox::hasHeightForWidth() const {
    return m_content->hasHeightForWidth();
}

int RevealBox::heightForWidth(int width) const {
    return qRound(contentHeight(width) * m_fraction);
}

bool RevealBox::event(QEvent *event) {
    if (event->type() == QEvent::LayoutRequest) {
        updateGeometry();
        placeContent();
    }
    return QWidget::event(event);
}

void RevealBox::resizeEvent(QResizeEvent *event) {
    QWidget::resizeEvent(event);
    placeContent();
}

void RevealBox::setFraction(qreal fraction) {
    m_fraction = qMax<qreal>(0, fraction);
    setVisible(m_fraction > 0);
    updateGeometry();
    emit fractionChanged(m_fraction);
}

int RevealBox::contentHeight(int width) const {
    return m_content->hasHeightForWidth() ? m_content->heightForWidth(width)
                                          : m_content->sizeHint().height();
}

void RevealBox::placeContent() {
    m_content->setGeometry(0, 0, width(), contentHeight(width()));
}
