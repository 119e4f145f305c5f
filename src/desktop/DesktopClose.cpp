// SPDX-License-Identifier: GPL-3.0-or-later
#include "desktop/DesktopClose.h"

#include <QAbstractNativeEventFilter>
#include <QApplication>
#include <QGuiApplication>
#include <QPointer>
#include <QWidget>

#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>

namespace quillane {

namespace {

xcb_atom_t atom(xcb_connection_t *connection, const char *name)
{
    const xcb_intern_atom_cookie_t cookie =
        xcb_intern_atom(connection, 0, uint16_t(std::strlen(name)), name);
    xcb_intern_atom_reply_t *reply = xcb_intern_atom_reply(connection, cookie, nullptr);
    const xcb_atom_t found = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    std::free(reply);
    return found;
}

class X11CloseFilter final : public QAbstractNativeEventFilter {
public:
    X11CloseFilter(QWidget *mainWindow, xcb_connection_t *connection)
        : mainWindow_(mainWindow), protocols_(atom(connection, "WM_PROTOCOLS")),
          deleteWindow_(atom(connection, "WM_DELETE_WINDOW"))
    {
    }

    bool nativeEventFilter(const QByteArray &eventType, void *message, qintptr *) override
    {
        if (eventType != "xcb_generic_event_t" || !mainWindow_)
            return false;
        const auto *event = static_cast<const xcb_generic_event_t *>(message);
        if ((event->response_type & 0x7f) != XCB_CLIENT_MESSAGE)
            return false;
        const auto *client = static_cast<const xcb_client_message_event_t *>(message);
        if (client->format != 32 || client->type != protocols_ ||
            client->data.data32[0] != deleteWindow_ ||
            client->window != xcb_window_t(mainWindow_->winId()))
            return false;
        // Unblocked, Qt's own close ends the program as usual.
        if (!QApplication::activeModalWidget())
            return false;
        // A modal window's handler is waiting inside it: leaving through the
        // event loops would let that handler run on. Every setting is saved
        // already, so nothing is lost by ending here.
        std::_Exit(0);
    }

private:
    QPointer<QWidget> mainWindow_;
    xcb_atom_t protocols_;
    xcb_atom_t deleteWindow_;
};

} // namespace

void endWithMainWindow(QWidget *mainWindow)
{
    auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (!x11 || !x11->connection())
        return;
    qApp->installNativeEventFilter(new X11CloseFilter(mainWindow, x11->connection()));
}

} // namespace quillane
