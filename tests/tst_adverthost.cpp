// SPDX-License-Identifier: GPL-3.0-or-later
// The advert host's browser site, driven through its event dispatch with
// made-up events as the control sends them: each is answered as the page
// rules say, and every dialog a page can raise is refused. Windows only.
#include "adverthost/browsersite.h"
#include "platform/advert/siterules.h"

#include <QScopeGuard>
#include <QStringList>
#include <QUuid>
#include <QTest>

#include <exdisp.h>
#include <exdispid.h>
#include <idispids.h>
#include <mshtmdid.h>
#include <shobjidl.h>

#include <deque>
#include <vector>

using adverthost::BrowserSite;

namespace {

// What the site told the host, one line each.
class Recorder final : public adverthost::SiteEvents {
public:
    QStringList told;
    bool focusAllowed = false;

    void beforeNavigate(bool topFrame, bool allowed) override
    {
        told << QStringLiteral("before %1 %2").arg(topFrame ? "top" : "frame", allowed ? "allowed" : "refused");
    }
    void navigateError(bool topFrame) override { told << QStringLiteral("error %1").arg(topFrame ? "top" : "frame"); }
    void documentComplete(bool topFrame) override
    {
        told << QStringLiteral("complete %1").arg(topFrame ? "top" : "frame");
    }
    void openExternally(const std::wstring& url) override { told << "open " + QString::fromStdWString(url); }
    void leftSite(const std::wstring& url) override { told << "left " + QString::fromStdWString(url); }
    bool mayTakeFocus() override { return focusAllowed; }
};

// An event's arguments as the control passes them: right to left, the
// strings and numbers through references to variants, Cancel by reference.
class Event {
public:
    void dispatch(IDispatch* frame) { add(VT_DISPATCH).pdispVal = frame; }
    void text(const QString& value)
    {
        m_strings.push_back(SysAllocString(reinterpret_cast<const OLECHAR*>(value.utf16())));
        VARIANT& inner = m_inner.emplace_back();
        VariantInit(&inner);
        V_VT(&inner) = VT_BSTR;
        V_BSTR(&inner) = m_strings.back();
        add(VT_VARIANT | VT_BYREF).pvarVal = &inner;
    }
    void number(long value)
    {
        VARIANT& inner = m_inner.emplace_back();
        VariantInit(&inner);
        V_VT(&inner) = VT_I4;
        V_I4(&inner) = value;
        add(VT_VARIANT | VT_BYREF).pvarVal = &inner;
    }
    void flag(bool value) { add(VT_BOOL).boolVal = value ? VARIANT_TRUE : VARIANT_FALSE; }
    void cancel() { add(VT_BOOL | VT_BYREF).pboolVal = &m_cancel; }
    void empty() { add(VT_EMPTY); }

    bool cancelled() const { return m_cancel != VARIANT_FALSE; }

    HRESULT send(BrowserSite* site, DISPID member)
    {
        // Declared left to right above; the control hands them over reversed.
        std::vector<VARIANT> reversed(m_args.rbegin(), m_args.rend());
        DISPPARAMS params = {reversed.data(), nullptr, UINT(reversed.size()), 0};
        return site->Invoke(member, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr);
    }

    ~Event()
    {
        for (BSTR s : m_strings)
            SysFreeString(s);
    }

private:
    VARIANT& add(VARTYPE type)
    {
        VARIANT& arg = m_args.emplace_back();
        VariantInit(&arg);
        V_VT(&arg) = type;
        return arg;
    }

    std::vector<VARIANT> m_args;
    std::deque<VARIANT> m_inner; // stays put while the arguments point at it
    std::vector<BSTR> m_strings;
    VARIANT_BOOL m_cancel = VARIANT_FALSE;
};

} // namespace

class TstAdvertHost : public QObject {
    Q_OBJECT

private slots:
    void events_data();
    void events();
    void ambientAndDialogs();
    void servicesAreTheSite_data();
    void servicesAreTheSite();
    void urlActions_data();
    void urlActions();
    void shortcuts_data();
    void shortcuts();
};

