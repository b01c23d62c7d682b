#pragma once

#include <QByteArray>

#include <cstdint>

struct xcb_connection_t;

// Small questions to the X server over Qt's own connection. Off X11 there is no connection.
namespace X11Atoms {

// Qt's connection, or null off X11.
xcb_connection_t *connection();

// The atom of that name, created if new; 0 when the server does not answer.
uint32_t atom(xcb_connection_t *connection, const QByteArray &name);

// The atom of a selection held per screen, such as _NET_WM_CM_S0, for this display's screen.
uint32_t screenSelection(xcb_connection_t *connection, const QByteArray &prefix);

// The window that owns the selection; 0 when nobody does.
uint32_t selectionOwner(xcb_connection_t *connection, uint32_t selection);

} // namespace X11Atoms
