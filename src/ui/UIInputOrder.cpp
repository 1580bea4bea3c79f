#include "ui/UIInputOrder.h"
#include "platform/messages.h"
#include "ui/UIWindow.h"

#include <QAbstractNativeEventFilter>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QWidget>

#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>
#include <map>

namespace {

struct PendingPost {
    HWND hwnd;
    UINT msg;
    WPARAM wParam;
    LPARAM lParam;
};

// Our client messages come back through the X event stream, behind the input
// the server had queued for us when it took them. Qt hands its X events to
// this filter in order, before it delivers the input of the same batch; the
// posted message runs after that delivery.
class CInputMarkFilter : public QAbstractNativeEventFilter {
public:
    explicit CInputMarkFilter(xcb_atom_t atom) : m_atom(atom) {}

    uint32_t Add(const PendingPost& post)
    {
        m_pending[++m_serial] = post;
        return m_serial;
    }
    xcb_atom_t Atom() const { return m_atom; }

    bool nativeEventFilter(const QByteArray& type, void* message, qintptr*) override
    {
        if (type != "xcb_generic_event_t") return false;
        auto* event = static_cast<xcb_generic_event_t*>(message);
        if ((event->response_type & 0x7f) != XCB_CLIENT_MESSAGE) return false;
        auto* client = reinterpret_cast<xcb_client_message_event_t*>(event);
        if (client->type != m_atom || client->format != 32) return false;
        auto it = m_pending.find(client->data.data32[0]);
        if (it != m_pending.end()) {
            const PendingPost post = it->second;
            m_pending.erase(it);
            ::PostMessage(post.hwnd, post.msg, post.wParam, post.lParam);
        }
        return true;
    }

private:
    xcb_atom_t m_atom;
    uint32_t m_serial = 0;
    std::map<uint32_t, PendingPost> m_pending;
};

xcb_connection_t* XConnection()
{
    auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
    auto* x11 = app ? app->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->connection() : nullptr;
}

// Made on the first use, on the UI thread; it lives as long as the process.
CInputMarkFilter* MarkFilter(xcb_connection_t* connection)
{
    static CInputMarkFilter* filter = nullptr;
    if (filter) return filter;
    static const char kName[] = "_VXM_INPUT_MARK";
    xcb_intern_atom_reply_t* reply =
        xcb_intern_atom_reply(connection, xcb_intern_atom(connection, 0, sizeof kName - 1, kName), nullptr);
    if (!reply) return nullptr;
    filter = new CInputMarkFilter(reply->atom);
    std::free(reply);
    QCoreApplication::instance()->installNativeEventFilter(filter);
    return filter;
}

}  // namespace

void PostAfterPendingInput(CWindowWnd& window, UINT msg, WPARAM wParam, LPARAM lParam)
{
    QWidget* widget = window.GetWidget();
    xcb_connection_t* connection = widget ? XConnection() : nullptr;
    CInputMarkFilter* filter = connection ? MarkFilter(connection) : nullptr;
    const auto target = filter ? static_cast<xcb_window_t>(widget->effectiveWinId()) : 0;
    if (!target) {
        ::PostMessage(window.GetHWND(), msg, wParam, lParam);
        return;
    }
    xcb_client_message_event_t mark;
    std::memset(&mark, 0, sizeof mark);
    mark.response_type = XCB_CLIENT_MESSAGE;
    mark.format = 32;
    mark.window = target;
    mark.type = filter->Atom();
    mark.data.data32[0] = filter->Add({window.GetHWND(), msg, wParam, lParam});
    xcb_send_event(connection, 0, target, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char*>(&mark));
    xcb_flush(connection);
}
