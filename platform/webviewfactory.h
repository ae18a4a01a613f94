// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The seam between the web panel and the browser engine. The engine lives in
// a plugin module (zelvan_webview) that is loaded only once the main window
// has painted, so the program neither links nor starts it at start-up. Only
// plain virtual classes cross the seam: no moc'ed class is shared between the
// executable and the module, which keeps the two free of duplicate meta-objects.

#include <QtPlugin>

#include <functional>

class QUrl;
class QWidget;

namespace platform {

// One browser widget made by the module. The widget itself is owned by its
// Qt parent; this interface lives exactly as long as the widget.
class WebView {
public:
    // Called once per finished load; false when the page could not be loaded
    // (the browser then shows its own error page) or the navigation was refused.
    using LoadFinished = std::function<void(bool ok)>;

    virtual ~WebView() = default;
    virtual QWidget* widget() = 0;
    // Starts loading and returns at once.
    virtual void load(const QUrl& url) = 0;
};

class WebViewFactory {
public:
    virtual ~WebViewFactory() = default;
    // Creates the browser, named "WebBrowser1", as a child of parent. The
    // browser refuses pop-ups, new windows, dialogs and local files.
    virtual WebView* createView(QWidget* parent, WebView::LoadFinished onLoadFinished) = 0;
};

} // namespace platform

#define ZELVAN_WEBVIEWFACTORY_IID "org.zelvan.WebViewFactory/1.0"
Q_DECLARE_INTERFACE(platform::WebViewFactory, ZELVAN_WEBVIEWFACTORY_IID)
