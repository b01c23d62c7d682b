#pragma once

#include <QFont>

// The panel's named text styles, scaled from the application font so that the user's
// font size setting carries through. Sizes are relative to a 13-unit body text.
namespace TextStyles {

enum class Design { proportional, monospaced };

QFont headline();
QFont callout(Design design = Design::proportional);
QFont caption(Design design = Design::proportional);

} // namespace TextStyles
