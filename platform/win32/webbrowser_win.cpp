// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/win32/webbrowser_win.h"

#include <exdisp.h>
#include <exdispid.h>
#include <mshtmdid.h>
#include <mshtmhst.h>
#include <ocidl.h>
#include <ole2.h>
#include <shobjidl.h>
#include <wrl/client.h>

#include <cwctype>

using Microsoft::WRL::ComPtr;

namespace platform {
namespace {

// The control shows every page as Internet Explorer 7 did unless the
// program is named under this key; 11001 is Internet Explorer 11's own mode,
// whatever the page's DOCTYPE says. The user's key, which needs no
// administrator; nothing of ours goes to the machine's.
constexpr wchar_t kEmulationKey[] =
    L"Software\\Microsoft\\Internet Explorer\\Main\\FeatureControl\\FEATURE_BROWSER_EMULATION";
constexpr DWORD kCurrentDocumentMode = 11001;

// Pictures, videos and sounds as a browser loads them; no Java applets and no
// ActiveX controls, which would run code of their own in this process; and
// no dialogs while loading.
constexpr LONG kDownloadControl = DLCTL_DLIMAGES | DLCTL_VIDEOS | DLCTL_BGSOUNDS | DLCTL_NO_JAVA
                                  | DLCTL_NO_DLACTIVEXCTLS | DLCTL_NO_RUNACTIVEXCTLS | DLCTL_SILENT;

// The program speaks Simplified Chinese whatever the user's language; so
// does the advert it asks for.
constexpr wchar_t kRequestHeaders[] = L"Accept-Language: zh-CN,zh\r\n";

// The part before the first colon, lower-cased, when it is a well-formed
// scheme (a letter, then letters, digits, "+", "-" or "."); else empty.
std::wstring schemeOf(std::wstring_view url)
{
    const std::size_t colon = url.find(L':');
    if (colon == std::wstring_view::npos || colon == 0 || !std::iswalpha(url[0]))
        return {};
    std::wstring scheme;
    for (const wchar_t c : url.substr(0, colon)) {
        if (c > 0x7f || !(std::iswalnum(c) || c == L'+' || c == L'-' || c == L'.'))
            return {};
        scheme += static_cast<wchar_t>(std::towlower(c));
    }
    return scheme;
}

bool isWebAddress(std::wstring_view url)
{
    const std::wstring scheme = schemeOf(url);
    return scheme == L"http" || scheme == L"https";
}

void requestCurrentDocumentMode()
{
    wchar_t path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return;
    const std::wstring_view program = std::wstring_view(path, length);
    const std::wstring name(program.substr(program.find_last_of(L"\\/") + 1));

    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, kEmulationKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr, &key, nullptr)
        != ERROR_SUCCESS)
        return;
    DWORD type = 0;
    DWORD value = 0;
    DWORD size = sizeof value;
    const bool current =
        RegQueryValueExW(key, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) == ERROR_SUCCESS
        && type == REG_DWORD && value == kCurrentDocumentMode;
    if (!current)
        RegSetValueExW(key, name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&kCurrentDocumentMode),
                       sizeof kCurrentDocumentMode);
    RegCloseKey(key);
}

// An event's argument, counted from the left as the event is declared (the
// control passes them right to left), seen through a reference to a VARIANT.
VARIANT* argument(DISPPARAMS* params, UINT index)
{
    if (!params || index >= params->cArgs)
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

} // namespace

bool browserMayNavigate(std::wstring_view url)
{
    if (isWebAddress(url))
        return true;
    constexpr std::wstring_view blank = L"about:blank";
    if (url.size() != blank.size())
        return false;
    for (std::size_t i = 0; i < blank.size(); ++i) {
        if (std::towlower(url[i]) != blank[i])
            return false;
    }
    return true;
}

bool opensInDesktopBrowser(unsigned long newWindowFlags, std::wstring_view url)
{
    return (newWindowFlags & NWMF_USERINITED) != 0 && isWebAddress(url);
}

