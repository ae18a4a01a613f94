// SPDX-License-Identifier: GPL-3.0-or-later
// Windows: the panel's browser is the system's WebBrowser control, shown by
// the advert host (zelvan-adverthost.exe beside the program) in a process
// of its own at low integrity, in a window that is a child of the view's.
// The view speaks to it over a pipe (platform/advert/advertprotocol.h) and
// never sends its windows a message: a host that hangs holds up nothing here.
// The watch's rules (platform/watch) are applied to the host's process as on
// Linux to the engine's renderer: hung is no pong within the patience.
#include "platform/systemwebview.h"

#include "platform/advert/advertprotocol.h"
#include "platform/advert/siterules.h"
#include "platform/watch/pagewatch.h"
#include "platform/win32/adverthostprocess_win.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QFocusEvent>
#include <QHideEvent>
#include <QRegion>
#include <QThread>
#include <QTimer>
#include <QUrl>
#include <QWidget>

#include <algorithm>

namespace platform {
namespace {

using watch::Action;
using watch::Ms;

// Where the host is: beside the program, unless the tests name a stand-in.
QString hostProgram()
{
    const QString named = qEnvironmentVariable("ZELVAN_ADVERT_HOST");
    if (!named.isEmpty())
        return QFileInfo(named).absoluteFilePath();
    return QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("zelvan-adverthost.exe"));
}

class SystemBrowserView final : public QWidget, public WebView {
public:
    SystemBrowserView(QWidget* parent, WebViewHooks hooks)
        : QWidget(parent)
        , m_hooks(std::move(hooks))
        , m_program(QDir::toNativeSeparators(hostProgram()).toStdWString())
    {
        // A window of its own for the host's window to live in; the panel's
        // frame and the widgets around it stay as they are.
        setAttribute(Qt::WA_NativeWindow);
        setAttribute(Qt::WA_DontCreateNativeAncestors);
        // The panel is one stop in its window's Tab order.
        setFocusPolicy(Qt::TabFocus);
        requestCurrentDocumentMode(QFileInfo(hostProgram()).fileName().toStdWString());
        m_clock.start();
        m_look.setSingleShot(true);
        m_look.setTimerType(Qt::PreciseTimer);
        QObject::connect(&m_look, &QTimer::timeout, this, [this] { look(); });
        window()->installEventFilter(this);
        startHost();
    }

    ~SystemBrowserView() override
    {
        // Ended while the view's window, its parent, is still there.
        m_host.reset();
    }

    bool hasHost() const { return m_host != nullptr; }

    QWidget* widget() override { return this; }

    void load(const QUrl& url) override
    {
        m_url = url;
        m_loadReported = false;
        m_shown = false;
        apply(m_watch.load(now()));
        // A host stopped or given up comes back for the panel's next load.
        if (m_host)
            navigate();
        else if (!startHost())
            apply(m_watch.gone(now()));
    }

    void setPatience(WebViewPatience patience) override
    {
        m_watch.setPatience({patience.load, patience.response, patience.retryWindow});
    }

    void setLimits(WebViewLimits limits) override
    {
        m_limits = limits;
        watch::Limits rules;
        rules.memoryBytes = limits.memoryBytes;
        rules.busyShare = limits.busyShare;
        rules.busyPeriod = limits.busyPeriod;
        rules.selfLoads = limits.selfLoads;
        rules.selfLoadPeriod = limits.selfLoadPeriod;
        rules.requests = limits.requests;
        // What a page stores stays in the host's process and goes with it:
        // the program's own memory is not handed to the rules.
        rules.programGrowthBytes = limits.programGrowthBytes;
        m_watch.setLimits(rules);
    }

protected:
    void resizeEvent(QResizeEvent* event) override
    {
        QWidget::resizeEvent(event);
        clipToParent();
        sendSize();
    }

    void moveEvent(QMoveEvent* event) override
    {
        QWidget::moveEvent(event);
        clipToParent();
    }

    // The window closing ends the host first, while nothing of the window's
    // has gone: a hung host's window among its children would otherwise hold
    // up the window's own hiding. The panel's next load starts it again.
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == window() && event->type() == QEvent::Close && m_host) {
            m_look.stop();
            dropHost();
        }
        return QWidget::eventFilter(watched, event);
    }

    void hideEvent(QHideEvent* event) override
    {
        QWidget::hideEvent(event);
        if (!event->spontaneous() && m_host) {
            m_look.stop();
            dropHost();
        }
    }

    void focusInEvent(QFocusEvent* event) override
    {
        QWidget::focusInEvent(event);
        if (!m_leaving && m_ready)
            m_host->send(advert::focusLine(true));
    }

    void focusOutEvent(QFocusEvent* event) override
    {
        QWidget::focusOutEvent(event);
        if (m_ready)
            m_host->send(advert::focusLine(false));
    }

