// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/webview/panelpage.h"

#include <QCoreApplication>
#include <QWebEngineCookieStore>
#include <QWebEngineFileSystemAccessRequest>
#include <QWebEngineProfile>
#include <QWebEngineRegisterProtocolHandlerRequest>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>
#include <QWebEngineSettings>
#include <QWebEngineUrlRequestInfo>

namespace platform {
namespace {

// The text Qt 6.4 hands to javaScriptConfirm() for a page's beforeunload
// question, in the program's language as Qt translates it.
QString leavePageQuestion()
{
    return QCoreApplication::translate(
        "QWebEnginePage", "Are you sure you want to leave this page? Changes that you made may not be saved.");
}

// The engine lets a page write the clipboard from a click whatever its
// settings say (JavascriptCanAccessClipboard only covers script without a
// click): each of the page's documents, frames too, starts with the ways to
// write it taken away, and kept away, before any of the page's own scripts
// runs. Copying by hand still works; a page's copy handler cannot change
// what is copied.
QWebEngineScript noClipboardWrites()
{
    QWebEngineScript script;
    script.setName(QStringLiteral("zelvan-no-clipboard-writes"));
    script.setInjectionPoint(QWebEngineScript::DocumentCreation);
    script.setWorldId(QWebEngineScript::MainWorld);
    script.setRunsOnSubFrames(true);
    script.setSourceCode(QStringLiteral(R"((function () {
  var fix = function (proto, name, value) {
    if (proto && name in proto)
      Object.defineProperty(proto, name, { value: value, writable: false, configurable: false });
  };
  var exec = Document.prototype.execCommand;
  fix(Document.prototype, 'execCommand', function (command) {
    var c = String(command).toLowerCase();
    return c === 'copy' || c === 'cut' ? false : exec.apply(this, arguments);
  });
  var refused = function () { return Promise.reject(new DOMException('', 'NotAllowedError')); };
  fix(window.Clipboard && Clipboard.prototype, 'write', refused);
  fix(window.Clipboard && Clipboard.prototype, 'writeText', refused);
  fix(DataTransfer.prototype, 'setData', function () {});
  fix(DataTransfer.prototype, 'clearData', function () {});
})();)"));
    return script;
}

} // namespace

// The engine serves the program's own resources (qrc:) to any page that
// asks for them; a remote page has no business with them.
void PanelRequests::interceptRequest(QWebEngineUrlRequestInfo& info)
{
    const bool mainFrame = info.resourceType() == QWebEngineUrlRequestInfo::ResourceTypeMainFrame;
    if (info.requestUrl().scheme() == u"qrc" || !m_gate || !m_gate(info.requestUrl(), mainFrame))
        info.block(true);
}

PanelRequests* PanelRequests::of(QWebEngineProfile* profile)
{
    return profile->findChild<PanelRequests*>(QString(), Qt::FindDirectChildrenOnly);
}

bool isWebAddress(const QUrl& url)
{
    const QString scheme = url.scheme();
    return scheme == u"http" || scheme == u"https";
}

QWebEngineProfile* PanelPage::makeProfile(QObject* parent, Cache cache)
{
    auto* profile = new QWebEngineProfile(parent);
    profile->setUrlRequestInterceptor(new PanelRequests(profile));
    // The engine asks the cookie filter about local and session storage,
    // databases, caches and service workers too. Qt 6.4's engine keeps a
    // page's local and session storage and what its service workers held
    // after the profile is deleted (some 20 MB for a page that fills them),
    // so nothing at all is let in. Emptying a cache instead
    // (clearHttpCache) holds up the profile's requests for good when the
    // engine runs in one process.
    profile->cookieStore()->setCookieFilter([](const QWebEngineCookieStore::FilterRequest&) { return false; });
    if (cache == Cache::None)
        profile->setHttpCacheType(QWebEngineProfile::NoCache);
    // The program speaks Simplified Chinese whatever the session's
    // language; so does the advert it asks for.
    profile->setHttpAcceptLanguage(QStringLiteral("zh-CN,zh"));
    return profile;
}

PanelPage::PanelPage(QWebEngineProfile* profile, QObject* parent)
    : QWebEnginePage(profile, parent)
{
    QWebEngineSettings* s = settings();
    s->setAttribute(QWebEngineSettings::LocalContentCanAccessFileUrls, false);
    s->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, false);
    // Pop-ups without a click stay blocked; a click's new window reaches
    // newWindowRequested, which the view hands to the desktop's browser.
    s->setAttribute(QWebEngineSettings::JavascriptCanOpenWindows, false);
    s->setAttribute(QWebEngineSettings::JavascriptCanAccessClipboard, false);
    scripts().insert(noClipboardWrites());
    s->setAttribute(QWebEngineSettings::ScreenCaptureEnabled, false);
    // The panel is smaller than its browser; scroll bars would only show
    // through on pages taller than the visible strip.
    s->setAttribute(QWebEngineSettings::ShowScrollBars, false);
    // An advert that cannot be had (no network, the site down) leaves the
    // panel empty, as before it first loads, rather than showing the
    // engine's error page with its links and troubleshooting text; the
    // next resize tries again.
    s->setAttribute(QWebEngineSettings::ErrorPageEnabled, false);

    // Nobody is there to answer a page's questions: camera, microphone,
    // screen, location, notifications, pointer lock, protocol handlers
    // and files are all refused at once instead of waiting forever.
    connect(this, &QWebEnginePage::featurePermissionRequested, this, [this](const QUrl& origin, Feature feature) {
        setFeaturePermission(origin, feature, PermissionDeniedByUser);
    });
    connect(this, &QWebEnginePage::registerProtocolHandlerRequested, this,
            [](QWebEngineRegisterProtocolHandlerRequest request) { request.reject(); });
    connect(this, &QWebEnginePage::fileSystemAccessRequested, this,
            [](QWebEngineFileSystemAccessRequest request) { request.reject(); });
}

// A new window that newWindowRequested left alone: refused.
QWebEnginePage* PanelPage::createWindow(WebWindowType)
{
    return nullptr;
}

bool PanelPage::acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame)
{
    if (!isWebAddress(url) && url != QUrl(QStringLiteral("about:blank")))
        return false;
    // A frame's load costs this process as much as the page's own: a storm
    // of them is counted like one of self-loads.
    if (!isMainFrame)
        return request();
    // The engine marks the program's own loads (load()) as typed by the user.
    if (type == NavigationTypeTyped || !m_loadGate)
        return true;
    return m_loadGate(url, type == NavigationTypeLinkClicked);
}

// The engine would show these as modal message boxes over the main window.
// Each one refused still costs a round trip through this process, so a
// loop of them is counted like a storm of frame loads.
void PanelPage::javaScriptAlert(const QUrl&, const QString&)
{
    request();
}

// The engine asks whether to leave a page that objects to being left
// (beforeunload) as a confirm() with its own text: the answer is always
// "leave", so that the program's own loads win over the page.
bool PanelPage::javaScriptConfirm(const QUrl&, const QString& message)
{
    if (message == leavePageQuestion())
        return true;
    request();
    return false;
}

bool PanelPage::javaScriptPrompt(const QUrl&, const QString&, const QString&, QString*)
{
    request();
    return false;
}

QStringList PanelPage::chooseFiles(FileSelectionMode, const QStringList&, const QStringList&)
{
    return {};
}

// The program keeps no log, so the page's console goes nowhere.
void PanelPage::javaScriptConsoleMessage(JavaScriptConsoleMessageLevel, const QString&, int, const QString&) { }

} // namespace platform
