// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/webviewfactory.h"

#include <QElapsedTimer>
#include <QUrl>
#include <QWebEngineView>

class QWebEngineProfile;

namespace platform {

class PanelPage;
class RendererWatch;

// The panel's browser: a view of the advert's page, watched, one stop in its
// window's Tab order, without the engine's context menu. The page stays on
// the site the panel loaded; a link the user clicks to another site opens in
// the desktop's browser.
class PanelView final : public QWebEngineView, public WebView {
public:
    // Each page gets a profile of its own, thrown away with what the page
    // stored; or, with sharedProfile (the engine allows one profile when it
    // runs in one process), that one, emptied of what it can hold.
    PanelView(QWidget* parent, WebViewHooks hooks, QWebEngineProfile* sharedProfile = nullptr);
    ~PanelView() override;

    QWidget* widget() override { return this; }
    void load(const QUrl& url) override;
    void setPatience(WebViewPatience patience) override;
    void setLimits(WebViewLimits limits) override;

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWebEnginePage* renewPage();
    bool mayLoad(const QUrl& url, bool link);
    bool mayFetch(const QUrl& url, bool mainFrame);
    bool staysOnSite(const QUrl& url) const;
    bool takeClick();

    WebViewHooks m_hooks;
    QWebEngineProfile* m_sharedProfile;
    PanelPage* m_page = nullptr;
    RendererWatch* m_watch = nullptr;
    // The address the panel itself loaded last: the advert's site.
    QUrl m_site;
    // The user's last click or key into the page, not yet used to open a
    // link elsewhere.
    QElapsedTimer m_click;
};

} // namespace platform
