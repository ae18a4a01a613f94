// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/webview/rendererwatch.h"

#include "platform/webview/endprocess.h"
#include "platform/webview/processusage.h"

#include <QCoreApplication>
#include <QPointer>
#include <QWebEnginePage>
#include <QWebEngineScript>

#include <algorithm>

namespace platform {

RendererWatch::RendererWatch(QWebEnginePage* page, QObject* parent)
    : QObject(parent)
    , m_page(page)
{
    m_age.start();
    setPatience(m_patience);
    connect(&m_timer, &QTimer::timeout, this, &RendererWatch::tick);
    connect(m_page, &QWebEnginePage::loadStarted, this, &RendererWatch::loadStarted);
    connect(m_page, &QWebEnginePage::loadFinished, this, [this] {
        m_loadClock.invalidate();
        m_pingClock.invalidate();
    });
    connect(m_page, &QWebEnginePage::renderProcessTerminated, this, &RendererWatch::rendererGone);
}

// The watch looks four times per patience, at most every 2.5 s: a ping
// costs the renderer next to nothing, but it need not wake it more often.
void RendererWatch::setPatience(WebViewPatience patience)
{
    m_patience = patience;
    m_timer.setInterval(std::clamp(std::min(patience.load, patience.response) / 4,
                                   std::chrono::milliseconds(250), std::chrono::milliseconds(2500)));
}

void RendererWatch::load(const QUrl& url)
{
    m_url = url;
    m_retriesUsed.clear();
    m_selfLoads.clear();
    m_blankLoad = false;
    m_page->load(url);
}

void RendererWatch::loadStarted()
{
    m_pingClock.invalidate();
    m_loadClock.start();
    m_cpu.clear();
    m_timer.start();
}

bool RendererWatch::maySelfLoad()
{
    const std::int64_t now = m_age.elapsed();
    while (!m_selfLoads.empty() && now - m_selfLoads.front() >= m_limits.selfLoadPeriod.count())
        m_selfLoads.pop_front();
    m_selfLoads.push_back(now);
    if (int(m_selfLoads.size()) <= m_limits.selfLoads)
        return true;
    // Not from inside the engine's question.
    if (int(m_selfLoads.size()) == m_limits.selfLoads + 1)
        QTimer::singleShot(0, this, &RendererWatch::stop);
    return false;
}

// An empty page ends the page's scripts with it; the panel's next load
// starts afresh.
void RendererWatch::stop()
{
    m_selfLoads.clear();
    m_page->triggerAction(QWebEnginePage::Stop);
    m_blankLoad = true;
    m_page->load(QUrl(QStringLiteral("about:blank")));
    emit stopped();
}

// On every tick: a load that takes too long, or a loaded page whose renderer
// no longer answers a ping (a script that never returns), has its renderer
// ended. The ping runs in a world of its own, so a page cannot answer for a
// stuck renderer or stop the answer. A load past its patience whose page is
// already parsed and shown, and whose renderer answers, only waits for one
// of its requests (a slow picture or counter): that load is stopped and the
// page stays.
void RendererWatch::tick()
{
    if (overBounds())
        return;
    if (m_loadClock.isValid() && !loadIsOverdue())
        return;
    if (m_pingClock.isValid()) {
        if (m_pingClock.elapsed() > m_patience.response.count())
            endRenderer(m_loadClock.isValid() ? Reason::Unfinished : Reason::Unanswered);
        return;
    }
    m_pingClock.start();
    QPointer<RendererWatch> self(this);
    const int generation = m_generation;
    m_page->runJavaScript(QStringLiteral("document.readyState"), QWebEngineScript::ApplicationWorld,
                          [self, generation](const QVariant& state) {
                              if (!self || generation != self->m_generation)
                                  return;
                              self->m_pingClock.invalidate();
                              // Not a load that started after the ping was sent.
                              if (self->loadIsOverdue())
                                  self->loadOverdue(state.toString());
                          });
}

bool RendererWatch::loadIsOverdue() const
{
    return m_loadClock.isValid() && m_loadClock.elapsed() > m_patience.load.count();
}

void RendererWatch::loadOverdue(const QString& documentState)
{
    if (documentState != QLatin1String("interactive")) {
        endRenderer(Reason::Unfinished);
        return;
    }
    m_loadClock.invalidate();
    m_page->triggerAction(QWebEnginePage::Stop);
}

// The renderer's memory, and its processor time over the busy period while
// no load runs (a load may well keep a core busy for a moment). A renderer
// in this program's own process (the engine run as one process) is not
// measured: ending it would end the program.
bool RendererWatch::overBounds()
{
    const std::int64_t pid = m_page->renderProcessPid();
    if (pid == QCoreApplication::applicationPid())
        return false;
    const std::optional<ProcessUsage> usage = processUsage(pid);
    if (!usage)
        return false;
    if (usage->residentBytes > m_limits.memoryBytes) {
        endRenderer(Reason::Memory);
        return true;
    }
    if (m_loadClock.isValid())
        return false;

    const std::int64_t now = m_age.elapsed();
    m_cpu.push_back({now, usage->cpuMilliseconds});
    // The oldest sample kept is the last one at least a busy period old.
    while (m_cpu.size() > 1 && now - m_cpu[1].at >= m_limits.busyPeriod.count())
        m_cpu.pop_front();
    const CpuSample& first = m_cpu.front();
    const std::int64_t span = now - first.at;
    if (span < m_limits.busyPeriod.count()
        || double(usage->cpuMilliseconds - first.cpuMilliseconds) <= m_limits.busyShare * double(span))
        return false;
    endRenderer(Reason::Busy);
    return true;
}

void RendererWatch::endRenderer(Reason reason)
{
    m_timer.stop();
    m_loadClock.invalidate();
    m_pingClock.invalidate();
    m_cpu.clear();
    emit hung(reason);
    if (!endProcess(m_page->renderProcessPid()))
        rendererGone();
    // Otherwise renderProcessTerminated follows and reloads.
}

// A crashed, killed or hung renderer: the page is loaded again at once, but
// only a few times within the retry window for each load the panel asked for.
void RendererWatch::rendererGone()
{
    ++m_generation;
    m_timer.stop();
    m_loadClock.invalidate();
    m_pingClock.invalidate();
    m_cpu.clear();
    if (!m_url.isValid() || m_blankLoad)
        return;
    const std::int64_t now = m_age.elapsed();
    std::erase_if(m_retriesUsed,
                  [&](std::int64_t used) { return now - used >= m_patience.retryWindow.count(); });
    if (m_retriesUsed.size() >= kRetries) {
        emit gaveUp();
        return;
    }
    m_retriesUsed.push_back(now);
    m_page->load(m_url);
}

} // namespace platform
