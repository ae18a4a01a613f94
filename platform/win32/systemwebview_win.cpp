// SPDX-License-Identifier: GPL-3.0-or-later
// Windows: the panel's browser is the system's WebBrowser control, shown by
// the advert host (zelvan-adverthost.exe beside the program) in a process
// of its own at low integrity, in a window that is a child of the view's.
// The view speaks to it over a pipe (platform/advert/advertprotocol.h) and
// never sends its windows a message: a host that hangs holds up nothing here.
#include "platform/systemwebview.h"

#include "platform/advert/advertprotocol.h"
#include "platform/advert/siterules.h"
#include "platform/win32/adverthostprocess_win.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QFocusEvent>
#include <QRegion>
#include <QThread>
#include <QUrl>
#include <QWidget>

#include <algorithm>

namespace platform {
namespace {

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
        if (m_ready)
            m_host->send(advert::navigateLine(url.toEncoded().toStdString()));
    }

    void setPatience(WebViewPatience patience) override { m_patience = patience; }
    void setLimits(WebViewLimits limits) override { m_limits = limits; }

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
    bool startHost()
    {
        m_ready = false;
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

    void hostSaid(const std::string& line)
    {
        const auto message = advert::parseHostLine(line);
        if (!message) {
            ++m_ignored;
            return;
        }
        using Kind = advert::HostMessage::Kind;
        switch (message->kind) {
        case Kind::Hello:
            if (message->number != advert::kProtocolVersion) {
                ++m_ignored;
                return;
            }
            m_ready = true;
            sendSize();
            if (hasFocus())
                m_host->send(advert::focusLine(true));
            if (m_url.isValid())
                load(m_url);
            return;
        case Kind::Started: return;
        case Kind::LoadedOk:
        case Kind::LoadedFailed: reportLoad(message->kind == Kind::LoadedOk); return;
        case Kind::Open: openExternally(message->url); return;
        case Kind::TabForward:
        case Kind::TabBackward: leave(message->kind == Kind::TabForward); return;
        case Kind::Pong: return;
        }
    }

    void hostEnded()
    {
        m_ready = false;
        reportLoad(false);
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
            ++m_ignored;
            return;
        }
        if (m_hooks.openExternally)
            m_hooks.openExternally(url);
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
    WebViewPatience m_patience;
    WebViewLimits m_limits;
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
