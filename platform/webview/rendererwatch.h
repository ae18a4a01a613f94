// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/watch/pagewatch.h"
#include "platform/webviewfactory.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <QUrl>

#include <utility>

class QWebEnginePage;

namespace platform {

// The engine's adapter of the page watch (platform/watch): it hands the
// watch what the page and its renderer do, with the time, and carries out
// what the watch decides. The renderer is ended when a load does not finish
// within its patience (unless the page is already shown and answers: then
// only the load is stopped), when the loaded page stops answering a ping,
// when it grows past its memory bound, or when it keeps a core busy while
// nothing loads; a renderer that is gone, ended here or crashed, has its
// page loaded again a few times, then given up. A page that loads itself or
// asks for work over and over is stopped and the page left empty.
//
// The page asks maySelfLoad() before each load it starts itself, and
// mayRequest() before each frame load and script dialog.
class RendererWatch : public QObject {
    Q_OBJECT

public:
    explicit RendererWatch(QWebEnginePage* page, QObject* parent = nullptr);

    void setPatience(WebViewPatience patience);
    void setLimits(WebViewLimits limits);

    // The panel's own load of url, with a fresh set of second chances.
    void load(const QUrl& url);

    // Whether the page may load itself (reload, move on) once more now:
    // within its limit of such loads.
    bool maySelfLoad();
    // Whether the page may have a frame loaded or a dialog answered now.
    bool mayRequest();

    // Whether the load that just finished was the empty page a stopped page
    // was replaced with (not a load anybody asked for); asks once.
    bool takeBlankLoad() { return std::exchange(m_blankLoad, false); }

signals:
    // The renderer is being ended, and why.
    void hung(platform::watch::Reason reason);
    // The renderer is gone and no second chance is left for this load.
    void gaveUp();
    // The page loaded itself too often and was replaced by an empty one.
    void stopped();

private:
    watch::Ms now() const { return watch::Ms(m_age.elapsed()); }
    void apply(const watch::Decision& decision);
    void ping(int ping);
    void stop();
    void tick();

    QWebEnginePage* m_page;
    QUrl m_url;
    watch::PageWatch m_rules;
    QTimer m_timer;
    QElapsedTimer m_age;
    bool m_blankLoad = false;
};

} // namespace platform
