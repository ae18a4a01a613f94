// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The seam between the web panel and the browser engine. The engine lives in
// a plugin module (zelvan_webview) that is loaded only once the main window
// has painted, so the program neither links nor starts it at start-up. Only
// plain virtual classes cross the seam: no moc'ed class is shared between the
// executable and the module, which keeps the two free of duplicate meta-objects.

#include <QtPlugin>

#include <chrono>
#include <cstdint>
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

// What a page may take of the machine before its renderer is ended like a
// hung one: resident memory, more than busyShare of one core over busyPeriod
// while nothing loads (its renderer's and the program's own processor time
// together), or programGrowthBytes of the program's own memory (where the
// engine keeps what a page stores) over the least it held. A page that loads
// itself (reloads, moves on, refreshes) more than selfLoads times within
// selfLoadPeriod is stopped: the panel is left empty until its next load; so
// is one that asks the program for more than requests frame loads and script
// dialogs, or makes more than fetches network requests, within selfLoadPeriod.
struct WebViewLimits {
    std::int64_t memoryBytes = std::int64_t(512) << 20;
    double busyShare = 0.5;
    std::chrono::milliseconds busyPeriod{15000};
    int selfLoads = 5;
    std::chrono::milliseconds selfLoadPeriod{std::chrono::minutes(1)};
    int requests = 120;
    std::int64_t programGrowthBytes = std::int64_t(64) << 20;
    int fetches = 600;
};

// What the browser tells the panel.
struct WebViewHooks {
    // Once per finished load; false when the page could not be loaded (the
    // panel then stays empty), was stopped, or the navigation was refused.
    std::function<void(bool ok)> loadFinished;
    // A page asked for a new window on a user's click, or the user clicked a
    // link to another site: an http or https address for the desktop's
    // browser.
    std::function<void(const QUrl& url)> openExternally;
    // The browser's watch stepped in: "unfinished" (a load past its
    // patience), "unanswered", "memory" or "busy" (the renderer was ended),
    // "program memory" (the renderer was ended for what its page stored in
    // the program), "restless" (a page that kept loading itself, asking for
    // work or making requests was stopped) or "gave up" (no second chance is
    // left for this load).
    std::function<void(const char* what)> watchActed;
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
    // A browser whose pages run inside this program's own process cannot
    // end them without ending the program: it keeps no limits.
    virtual void setLimits(WebViewLimits /*limits*/) { }
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

#define ZELVAN_WEBVIEWFACTORY_IID "org.zelvan.WebViewFactory/3.2"
Q_DECLARE_INTERFACE(platform::WebViewFactory, ZELVAN_WEBVIEWFACTORY_IID)
