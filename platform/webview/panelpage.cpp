// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/webview/panelpage.h"

#include <QWebEngineFileSystemAccessRequest>
#include <QWebEngineProfile>
#include <QWebEngineRegisterProtocolHandlerRequest>
#include <QWebEngineSettings>
#include <QWebEngineUrlRequestInfo>
#include <QWebEngineUrlRequestInterceptor>

namespace platform {
namespace {

// The engine serves the program's own resources (qrc:) to any page that
// asks for them; a remote page has no business with them.
class NoProgramResources final : public QWebEngineUrlRequestInterceptor {
public:
    using QWebEngineUrlRequestInterceptor::QWebEngineUrlRequestInterceptor;

    void interceptRequest(QWebEngineUrlRequestInfo& info) override
    {
        if (info.requestUrl().scheme() == u"qrc")
            info.block(true);
    }
};

} // namespace

bool isWebAddress(const QUrl& url)
{
    const QString scheme = url.scheme();
    return scheme == u"http" || scheme == u"https";
}

QWebEngineProfile* PanelPage::makeProfile(QObject* parent)
{
    auto* profile = new QWebEngineProfile(parent);
    profile->setUrlRequestInterceptor(new NoProgramResources(profile));
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
    // The engine marks the program's own loads (load()) as typed by the user.
    if (!isMainFrame || type == NavigationTypeTyped || !m_loadGate)
        return true;
    return m_loadGate();
}

// The engine would show these as modal message boxes over the main window.
void PanelPage::javaScriptAlert(const QUrl&, const QString&) { }

bool PanelPage::javaScriptConfirm(const QUrl&, const QString&)
{
    return false;
}

bool PanelPage::javaScriptPrompt(const QUrl&, const QString&, const QString&, QString*)
{
    return false;
}

QStringList PanelPage::chooseFiles(FileSelectionMode, const QStringList&, const QStringList&)
{
    return {};
}

// The program keeps no log, so the page's console goes nowhere.
void PanelPage::javaScriptConsoleMessage(JavaScriptConsoleMessageLevel, const QString&, int, const QString&) { }

} // namespace platform
