#include "TextStyles.h"

#include <QFontDatabase>
#include <QGuiApplication>

namespace TextStyles {
namespace {

QFont styled(qreal bodyUnits, Design design) {
    const QFont body = QGuiApplication::font();
    QFont font =
        design == Design::monospaced ? QFontDatabase::systemFont(QFontDatabase::FixedFont) : body;
    if (body.pointSizeF() > 0)
        font.setPointSizeF(body.pointSizeF() * bodyUnits / 13.0);
    else
        font.setPixelSize(qMax(1, qRound(body.pixelSize() * bodyUnits / 13.0)));
    return font;
}

} // namespace

QFont headline() {
    QFont font = styled(13, Design::proportional);
    font.setWeight(QFont::DemiBold);
    return font;
}

QFont callout(Design design) {
    return styled(12, design);
}

QFont caption(Design design) {
    return styled(10, design);
}

} // namespace TextStyles
