// SPDX-License-Identifier: GPL-3.0-or-later
#include "adverthost/browsersite.h"

#include "platform/advert/siterules.h"

#include <exdisp.h>
#include <exdispid.h>
#include <idispids.h>
#include <mshtmdid.h>
#include <shobjidl.h>

#include <cstring>
#include <cwchar>

using Microsoft::WRL::ComPtr;

namespace adverthost {
namespace {

static_assert(advert::kNewWindowUserInitiated == NWMF_USERINITED);
static_assert(advert::dlctl::kImages == DLCTL_DLIMAGES && advert::dlctl::kVideos == DLCTL_VIDEOS
              && advert::dlctl::kBackgroundSounds == DLCTL_BGSOUNDS && advert::dlctl::kNoJava == DLCTL_NO_JAVA
              && advert::dlctl::kNoRunActiveX == DLCTL_NO_RUNACTIVEXCTLS
              && advert::dlctl::kNoDownloadActiveX == DLCTL_NO_DLACTIVEXCTLS && advert::dlctl::kSilent == DLCTL_SILENT);
static_assert(advert::kMessageBoxAnswer == IDCANCEL);
static_assert(advert::vk::kTab == VK_TAB && advert::vk::kA == 'A' && advert::vk::kC == 'C'
              && advert::vk::kApps == VK_APPS && advert::vk::kF1 == VK_F1 && advert::vk::kF4 == VK_F4
              && advert::vk::kF24 == VK_F24 && advert::vk::kBrowserBack == VK_BROWSER_BACK
              && advert::vk::kLaunchApp2 == VK_LAUNCH_APP2);

// The control's own commands to its host (CGID_DocHostCommandHandler),
// spelled out: MinGW declares it without defining it.
constexpr GUID kDocHostCommandHandler = {0xf38bc242, 0xb950, 0x11d1, {0x89, 0x18, 0x00, 0xc0, 0x4f, 0xc2, 0xc8, 0x36}};

// Commands the host takes and does nothing with: each would open a dialog
// (script error, message, find, page set-up, print, print preview).
bool swallowsCommand(DWORD id)
{
    switch (id) {
    case OLECMDID_SHOWSCRIPTERROR:
    case OLECMDID_SHOWMESSAGE:
    case OLECMDID_SHOWFIND:
    case OLECMDID_SHOWPAGESETUP:
    case OLECMDID_SHOWPRINT:
    case OLECMDID_PRINT:
    case OLECMDID_PRINTPREVIEW:
    case OLECMDID_PAGESETUP:
    case OLECMDID_PRINT2:
    case OLECMDID_PRINTPREVIEW2: return true;
    default: return false;
    }
}

// An event's argument, counted from the left as the event is declared (the
// control passes them right to left), seen through a reference to a VARIANT.
VARIANT* argument(DISPPARAMS* params, UINT index)
{
    if (!params || !params->rgvarg || index >= params->cArgs)
        return nullptr;
    VARIANT* arg = &params->rgvarg[params->cArgs - 1 - index];
    if (V_VT(arg) == (VT_VARIANT | VT_BYREF))
        arg = V_VARIANTREF(arg);
    return arg;
}

std::wstring text(const VARIANT* arg)
{
    BSTR string = nullptr;
    if (arg && V_VT(arg) == VT_BSTR)
        string = V_BSTR(arg);
    else if (arg && V_VT(arg) == (VT_BSTR | VT_BYREF) && V_BSTRREF(arg))
        string = *V_BSTRREF(arg);
    return string ? std::wstring(string, SysStringLen(string)) : std::wstring();
}

unsigned long number(VARIANT* arg)
{
    VARIANT converted;
    VariantInit(&converted);
    if (!arg || FAILED(VariantChangeType(&converted, arg, 0, VT_UI4)))
        return 0;
    return V_UI4(&converted);
}

bool boolean(VARIANT* arg)
{
    VARIANT converted;
    VariantInit(&converted);
    return arg && SUCCEEDED(VariantChangeType(&converted, arg, 0, VT_BOOL)) && V_BOOL(&converted) != VARIANT_FALSE;
}

void cancel(DISPPARAMS* params, UINT index)
{
    VARIANT* arg = argument(params, index);
    if (!arg)
        return;
    if (V_VT(arg) == (VT_BOOL | VT_BYREF) && V_BOOLREF(arg))
        *V_BOOLREF(arg) = VARIANT_TRUE;
    else if (V_VT(arg) == VT_BOOL)
        V_BOOL(arg) = VARIANT_TRUE;
}

LPWSTR taskString(const wchar_t* text)
{
    const std::size_t bytes = (std::wcslen(text) + 1) * sizeof(wchar_t);
    auto* copy = static_cast<LPWSTR>(CoTaskMemAlloc(bytes));
    if (copy)
        std::memcpy(copy, text, bytes);
    return copy;
}

} // namespace

BrowserSite::BrowserSite(SiteEvents* events, HWND container)
    : m_events(events)
    , m_container(container)
{
}

void BrowserSite::detach()
{
    m_events = nullptr;
    m_browser = nullptr;
    m_active.Reset();
}

HRESULT BrowserSite::QueryInterface(REFIID riid, void** object)
{
    if (!object)
        return E_POINTER;
    if (IsEqualIID(riid, __uuidof(IUnknown)) || IsEqualIID(riid, __uuidof(IOleClientSite)))
        *object = static_cast<IOleClientSite*>(this);
    else if (IsEqualIID(riid, __uuidof(IOleWindow)) || IsEqualIID(riid, __uuidof(IOleInPlaceSite)))
        *object = static_cast<IOleInPlaceSite*>(this);
    else if (IsEqualIID(riid, __uuidof(IOleInPlaceUIWindow)) || IsEqualIID(riid, __uuidof(IOleInPlaceFrame)))
        *object = static_cast<IOleInPlaceFrame*>(this);
    else if (IsEqualIID(riid, __uuidof(IDocHostUIHandler)))
        *object = static_cast<IDocHostUIHandler*>(this);
    else if (IsEqualIID(riid, __uuidof(IDocHostShowUI)))
        *object = static_cast<IDocHostShowUI*>(this);
    else if (IsEqualIID(riid, __uuidof(IOleCommandTarget)))
        *object = static_cast<IOleCommandTarget*>(this);
    else if (IsEqualIID(riid, __uuidof(IServiceProvider)))
        *object = static_cast<IServiceProvider*>(this);
    // Every interface QueryService hands out, so that the control finds the
    // same object whichever way it asks.
    else if (IsEqualIID(riid, __uuidof(IHostDialogHelper)))
        *object = static_cast<IHostDialogHelper*>(this);
    else if (IsEqualIID(riid, __uuidof(IHttpNegotiate)))
        *object = static_cast<IHttpNegotiate*>(this);
    else if (IsEqualIID(riid, __uuidof(IInternetSecurityManager)))
        *object = static_cast<IInternetSecurityManager*>(this);
    else if (IsEqualIID(riid, __uuidof(IDispatch)) || IsEqualIID(riid, __uuidof(DWebBrowserEvents2)))
        *object = static_cast<IDispatch*>(this);
    else {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

ULONG BrowserSite::Release()
{
    const ULONG references = --m_references;
    if (references == 0)
        delete this;
    return references;
}

HRESULT BrowserSite::GetWindow(HWND* window)
{
    if (!window)
        return E_POINTER;
    *window = m_container;
    return S_OK;
}

HRESULT BrowserSite::GetMoniker(DWORD, DWORD, IMoniker** moniker)
{
    if (moniker)
        *moniker = nullptr;
    return E_NOTIMPL;
}

HRESULT BrowserSite::GetContainer(IOleContainer** container)
{
    if (container)
        *container = nullptr;
    return E_NOINTERFACE;
}

// The control takes the keyboard only when the host lets it: after the
// user's click or Tab into it, never on a page's own focus() or a reload.
HRESULT BrowserSite::OnUIActivate()
{
    return m_events && m_events->mayTakeFocus() ? S_OK : E_FAIL;
}

HRESULT BrowserSite::GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document, LPRECT position,
                                      LPRECT clip, LPOLEINPLACEFRAMEINFO info)
{
    if (!frame || !document || !position || !clip || !info)
        return E_POINTER;
    *frame = static_cast<IOleInPlaceFrame*>(this);
    AddRef();
    *document = nullptr;
    GetClientRect(m_container, position);
    *clip = *position;
    info->fMDIApp = FALSE;
    info->hwndFrame = m_container;
    info->haccel = nullptr;
    info->cAccelEntries = 0;
    return S_OK;
}

// Kept, so that the host's message loop hands the page its keys (Ctrl+C,
// Ctrl+A, arrows) through the control's TranslateAccelerator.
HRESULT BrowserSite::SetActiveObject(IOleInPlaceActiveObject* object, LPCOLESTR)
{
    m_active = object;
    return S_OK;
}

HRESULT BrowserSite::GetHostInfo(DOCHOSTUIINFO* info)
{
    if (!info)
        return E_POINTER;
    // No sunken edge inside the frame's own; no scroll bars, which would
    // only show on pages taller than the visible strip; no help; and pages
    // scaled with the monitor, as the rest of the window is.
    info->dwFlags = DOCHOSTUIFLAG_NO3DBORDER | DOCHOSTUIFLAG_NO3DOUTERBORDER | DOCHOSTUIFLAG_SCROLL_NO
                    | DOCHOSTUIFLAG_DISABLE_HELP_MENU | DOCHOSTUIFLAG_DPI_AWARE;
    info->dwDoubleClick = DOCHOSTUIDBLCLK_DEFAULT;
    return S_OK;
}

HRESULT BrowserSite::GetOptionKeyPath(LPOLESTR* key, DWORD)
{
    if (key)
        *key = nullptr;
    return S_FALSE;
}

HRESULT BrowserSite::GetDropTarget(IDropTarget*, IDropTarget** target)
{
    if (target)
        *target = nullptr;
    return E_NOTIMPL;
}

// window.external is nothing: without this answer the control may hand the
// page the shell's own helper object.
HRESULT BrowserSite::GetExternal(IDispatch** external)
{
    if (!external)
        return E_POINTER;
    *external = nullptr;
    return S_FALSE;
}

HRESULT BrowserSite::TranslateUrl(DWORD, LPWSTR, LPWSTR* translated)
{
    if (translated)
        *translated = nullptr;
    return S_FALSE;
}

HRESULT BrowserSite::FilterDataObject(IDataObject*, IDataObject** filtered)
{
    if (filtered)
        *filtered = nullptr;
    return S_FALSE;
}

// alert(), confirm() and the control's own message boxes: shown by nobody,
// answered as cancelled.
HRESULT BrowserSite::ShowMessage(HWND, LPOLESTR, LPOLESTR, DWORD, LPOLESTR, DWORD, LRESULT* result)
{
    if (result)
        *result = advert::kMessageBoxAnswer;
    return S_OK;
}

HRESULT BrowserSite::QueryStatus(const GUID* group, ULONG count, OLECMD* commands, OLECMDTEXT*)
{
    if (!group || !IsEqualGUID(*group, kDocHostCommandHandler))
        return OLECMDERR_E_UNKNOWNGROUP;
    for (ULONG i = 0; commands && i < count; ++i)
        commands[i].cmdf = swallowsCommand(commands[i].cmdID) ? OLECMDF_SUPPORTED | OLECMDF_ENABLED : 0;
    return S_OK;
}

HRESULT BrowserSite::Exec(const GUID* group, DWORD id, DWORD, VARIANT*, VARIANT* out)
{
    if (!group || !IsEqualGUID(*group, kDocHostCommandHandler))
        return OLECMDERR_E_UNKNOWNGROUP;
    if (!swallowsCommand(id))
        return OLECMDERR_E_NOTSUPPORTED;
    // A script error: no dialog, and the page's scripts go on.
    if (id == OLECMDID_SHOWSCRIPTERROR && out) {
        VariantClear(out);
        V_VT(out) = VT_BOOL;
        V_BOOL(out) = VARIANT_TRUE;
    }
    return S_OK;
}

// The control asks its host for services; the host offers only its refusal
// of HTML dialogs, its request headers and its security manager (whose
// service has the interface's own identifier). Everything else (the shell's
// window services, credentials) the control does without.
HRESULT BrowserSite::QueryService(REFGUID service, REFIID riid, void** object)
{
    if (!object)
        return E_POINTER;
    *object = nullptr;
    for (const GUID& offered :
         {__uuidof(IHostDialogHelper), __uuidof(IHttpNegotiate), __uuidof(IInternetSecurityManager)}) {
        if (IsEqualGUID(service, offered))
            return QueryInterface(riid, object);
    }
    return E_NOINTERFACE;
}

// The control's own shortcuts never reach it (answered as handled here):
// the same rule as the host's message loop applies, for keys that come to
// the control by another way.
HRESULT BrowserSite::TranslateAccelerator(LPMSG message, const GUID*, DWORD)
{
    if (!message || (message->message != WM_KEYDOWN && message->message != WM_SYSKEYDOWN))
        return S_FALSE;
    const advert::PageKey key =
        advert::pageKey(static_cast<unsigned>(message->wParam), GetKeyState(VK_CONTROL) < 0, GetKeyState(VK_MENU) < 0);
    return key == advert::PageKey::Refused ? S_OK : S_FALSE;
}

HRESULT BrowserSite::GetSecuritySite(IInternetSecurityMgrSite** site)
{
    if (site)
        *site = nullptr;
    return INET_E_DEFAULT_ACTION;
}

// Redirects and frames never pass BeforeNavigate2's rule; every action on
// their URL comes here.
HRESULT BrowserSite::ProcessUrlAction(LPCWSTR url, DWORD, BYTE* policy, DWORD policySize, BYTE*, DWORD, DWORD, DWORD)
{
    if (advert::mayActOn(url ? std::wstring_view(url) : std::wstring_view()))
        return INET_E_DEFAULT_ACTION;
    if (policy && policySize >= sizeof(DWORD)) {
        const DWORD disallow = URLPOLICY_DISALLOW;
        std::memcpy(policy, &disallow, sizeof disallow);
    }
    return S_FALSE;
}

HRESULT BrowserSite::BeginningTransaction(LPCWSTR, LPCWSTR, DWORD, LPWSTR* additional)
{
    if (!additional)
        return E_POINTER;
    *additional = taskString(kRequestHeaders);
    return *additional ? S_OK : E_OUTOFMEMORY;
}

HRESULT BrowserSite::OnResponse(DWORD, LPCWSTR, LPCWSTR, LPWSTR* additional)
{
    if (additional)
        *additional = nullptr;
    return S_OK;
}

HRESULT BrowserSite::GetTypeInfoCount(UINT* count)
{
    if (!count)
        return E_POINTER;
    *count = 0;
    return S_OK;
}

HRESULT BrowserSite::GetTypeInfo(UINT, LCID, ITypeInfo** info)
{
    if (info)
        *info = nullptr;
    return E_NOTIMPL;
}

HRESULT BrowserSite::Invoke(DISPID member, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT* result, EXCEPINFO*, UINT*)
{
    switch (member) {
    case DISPID_AMBIENT_DLCONTROL:
        if (!result)
            return E_POINTER;
        V_VT(result) = VT_I4;
        V_I4(result) = advert::kDownloadControl;
        return S_OK;
    // No dialogs of the control's own, whatever put_Silent did.
    case DISPID_AMBIENT_SILENT:
        if (!result)
            return E_POINTER;
        V_VT(result) = VT_BOOL;
        V_BOOL(result) = VARIANT_TRUE;
        return S_OK;
    // (pDisp, URL, Flags, TargetFrameName, PostData, Headers, Cancel): the
    // top page stays on the advert's site; another site goes to the desktop's
    // browser, if the panel lets it (after the user's click).
    case DISPID_BEFORENAVIGATE2: {
        const std::wstring url = text(argument(params, 1));
        const bool topFrame = isBrowser(argument(params, 0));
        const advert::TopNavigation navigation =
            topFrame
                ? advert::topNavigation(m_site, url)
                : (advert::browserMayNavigate(url) ? advert::TopNavigation::Allowed : advert::TopNavigation::Refused);
        if (navigation != advert::TopNavigation::Allowed)
            cancel(params, 6);
        if (!m_events)
            return S_OK;
        if (navigation == advert::TopNavigation::Elsewhere)
            m_events->openExternally(url);
        else
            m_events->beforeNavigate(topFrame, navigation == advert::TopNavigation::Allowed);
        return S_OK;
    }
    // (pDisp, URL): where the top page came from in the end.
    case DISPID_NAVIGATECOMPLETE2: {
        const std::wstring url = text(argument(params, 1));
        if (m_events && isBrowser(argument(params, 0))
            && advert::topNavigation(m_site, url) != advert::TopNavigation::Allowed)
            m_events->leftSite(url);
        return S_OK;
    }
    // (pDisp, URL, TargetFrameName, StatusCode, Cancel): cancelled, the
    // control shows no error page of its own, in the top page or a frame.
    case DISPID_NAVIGATEERROR:
        cancel(params, 4);
        if (m_events)
            m_events->navigateError(isBrowser(argument(params, 0)));
        return S_OK;
    // (pDisp, URL)
    case DISPID_DOCUMENTCOMPLETE:
        if (m_events)
            m_events->documentComplete(isBrowser(argument(params, 0)));
        return S_OK;
    // (ppDisp, Cancel), from controls older than Windows XP SP2's.
    case DISPID_NEWWINDOW2: cancel(params, 1); return S_OK;
    // (ppDisp, Cancel, dwFlags, bstrUrlContext, bstrUrl)
    case DISPID_NEWWINDOW3: {
        cancel(params, 1);
        const std::wstring url = text(argument(params, 4));
        if (m_events && advert::opensInDesktopBrowser(number(argument(params, 2)), url))
            m_events->openExternally(url);
        return S_OK;
    }
    case DISPID_FILEDOWNLOAD:
        if (params && advert::cancelsDownload(params->cArgs, boolean(argument(params, 0))))
            cancel(params, params->cArgs - 1);
        return S_OK;
    // (IsChildWindow, Cancel): window.close() leaves the panel as it is.
    case DISPID_WINDOWCLOSING: cancel(params, 1); return S_OK;
    default: return DISP_E_MEMBERNOTFOUND;
    }
}

bool BrowserSite::isBrowser(VARIANT* arg) const
{
    if (!m_browser || !arg || V_VT(arg) != VT_DISPATCH || !V_DISPATCH(arg))
        return false;
    ComPtr<IUnknown> identity;
    return SUCCEEDED(V_DISPATCH(arg)->QueryInterface(IID_PPV_ARGS(&identity))) && identity.Get() == m_browser;
}

} // namespace adverthost