// clang-format off
void TstAdvertHost::events_data()
{
    QTest::addColumn<int>("member");
    QTest::addColumn<bool>("topFrame");
    QTest::addColumn<QString>("url");
    QTest::addColumn<int>("flags");    // NewWindow3's; FileDownload: 1 = an active document
    QTest::addColumn<bool>("cancelled");
    QTest::addColumn<QStringList>("told");
    const int user = NWMF_USERINITED;
    QTest::newRow("the top page to a web address")
        << DISPID_BEFORENAVIGATE2 << true << "http://a.example/" << 0 << false << QStringList{"before top allowed"};
    QTest::newRow("the top page to another page of the site")
        << DISPID_BEFORENAVIGATE2 << true << "https://www.a.example/b" << 0 << false << QStringList{"before top allowed"};
    QTest::newRow("the top page to another site")
        << DISPID_BEFORENAVIGATE2 << true << "http://b.example/" << 0 << true << QStringList{"open http://b.example/"};
    QTest::newRow("a frame to another site")
        << DISPID_BEFORENAVIGATE2 << false << "http://b.example/" << 0 << false << QStringList{"before frame allowed"};
    QTest::newRow("the top page sent to another site")
        << DISPID_NAVIGATECOMPLETE2 << true << "http://b.example/" << 0 << false << QStringList{"left http://b.example/"};
    QTest::newRow("the top page sent on within the site")
        << DISPID_NAVIGATECOMPLETE2 << true << "https://a.example/x" << 0 << false << QStringList{};
    QTest::newRow("a frame from another site")
        << DISPID_NAVIGATECOMPLETE2 << false << "http://b.example/" << 0 << false << QStringList{};
    QTest::newRow("a frame to a local file")
        << DISPID_BEFORENAVIGATE2 << false << "file:///C:/x.html" << 0 << true << QStringList{"before frame refused"};
    QTest::newRow("the top page to a script")
        << DISPID_BEFORENAVIGATE2 << true << "javascript:alert(1)" << 0 << true << QStringList{"before top refused"};
    QTest::newRow("a click for a new window")
        << DISPID_NEWWINDOW3 << true << "https://a.example/" << user << true << QStringList{"open https://a.example/"};
    QTest::newRow("a script's pop-up")
        << DISPID_NEWWINDOW3 << true << "https://a.example/" << 0 << true << QStringList{};
    QTest::newRow("a click for a new window on a file")
        << DISPID_NEWWINDOW3 << true << "file:///C:/x" << user << true << QStringList{};
    QTest::newRow("the top page could not be had")
        << DISPID_NAVIGATEERROR << true << "http://a.example/" << 404 << true << QStringList{"error top"};
    QTest::newRow("a frame could not be had")
        << DISPID_NAVIGATEERROR << false << "http://a.example/f" << 404 << true << QStringList{"error frame"};
    QTest::newRow("the control shows the page itself")
        << DISPID_FILEDOWNLOAD << true << QString() << 1 << false << QStringList{};
    QTest::newRow("a file to save")
        << DISPID_FILEDOWNLOAD << true << QString() << 0 << true << QStringList{};
    QTest::newRow("window.close()")
        << DISPID_WINDOWCLOSING << true << QString() << 0 << true << QStringList{};
}
// clang-format on

void TstAdvertHost::events()
{
    QFETCH(int, member);
    QFETCH(bool, topFrame);
    QFETCH(QString, url);
    QFETCH(int, flags);
    QFETCH(bool, cancelled);
    QFETCH(QStringList, told);
    Recorder recorder;
    auto* site = new BrowserSite(&recorder, nullptr);
    // The site itself stands in for the control: its events name it as the top frame.
    auto* control = static_cast<IDispatch*>(site);
    site->setBrowser(static_cast<IOleClientSite*>(site));
    site->setSite(L"http://a.example/");

    Event event;
    switch (member) {
    case DISPID_NAVIGATECOMPLETE2: // (pDisp, URL)
        event.dispatch(topFrame ? control : nullptr);
        event.text(url);
        break;
    case DISPID_BEFORENAVIGATE2: // (pDisp, URL, Flags, TargetFrameName, PostData, Headers, Cancel)
        event.dispatch(topFrame ? control : nullptr);
        event.text(url);
        event.number(0);
        event.empty();
        event.empty();
        event.empty();
        event.cancel();
        break;
    case DISPID_NEWWINDOW3: // (ppDisp, Cancel, dwFlags, bstrUrlContext, bstrUrl)
        event.empty();
        event.cancel();
        event.number(flags);
        event.text(QStringLiteral("http://a.example/"));
        event.text(url);
        break;
    case DISPID_NAVIGATEERROR: // (pDisp, URL, TargetFrameName, StatusCode, Cancel)
        event.dispatch(topFrame ? control : nullptr);
        event.text(url);
        event.empty();
        event.number(flags);
        event.cancel();
        break;
    case DISPID_FILEDOWNLOAD: // (ActiveDocument, Cancel)
        event.flag(flags != 0);
        event.cancel();
        break;
    case DISPID_WINDOWCLOSING: // (IsChildWindow, Cancel)
        event.flag(false);
        event.cancel();
        break;
    }
    QCOMPARE(event.send(site, member), S_OK);
    QCOMPARE(event.cancelled(), cancelled);
    QCOMPARE(recorder.told, told);
    site->detach();
    site->Release();
}

