// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/webviewfactory.h"

#include <QWebEngineView>

namespace platform {

class PanelPage;
class RendererWatch;

// The panel's browser: a view of the advert's page, watched, one stop in its
// window's Tab order, without the engine's context menu.
class PanelView final : public QWebEngineView, public WebView {
public:
    PanelView(QWidget* parent, WebViewHooks hooks);
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

    WebViewHooks m_hooks;
    PanelPage* m_page = nullptr;
    RendererWatch* m_watch = nullptr;
};

} // namespace platform
