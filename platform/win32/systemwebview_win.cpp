// SPDX-License-Identifier: GPL-3.0-or-later
// Windows: the panel's browser is the system's WebBrowser control, shown by
// the advert host (zelvan-adverthost.exe beside the program) in a process of
// its own with fewer rights, in a window that is a child of the view's.
//
// The host is an untrusted peer: a page that took it over says whatever it
// likes. The panel speaks to it over pipes (platform/advert/advertprotocol.h)
// from a thread of its own, judges each of its requests against what the
// panel saw itself (platform/advert/hostrules.h), and applies the watch's
// rules (platform/watch) to its process on that thread, so that a hung host
// is ended whatever the window's thread does. The window's thread sends the
// host's windows nothing: the host's threads share the window's input only
// while the page has the keyboard (a press into it, Tab into the panel), so
// that a host hanging at any other time holds up none of the window's input,
// and the panel takes the keyboard back (Tab, its focus leaving) without a
// word to them. (The system itself may still tell the host's window of a press
// elsewhere in the window while the page has the keyboard: a hung host then
// holds up the window until the watch has ended it.)
#include "platform/systemwebview.h"

#include "platform/advert/advertprotocol.h"
#include "platform/advert/hostrules.h"
#include "platform/advert/siterules.h"
#include "platform/watch/pagewatch.h"
#include "platform/watch/timerdelay.h"
#include "platform/win32/adverthostprocess_win.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QFocusEvent>
#include <QHideEvent>
#include <QMutex>
#include <QRegion>
#include <QStringList>
#include <QThread>
#include <QTimer>
#include <QUrl>
#include <QWidget>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <set>

namespace platform {
namespace {

using watch::Action;
using watch::Ms;

// One steady clock for both threads: the user's presses are seen on the
// window's, the host's requests judged on the link's.
Ms now()
{
    return std::chrono::duration_cast<Ms>(std::chrono::steady_clock::now().time_since_epoch());
}

// The rule for the host's requests to open an address, shared by the two
// threads.
class OpenGate {
public:
    void setLimits(advert::OpenLimits limits)
    {
        const QMutexLocker lock(&m_lock);
        m_gate.setLimits(limits);
    }
    void userAction()
    {
        const QMutexLocker lock(&m_lock);
        m_gate.userAction(now());
    }
    bool mayOpen()
    {
        const QMutexLocker lock(&m_lock);
        return m_gate.mayOpen(now());
    }

private:
    QMutex m_lock;
    advert::OpenGate m_gate;
};

// The panel's side of its advert host, on a thread of its own: it starts the
// host, speaks the protocol, judges every line, and applies the watch's rules
// to the host's process. What the window has to know comes as Reports, which
// the view posts to its own thread.
class HostLink final : public QObject {
public:
    struct Reports {
        std::function<void(bool ok)> loadFinished;
        std::function<void(const char* what)> acted;
        std::function<void(const QUrl& url)> open;
        std::function<void(bool forward)> tab;
        // A host said hello (its window is in place), or is gone.
        std::function<void(bool gone)> hostChanged;
        // Lines not wanted so far, and the most the reader held at once.
        std::function<void(int ignored, int mostHeld)> counted;
        // A host was started with these rights and bounds.
        std::function<void(AdvertHostRights rights, AdvertHostBounds bounds)> started;
    };

    HostLink(std::wstring program, HWND parent, OpenGate& opens, Reports reports)
        : m_program(std::move(program))
        , m_parent(parent)
        , m_opens(opens)
        , m_reports(std::move(reports))
    {
        m_look.setSingleShot(true);
        m_look.setTimerType(Qt::PreciseTimer);
        QObject::connect(&m_look, &QTimer::timeout, this, [this] { look(); });
    }

    // On the link's thread, last: nothing of the host's is left.
    void shutDown()
    {
        m_look.stop();
        dropHost();
    }

    // On the link's thread.
    void setPatience(WebViewPatience patience)
    {
        m_watch.setPatience({patience.load, patience.response, patience.retryWindow});
    }

    void setLimits(WebViewLimits limits)
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

    // The first host, with the limits the panel set before.
    void start()
    {
        if (!m_host && !m_started && !holding())
            startHost();
        m_started = true;
    }