// The control's questions to its site, and the ways a page has to raise a
// dialog: each answered so that nothing shows.
void TstAdvertHost::ambientAndDialogs()
{
    Recorder recorder;
    auto* site = new BrowserSite(&recorder, nullptr);
    const auto release = qScopeGuard([site] {
        site->detach();
        site->Release();
    });
    DISPPARAMS none = {};
    VARIANT result;
    VariantInit(&result);
    QCOMPARE(
        site->Invoke(DISPID_AMBIENT_DLCONTROL, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, &result, nullptr, nullptr),
        S_OK);
    QCOMPARE(V_VT(&result), VARTYPE(VT_I4));
    QCOMPARE(V_I4(&result), advert::kDownloadControl);
    QVERIFY(V_I4(&result) & DLCTL_SILENT);
    QVERIFY(V_I4(&result) & DLCTL_NO_RUNACTIVEXCTLS);
    VariantInit(&result);
    QCOMPARE(site->Invoke(DISPID_AMBIENT_SILENT, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, &result, nullptr, nullptr),
             S_OK);
    QCOMPARE(V_VT(&result), VARTYPE(VT_BOOL));
    QCOMPARE(V_BOOL(&result), VARIANT_TRUE);
    QCOMPARE(
        site->Invoke(DISPID_AMBIENT_USERAGENT, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, &result, nullptr, nullptr),
        DISP_E_MEMBERNOTFOUND);

    // alert() and confirm(): nobody sees them, and they answer "cancel".
    LRESULT answer = 0;
    wchar_t text[] = L"?";
    QCOMPARE(site->ShowMessage(nullptr, text, text, MB_OKCANCEL, nullptr, 0, &answer), S_OK);
    QCOMPARE(answer, LRESULT(IDCANCEL));
    // window.external is nothing.
    IDispatch* external = reinterpret_cast<IDispatch*>(1);
    QCOMPARE(site->GetExternal(&external), S_FALSE);
    QCOMPARE(external, nullptr);
    // Script errors, printing: taken and dropped; the scripts go on.
    const GUID commands = {0xf38bc242, 0xb950, 0x11d1, {0x89, 0x18, 0x00, 0xc0, 0x4f, 0xc2, 0xc8, 0x36}};
    VARIANT goOn;
    VariantInit(&goOn);
    QCOMPARE(site->Exec(&commands, OLECMDID_SHOWSCRIPTERROR, 0, nullptr, &goOn), S_OK);
    QCOMPARE(V_BOOL(&goOn), VARIANT_TRUE);
    QCOMPARE(site->Exec(&commands, OLECMDID_PRINT, 0, nullptr, nullptr), S_OK);
    QCOMPARE(site->Exec(&commands, OLECMDID_SHOWPRINT, 0, nullptr, nullptr), S_OK);
    QCOMPARE(site->Exec(&commands, OLECMDID_REFRESH, 0, nullptr, nullptr), HRESULT(OLECMDERR_E_NOTSUPPORTED));
    // showModalDialog() asks the host's dialog helper, which refuses.
    IHostDialogHelper* helper = nullptr;
    QCOMPARE(
        site->QueryService(__uuidof(IHostDialogHelper), __uuidof(IHostDialogHelper), reinterpret_cast<void**>(&helper)),
        S_OK);
    QVERIFY(FAILED(helper->ShowHTMLDialog(nullptr, nullptr, nullptr, nullptr, nullptr, nullptr)));
    helper->Release();
    // Any other service the control asks for, it does without.
    IUnknown* other = reinterpret_cast<IUnknown*>(1);
    QCOMPARE(site->QueryService(__uuidof(IWebBrowserApp), IID_IUnknown, reinterpret_cast<void**>(&other)),
             E_NOINTERFACE);
    QCOMPARE(other, nullptr);
    // The keyboard only when the host lets the control have it.
    QVERIFY(FAILED(site->OnUIActivate()));
    recorder.focusAllowed = true;
    QCOMPARE(site->OnUIActivate(), S_OK);
}

// Each service the site hands out is the site itself, found again through
// QueryInterface (the control asks both ways, and COM's rules want them to
// agree) and through the interface it came as.
// clang-format off
void TstAdvertHost::servicesAreTheSite_data()
{
    QTest::addColumn<QUuid>("service");
    QTest::newRow("the dialog helper") << QUuid(__uuidof(IHostDialogHelper));
    QTest::newRow("the request headers") << QUuid(__uuidof(IHttpNegotiate));
    QTest::newRow("the security manager") << QUuid(__uuidof(IInternetSecurityManager));
}
// clang-format on

