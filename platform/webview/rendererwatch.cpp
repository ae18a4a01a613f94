// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/webview/rendererwatch.h"

#include "platform/webview/endprocess.h"
#include "platform/webview/pagethread.h"
#include "platform/webview/processusage.h"

#include <QCoreApplication>
#include <QPointer>
#include <QWebEnginePage>
#include <QWebEngineScript>

#include <algorithm>
#include <utility>

namespace platform {

RendererWatch::RendererWatch(std::function<QWebEnginePage*()> makePage, QObject* parent)
    : QObject(parent)
    , m_makePage(std::move(makePage))
{
    m_age.start();
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &RendererWatch::tick);
    renewPage();
}

void RendererWatch::renewPage()
{
    if (m_page) {
        m_page->disconnect(this);
        // What the page stored goes with its profile, when the page is
        // deleted and, on the engine's other threads, soon after.
        connect(m_page, &QObject::destroyed, this, [this] {
            giveBackFreedMemory();
            QTimer::singleShot(std::chrono::seconds(1), this, [] { giveBackFreedMemory(); });
        });
    }
    m_page = m_makePage();
    // An answer the page before still owed is never coming.
    m_pingOut = false;
    connect(m_page, &QWebEnginePage::loadStarted, this, [this] { apply(m_rules.loadStarted(now())); });
    connect(m_page, &QWebEnginePage::loadFinished, this, [this] { apply(m_rules.loadFinished(now())); });
    connect(m_page, &QWebEnginePage::renderProcessTerminated, this, [this] { apply(m_rules.gone(now())); });
}

void RendererWatch::setPatience(WebViewPatience patience)
{
    m_rules.setPatience({patience.load, patience.response, patience.retryWindow});
}

void RendererWatch::setLimits(WebViewLimits limits)
{
    m_rules.setLimits({limits.memoryBytes, limits.busyShare, limits.busyPeriod, limits.selfLoads, limits.selfLoadPeriod,
                       limits.requests, limits.programGrowthBytes, limits.fetches});
}

void RendererWatch::load(const QUrl& url)
{
    m_url = url;
    apply(m_rules.load(now()));
    m_page->load(url);
}

bool RendererWatch::maySelfLoad()
{
    const watch::Decision decision = m_rules.selfLoad(now());
    apply(decision);
    return decision.action == watch::Action::None;
}

bool RendererWatch::mayRequest()
{
    const watch::Decision decision = m_rules.request(now());
    apply(decision);
    return decision.action == watch::Action::None;
}

bool RendererWatch::mayFetch()
{
    const watch::Decision decision = m_rules.fetch(now());
    apply(decision);
    return decision.action == watch::Action::None;
}

// What the page's renderer uses, and what this process uses: the engine
// keeps what a page stores here, and does much of its work here (its
// network requests, storage, messages, composing its frames) as well as in
// the window thread. A renderer inside this process (the engine run as one
// process) has no usage of its own: the program's is all there is.
void RendererWatch::tick()
{
    watch::Usage usage;
    const std::int64_t self = QCoreApplication::applicationPid();
    if (const std::optional<ProcessUsage> program = processUsage(self)) {
        usage.programBytes = program->residentBytes;
        usage.programCpu = watch::Ms(program->cpuMilliseconds);
    }
    const std::int64_t pid = m_page->renderProcessPid();
    if (pid != self) {
        if (const std::optional<ProcessUsage> renderer = processUsage(pid)) {
            usage.residentBytes = renderer->residentBytes;
            usage.cpu = watch::Ms(renderer->cpuMilliseconds);
        }
    }
    apply(m_rules.tick(now(), usage));
}

void RendererWatch::apply(const watch::Decision& decision)
{
    switch (decision.action) {
    case watch::Action::None:
    case watch::Action::Refuse: break;
    case watch::Action::Ping: ping(decision.ping); break;
    case watch::Action::End:
        emit hung(decision.reason);
        // Otherwise renderProcessTerminated follows, and the watch goes on.
        if (!endProcess(m_page->renderProcessPid())) {
            // None to end, or this very process: the page is replaced. A
            // page inside this process that did not answer holds its thread.
            notePageThreadAnswers(!m_pingOut);
            m_pingOut = false;
            apply(m_rules.gone(now()));
            return;
        }
        break;
    case watch::Action::StopLoad: m_page->triggerAction(QWebEnginePage::Stop); break;
    case watch::Action::Reload:
        renewPage();
        m_page->load(m_url);
        break;
    case watch::Action::GiveUp:
        renewPage();
        emit gaveUp();
        break;
    case watch::Action::StopPage:
        // Not from inside the engine's question.
        QTimer::singleShot(0, this, &RendererWatch::stop);
        break;
    }
    if (decision.next == watch::kNever)
        m_timer.stop();
    else
        m_timer.start(int(std::clamp<std::int64_t>((decision.next - now()).count(), 0, 3600000)));
}

// The ping runs in a world of its own, so a page can neither answer for a
// stuck renderer nor stop the answer.
void RendererWatch::ping(int ping)
{
    m_pingOut = true;
    QPointer<RendererWatch> self(this);
    m_page->runJavaScript(QStringLiteral("document.readyState"), QWebEngineScript::ApplicationWorld,
                          [self, ping](const QVariant& state) {
                              if (!self)
                                  return;
                              // No value: the engine gave up the call (its
                              // page went), nobody answered.
                              if (state.isValid()) {
                                  self->m_pingOut = false;
                                  notePageThreadAnswers(true);
                              }
                              const QString s = state.toString();
                              const bool shown = s == QLatin1String("interactive") || s == QLatin1String("complete");
                              self->apply(self->m_rules.answered(self->now(), ping, shown));
                          });
}

// A new empty page: the page's scripts end with the old one; the panel's
// next load starts afresh.
void RendererWatch::stop()
{
    renewPage();
    emit stopped();
}

} // namespace platform
