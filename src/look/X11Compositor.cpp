#include "X11Compositor.h"

#include "X11Atoms.h"

#include <QByteArray>
#include <QWindow>

#ifdef HARKLET_HAVE_XCB
#include <xcb/xcb.h>

#include <vector>

bool X11Compositor::isRunning() {
    xcb_connection_t *connection = X11Atoms::connection();
    if (!connection)
        return false;
    // A compositing manager owns the selection _NET_WM_CM_S<screen>.
    const uint32_t selection = X11Atoms::screenSelection(connection, "_NET_WM_CM_S");
    return selection != XCB_ATOM_NONE &&
           X11Atoms::selectionOwner(connection, selection) != XCB_NONE;
}

void X11Compositor::requestBlurBehind(QWindow *window, const QRegion &region) {
    xcb_connection_t *connection = X11Atoms::connection();
    if (!connection || !window || !window->handle())
        return;
    const xcb_atom_t blur = X11Atoms::atom(connection, "_KDE_NET_WM_BLUR_BEHIND_REGION");
    if (blur == XCB_ATOM_NONE)
        return;
    // The hint is in device pixels: x, y, width, height for each rectangle.
    const qreal ratio = window->devicePixelRatio();
    std::vector<uint32_t> rects;
    for (const QRect &r : region) {
        rects.insert(rects.end(), {uint32_t(r.x() * ratio), uint32_t(r.y() * ratio),
                                   uint32_t(r.width() * ratio), uint32_t(r.height() * ratio)});
    }
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, xcb_window_t(window->winId()), blur,
                        XCB_ATOM_CARDINAL, 32, uint32_t(rects.size()), rects.data());
    xcb_flush(connection);
}

#else

bool X11Compositor::isRunning() {
    return false;
}

void X11Compositor::requestBlurBehind(QWindow *, const QRegion &) {}

#endif
