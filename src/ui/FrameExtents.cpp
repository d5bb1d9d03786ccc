#include "ui/FrameExtents.h"

#include <QGuiApplication>
#include <QWindow>

#if QT_CONFIG(xcb)
#include <xcb/xcb.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <span>
#include <thread>
#endif

#if QT_CONFIG(xcb)
namespace {

struct FreeReply {
    void operator()(void* reply) const { std::free(reply); }
};
template <class T> using Reply = std::unique_ptr<T, FreeReply>;

// The atom of `name`, or none where no client has made it: a window manager that offers a
// request has made its atom.
xcb_atom_t ExistingAtom(xcb_connection_t* c, const char* name) {
    const Reply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(
        c, xcb_intern_atom(c, 1, static_cast<std::uint16_t>(std::strlen(name)), name), nullptr));
    return reply ? reply->atom : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
}

// Whether the window manager lists `atom` among what it supports (_NET_SUPPORTED on the root).
bool WindowManagerSupports(xcb_connection_t* c, xcb_window_t root, xcb_atom_t atom) {
    const xcb_atom_t supported = ExistingAtom(c, "_NET_SUPPORTED");
    if (supported == XCB_ATOM_NONE)
        return false;
    const Reply<xcb_get_property_reply_t> reply(xcb_get_property_reply(
        c, xcb_get_property(c, 0, root, supported, XCB_ATOM_ATOM, 0, 4096), nullptr));
    if (!reply || reply->format != 32)
        return false;
    const std::span atoms(static_cast<const xcb_atom_t*>(xcb_get_property_value(reply.get())),
                          static_cast<std::size_t>(xcb_get_property_value_length(reply.get())) /
                              sizeof(xcb_atom_t));
    for (const xcb_atom_t listed : atoms) {
        if (listed == atom)
            return true;
    }
    return false;
}

// The window's _NET_FRAME_EXTENTS (left, right, top, bottom), once the window manager has
// set it.
bool ReadFrameExtents(xcb_connection_t* c, xcb_window_t window, xcb_atom_t extents,
                      QMargins* margins) {
    const Reply<xcb_get_property_reply_t> reply(xcb_get_property_reply(
        c, xcb_get_property(c, 0, window, extents, XCB_ATOM_CARDINAL, 0, 4), nullptr));
    if (!reply || reply->format != 32 || reply->value_len != 4)
        return false;
    const auto* value = static_cast<const std::uint32_t*>(xcb_get_property_value(reply.get()));
    *margins = QMargins(static_cast<int>(value[0]), static_cast<int>(value[2]),
                        static_cast<int>(value[1]), static_cast<int>(value[3]));
    return true;
}

} // namespace
#endif

QMargins RequestFrameExtents(QWindow* window, int timeoutMs) {
#if QT_CONFIG(xcb)
    // Only the X11 platform's connection is a window manager's; the offscreen platform may
    // offer the same interface without one.
    if (!window || QGuiApplication::platformName() != QLatin1String("xcb"))
        return {};
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    xcb_connection_t* c = x11 ? x11->connection() : nullptr;
    if (!c)
        return {};
    const auto id = static_cast<xcb_window_t>(window->winId());
    const Reply<xcb_query_tree_reply_t> tree(
        xcb_query_tree_reply(c, xcb_query_tree(c, id), nullptr));
    const xcb_atom_t request = ExistingAtom(c, "_NET_REQUEST_FRAME_EXTENTS");
    const xcb_atom_t extents = ExistingAtom(c, "_NET_FRAME_EXTENTS");
    if (!tree || request == XCB_ATOM_NONE || extents == XCB_ATOM_NONE ||
        !WindowManagerSupports(c, tree->root, request))
        return {};
    // The request goes to the root window, as the window manager's other requests do
    // (EWMH, _NET_REQUEST_FRAME_EXTENTS); the answer is a property on our window.
    xcb_client_message_event_t message{};
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = 32;
    message.window = id;
    message.type = request;
    xcb_send_event(c, 0, tree->root,
                   XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT,
                   reinterpret_cast<const char*>(&message));
    xcb_flush(c);
    // The window manager answers within a millisecond or two; the window is not shown yet,
    // so waiting for it costs the operator nothing visible.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    QMargins margins;
    while (!ReadFrameExtents(c, id, extents, &margins)) {
        if (std::chrono::steady_clock::now() >= deadline)
            return {};
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return margins;
#else
    Q_UNUSED(window);
    Q_UNUSED(timeoutMs);
    return {};
#endif
}