    void load(const QUrl& url)
    {
        // A host held for the window's closing is gone: a fresh one.
        if (released())
            dropHost();
        m_started = true;
        m_url = url;
        m_loadReported = false;
        m_shown = false;
        apply(m_watch.load(now()));
        if (m_host)
            navigate();
        else if (!startHost())
            apply(m_watch.gone(now()));
    }

    void setFocus(bool in)
    {
        m_focused = in;
        if (m_ready)
            m_host->send(advert::focusLine(in));
    }

    void setSize(int width, int height)
    {
        m_width = width;
        m_height = height;
        sendSize();
    }

    // From any thread: ends the host at once and starts none until the next
    // load. The window closing waits for its process to be gone, so that no
    // window of the host's is left among its children.
    void hold()
    {
        std::shared_ptr<AdvertHostProcess> host;
        {
            const QMutexLocker lock(&m_hostLock);
            m_holding = true;
            host = m_host;
        }
        if (host) {
            host->end();
            host->waitGone(5000);
        }
    }

    // From any thread: the window has taken the last Tab passed on.
    void tabTaken() { m_tabPending = false; }

private:
    bool holding()
    {
        const QMutexLocker lock(&m_hostLock);
        return m_holding;
    }

    // Whether the host was held, which it is no longer.
    bool released()
    {
        const QMutexLocker lock(&m_hostLock);
        return std::exchange(m_holding, false);
    }

    bool startHost()
    {
        m_ready = false;
        m_ownLoad = false;
        m_unruly = false;
        m_pingSent = 0;
        m_budget = advert::LineBudget();
        const int generation = ++m_generation;
        AdvertHostProcess::Events events;
        // From the reader thread; a host dropped since has its notice ignored.
        events.waiting = [this, generation] {
            QMetaObject::invokeMethod(
                this,
                [this, generation] {
                    if (generation == m_generation)
                        takeLines();
                },
                Qt::QueuedConnection);
        };
        AdvertHostBounds bounds;
        // The job's bounds are the backstop behind the watch's: memory
        // somewhat above the watch's bound, the processor at one core.
        bounds.memoryBytes = m_limits.memoryBytes + m_limits.memoryBytes / 2;
        bounds.processorPercent = std::max(1, 100 / std::max(1, QThread::idealThreadCount()));
        // Under the lock, so that the window's hold() finds any host there is.
        const QMutexLocker lock(&m_hostLock);
        if (m_holding)
            return true;
        m_host = AdvertHostProcess::start(m_program, m_parent, bounds, std::move(events));
        if (m_host && m_reports.started)
            m_reports.started(m_host->rights(), m_host->bounds());
        return m_host != nullptr;
    }

    // Ended and forgotten: nothing it still says is heard. Its threads are
    // joined here, not on the window's thread.
    void dropHost()
    {
        std::shared_ptr<AdvertHostProcess> old;
        {
            const QMutexLocker lock(&m_hostLock);
            old.swap(m_host);
        }
        m_ready = false;
        ++m_generation;
        if (old && m_reports.hostChanged)
            m_reports.hostChanged(true);
    }

    void takeLines()
    {
        if (!m_host)
            return;
        if (holding()) {
            m_look.stop();
            dropHost();
            return;
        }
        const AdvertHostProcess::Taken taken = m_host->take();
        const int generation = m_generation;
        for (int i = 0; i < taken.dropped; ++i)
            judge(false); // too long: no line of the protocol's
        for (const std::string& line : taken.lines) {
            if (m_unruly)
                break;
            const bool wanted = hostSaid(line);
            // The line ended this host (or started the next): the rest of
            // what it said is not heard.
            if (generation != m_generation)
                return;
            judge(wanted);
        }
        const int mostHeld = int(m_host->mostLinesHeld());
        if (mostHeld != m_mostHeld) {
            m_mostHeld = mostHeld;
            count();
        }
        if (taken.gone)
            hostGone();
    }

    // Every line counts against the host's budget; past it, the host is
    // ended, and nothing more it says is heard.
    void judge(bool wanted)
    {
        if (m_unruly)
            return;
        if (!wanted) {
            ++m_ignored;
            count();
        }
        if (m_budget.take(now(), wanted))
            return;
        m_unruly = true;
        acted("unruly");
        m_host->end(); // gone follows from the reader
    }

