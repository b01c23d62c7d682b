#pragma once

#include <QRegion>

class QWindow;

// What an X11 desktop offers translucent windows. Off X11 these know nothing and do nothing.
namespace X11Compositor {

// Whether a compositing manager runs, so translucent pixels blend with what lies behind.
bool isRunning();

// Asks the compositor to blur what lies behind `region` (window coordinates) of the window.
// KWin honours the hint; other compositors ignore it.
void requestBlurBehind(QWindow *window, const QRegion &region);

} // namespace X11Compositor
