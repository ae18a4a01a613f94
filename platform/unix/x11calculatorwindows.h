// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

struct xcb_connection_t;

namespace platform {

// Calculator windows on the X11 display this program is on, found by their
// WM_CLASS. Every look-up is a round trip to the X server on Qt's own
// connection, a matter of milliseconds, so the caller waits for it.
class X11CalculatorWindows {
public:
    // Qt's X11 connection; none when this program is not on X11.
    X11CalculatorWindows();

    // One mapped top-level window whose WM_CLASS names windowClass (either
    // part, any case) sent WM_DELETE_WINDOW, the X11 counterpart of WM_CLOSE,
    // as a window manager's close box would. False when this program is not
    // on X11 or no such window exists.
    bool closeOne(const char* windowClass) const;

private:
    xcb_connection_t* m_connection = nullptr;
};

} // namespace platform
