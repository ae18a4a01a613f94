// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/watch/pagewatch.h"
#include "platform/webviewfactory.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <QUrl>

#include <functional>

class QWebEnginePage;

namespace platform {

// The engine's adapter of the page watch (platform/watch): it hands the
// watch what the page and its renderer do, with the time, and carries out
// what the watch decides. The renderer is ended when a load does not finish
// within its patience (unless the page is already shown and answers: then
// only the load is stopped), when the loaded page stops answering a ping,
// when it grows past its memory bound, or when it keeps a core busy while
// nothing loads (with what the engine does for it in this process: its
// requests, its storage, drawing its frames), or when the program's own
// process has grown past its bound with what the page stored; a renderer
// that is gone, ended here or crashed, has its page loaded again a few
// times, then given up. A page that loads itself, asks for work or makes
// network requests over and over is stopped and the page left empty.
//
// Whatever a page stores (Blobs, databases, caches) the engine keeps in the
// page's profile, in this process. So each time the page goes (its renderer
// gone, given up, stopped), the watch takes a new page from makePage, and
// the one before goes with all it stored.
//
// With the engine in one process the page has no renderer of its own to
// end: a page past its bounds is replaced at once by a new one (which ends
// its scripts, unless they never return), and judged by what the program
// as a whole uses.
//
// The page asks maySelfLoad() before each load it starts itself,
// mayRequest() before each frame load and script dialog, and mayFetch()
// before each network request.
class RendererWatch : public QObject {
    Q_OBJECT

public:
    // makePage makes the page the watch looks after and puts it in place of
    // the one before, which it deletes; called first here.
    explicit RendererWatch(std::function<QWebEnginePage*()> makePage, QObject* parent = nullptr);

    QWebEnginePage* page() const { return m_page; }

    void setPatience(WebViewPatience patience);
    void setLimits(WebViewLimits limits);

    // The panel's own load of url, with a fresh set of second chances.
    void load(const QUrl& url);

    // Whether the page may load itself (reload, move on) once more now:
    // within its limit of such loads.
    bool maySelfLoad();
    // Whether the page may have a frame loaded or a dialog answered now.
    bool mayRequest();
    // Whether the page may make a network request now.
    bool mayFetch();

signals:
    // The renderer is being ended, and why.
    void hung(platform::watch::Reason reason);
    // The renderer is gone and no second chance is left for this load.
    void gaveUp();
    // The page loaded itself or asked for work too often and was replaced
    // by an empty one.
    void stopped();

private:
    watch::Ms now() const { return watch::Ms(m_age.elapsed()); }
    void apply(const watch::Decision& decision);
    void ping(int ping);
    void renewPage();
    void stop();
    void tick();

    std::function<QWebEnginePage*()> m_makePage;
    QWebEnginePage* m_page = nullptr;
    QUrl m_url;
    watch::PageWatch m_rules;
    QTimer m_timer;
    QElapsedTimer m_age;
    // A ping sent and not answered yet.
    bool m_pingOut = false;
};

} // namespace platform
