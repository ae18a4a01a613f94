// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/webviewfactory.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <QUrl>

#include <cstdint>
#include <deque>
#include <utility>
#include <vector>

class QWebEnginePage;

namespace platform {

// Keeps one page's renderer in bounds. The renderer is ended when a load
// does not finish within its patience (unless the page is already shown and
// answers: then only the load is stopped), when the loaded page stops
// answering a ping, when it grows past its memory bound, or when it keeps a
// core busy while nothing loads. A renderer that is gone, ended here or
// crashed, has its page loaded again at once, but only a few times within
// the retry window, so a page that always fails is given up instead of
// burning a processor for the rest of the run. A page that loads itself over
// and over is stopped and the page left empty.
//
// The page asks maySelfLoad() before each load it starts itself.
class RendererWatch : public QObject {
    Q_OBJECT

public:
    enum class Reason { Unfinished, Unanswered, Memory, Busy };
    Q_ENUM(Reason)

    explicit RendererWatch(QWebEnginePage* page, QObject* parent = nullptr);

    void setPatience(WebViewPatience patience);
    void setLimits(WebViewLimits limits) { m_limits = limits; }

    // The panel's own load of url, with a fresh set of second chances.
    void load(const QUrl& url);

    // Whether the page may load itself (reload, move on) once more now:
    // within its limit of such loads.
    bool maySelfLoad();

    // Whether the load that just finished was the empty page a stopped page
    // was replaced with (not a load anybody asked for); asks once.
    bool takeBlankLoad() { return std::exchange(m_blankLoad, false); }

signals:
    // The renderer is being ended, and why.
    void hung(platform::RendererWatch::Reason reason);
    // The renderer is gone and no second chance is left for this load.
    void gaveUp();
    // The page loaded itself too often and was replaced by an empty one.
    void stopped();

private:
    void loadStarted();
    void stop();
    void tick();
    bool loadIsOverdue() const;
    void loadOverdue(const QString& documentState);
    bool busyTooLong();
    void lookAtMemory();
    // Until the next load starts: no ticks, no clocks, no samples.
    void stopWatching();
    void endRenderer(Reason reason);
    void rendererGone();

    static constexpr std::size_t kRetries = 2;
    static constexpr std::chrono::milliseconds kMemoryLook{250};

    QWebEnginePage* m_page;
    QUrl m_url;
    WebViewPatience m_patience;
    WebViewLimits m_limits;
    QTimer m_timer;
    QTimer m_memoryTimer;
    // All times on m_age's clock, in milliseconds.
    QElapsedTimer m_age;
    QElapsedTimer m_loadClock;
    QElapsedTimer m_pingClock;
    int m_generation = 0;
    // When each second chance of the current load was used.
    std::vector<std::int64_t> m_retriesUsed;
    // When the page loaded itself, within the last selfLoadPeriod.
    std::deque<std::int64_t> m_selfLoads;
    // The page's processor time (renderer and compositor) at each tick since
    // nothing loads.
    struct CpuSample {
        std::int64_t at;
        std::int64_t cpuMilliseconds;
    };
    std::deque<CpuSample> m_cpu;
    bool m_blankLoad = false;
    // The renderer's memory when last looked at (at < 0: not yet).
    struct MemorySample {
        std::int64_t at = -1;
        std::int64_t bytes = 0;
    };
    MemorySample m_lastMemory;
};

} // namespace platform
