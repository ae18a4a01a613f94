// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/webview/webviewplugin.h"

#include <QUrl>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineSettings>
#include <QWebEngineView>

namespace platform {
namespace {

// The advert's page. Whatever it does, it must neither block nor leave the
// panel: no new windows, no modal dialogs, no local files.
class PanelPage final : public QWebEnginePage {
public:
    PanelPage(QWebEngineProfile* profile, QObject* parent)
        : QWebEnginePage(profile, parent)
    {
        QWebEngineSettings* s = settings();
        s->setAttribute(QWebEngineSettings::LocalContentCanAccessFileUrls, false);
        s->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, false);
        s->setAttribute(QWebEngineSettings::JavascriptCanOpenWindows, false);
        s->setAttribute(QWebEngineSettings::JavascriptCanAccessClipboard, false);
        s->setAttribute(QWebEngineSettings::ScreenCaptureEnabled, false);
        // The panel is smaller than its browser; scroll bars would only show
        // through on pages taller than the visible strip.
        s->setAttribute(QWebEngineSettings::ShowScrollBars, false);
    }

protected:
    // Covers what the settings above cannot: target="_blank" links, the
    // middle click and pages that open windows despite the setting.
    QWebEnginePage* createWindow(WebWindowType) override { return nullptr; }

    bool acceptNavigationRequest(const QUrl& url, NavigationType, bool) override
    {
        const QString scheme = url.scheme();
        return scheme == u"http" || scheme == u"https"
            || url == QUrl(QStringLiteral("about:blank"));
    }

    // The engine would show these as modal message boxes over the main window.
    void javaScriptAlert(const QUrl&, const QString&) override { }
    bool javaScriptConfirm(const QUrl&, const QString&) override { return false; }
    bool javaScriptPrompt(const QUrl&, const QString&, const QString&, QString*) override
    {
        return false;
    }
    QStringList chooseFiles(FileSelectionMode, const QStringList&, const QStringList&) override
    {
        return {};
    }
    // The program keeps no log, so the page's console goes nowhere.
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel, const QString&, int,
                                  const QString&) override
    {
    }
};

class PanelView final : public QWebEngineView, public WebView {
public:
    PanelView(QWidget* parent, LoadFinished onLoadFinished)
        : QWebEngineView(parent)
        // Off the record: cookies and cache stay in memory, nothing is written to disk.
        , m_profile(new QWebEngineProfile(this))
        , m_page(new PanelPage(m_profile, this))
    {
        setObjectName(QStringLiteral("WebBrowser1"));
        // The engine's menu offers "view source" and "save page", which would
        // open windows and file dialogs.
        setContextMenuPolicy(Qt::NoContextMenu);
        setPage(m_page);
        if (onLoadFinished)
            connect(m_page, &QWebEnginePage::loadFinished, this, std::move(onLoadFinished));
    }

    // The page must go before its profile, which is deleted with the other children.
    ~PanelView() override { delete m_page; }

    QWidget* widget() override { return this; }
    void load(const QUrl& url) override { m_page->load(url); }

private:
    QWebEngineProfile* m_profile;
    PanelPage* m_page;
};

} // namespace

WebView* WebViewPlugin::createView(QWidget* parent, WebView::LoadFinished onLoadFinished)
{
    return new PanelView(parent, std::move(onLoadFinished));
}

} // namespace platform