    void count()
    {
        if (m_reports.counted)
            m_reports.counted(m_ignored, m_mostHeld);
    }

    // Carries out what the line asks, when the panel wants it; false for a
    // line the host must not send.
    bool hostSaid(const std::string& line)
    {
        const auto message = advert::parseHostLine(line);
        using Kind = advert::HostMessage::Kind;
        if (!message || (!m_ready && message->kind != Kind::Hello))
            return false;
        switch (message->kind) {
        case Kind::Hello:
            if (m_ready || message->number != advert::kProtocolVersion)
                return false;
            m_ready = true;
            if (m_reports.hostChanged)
                m_reports.hostChanged(false);
            sendSize();
            if (m_focused)
                m_host->send(advert::focusLine(true));
            navigate();
            return true;
        case Kind::Started:
            // The first start after the panel's navigate is its own; any
            // other is the page loading itself.
            if (m_ownLoad) {
                m_ownLoad = false;
                apply(m_watch.loadStarted(now()));
                return true;
            }
            if (const watch::Decision decision = m_watch.selfLoad(now()); decision.action != Action::None) {
                apply(decision);
                return true;
            }
            apply(m_watch.loadStarted(now()));
            return true;
        case Kind::LoadedOk:
        case Kind::LoadedFailed:
            m_shown = message->kind == Kind::LoadedOk;
            apply(m_watch.loadFinished(now()));
            reportLoad(m_shown);
            return true;
        case Kind::Open: return openExternally(message->url);
        case Kind::TabForward:
        case Kind::TabBackward:
            // One at a time to the window; more meanwhile are not passed on.
            if (!m_tabPending.exchange(true) && m_reports.tab)
                m_reports.tab(message->kind == Kind::TabForward);
            return true;
        case Kind::Pong:
            // Only the answer to the ping sent, once.
            if (m_pingSent == 0 || message->number != m_pingSent)
                return false;
            m_pingSent = 0;
            apply(m_watch.answered(now(), int(message->number), m_shown));
            return true;
        }
        return false;
    }

    // A web address only, and only shortly after the user's press into the
    // page, whatever the host says it is.
    bool openExternally(const std::string& encoded)
    {
        const QUrl url = QUrl::fromEncoded(QByteArray::fromStdString(encoded), QUrl::StrictMode);
        if (!url.isValid() || !advert::isWebAddress(url.toString().toStdWString()) || url.host().isEmpty()
            || !m_opens.mayOpen())
            return false;
        if (m_reports.open)
            m_reports.open(url);
        return true;
    }

    // The host's process is gone: ended by the watch or for its lines,
    // crashed, or never started its control. The watch decides whether it
    // comes back.
    void hostGone()
    {
        dropHost();
        apply(m_watch.gone(now()));
    }

