#include "NativeCaption.h"

#include <QGuiApplication>
#include <QWidget>

#if defined(SOLAMINE_XCB) && QT_CONFIG(xcb)
#define SOLAMINE_CLEAR_X11_CAPTION
#include <xcb/xcb.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

xcb_atom_t Atom(xcb_connection_t* connection, const char* name) {
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 0, std::uint16_t(std::strlen(name)), name),
        nullptr);
    const xcb_atom_t atom = reply != nullptr ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    std::free(reply);
    return atom;
}

}  // namespace
#endif

void ClearNativeCaption(QWidget& window) {
#ifdef SOLAMINE_CLEAR_X11_CAPTION
    // Only the xcb platform's windows are X windows: the offscreen platform also answers as
    // X11, without a connection.
    const auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (QGuiApplication::platformName() != QStringLiteral("xcb") || x11 == nullptr ||
        x11->connection() == nullptr) {
        return;
    }
    // Qt sets both names when it creates the window and when the title changes, not when it
    // maps the window: empty names set now stay.
    xcb_connection_t* connection = x11->connection();
    const auto id = xcb_window_t(window.winId());
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, id, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8,
                        0, nullptr);
    const xcb_atom_t netName = Atom(connection, "_NET_WM_NAME");
    const xcb_atom_t utf8 = Atom(connection, "UTF8_STRING");
    if (netName != XCB_ATOM_NONE && utf8 != XCB_ATOM_NONE) {
        xcb_change_property(connection, XCB_PROP_MODE_REPLACE, id, netName, utf8, 8, 0, nullptr);
    }
    xcb_flush(connection);
#else
    Q_UNUSED(window);
#endif
}