private:
    Ms now() const { return Ms(m_clock.elapsed()); }

    void navigate()
    {
        if (!m_ready || !m_url.isValid())
            return;
        m_ownLoad = true;
        m_host->send(advert::navigateLine(m_url.toEncoded().toStdString()));
    }

    bool startHost()
    {
        m_ready = false;
        m_ownLoad = false;
        const int generation = ++m_generation;
        AdvertHostProcess::Events events;
        // From the pipe's reader thread to this one, which the process's
        // destructor waits for; lines of a host ended since are dropped by
        // their generation.
        events.line = [view = this, generation](std::string_view line) {
            QMetaObject::invokeMethod(
                view,
                [view, generation, text = std::string(line)] {
                    if (generation == view->m_generation)
                        view->hostSaid(text);
                },
                Qt::QueuedConnection);
        };
        events.ended = [view = this, generation] {
            QMetaObject::invokeMethod(
                view,
                [view, generation] {
                    if (generation == view->m_generation)
                        view->hostEnded();
                },
                Qt::QueuedConnection);
        };
        AdvertHostBounds bounds;
        // The job's bounds are the backstop behind the watch's: memory
        // somewhat above the watch's bound, the processor at one core.
        bounds.memoryBytes = m_limits.memoryBytes + m_limits.memoryBytes / 2;
        bounds.processorPercent = std::max(1, 100 / std::max(1, QThread::idealThreadCount()));
        m_host = AdvertHostProcess::start(m_program, reinterpret_cast<HWND>(winId()), bounds, std::move(events));
        return m_host != nullptr;
    }

    // Carries out what the watch decided, and looks again when it says.
    void apply(const watch::Decision& decision)
    {
        switch (decision.action) {
        case Action::None:
        case Action::Refuse: // the host's loads cannot be refused from here: counted only
        case Action::StopLoad: break;
        case Action::Ping:
            if (m_ready)
                m_host->send(advert::pingLine(std::uint64_t(decision.ping)));
            break;
        case Action::End:
            acted(watch::name(decision.reason));
            if (m_host)
                m_host->end(); // gone() follows from the pipe's end
            break;
        case Action::Reload:
            dropHost();
            if (!startHost()) {
                apply(m_watch.gone(now()));
                return;
            }
            break;
        case Action::GiveUp:
            acted("gave up");
            dropHost();
            reportLoad(false);
            break;
        case Action::StopPage:
            acted("restless");
            dropHost();
            reportLoad(false);
            break;
        }
        if (decision.next == watch::kNever)
            m_look.stop();
        else
            m_look.start(std::chrono::milliseconds(std::max<Ms::rep>(0, (decision.next - now()).count())));
    }

    // Ended and forgotten: nothing it still says reaches the view.
    void dropHost()
    {
        m_host.reset();
        m_ready = false;
        ++m_generation;
    }

    void look()
    {
        watch::Usage usage;
        if (const auto used = m_host ? m_host->usage() : std::nullopt) {
            usage.cpu = Ms(used->cpuMilliseconds);
            usage.residentBytes = used->residentBytes;
        }
        apply(m_watch.tick(now(), usage));
    }

    void acted(const char* what)
    {
        if (m_hooks.watchActed)
            m_hooks.watchActed(what);
    }

    void hostSaid(const std::string& line)
    {
        const auto message = advert::parseHostLine(line);
        if (!message) {
            ignored();
            return;
        }
        using Kind = advert::HostMessage::Kind;
        switch (message->kind) {
        case Kind::Hello:
            if (message->number != advert::kProtocolVersion) {
                ignored();
                return;
            }
            m_ready = true;
            sendSize();
            if (hasFocus())
                m_host->send(advert::focusLine(true));
            navigate();
            return;
        case Kind::Started:
            // The first start after the panel's navigate is its own; any
            // other is the page loading itself.
            if (m_ownLoad) {
                m_ownLoad = false;
                apply(m_watch.loadStarted(now()));
                return;
            }
            if (const watch::Decision decision = m_watch.selfLoad(now()); decision.action != Action::None) {
                apply(decision);
                return;
            }
            apply(m_watch.loadStarted(now()));
            return;
        case Kind::LoadedOk:
        case Kind::LoadedFailed:
            m_shown = message->kind == Kind::LoadedOk;
            apply(m_watch.loadFinished(now()));
            reportLoad(m_shown);
            return;
        case Kind::Open: openExternally(message->url); return;
        case Kind::TabForward:
        case Kind::TabBackward: leave(message->kind == Kind::TabForward); return;
        case Kind::Pong: apply(m_watch.answered(now(), int(message->number), m_shown)); return;
        }
    }

    // The host's process is gone: ended by the watch, crashed, or never
    // started its control. The watch decides whether it comes back.
    void hostEnded()
    {
        m_ready = false;
        apply(m_watch.gone(now()));
    }

    void reportLoad(bool ok)
    {
        if (m_loadReported)
            return;
        m_loadReported = true;
        if (m_hooks.loadFinished)
            m_hooks.loadFinished(ok);
    }

    // Only a web address goes on to the desktop's browser, whatever the host
    // says it is.
    void openExternally(const std::string& encoded)
    {
        const QUrl url = QUrl::fromEncoded(QByteArray::fromStdString(encoded), QUrl::StrictMode);
        if (!url.isValid() || !advert::isWebAddress(url.toString().toStdWString()) || url.host().isEmpty()) {
            ignored();
            return;
        }
        if (m_hooks.openExternally)
            m_hooks.openExternally(url);
    }

    // Counted, with the lines the reader dropped as too long, where the
    // tests (and a debugger) can read it.
    void ignored()
    {
        ++m_ignored;
        setProperty("ignoredHostLines", m_ignored + (m_host ? m_host->droppedLines() : 0));
    }

    // Tab typed into the page: on to the window's next control (Shift+Tab
    // the one before), from the panel's place in the Tab order wherever Qt's
    // focus was, and the keyboard back to the window.
    void leave(bool forward)
    {
        m_leaving = true;
        setFocus(Qt::OtherFocusReason);
        m_leaving = false;
        focusNextPrevChild(forward);
        SetFocus(reinterpret_cast<HWND>(window()->winId()));
    }

    void sendSize()
    {
        if (!m_ready)
            return;
        // In the window's pixels: the host draws at the monitor's scale.
        const qreal scale = devicePixelRatioF();
        m_host->send(advert::resizeLine(qRound(width() * scale), qRound(height() * scale)));
    }

    // The view may be larger than its parent (the panel hides the page's
    // edges under the frame's border). A native window is not clipped by
    // the widgets it sits in, so it is cut to the parent's rectangle here;
    // the host's window inside it is cut with it.
    void clipToParent()
    {
        const QRect visible = rect() & parentWidget()->rect().translated(-pos());
        if (visible == rect())
            clearMask();
        else
            setMask(QRegion(visible));
    }

    WebViewHooks m_hooks;
    WebViewLimits m_limits;
    watch::PageWatch m_watch;
    QElapsedTimer m_clock;
    QTimer m_look;
    // The panel's navigate is sent and its start not yet reported.
    bool m_ownLoad = false;
    // The page of the latest load is shown.
    bool m_shown = false;
    std::wstring m_program;
    std::unique_ptr<AdvertHostProcess> m_host;
    int m_generation = 0;
    // The host said hello: it reads what is sent.
    bool m_ready = false;
    QUrl m_url;
    bool m_loadReported = true;
    bool m_leaving = false;
    // Lines of the host's that were not the protocol's, or asked for what
    // the panel does not do.
    int m_ignored = 0;
};

class SystemWebViewFactory final : public WebViewFactory {
public:
    WebView* createView(QWidget* parent, WebViewHooks hooks) override
    {
        auto* view = new SystemBrowserView(parent, std::move(hooks));
        if (view->hasHost())
            return view;
        delete view;
        return nullptr;
    }
};

} // namespace

WebViewFactory* systemWebViewFactory()
{
    // A browser module named for the panel (as the tests name a missing one)
    // is the panel's browser instead, or none.
    if (qEnvironmentVariableIsSet("ZELVAN_WEBVIEW_PLUGIN"))
        return nullptr;
    static SystemWebViewFactory factory;
    return &factory;
}

} // namespace platform