    // Carries out what the watch decided, and looks again when it says.
    void apply(const watch::Decision& decision)
    {
        switch (decision.action) {
        case Action::None:
        case Action::Refuse: // the host's loads cannot be refused from here: counted only
        case Action::StopLoad: break;
        case Action::Ping:
            if (m_ready) {
                m_pingSent = std::uint64_t(decision.ping);
                m_host->send(advert::pingLine(m_pingSent));
            }
            break;
        case Action::End:
            acted(watch::name(decision.reason));
            if (m_host)
                m_host->end(); // gone follows from the reader
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
        if (const std::optional<Ms> wait = watch::timerDelay(decision.next, now()))
            m_look.start(*wait);
        else
            m_look.stop();
    }

    void look()
    {
        if (holding())
            return;
        watch::Usage usage;
        if (const auto used = m_host ? m_host->usage() : std::nullopt) {
            usage.cpu = Ms(used->cpuMilliseconds);
            usage.residentBytes = used->residentBytes;
        }
        apply(m_watch.tick(now(), usage));
    }

    void navigate()
    {
        if (!m_ready || !m_url.isValid())
            return;
        m_ownLoad = true;
        m_host->send(advert::navigateLine(m_url.toEncoded().toStdString()));
    }

    void sendSize()
    {
        if (m_ready && m_width > 0 && m_height > 0)
            m_host->send(advert::resizeLine(m_width, m_height));
    }

    void acted(const char* what)
    {
        if (m_reports.acted)
            m_reports.acted(what);
    }

    void reportLoad(bool ok)
    {
        if (m_loadReported)
            return;
        m_loadReported = true;
        if (m_reports.loadFinished)
            m_reports.loadFinished(ok);
    }

    const std::wstring m_program;
    const HWND m_parent;
    OpenGate& m_opens;
    const Reports m_reports;
    QTimer m_look{this};
    watch::PageWatch m_watch;
    WebViewLimits m_limits;
    advert::LineBudget m_budget;

    // Replaced on this thread only, under the lock; read elsewhere under it.
    QMutex m_hostLock;
    std::shared_ptr<AdvertHostProcess> m_host;
    bool m_holding = false;

    int m_generation = 0;
    bool m_started = false;
    // The host said hello: it reads what is sent.
    bool m_ready = false;
    // Its lines went past the budget: it is being ended.
    bool m_unruly = false;
    // The panel's navigate is sent and its start not yet reported.
    bool m_ownLoad = false;
    // The page of the latest load is shown.
    bool m_shown = false;
    bool m_loadReported = true;
    bool m_focused = false;
    std::uint64_t m_pingSent = 0; // the ping not yet answered
    std::atomic<bool> m_tabPending = false;
    QUrl m_url;
    int m_width = 0;
    int m_height = 0;
    int m_ignored = 0;
    int m_mostHeld = 0;
};

// The threads of the host's windows inside window (there may be none yet).
std::set<DWORD> hostThreads(HWND window)
{
    std::set<DWORD> threads;
    EnumChildWindows(
        window,
        [](HWND child, LPARAM found) {
            const DWORD thread = GetWindowThreadProcessId(child, nullptr);
            if (thread != GetCurrentThreadId())
                reinterpret_cast<std::set<DWORD>*>(found)->insert(thread);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&threads));
    return threads;
}

// Whether a mouse button can have gone down just now over window, as the
// user's press into the host's window would have it: the system had input
// within the last two seconds and the pointer is over the window. A host
// that tells the panel of a press (WM_PARENTNOTIFY) at another time gets
// nothing for it.
bool pressedJustNow(HWND window)
{
    LASTINPUTINFO input = {sizeof input, 0};
    POINT pointer = {};
    RECT area = {};
    return GetLastInputInfo(&input) && GetTickCount() - input.dwTime <= 2000 && GetCursorPos(&pointer)
           && GetWindowRect(window, &area) && PtInRect(&area, pointer);
}

class SystemBrowserView final : public QWidget, public WebView {
public:
    SystemBrowserView(QWidget* parent, WebViewHooks hooks, const AdvertHostSettings& settings, const QString& program)
        : QWidget(parent)
        , m_hooks(std::move(hooks))
    {
        // A window of its own for the host's window to live in; the panel's
        // frame and the widgets around it stay as they are.
        setAttribute(Qt::WA_NativeWindow);
        setAttribute(Qt::WA_DontCreateNativeAncestors);
        // The panel is one stop in its window's Tab order.
        setFocusPolicy(Qt::TabFocus);
        requestCurrentDocumentMode(QFileInfo(program).fileName().toStdWString());
        advert::OpenLimits opens;
        opens.afterAction = settings.openAfterPress;
        m_opens.setLimits(opens);

        // Each report posted to this thread; the link's thread is joined
        // before this object goes, so none comes after.
        HostLink::Reports reports;
        reports.loadFinished = [this](bool ok) {
            post([this, ok] {
                if (m_hooks.loadFinished)
                    m_hooks.loadFinished(ok);
            });
        };
        reports.acted = [this](const char* what) {
            post([this, what] {
                if (m_hooks.watchActed)
                    m_hooks.watchActed(what);
            });
        };
        reports.open = [this](const QUrl& url) {
            post([this, url] {
                if (m_hooks.openExternally)
                    m_hooks.openExternally(url);
            });
        };
        reports.tab = [this](bool forward) { post([this, forward] { leave(forward); }); };
        reports.hostChanged = [this](bool gone) { post([this, gone] { hostChanged(gone); }); };
        reports.counted = [this](int ignored, int mostHeld) {
            post([this, ignored, mostHeld] {
                setProperty("ignoredHostLines", ignored);
                setProperty("mostHostLinesHeld", mostHeld);
            });
        };
        reports.started = [this](AdvertHostRights rights, AdvertHostBounds bounds) {
            QStringList held;
            for (const auto& [right, name] :
                 {std::pair{rights.lowIntegrity, "low integrity"}, std::pair{rights.restricted, "restricted"},
                  std::pair{rights.desktopLimited, "desktop limited"},
                  std::pair{rights.processorCapped, "processor capped"}}) {
                if (right)
                    held << QLatin1String(name);
            }
            post([this, held, memory = qint64(bounds.memoryBytes)] {
                setProperty("hostRights", held);
                setProperty("hostMemoryBound", memory);
            });
        };
        m_link = new HostLink(QDir::toNativeSeparators(program).toStdWString(), reinterpret_cast<HWND>(winId()),
                              m_opens, std::move(reports));
        m_link->moveToThread(&m_thread);
        m_thread.setObjectName(QStringLiteral("advert host link"));
        m_thread.start();
        window()->installEventFilter(this);
    }

