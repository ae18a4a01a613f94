// SPDX-License-Identifier: GPL-3.0-or-later
#include "adverthost/browserhost.h"

#include <exdispid.h>

using Microsoft::WRL::ComPtr;

namespace adverthost {

struct BrowserHost::Com {
    ComPtr<IOleObject> object;
    ComPtr<IOleInPlaceObject> inPlace;
    ComPtr<IWebBrowser2> browser;
    ComPtr<IConnectionPoint> events;
    DWORD cookie = 0;
    BrowserSite* site = nullptr; // our one reference
    HWND window = nullptr;
};

BrowserHost::BrowserHost(HWND container, BrowserEvents events)
    : m_container(container)
    , m_events(std::move(events))
    , m_com(std::make_unique<Com>())
{
}

std::unique_ptr<BrowserHost> BrowserHost::create(HWND container, BrowserEvents events)
{
    ComPtr<IOleObject> object;
    if (FAILED(CoCreateInstance(CLSID_WebBrowser, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&object))))
        return nullptr;

    // Whatever fails from here on is undone by the destructor.
    std::unique_ptr<BrowserHost> host(new BrowserHost(container, std::move(events)));
    Com& com = *host->m_com;
    com.object = object;
    com.site = new BrowserSite(host.get(), container);
    ComPtr<IUnknown> identity;
    ComPtr<IConnectionPointContainer> points;
    // The site first: the control reads the host's wishes (GetHostInfo, the
    // ambient properties) from it as it starts.
    if (FAILED(object->SetClientSite(com.site)) || FAILED(object.As(&identity)) || FAILED(object.As(&com.browser))
        || FAILED(object.As(&points)))
        return nullptr;
    com.site->setBrowser(identity.Get());
    OleSetContainedObject(object.Get(), TRUE);

    // Every rule of the panel is one of these events: without them, no control.
    if (FAILED(points->FindConnectionPoint(__uuidof(DWebBrowserEvents2), &com.events))
        || FAILED(com.events->Advise(static_cast<IDispatch*>(com.site), &com.cookie)))
        return nullptr;
    // A script error would each time open a dialog over the window; a
    // control that cannot be kept quiet is not shown at all.
    if (FAILED(com.browser->put_Silent(VARIANT_TRUE)))
        return nullptr;

    // Active in place without taking the keyboard (no UI activation): the
    // panel must not take the focus from the window as it comes up.
    RECT area = {};
    GetClientRect(container, &area);
    if (FAILED(object->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, com.site, 0, container, &area))
        || FAILED(object.As(&com.inPlace)) || FAILED(com.inPlace->GetWindow(&com.window)))
        return nullptr;
    // Until a page has loaded the panel shows the window's own background,
    // as it does when there is no browser at all.
    ShowWindow(com.window, SW_HIDE);
    host->fitToContainer();
    return host;
}

BrowserHost::~BrowserHost()
{
    Com& com = *m_com;
    if (com.site)
        com.site->detach();
    if (com.events && com.cookie)
        com.events->Unadvise(com.cookie);
    com.events.Reset();
    if (com.object) {
        com.object->Close(OLECLOSE_NOSAVE);
        com.object->SetClientSite(nullptr);
    }
    com.inPlace.Reset();
    com.browser.Reset();
    com.object.Reset();
    if (com.site)
        com.site->Release();
}

void BrowserHost::navigate(const std::wstring& url)
{
    // A page loaded while the keyboard is elsewhere never takes it (its
    // focus() calls end in a refused UI activation).
    const HWND focus = GetFocus();
    m_focusAllowed = focus && (focus == m_container || IsChild(m_container, focus));
    m_reported = false;
    m_failed = false;
    m_com->site->setSite(url);
    VARIANT address;
    VARIANT flags;
    VARIANT headers;
    VARIANT none;
    VariantInit(&address);
    VariantInit(&flags);
    VariantInit(&headers);
    VariantInit(&none);
    V_VT(&address) = VT_BSTR;
    V_BSTR(&address) = SysAllocStringLen(url.data(), static_cast<UINT>(url.size()));
    // The panel never goes back: nothing to remember.
    V_VT(&flags) = VT_I4;
    V_I4(&flags) = navNoHistory;
    V_VT(&headers) = VT_BSTR;
    V_BSTR(&headers) = SysAllocString(kRequestHeaders);
    const HRESULT navigated = m_com->browser->Navigate2(&address, &flags, &none, &none, &headers);
    VariantClear(&address);
    VariantClear(&headers);
    if (FAILED(navigated))
        report(false);
}

void BrowserHost::refuse()
{
    m_reported = false;
    m_failed = true;
    m_com->browser->Stop();
    ShowWindow(m_com->window, SW_HIDE);
    report(false);
}

void BrowserHost::fitToContainer()
{
    RECT area = {};
    GetClientRect(m_container, &area);
    if (m_com->inPlace)
        m_com->inPlace->SetObjectRects(&area, &area);
}

void BrowserHost::takeFocus()
{
    m_focusAllowed = true;
    if (!IsWindowVisible(m_com->window))
        return;
    RECT area = {};
    GetClientRect(m_container, &area);
    m_com->object->DoVerb(OLEIVERB_UIACTIVATE, nullptr, m_com->site, 0, m_container, &area);
}

void BrowserHost::dropFocus()
{
    m_focusAllowed = false;
    if (m_com->inPlace)
        m_com->inPlace->UIDeactivate();
}

IOleInPlaceActiveObject* BrowserHost::activeObject() const
{
    return m_com->site ? m_com->site->activeObject() : nullptr;
}

HWND BrowserHost::controlWindow() const
{
    return m_com->window;
}

void BrowserHost::beforeNavigate(bool topFrame, bool allowed)
{
    if (!topFrame)
        return;
    // A refused address never leaves the page shown before.
    m_reported = false;
    if (allowed) {
        m_failed = false;
        if (m_events.loadStarted)
            m_events.loadStarted();
    } else {
        report(false);
    }
}

// The page is not shown but the panel's background instead, as before the
// first page (the control would otherwise keep the page before, or show a
// blank page of its own); the next load tries again.
void BrowserHost::navigateError(bool topFrame)
{
    if (!topFrame)
        return;
    m_failed = true;
    ShowWindow(m_com->window, SW_HIDE);
    report(false);
}

void BrowserHost::documentComplete(bool topFrame)
{
    if (!topFrame || m_failed)
        return;
    ShowWindow(m_com->window, SW_SHOWNA);
    report(true);
}

void BrowserHost::openExternally(const std::wstring& url)
{
    if (m_events.openExternally)
        m_events.openExternally(url);
}

// A server sent the top page elsewhere: not shown (the panel's background
// instead, as after a failed load), and asked for in the desktop's browser,
// which the panel opens only after the user's click.
void BrowserHost::leftSite(const std::wstring& url)
{
    m_failed = true;
    m_com->browser->Stop();
    ShowWindow(m_com->window, SW_HIDE);
    report(false);
    openExternally(url);
}

void BrowserHost::report(bool ok)
{
    if (m_reported)
        return;
    m_reported = true;
    if (m_events.loadFinished)
        m_events.loadFinished(ok);
}

} // namespace adverthost
