// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/unix/x11calculatorwindows.h"

#include <QGuiApplication>

#include <xcb/xcb.h>
#include <xcb/xcb_icccm.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <strings.h>
#include <vector>

namespace platform {

namespace {

template <typename T> using XcbReply = std::unique_ptr<T, decltype(&std::free)>;

xcb_atom_t internAtom(xcb_connection_t* connection, const char* name)
{
    XcbReply<xcb_intern_atom_reply_t> reply(
        xcb_intern_atom_reply(connection,
                              xcb_intern_atom(connection, 0, static_cast<uint16_t>(std::strlen(name)), name), nullptr),
        &std::free);
    return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
}

bool hasClass(xcb_connection_t* connection, xcb_window_t window, const char* wanted)
{
    xcb_icccm_get_wm_class_reply_t wmClass;
    if (!xcb_icccm_get_wm_class_reply(connection, xcb_icccm_get_wm_class(connection, window), &wmClass, nullptr))
        return false;
    const bool match = (wmClass.class_name && strcasecmp(wmClass.class_name, wanted) == 0)
                       || (wmClass.instance_name && strcasecmp(wmClass.instance_name, wanted) == 0);
    xcb_icccm_get_wm_class_reply_wipe(&wmClass);
    return match;
}

bool isViewable(xcb_connection_t* connection, xcb_window_t window)
{
    XcbReply<xcb_get_window_attributes_reply_t> attributes(
        xcb_get_window_attributes_reply(connection, xcb_get_window_attributes(connection, window), nullptr),
        &std::free);
    return attributes && attributes->map_state == XCB_MAP_STATE_VIEWABLE;
}

std::vector<xcb_window_t> children(xcb_connection_t* connection, xcb_window_t window)
{
    XcbReply<xcb_query_tree_reply_t> tree(xcb_query_tree_reply(connection, xcb_query_tree(connection, window), nullptr),
                                          &std::free);
    if (!tree)
        return {};
    const xcb_window_t* first = xcb_query_tree_children(tree.get());
    std::vector<xcb_window_t> list(first, first + xcb_query_tree_children_length(tree.get()));
    // The tree lists children bottom to top; look at the topmost first.
    return {list.rbegin(), list.rend()};
}

// A mapped top-level client of the class: a direct child of the root, or, under a
// reparenting window manager, a child of one of its frames.
xcb_window_t findTopLevel(xcb_connection_t* connection, xcb_window_t root, const char* wanted)
{
    for (xcb_window_t top : children(connection, root)) {
        if (!isViewable(connection, top))
            continue;
        if (hasClass(connection, top, wanted))
            return top;
        for (xcb_window_t client : children(connection, top))
            if (isViewable(connection, client) && hasClass(connection, client, wanted))
                return client;
    }
    return XCB_WINDOW_NONE;
}

} // namespace

X11CalculatorWindows::X11CalculatorWindows()
{
    if (auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr)
        m_connection = x11->connection();
}

bool X11CalculatorWindows::closeOne(const char* windowClass) const
{
    if (!m_connection)
        return false;
    const xcb_setup_t* setup = xcb_get_setup(m_connection);
    for (auto screens = xcb_setup_roots_iterator(setup); screens.rem; xcb_screen_next(&screens)) {
        const xcb_window_t window = findTopLevel(m_connection, screens.data->root, windowClass);
        if (window == XCB_WINDOW_NONE)
            continue;
        xcb_client_message_event_t event = {};
        event.response_type = XCB_CLIENT_MESSAGE;
        event.format = 32;
        event.window = window;
        event.type = internAtom(m_connection, "WM_PROTOCOLS");
        event.data.data32[0] = internAtom(m_connection, "WM_DELETE_WINDOW");
        event.data.data32[1] = XCB_CURRENT_TIME;
        xcb_send_event(m_connection, 0, window, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char*>(&event));
        xcb_flush(m_connection);
        return true; // one window only
    }
    return false;
}

} // namespace platform
