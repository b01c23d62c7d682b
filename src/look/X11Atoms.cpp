#include "X11Atoms.h"

#include <QGuiApplication>

#ifdef HARKLET_HAVE_XCB
#include <xcb/xcb.h>

#include <cstdlib>

namespace X11Atoms {

xcb_connection_t *connection() {
    const auto *x11 =
        qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->connection() : nullptr;
}

uint32_t atom(xcb_connection_t *connection, const QByteArray &name) {
    xcb_intern_atom_reply_t *reply = xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 0, uint16_t(name.size()), name.constData()),
        nullptr);
    const xcb_atom_t found = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    std::free(reply);
    return found;
}

uint32_t screenSelection(xcb_connection_t *connection, const QByteArray &prefix) {
    const int screen = qEnvironmentVariable("DISPLAY").section(u'.', 1, 1).toInt();
    return atom(connection, prefix + QByteArray::number(screen));
}

uint32_t selectionOwner(xcb_connection_t *connection, uint32_t selection) {
    xcb_get_selection_owner_reply_t *reply = xcb_get_selection_owner_reply(
        connection, xcb_get_selection_owner(connection, selection), nullptr);
    const xcb_window_t owner = reply ? reply->owner : xcb_window_t(XCB_NONE);
    std::free(reply);
    return owner;
}

} // namespace X11Atoms

#else

namespace X11Atoms {

xcb_connection_t *connection() {
    return nullptr;
}

uint32_t atom(xcb_connection_t *, const QByteArray &) {
    return 0;
}

uint32_t screenSelection(xcb_connection_t *, const QByteArray &) {
    return 0;
}

uint32_t selectionOwner(xcb_connection_t *, uint32_t) {
    return 0;
}

} // namespace X11Atoms

#endif
