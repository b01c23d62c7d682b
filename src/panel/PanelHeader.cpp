#include "PanelHeader.h"

#include "IconButton.h"
#include "look/AppMark.h"
#include "look/TextStyles.h"
#include "look/Tones.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QVBoxLayout>

namespace {
constexpr int iconSize = 30;
constexpr int menuSymbolSize = 14;
} // namespace

PanelHeader::PanelHeader(QMenu *menu, QWidget *parent)
    : QWidget(parent)
    , m_icon(new QLabel(this))
    , m_title(new QLabel(QStringLiteral("Harklet"), this))
    , m_subtitle(new QLabel(this))
    , m_menuButton(new IconButton(Symbol::moreActions, menuSymbolSize, this)) {
    m_icon->setFixedSize(iconSize, iconSize);
    QFont titleFont = TextStyles::headline();
    titleFont.setWeight(QFont::Bold);
    m_title->setFont(titleFont);
    m_subtitle->setObjectName(QStringLiteral("subtitle"));
    m_subtitle->setFont(TextStyles::caption());
    m_subtitle->setTextFormat(Qt::PlainText);
    m_menuButton->setAccessibleName(QStringLiteral("More actions"));
    m_menuButton->setFocusPolicy(Qt::TabFocus);
    connect(m_menuButton, &QAbstractButton::clicked, this, [this, menu] {
        // Right-aligned under the button, which sits at the panel's trailing edge.
        const QPoint corner(m_menuButton->width() - menu->sizeHint().width(),
                            m_menuButton->height());
        menu->popup(m_menuButton->mapToGlobal(corner));
    });

    auto *titles = new QVBoxLayout;
    titles->setSpacing(1);
    titles->addWidget(m_title);
    titles->addWidget(m_subtitle);

    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(14, 12, 14, 12);
    layout->setSpacing(10);
    layout->addWidget(m_icon);
    layout->addLayout(titles);
    layout->addStretch(1);
    layout->addWidget(m_menuButton);

    setCounts(0, 0);
    applyColours();
}

void PanelHeader::setCounts(qsizetype userCount, qsizetype systemCount) {
    m_subtitle->setText(subtitle(userCount, systemCount));
}

QString PanelHeader::subtitle(qsizetype userCount, qsizetype systemCount) {
    const QString system = QString::number(systemCount);
    if (userCount >= 1) {
        return QString::number(userCount) +
               (userCount == 1 ? QStringLiteral(" dev server") : QStringLiteral(" dev servers")) +
               QStringLiteral(" · ") + system + QStringLiteral(" system");
    }
    if (systemCount == 0)
        return QStringLiteral("Nothing listening");
    // No singular here: "1 system listeners" keeps the line's shape whatever the count.
    return system + QStringLiteral(" system listeners");
}

void PanelHeader::changeEvent(QEvent *event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange)
        applyColours();
}

void PanelHeader::applyColours() {
    const QPalette &colours = palette();
    setTextColour(m_title, toneColour(colours, Tone::primary));
    setTextColour(m_subtitle, toneColour(colours, Tone::secondary));
    m_menuButton->setTint(toneColour(colours, Tone::secondary));

    // The tray icon's drawing, at header size.
    const qreal dpr = devicePixelRatioF();
    QPixmap icon =
        AppMark::render(dpr * iconSize / AppMark::size, toneColour(colours, Tone::primary));
    icon.setDevicePixelRatio(dpr);
    m_icon->setPixmap(icon);
}
