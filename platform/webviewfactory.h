// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The seam between the web panel and the browser engine. The engine lives in
// a plugin module (zelvan_webview) that is loaded only once the main window
// has painted, so the program neither links nor starts it at start-up. Only
// plain virtual classes cross the seam: no moc'ed class is shared between the
// executable and the module, which keeps the two free of duplicate meta-objects.

#include <QtPlugin>

#include <chrono>
#include <functional>

class QUrl;
class QWidget;

namespace platform {

// How long the browser gives a page before it ends the page's renderer and
// loads the page again: a load that has not finished, or a page that has not
// answered a ping, after this long. Each load has a few such second chances;
// one that was used comes back after retryWindow, so a renderer that fails
// now and then over a long day is always given another, and one that fails
// over and over is given up.
struct WebViewPatience {
    std::chrono::milliseconds load{20000};
    std::chrono::milliseconds response{10000};
    std::chrono::milliseconds retryWindow{std::chrono::minutes(10)};
};

// What the browser tells the panel.
struct WebViewHooks {
    // Once per finished load; false when the page could not be loaded (the
    // panel then stays empty), was stopped, or the navigation was refused.
    std::function<void(bool ok)> loadFinished;
    // A page asked for a new window on a user's click: an http or https
    // address for the desktop's browser.
    std::function<void(const QUrl& url)> openExternally;
};

// One browser widget made by the module. The widget itself is owned by its
// Qt parent; this interface lives exactly as long as the widget.
class WebView {
public:
    virtual ~WebView() = default;
    virtual QWidget* widget() = 0;
    // Starts loading and returns at once.
    virtual void load(const QUrl& url) = 0;
    virtual void setPatience(WebViewPatience patience) = 0;
};

class WebViewFactory {
public:
    virtual ~WebViewFactory() = default;
    // Creates the browser as a child of parent. The browser refuses pop-ups,
    // dialogs, local files, the program's own resources and every permission
    // a page asks for, and ends and reloads a page that hangs or crashes.
    virtual WebView* createView(QWidget* parent, WebViewHooks hooks) = 0;
};

} // namespace platform

#define ZELVAN_WEBVIEWFACTORY_IID "org.zelvan.WebViewFactory/2.0"
Q_DECLARE_INTERFACE(platform::WebViewFactory, ZELVAN_WEBVIEWFACTORY_IID)