// The control's one partner: its client site, in-place site and frame, its
// host UI handler (which the control finds by asking the site), and the sink
// of its events, which also answers the ambient properties the control asks
// the site for. One object with one count, as the control sees it; it
// outlives the host only as long as the control holds on to it, and then
// tells the host nothing more.
class BrowserSite final : public IOleClientSite,
                          public IOleInPlaceSite,
                          public IOleInPlaceFrame,
                          public IDocHostUIHandler,
                          public IDispatch {
public:
    BrowserSite(WebBrowserHost* host, HWND container)
        : m_host(host)
        , m_container(container)
    {
    }

    void detach()
    {
        m_host = nullptr;
        m_browser = nullptr;
    }
    // The control itself, to tell its own events from those of a page's frames.
    void setBrowser(IUnknown* identity) { m_browser = identity; }

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override
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
        else if (IsEqualIID(riid, __uuidof(IDispatch)) || IsEqualIID(riid, __uuidof(DWebBrowserEvents2)))
            *object = static_cast<IDispatch*>(this);
        else {
            *object = nullptr;
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++m_references; }
    ULONG STDMETHODCALLTYPE Release() override
    {
        const ULONG references = --m_references;
        if (references == 0)
            delete this;
        return references;
    }

    // IOleWindow, for the site and the frame alike
    HRESULT STDMETHODCALLTYPE GetWindow(HWND* window) override
    {
        if (!window)
            return E_POINTER;
        *window = m_container;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(WINBOOL) override { return E_NOTIMPL; }

    // IOleClientSite: nothing is saved, nothing is linked.
    HRESULT STDMETHODCALLTYPE SaveObject() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetMoniker(DWORD, DWORD, IMoniker** moniker) override
    {
        if (moniker)
            *moniker = nullptr;
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetContainer(IOleContainer** container) override
    {
        if (container)
            *container = nullptr;
        return E_NOINTERFACE;
    }
    HRESULT STDMETHODCALLTYPE ShowObject() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnShowWindow(WINBOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE RequestNewObjectLayout() override { return E_NOTIMPL; }

    // IOleInPlaceSite: the control fills the container, which decides its size.
    HRESULT STDMETHODCALLTYPE CanInPlaceActivate() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnInPlaceActivate() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnUIActivate() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document,
                                               LPRECT position, LPRECT clip, LPOLEINPLACEFRAMEINFO info) override
    {
        if (!frame || !document || !position || !clip || !info)
            return E_POINTER;
        *frame = static_cast<IOleInPlaceFrame*>(this);
        AddRef();
        *document = nullptr;
        GetClientRect(m_container, position);
        *clip = *position;
        info->fMDIApp = FALSE;
        info->hwndFrame = GetAncestor(m_container, GA_ROOT);
        info->haccel = nullptr;
        info->cAccelEntries = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Scroll(SIZE) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE OnUIDeactivate(WINBOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnInPlaceDeactivate() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE DiscardUndoState() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE DeactivateAndUndo() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnPosRectChange(LPCRECT) override { return S_OK; }

    // IOleInPlaceUIWindow and IOleInPlaceFrame: no tool bars, menus or status line.
    HRESULT STDMETHODCALLTYPE GetBorder(LPRECT) override { return INPLACE_E_NOTOOLSPACE; }
    HRESULT STDMETHODCALLTYPE RequestBorderSpace(LPCBORDERWIDTHS) override { return INPLACE_E_NOTOOLSPACE; }
    HRESULT STDMETHODCALLTYPE SetBorderSpace(LPCBORDERWIDTHS widths) override
    {
        return widths ? INPLACE_E_NOTOOLSPACE : S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetActiveObject(IOleInPlaceActiveObject*, LPCOLESTR) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE InsertMenus(HMENU, LPOLEMENUGROUPWIDTHS) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetMenu(HMENU, HOLEMENU, HWND) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE RemoveMenus(HMENU) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetStatusText(LPCOLESTR) override { return S_OK; }
    // For the frame and the host UI handler alike.
    HRESULT STDMETHODCALLTYPE EnableModeless(WINBOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE TranslateAccelerator(LPMSG, WORD) override { return S_FALSE; }

    // IDocHostUIHandler
    // The control's menu offers "view source", "save as" and "print".
    HRESULT STDMETHODCALLTYPE ShowContextMenu(DWORD, POINT*, IUnknown*, IDispatch*) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE GetHostInfo(DOCHOSTUIINFO* info) override
    {
        if (!info)
            return E_POINTER;
        // No sunken edge inside the frame's own; no scroll bars, which would
        // only show on pages taller than the visible strip; no help; and pages
        // scaled with the screen, as the rest of the window is.
        info->dwFlags = DOCHOSTUIFLAG_NO3DBORDER | DOCHOSTUIFLAG_NO3DOUTERBORDER | DOCHOSTUIFLAG_SCROLL_NO
                        | DOCHOSTUIFLAG_DISABLE_HELP_MENU | DOCHOSTUIFLAG_DPI_AWARE;
        info->dwDoubleClick = DOCHOSTUIDBLCLK_DEFAULT;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE ShowUI(DWORD, IOleInPlaceActiveObject*, IOleCommandTarget*, IOleInPlaceFrame*,
                                     IOleInPlaceUIWindow*) override
    {
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE HideUI() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE UpdateUI() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnDocWindowActivate(WINBOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnFrameWindowActivate(WINBOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE ResizeBorder(LPCRECT, IOleInPlaceUIWindow*, WINBOOL) override { return S_OK; }
    // The program's message loop (Qt's) never hands keys to the control's
    // accelerators, so its shortcuts do not run at all; should the control
    // ask all the same, the ones that open windows or dialogs (print, save,
    // open, find, new window, help) are kept from it. Copy and select-all stay.
    HRESULT STDMETHODCALLTYPE TranslateAccelerator(LPMSG message, const GUID*, DWORD) override
    {
        if (!message || (message->message != WM_KEYDOWN && message->message != WM_SYSKEYDOWN))
            return S_FALSE;
        const WPARAM key = message->wParam;
        if (key >= VK_F1 && key <= VK_F24)
            return S_OK;
        const bool control = GetKeyState(VK_CONTROL) < 0;
        if (control && key != 'C' && key != 'A' && key != VK_INSERT)
            return S_OK;
        return S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE GetOptionKeyPath(LPOLESTR* key, DWORD) override
    {
        if (key)
            *key = nullptr;
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetDropTarget(IDropTarget*, IDropTarget** target) override
    {
        if (target)
            *target = nullptr;
        return E_NOTIMPL;
    }
    // Nothing of the program is reachable from a page's script (window.external).
    HRESULT STDMETHODCALLTYPE GetExternal(IDispatch** external) override
    {
        if (external)
            *external = nullptr;
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE TranslateUrl(DWORD, LPWSTR, LPWSTR* out) override
    {
        if (out)
            *out = nullptr;
        return S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE FilterDataObject(IDataObject*, IDataObject** out) override
    {
        if (out)
            *out = nullptr;
        return S_FALSE;
    }

    // IDispatch: the control's events, and the ambient properties it asks
    // for. Neither needs names or type information.
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override
    {
        if (!count)
            return E_POINTER;
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) override
    {
        if (info)
            *info = nullptr;
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID member, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT* result, EXCEPINFO*,
                                     UINT*) override
    {
        switch (member) {
        case DISPID_AMBIENT_DLCONTROL:
            if (!result)
                return E_POINTER;
            V_VT(result) = VT_I4;
            V_I4(result) = kDownloadControl;
            return S_OK;
        // (pDisp, URL, Flags, TargetFrameName, PostData, Headers, Cancel)
        case DISPID_BEFORENAVIGATE2: {
            const bool allowed = browserMayNavigate(text(argument(params, 1)));
            if (!allowed)
                cancel(params, 6);
            if (m_host)
                m_host->beforeNavigate(isBrowser(argument(params, 0)), allowed);
            return S_OK;
        }
        // (pDisp, URL, TargetFrameName, StatusCode, Cancel): cancelled, the
        // control shows no error page of its own, in the top page or a frame.
        case DISPID_NAVIGATEERROR:
            cancel(params, 4);
            if (m_host)
                m_host->navigateError(isBrowser(argument(params, 0)));
            return S_OK;
        // (pDisp, URL)
        case DISPID_DOCUMENTCOMPLETE:
            if (m_host)
                m_host->documentComplete(isBrowser(argument(params, 0)));
            return S_OK;
        // (ppDisp, Cancel), from controls older than Windows XP SP2's.
        case DISPID_NEWWINDOW2: cancel(params, 1); return S_OK;
        // (ppDisp, Cancel, dwFlags, bstrUrlContext, bstrUrl)
        case DISPID_NEWWINDOW3: {
            cancel(params, 1);
            const std::wstring url = text(argument(params, 4));
            if (m_host && opensInDesktopBrowser(number(argument(params, 2)), url))
                m_host->openExternally(url);
            return S_OK;
        }
        // (ActiveDocument, Cancel), or (Cancel) from older controls. Pages
        // the control shows itself come as active documents; anything else
        // would be saved to disk after a dialog.
        case DISPID_FILEDOWNLOAD:
            if (!params || params->cArgs < 2 || !boolean(argument(params, 0)))
                cancel(params, params ? params->cArgs - 1 : 0);
            return S_OK;
        default: return DISP_E_MEMBERNOTFOUND;
        }
    }

private:
    ~BrowserSite() = default;

    bool isBrowser(VARIANT* arg) const
    {
        if (!m_browser || !arg || V_VT(arg) != VT_DISPATCH || !V_DISPATCH(arg))
            return false;
        ComPtr<IUnknown> identity;
        return SUCCEEDED(V_DISPATCH(arg)->QueryInterface(IID_PPV_ARGS(&identity))) && identity.Get() == m_browser;
    }

    ULONG m_references = 1;
    WebBrowserHost* m_host;
    HWND m_container;
    IUnknown* m_browser = nullptr; // identity only, not held
};

struct WebBrowserHost::Com {
    ComPtr<IOleObject> object;
    ComPtr<IOleInPlaceObject> inPlace;
    ComPtr<IWebBrowser2> browser;
    ComPtr<IConnectionPoint> events;
    DWORD cookie = 0;
    BrowserSite* site = nullptr; // our one reference
    HWND window = nullptr;
};

WebBrowserHost::WebBrowserHost(HWND container, WebBrowserEvents events)
    : m_container(container)
    , m_events(std::move(events))
    , m_com(std::make_unique<Com>())
{
}

std::unique_ptr<WebBrowserHost> WebBrowserHost::create(HWND container, WebBrowserEvents events)
{
    // Read by the control when it starts, once per process.
    requestCurrentDocumentMode();

    ComPtr<IOleObject> object;
    if (FAILED(CoCreateInstance(CLSID_WebBrowser, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&object))))
        return nullptr;

    // Whatever fails from here on is undone by the destructor.
    std::unique_ptr<WebBrowserHost> host(new WebBrowserHost(container, std::move(events)));
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
    // A script error would each time open a dialog over the window.
    com.browser->put_Silent(VARIANT_TRUE);

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

WebBrowserHost::~WebBrowserHost()
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

void WebBrowserHost::navigate(const std::wstring& url)
{
    m_reported = false;
    m_failed = false;
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

void WebBrowserHost::fitToContainer()
{
    RECT area = {};
    GetClientRect(m_container, &area);
    if (m_com->inPlace)
        m_com->inPlace->SetObjectRects(&area, &area);
}

bool WebBrowserHost::takeFocus()
{
    if (!IsWindowVisible(m_com->window))
        return false;
    RECT area = {};
    GetClientRect(m_container, &area);
    return SUCCEEDED(m_com->object->DoVerb(OLEIVERB_UIACTIVATE, nullptr, m_com->site, 0, m_container, &area));
}

HWND WebBrowserHost::controlWindow() const
{
    return m_com->window;
}

void WebBrowserHost::beforeNavigate(bool topFrame, bool allowed)
{
    if (!topFrame)
        return;
    // A refused address never leaves the page shown before.
    m_reported = false;
    if (allowed)
        m_failed = false;
    else
        report(false);
}

// The page is not shown but the window's background instead, as before the
// first page (the control would otherwise keep the page before, or show a
// blank page of its own); the next load tries again.
void WebBrowserHost::navigateError(bool topFrame)
{
    if (!topFrame)
        return;
    m_failed = true;
    ShowWindow(m_com->window, SW_HIDE);
    report(false);
}

void WebBrowserHost::documentComplete(bool topFrame)
{
    if (!topFrame || m_failed)
        return;
    ShowWindow(m_com->window, SW_SHOWNA);
    report(true);
}

void WebBrowserHost::openExternally(const std::wstring& url)
{
    if (m_events.openExternally)
        m_events.openExternally(url);
}

void WebBrowserHost::report(bool ok)
{
    if (m_reported)
        return;
    m_reported = true;
    if (m_events.loadFinished)
        m_events.loadFinished(ok);
}

} // namespace platform
