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
    connect(&m_memoryTimer, &QTimer::timeout, this, &RendererWatch::lookAtMemory);
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
    m_timer.setInterval(std::clamp(std::min(patience.load, patience.response) / 4, std::chrono::milliseconds(250),
                                   std::chrono::milliseconds(2500)));
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
    m_memoryTimer.start(int(kMemoryLook.count()));
}

bool RendererWatch::maySelfLoad()
{
    const std::int64_t now = m_age.elapsed();
    while (!m_selfLoads.empty() && now - m_selfLoads.front() >= m_limits.selfLoadPeriod.count())
        m_selfLoads.pop_front();
    m_selfLoads.push_back(now);
    // Until the panel's next load, nothing more of the page's own: not
    // while the stopped page may still ask before the empty one replaces it.
    if (int(m_selfLoads.size()) <= m_limits.selfLoads && !m_blankLoad)
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
    if (busyTooLong())
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

// The page's processor time over the busy period while no load runs (a load
// may well keep a core busy for a moment). A renderer in this program's own
// process (the engine run as one process) is not measured, here or for its
// memory: ending it would end the program.
bool RendererWatch::busyTooLong()
{
    const std::int64_t pid = m_page->renderProcessPid();
    if (pid == QCoreApplication::applicationPid())
        return false;
    const std::optional<ProcessUsage> usage = processUsage(pid);
    if (!usage)
        return false;
    if (m_loadClock.isValid())
        return false;

    // What the page costs: its renderer, and the composing of its frames
    // in this process (a storm of animations costs little in the renderer).
    const std::int64_t now = m_age.elapsed();
    const std::int64_t cpu = usage->cpuMilliseconds + compositorCpuMilliseconds();
    m_cpu.push_back({now, cpu});
    // The oldest sample kept is the last one at least a busy period old.
    while (m_cpu.size() > 1 && now - m_cpu[1].at >= m_limits.busyPeriod.count())
        m_cpu.pop_front();
    const CpuSample& first = m_cpu.front();
    const std::int64_t span = now - first.at;
    if (span < m_limits.busyPeriod.count() || double(cpu - first.cpuMilliseconds) <= m_limits.busyShare * double(span))
        return false;
    endRenderer(Reason::Busy);
    return true;
}

// A page can allocate a gigabyte a second, so the renderer's memory is
// looked at four times a second (reading a small file, next to nothing),
// and while it grows fast, again before it could pass the bound at that pace.
void RendererWatch::lookAtMemory()
{
    const std::int64_t pid = m_page->renderProcessPid();
    const std::optional<ProcessUsage> usage =
        pid == QCoreApplication::applicationPid() ? std::nullopt : processUsage(pid);
    if (!usage)
        return;
    if (usage->residentBytes > m_limits.memoryBytes) {
        endRenderer(Reason::Memory);
        return;
    }
    const std::int64_t now = m_age.elapsed();
    std::int64_t next = kMemoryLook.count();
    if (m_lastMemory.at >= 0 && usage->residentBytes > m_lastMemory.bytes) {
        const double bytesPerMs = double(usage->residentBytes - m_lastMemory.bytes)
                                  / double(std::max<std::int64_t>(1, now - m_lastMemory.at));
        const double halfWayToBound = double(m_limits.memoryBytes - usage->residentBytes) / bytesPerMs / 2;
        next = std::clamp(std::int64_t(halfWayToBound), std::int64_t(20), next);
    }
    m_lastMemory = {now, usage->residentBytes};
    m_memoryTimer.start(int(next));
}

void RendererWatch::stopWatching()
{
    m_memoryTimer.stop();
    m_lastMemory = {};
    m_timer.stop();
    m_loadClock.invalidate();
    m_pingClock.invalidate();
    m_cpu.clear();
}

void RendererWatch::endRenderer(Reason reason)
{
    stopWatching();
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
    stopWatching();
    if (!m_url.isValid() || m_blankLoad)
        return;
    const std::int64_t now = m_age.elapsed();
    std::erase_if(m_retriesUsed, [&](std::int64_t used) { return now - used >= m_patience.retryWindow.count(); });
    if (m_retriesUsed.size() >= kRetries) {
        emit gaveUp();
        return;
    }
    m_retriesUsed.push_back(now);
    m_page->load(m_url);
}

} // namespace platform