    ~SystemBrowserView() override
    {
        // Ended while the view's window, its parent, is still there.
        m_link->hold();
        toLink([](HostLink& link) {
            link.shutDown();
            QThread::currentThread()->quit();
        });
        m_thread.wait();
        delete m_link;
    }

    QWidget* widget() override { return this; }

    void load(const QUrl& url) override
    {
        toLink([url](HostLink& link) { link.load(url); });
    }

    void setPatience(WebViewPatience patience) override
    {
        toLink([patience](HostLink& link) { link.setPatience(patience); });
    }

    void setLimits(WebViewLimits limits) override
    {
        toLink([limits](HostLink& link) { link.setLimits(limits); });
    }

protected:
    // The panel shows its view once the patience and limits are set: the
    // first host starts with them.
    void showEvent(QShowEvent* event) override
    {
        QWidget::showEvent(event);
        toLink([](HostLink& link) { link.start(); });
    }

    void resizeEvent(QResizeEvent* event) override
    {
        QWidget::resizeEvent(event);
        clipToParent();
        // In the window's pixels: the host draws at the monitor's scale.
        const qreal scale = devicePixelRatioF();
        const int width = qRound(this->width() * scale);
        const int height = qRound(this->height() * scale);
        toLink([width, height](HostLink& link) { link.setSize(width, height); });
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
        if (watched == window() && event->type() == QEvent::Close)
            hold();
        return QWidget::eventFilter(watched, event);
    }

    void hideEvent(QHideEvent* event) override
    {
        QWidget::hideEvent(event);
        if (!event->spontaneous())
            hold();
    }

    void focusInEvent(QFocusEvent* event) override
    {
        QWidget::focusInEvent(event);
        if (m_leaving)
            return;
        givePageTheKeyboard();
        toLink([](HostLink& link) { link.setFocus(true); });
    }

    void focusOutEvent(QFocusEvent* event) override
    {
        QWidget::focusOutEvent(event);
        // The window losing the keyboard, to the page itself or to another
        // program, leaves the page as it is.
        if (event->reason() == Qt::ActiveWindowFocusReason)
            return;
        takeKeyboardBack();
        toLink([](HostLink& link) { link.setFocus(false); });
    }

    // What the system tells the view of the windows inside it: a press into
    // the host's window, which lets the host open one address and gives the
    // page the keyboard; a window the host made, which shares the window's
    // input until this view takes it apart again.
    bool nativeEvent(const QByteArray& eventType, void* message, qintptr* result) override
    {
        const auto* msg = static_cast<const MSG*>(message);
        if (msg->message == WM_PARENTNOTIFY) {
            switch (LOWORD(msg->wParam)) {
            case WM_LBUTTONDOWN:
            case WM_MBUTTONDOWN:
            case WM_RBUTTONDOWN:
            case WM_XBUTTONDOWN:
            case WM_POINTERDOWN:
                if (pressedJustNow(msg->hwnd)) {
                    m_opens.userAction();
                    givePageTheKeyboard();
                }
                break;
            case WM_CREATE:
                if (!m_pageHasKeyboard)
                    shareInput(false);
                break;
            default: break;
            }
        }
        return QWidget::nativeEvent(eventType, message, result);
    }

private:
    template <typename Call> void toLink(Call call)
    {
        QMetaObject::invokeMethod(
            m_link, [link = m_link, call] { call(*link); }, Qt::QueuedConnection);
    }

