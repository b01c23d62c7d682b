#include "TrayIconColour.h"

#include "TrayContrast.h"
#include "look/X11Atoms.h"

#include <QGuiApplication>
#include <QScreen>
#include <QSystemTrayIcon>

#include <optional>

#ifdef HARKLET_HAVE_XCB
#include <xcb/xcb.h>

#include <cstdlib>
#endif

namespace {

// A tray moves a new icon into place within a few hundred milliseconds of docking.
constexpr auto dockCheckInterval = std::chrono::milliseconds(250);
constexpr int dockChecks = 40;

#ifdef HARKLET_HAVE_XCB

QList<quint32> cardinals(xcb_connection_t *connection, xcb_window_t window, xcb_atom_t property) {
    // One more than a valid hint holds, so that a longer one shows as malformed.
    xcb_get_property_reply_t *reply = xcb_get_property_reply(
        connection, xcb_get_property(connection, 0, window, property, XCB_ATOM_CARDINAL, 0, 13),
        nullptr);
    QList<quint32> values;
    if (reply && reply->format == 32) {
        const auto *data = static_cast<const quint32 *>(xcb_get_property_value(reply));
        values = QList<quint32>(data, data + xcb_get_property_value_length(reply) / 4);
    }
    std::free(reply);
    return values;
}

#endif

} // namespace

TrayIconColour::TrayIconColour()
    : m_stroke(TrayContrast::neutralStroke()) {
    m_dockCheck.setInterval(dockCheckInterval);
    connect(&m_dockCheck, &QTimer::timeout, this, &TrayIconColour::checkDock);
#ifdef HARKLET_HAVE_XCB
    if (xcb_connection_t *connection = X11Atoms::connection()) {
        m_selection = X11Atoms::screenSelection(connection, "_NET_SYSTEM_TRAY_S");
        m_coloursAtom = X11Atoms::atom(connection, "_NET_SYSTEM_TRAY_COLORS");
        m_managerAtom = X11Atoms::atom(connection, "MANAGER");
        qGuiApp->installNativeEventFilter(this);
    }
#endif
}

TrayIconColour::~TrayIconColour() {
    if (qGuiApp)
        qGuiApp->removeNativeEventFilter(this);
}

void TrayIconColour::follow(const QSystemTrayIcon *tray) {
    m_tray = tray;
    lookForDock();
}

void TrayIconColour::lookForDock() {
    // A new tray's window may reuse the old one's id; it needs its events selected anew.
    m_trayWindow = 0;
    m_cell = QRect();
    m_dockChecksLeft = dockChecks;
    m_dockCheck.start();
}

// Docked where two looks agree: before it docks, and while the tray lays it out, the icon's
// window may sit elsewhere. A status-notifier icon has no geometry and keeps the mid grey.
void TrayIconColour::checkDock() {
    const QRect cell = m_tray ? m_tray->geometry() : QRect();
    if (cell.isValid() && cell == m_cell) {
        m_dockCheck.stop();
        choose();
    } else if (--m_dockChecksLeft <= 0) {
        m_dockCheck.stop();
    }
    m_cell = cell;
}

void TrayIconColour::choose() {
#ifdef HARKLET_HAVE_XCB
    if (xcb_connection_t *connection = X11Atoms::connection(); connection && m_selection) {
        const xcb_window_t owner = X11Atoms::selectionOwner(connection, m_selection);
        if (owner != m_trayWindow && owner != XCB_NONE) {
            // Qt watches the tray's structure on this connection too: keep its events.
            const uint32_t events =
                XCB_EVENT_MASK_STRUCTURE_NOTIFY | XCB_EVENT_MASK_PROPERTY_CHANGE;
            xcb_change_window_attributes(connection, owner, XCB_CW_EVENT_MASK, &events);
            xcb_flush(connection);
        }
        m_trayWindow = owner;
        if (owner != XCB_NONE) {
            if (const auto hint =
                    TrayContrast::trayForeground(cardinals(connection, owner, m_coloursAtom))) {
                setStroke(*hint);
                return;
            }
        }
    }
#endif
    // Where the screen cannot be read, the grey that reads on most bars.
    QImage grab;
    if (QScreen *screen = QGuiApplication::screenAt(m_cell.center())) {
        const QRect inScreen = m_cell.translated(-screen->geometry().topLeft());
        grab =
            screen->grabWindow(0, inScreen.x(), inScreen.y(), inScreen.width(), inScreen.height())
                .toImage();
    }
    const auto bar = TrayContrast::barColour(grab);
    setStroke(bar ? TrayContrast::strokeFor(*bar) : TrayContrast::neutralStroke());
}

void TrayIconColour::setStroke(const QColor &stroke) {
    if (stroke == m_stroke)
        return;
    m_stroke = stroke;
    emit strokeChanged(stroke);
}

bool TrayIconColour::nativeEventFilter(const QByteArray &eventType, void *message, qintptr *) {
#ifdef HARKLET_HAVE_XCB
    if (eventType != "xcb_generic_event_t" || !m_tray)
        return false;
    const auto *event = static_cast<const xcb_generic_event_t *>(message);
    switch (event->response_type & 0x7f) {
    case XCB_PROPERTY_NOTIFY: {
        const auto *change = reinterpret_cast<const xcb_property_notify_event_t *>(event);
        if (change->window == m_trayWindow && change->atom == m_coloursAtom && m_cell.isValid())
            QTimer::singleShot(0, this, &TrayIconColour::choose);
        break;
    }
    case XCB_CLIENT_MESSAGE: {
        // A new tray announces itself; Qt docks the icon there.
        const auto *announce = reinterpret_cast<const xcb_client_message_event_t *>(event);
        if (announce->type == m_managerAtom && announce->data.data32[1] == m_selection)
            lookForDock();
        break;
    }
    default:
        break;
    }
#else
    Q_UNUSED(eventType);
    Q_UNUSED(message);
#endif
    return false;
}
