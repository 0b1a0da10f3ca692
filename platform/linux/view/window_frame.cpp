#include "platform/linux/view/window_frame.h"

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include <poll.h>
#include <xcb/xcb.h>

#include <QGuiApplication>
#include <QWidget>

namespace muralis::linux_platform {

namespace {

using Clock = std::chrono::steady_clock;

// How long the window manager may take to answer: one that supports the
// request answers at once, and the window waits for it before it shows.
constexpr std::chrono::milliseconds answer_time{500};

struct FreeReply {
    void operator()(void* reply) const { std::free(reply); }
};
template <typename Reply>
using ReplyPtr = std::unique_ptr<Reply, FreeReply>;

struct Disconnect {
    void operator()(xcb_connection_t* connection) const { xcb_disconnect(connection); }
};

xcb_intern_atom_cookie_t ask_atom(xcb_connection_t* connection, const char* name)
{
    return xcb_intern_atom(connection, 0, static_cast<uint16_t>(std::strlen(name)), name);
}

xcb_atom_t atom(xcb_connection_t* connection, xcb_intern_atom_cookie_t asked)
{
    const ReplyPtr<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(connection, asked, nullptr));
    return reply ? reply->atom : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
}

// The 32-bit values of property on window, of any type.
std::vector<uint32_t> property_values(xcb_connection_t* connection, xcb_window_t window, xcb_atom_t property)
{
    const ReplyPtr<xcb_get_property_reply_t> reply(xcb_get_property_reply(
        connection, xcb_get_property(connection, 0, window, property, XCB_ATOM_ANY, 0, 1024), nullptr));
    if (!reply || reply->format != 32)
        return {};
    const auto* values = static_cast<const uint32_t*>(xcb_get_property_value(reply.get()));
    return {values, values + xcb_get_property_value_length(reply.get()) / 4};
}

} // namespace

// Whether a window manager that answers the request runs is asked over Qt's
// own connection (questions and their replies, no events): without one, as
// on a bare X server, the window makes no connection of its own. The
// question then goes over a connection of its own, whose events Qt's
// connection never sees: the property's change is waited for here, with a
// deadline, while Qt's own reader keeps its events.
std::optional<QMargins> frame_to_come(QWidget& window)
{
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (!x11 || QGuiApplication::platformName() != QLatin1String("xcb"))
        return std::nullopt;
    const auto id = static_cast<xcb_window_t>(window.winId());
    xcb_connection_t* shared = x11->connection();
    // The four questions go out together; the answers are read after.
    const xcb_get_geometry_cookie_t asked_geometry = xcb_get_geometry(shared, id);
    const xcb_intern_atom_cookie_t asked_request = ask_atom(shared, "_NET_REQUEST_FRAME_EXTENTS");
    const xcb_intern_atom_cookie_t asked_extents = ask_atom(shared, "_NET_FRAME_EXTENTS");
    const xcb_intern_atom_cookie_t asked_supported = ask_atom(shared, "_NET_SUPPORTED");
    const ReplyPtr<xcb_get_geometry_reply_t> geometry(xcb_get_geometry_reply(shared, asked_geometry, nullptr));
    const xcb_atom_t request = atom(shared, asked_request);
    const xcb_atom_t extents = atom(shared, asked_extents);
    const xcb_atom_t supported_list = atom(shared, asked_supported);
    if (!geometry)
        return std::nullopt;
    const xcb_window_t root = geometry->root;
    bool supported = false;
    for (uint32_t value : property_values(shared, root, supported_list))
        supported = supported || value == request;
    if (!supported)
        return std::nullopt;

    const std::unique_ptr<xcb_connection_t, Disconnect> connection(xcb_connect(nullptr, nullptr));
    xcb_connection_t* x = connection.get();
    if (xcb_connection_has_error(x))
        return std::nullopt;
    const uint32_t property_changes = XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_change_window_attributes(x, id, XCB_CW_EVENT_MASK, &property_changes);
    xcb_client_message_event_t ask{};
    ask.response_type = XCB_CLIENT_MESSAGE;
    ask.format = 32;
    ask.window = id;
    ask.type = request;
    xcb_send_event(x, 0, root, XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char*>(&ask));
    xcb_flush(x);

    const auto deadline = Clock::now() + answer_time;
    for (;;) {
        while (const ReplyPtr<xcb_generic_event_t> event{xcb_poll_for_event(x)}) {
            if ((event->response_type & 0x7f) != XCB_PROPERTY_NOTIFY)
                continue;
            const auto* changed = reinterpret_cast<const xcb_property_notify_event_t*>(event.get());
            if (changed->window != id || changed->atom != extents)
                continue;
            // Left, right, top, bottom.
            const std::vector<uint32_t> sides = property_values(x, id, extents);
            if (sides.size() != 4)
                return std::nullopt;
            return QMargins(static_cast<int>(sides[0]), static_cast<int>(sides[2]), static_cast<int>(sides[1]),
                            static_cast<int>(sides[3]));
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        pollfd readable{xcb_get_file_descriptor(x), POLLIN, 0};
        if (left.count() <= 0 || ::poll(&readable, 1, static_cast<int>(left.count())) <= 0 ||
            xcb_connection_has_error(x))
            return std::nullopt;
    }
}

} // namespace muralis::linux_platform
