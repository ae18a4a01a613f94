// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Windows' own browser control (WebBrowser, the Internet Explorer engine)
// in-place active in a window of the advert host, with the site of
// browsersite.h. Free of Qt: the host is a small Win32 program.

#include "adverthost/browsersite.h"

#include <exdisp.h>

#include <functional>
#include <memory>
#include <string>

namespace adverthost {

struct BrowserEvents {
    // The top page began to load (the panel's load, or the page's own).
    std::function<void()> loadStarted;
    // Once per load of the top page: true when it is shown, false when it
    // could not be had or was refused.
    std::function<void(bool ok)> loadFinished;
    // The page asked for this address in the desktop's browser (a new
    // window, or the top page for another site); the panel decides.
    std::function<void(const std::wstring& url)> openExternally;
};

class BrowserHost final : private SiteEvents {
public:
    // The control filling container's client area, or nullptr when the
    // system has no such control, it cannot start, or it cannot be made
    // silent. The calling thread must have OLE initialised.
    static std::unique_ptr<BrowserHost> create(HWND container, BrowserEvents events);
    ~BrowserHost() override;

    BrowserHost(const BrowserHost&) = delete;
    BrowserHost& operator=(const BrowserHost&) = delete;

    // Loads url without taking the keyboard, whatever had it.
    void navigate(const std::wstring& url);
    // A load the panel asked for that cannot even be tried (its address did
    // not fit a line): failed at once, the page before no longer shown.
    void refuse();
    // After the container's size changed.
    void fitToContainer();
    // Hands the keyboard to the shown page (the user tabbed or clicked into
    // it), or takes it back.
    void takeFocus();
    void dropFocus();
    // A click into the control's windows lets it take the keyboard.
    void allowFocus() { m_focusAllowed = true; }
    // The page's object for keys, while the control is UI-active.
    IOleInPlaceActiveObject* activeObject() const;
    HWND controlWindow() const;

private:
    struct Com;
    BrowserHost(HWND container, BrowserEvents events);

    void beforeNavigate(bool topFrame, bool allowed) override;
    void navigateError(bool topFrame) override;
    void documentComplete(bool topFrame) override;
    void openExternally(const std::wstring& url) override;
    void leftSite(const std::wstring& url) override;
    bool mayTakeFocus() override { return m_focusAllowed; }
    void report(bool ok);

    HWND m_container;
    BrowserEvents m_events;
    std::unique_ptr<Com> m_com;
    bool m_reported = true;
    bool m_failed = false;
    bool m_focusAllowed = false;
};

} // namespace adverthost
