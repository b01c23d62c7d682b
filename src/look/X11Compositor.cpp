#include "X11Compositor.h"

#include <QByteArray>
#include <QGuiApplication>
#include <QWindow>

#ifdef HARKLET_HAVE_XCB
#include <xcb/xcb.h>

#include <cstdlib>
#include <vector>

namespace {

xcb_connection_t *x11Connection() {
    const auto *x11 =
        qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->connection() : nullptr;
}

xcb_atom_t atom(xcb_connection_t *connection, const QByteArray &name) {
    xcb_intern_atom_reply_t *reply = xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 0, uint16_t(name.size()), name.constData()),
        nullptr);
    const xcb_atom_t found = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    std::free(reply);
    return found;
}

} // namespace

bool X11Compositor::isRunning() {
    xcb_connection_t *connection = x11Connection();
    if (!connection)
        return false;
    // A compositing manager owns the selection _NET_WM_CM_S<screen>.
    const int screen = qEnvironmentVariable("DISPLAY").section(u'.', 1, 1).toInt();
    const xcb_atom_t selection = atom(connection, "_NET_WM_CM_S" + QByteArray::number(screen));
    if (selection == XCB_ATOM_NONE)
        return false;
    xcb_get_selection_owner_reply_t *reply = xcb_get_selection_owner_reply(
        connection, xcb_get_selection_owner(connection, selection), nullptr);
    const bool owned = reply && reply->owner != XCB_NONE;
    std::free(reply);
    return owned;
}

void X11Compositor::requestBlurBehind(QWindow *window, const QRegion &region) {
    xcb_connection_t *connection = x11Connection();
    if (!connection || !window || !window->handle())
        return;
    const xcb_atom_t blur = atom(connection, "_KDE_NET_WM_BLUR_BEHIND_REGION");
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
