// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Windows' own browser control (WebBrowser, the Internet Explorer engine)
// hosted in a window of ours through OLE in-place activation. Free of Qt, so
// that the MinGW syntax check reaches it; systemwebview_win.cpp puts it in
// the panel.

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace platform {

// What a page in the control may do, apart from the control so that the
// rules can be read and tested on their own.
// The control goes to web addresses (and the empty page) only: local files,
// the system's resources (res:), scripts in the address bar (javascript:) and
// every other handler are refused.
bool browserMayNavigate(std::wstring_view url);
// A new window a page asks for (newWindowFlags from the NWMF values) opens in
// the desktop's browser only when the user clicked for it and it shows a web
// address; the control itself never opens one.
bool opensInDesktopBrowser(unsigned long newWindowFlags, std::wstring_view url);

struct WebBrowserEvents {
    // Once per load of the top page: true when it is shown, false when it
    // could not be had or was refused.
    std::function<void(bool ok)> loadFinished;
    // A user's click asked for a new window on this address.
    std::function<void(const std::wstring& url)> openExternally;
};

class BrowserSite;

class WebBrowserHost {
public:
    // The control in-place active in container, filling its client area, or
    // nullptr when the system has no such control or it cannot start. The
    // calling thread must have OLE initialised. The events are called from
    // inside the control's own event handlers: they must not call back into
    // the host there.
    static std::unique_ptr<WebBrowserHost> create(HWND container, WebBrowserEvents events);
    ~WebBrowserHost();

    WebBrowserHost(const WebBrowserHost&) = delete;
    WebBrowserHost& operator=(const WebBrowserHost&) = delete;

    void navigate(const std::wstring& url);
    // After the container's size changed.
    void fitToContainer();
    // Hands the keyboard to the shown page; false while no page is shown.
    bool takeFocus();
    // The control's own window, hidden while no page is shown.
    HWND controlWindow() const;

private:
    friend class BrowserSite;
    struct Com;

    explicit WebBrowserHost(HWND container, WebBrowserEvents events);

    void beforeNavigate(bool topFrame, bool allowed);
    void navigateError(bool topFrame);
    void documentComplete(bool topFrame);
    void openExternally(const std::wstring& url);
    void report(bool ok);

    HWND m_container;
    WebBrowserEvents m_events;
    std::unique_ptr<Com> m_com;
    // The top page's load under way has been reported, or failed.
    bool m_reported = true;
    bool m_failed = false;
};

} // namespace platform