void TstAdvertHost::servicesAreTheSite()
{
    QFETCH(QUuid, service);
    const GUID id = service;
    Recorder recorder;
    auto* site = new BrowserSite(&recorder, nullptr);
    const auto release = qScopeGuard([site] {
        site->detach();
        site->Release();
    });
    IUnknown* offered = nullptr;
    QCOMPARE(site->QueryService(id, id, reinterpret_cast<void**>(&offered)), S_OK);
    const auto releaseOffered = qScopeGuard([offered] { offered->Release(); });
    IUnknown* again = nullptr;
    QCOMPARE(offered->QueryInterface(id, reinterpret_cast<void**>(&again)), S_OK);
    again->Release();
    QCOMPARE(again, offered);
    IUnknown* asked = nullptr;
    QCOMPARE(site->QueryInterface(id, reinterpret_cast<void**>(&asked)), S_OK);
    asked->Release();
    QCOMPARE(asked, offered);
    IUnknown* identity = nullptr;
    QCOMPARE(offered->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&identity)), S_OK);
    identity->Release();
    QCOMPARE(identity, static_cast<IUnknown*>(static_cast<IOleClientSite*>(site)));
}

// What the security manager answers for a URL action: the system's own
// answer for the web, a refusal for anything else.
// clang-format off
void TstAdvertHost::urlActions_data()
{
    QTest::addColumn<QString>("url");
    QTest::addColumn<int>("action");
    QTest::addColumn<bool>("refused");
    QTest::newRow("a script of a web page") << "http://a.example/x.js" << int(URLACTION_SCRIPT_RUN) << false;
    QTest::newRow("a script of a local file") << "file:///C:/x.html" << int(URLACTION_SCRIPT_RUN) << true;
    QTest::newRow("the empty page's scripts") << "about:blank" << int(URLACTION_SCRIPT_RUN) << true;
    QTest::newRow("no address at all") << QString() << int(URLACTION_SCRIPT_RUN) << true;
}
// clang-format on

void TstAdvertHost::urlActions()
{
    QFETCH(QString, url);
    QFETCH(int, action);
    QFETCH(bool, refused);
    Recorder recorder;
    auto* site = new BrowserSite(&recorder, nullptr);
    const auto release = qScopeGuard([site] {
        site->detach();
        site->Release();
    });
    const std::wstring address = url.toStdWString();
    DWORD policy = URLPOLICY_ALLOW;
    const HRESULT answer = site->ProcessUrlAction(url.isNull() ? nullptr : address.c_str(), DWORD(action),
                                                  reinterpret_cast<BYTE*>(&policy), sizeof policy, nullptr, 0, 0, 0);
    if (refused) {
        QCOMPARE(answer, S_FALSE);
        QCOMPARE(policy, DWORD(URLPOLICY_DISALLOW));
    } else {
        QCOMPARE(answer, HRESULT(INET_E_DEFAULT_ACTION));
        QCOMPARE(policy, DWORD(URLPOLICY_ALLOW));
    }
}

// The control's own shortcuts, when they reach the site's handler: taken
// (S_OK, the control does nothing more) or left to the control (S_FALSE).
// clang-format off
void TstAdvertHost::shortcuts_data()
{
    QTest::addColumn<uint>("message");
    QTest::addColumn<uint>("key");
    QTest::addColumn<bool>("control");
    QTest::addColumn<HRESULT>("answer");
    QTest::newRow("Ctrl+C to the control") << uint(WM_KEYDOWN) << uint('C') << true << HRESULT(S_FALSE);
    QTest::newRow("Ctrl+N taken") << uint(WM_KEYDOWN) << uint('N') << true << HRESULT(S_OK);
    QTest::newRow("an arrow to the control") << uint(WM_KEYDOWN) << uint(VK_DOWN) << false << HRESULT(S_FALSE);
    QTest::newRow("a letter's character to the control") << uint(WM_CHAR) << uint('n') << true << HRESULT(S_FALSE);
}
// clang-format on

void TstAdvertHost::shortcuts()
{
    QFETCH(uint, message);
    QFETCH(uint, key);
    QFETCH(bool, control);
    QFETCH(HRESULT, answer);
    Recorder recorder;
    auto* site = new BrowserSite(&recorder, nullptr);
    const auto release = qScopeGuard([site] {
        site->detach();
        site->Release();
    });
    BYTE keys[256] = {};
    QVERIFY(GetKeyboardState(keys));
    const BYTE before = keys[VK_CONTROL];
    keys[VK_CONTROL] = control ? 0x80 : 0;
    QVERIFY(SetKeyboardState(keys));
    const auto restore = qScopeGuard([&keys, before] {
        keys[VK_CONTROL] = before;
        SetKeyboardState(keys);
    });
    MSG msg = {};
    msg.message = message;
    msg.wParam = key;
    QCOMPARE(static_cast<IDocHostUIHandler*>(site)->TranslateAccelerator(&msg, nullptr, 0), answer);
}

QTEST_GUILESS_MAIN(TstAdvertHost)
#include "tst_adverthost.moc"