    template <typename Call> void post(Call call) { QMetaObject::invokeMethod(this, call, Qt::QueuedConnection); }

    void hold()
    {
        m_pageHasKeyboard = false;
        m_link->hold();
    }

    // The host there was is gone: the keyboard back to the window. A new
    // one is in place: its threads share the window's input only if the
    // user gave the page the keyboard, which may have come before its hello
    // (a press into its window, Tab into the panel).
    void hostChanged(bool gone)
    {
        if (gone && m_pageHasKeyboard)
            takeKeyboardBack();
        else
            shareInput(m_pageHasKeyboard);
    }

    // Attaches the host's threads to this one's input, or takes them apart.
    // Apart, a host that stops reading its input holds up none of the
    // window's, and moving the focus sends the host's windows nothing.
    void shareInput(bool share)
    {
        const auto self = GetCurrentThreadId();
        for (const DWORD thread : hostThreads(reinterpret_cast<HWND>(winId())))
            AttachThreadInput(thread, self, share ? TRUE : FALSE);
    }

    void givePageTheKeyboard()
    {
        m_pageHasKeyboard = true;
        shareInput(true);
    }

    // The keyboard back to the window, without a word to the host's windows.
    void takeKeyboardBack()
    {
        if (!m_pageHasKeyboard)
            return;
        m_pageHasKeyboard = false;
        shareInput(false);
        const HWND own = reinterpret_cast<HWND>(window()->winId());
        if (GetFocus() != own)
            SetFocus(own);
    }

    // Tab typed into the page: on to the window's next control (Shift+Tab
    // the one before), from the panel's place in the Tab order wherever Qt's
    // focus was. Only while the page has the keyboard: a host's Tab at any
    // other time would take the focus from whatever the user is typing into.
    void leave(bool forward)
    {
        m_link->tabTaken();
        if (!m_pageHasKeyboard) {
            setProperty("refusedHostTabs", property("refusedHostTabs").toInt() + 1);
            return;
        }
        takeKeyboardBack();
        m_leaving = true;
        setFocus(Qt::OtherFocusReason);
        m_leaving = false;
        focusNextPrevChild(forward);
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
    OpenGate m_opens;
    QThread m_thread;
    HostLink* m_link = nullptr; // lives on m_thread
    // The user gave the page the keyboard (a press into it, Tab into the
    // panel) and it has not left it since.
    bool m_pageHasKeyboard = false;
    bool m_leaving = false;
};

class SystemWebViewFactory final : public WebViewFactory {
public:
    SystemWebViewFactory(AdvertHostSettings settings, QString program)
        : m_settings(std::move(settings))
        , m_program(std::move(program))
    {
    }

    WebView* createView(QWidget* parent, WebViewHooks hooks) override
    {
        return new SystemBrowserView(parent, std::move(hooks), m_settings, m_program);
    }

private:
    AdvertHostSettings m_settings;
    QString m_program;
};

} // namespace

std::unique_ptr<WebViewFactory> systemWebViewFactory(const AdvertHostSettings& host)
{
    // A browser module named for the panel (as the tests name a missing one)
    // is the panel's browser instead, or none.
    if (qEnvironmentVariableIsSet("ZELVAN_WEBVIEW_PLUGIN"))
        return nullptr;
    const QString program =
        host.program.isEmpty()
            ? QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("zelvan-adverthost.exe"))
            : QFileInfo(host.program).absoluteFilePath();
    // Without its host the panel stays empty.
    if (!QFileInfo(program).isFile())
        return nullptr;
    return std::make_unique<SystemWebViewFactory>(host, program);
}

} // namespace platform
