// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/webview/webviewplugin.h"

#include "platform/webview/endprocess.h"

#include <algorithm>
#include <chrono>
#include <vector>

#include <QChildEvent>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLoggingCategory>
#include <QPointer>
#include <QQuickWindow>
#include <QSGRendererInterface>
#include <QTimer>
#include <QUrl>
#include <QWebEngineFileSystemAccessRequest>
#include <QWebEngineNewWindowRequest>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineRegisterProtocolHandlerRequest>
#include <QWebEngineScript>
#include <QWebEngineSettings>
#include <QWebEngineUrlRequestInfo>
#include <QWebEngineUrlRequestInterceptor>
#include <QWebEngineView>

namespace platform {
namespace {

bool isWebAddress(const QUrl& url)
{
    const QString scheme = url.scheme();
    return scheme == u"http" || scheme == u"https";
}

// The engine serves the program's own resources (qrc:) to any page that
// asks for them; a remote page has no business with them.
class NoProgramResources final : public QWebEngineUrlRequestInterceptor {
public:
    using QWebEngineUrlRequestInterceptor::QWebEngineUrlRequestInterceptor;

    void interceptRequest(QWebEngineUrlRequestInfo& info) override
    {
        if (info.requestUrl().scheme() == u"qrc")
            info.block(true);
    }
};

// The advert's page. Whatever it does, it must neither block nor leave the
// panel: no new windows, no modal dialogs, no local files.
class PanelPage final : public QWebEnginePage {
public:
    PanelPage(QWebEngineProfile* profile, QObject* parent)
        : QWebEnginePage(profile, parent)
    {
        QWebEngineSettings* s = settings();
        s->setAttribute(QWebEngineSettings::LocalContentCanAccessFileUrls, false);
        s->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, false);
        // Pop-ups without a click stay blocked; a click's new window reaches
        // newWindowRequested, which hands it to the desktop's browser.
        s->setAttribute(QWebEngineSettings::JavascriptCanOpenWindows, false);
        s->setAttribute(QWebEngineSettings::JavascriptCanAccessClipboard, false);
        s->setAttribute(QWebEngineSettings::ScreenCaptureEnabled, false);
        // The panel is smaller than its browser; scroll bars would only show
        // through on pages taller than the visible strip.
        s->setAttribute(QWebEngineSettings::ShowScrollBars, false);
        // An advert that cannot be had (no network, the site down) leaves the
        // panel empty, as before it first loads, rather than showing the
        // engine's error page with its links and troubleshooting text; the
        // next resize tries again.
        s->setAttribute(QWebEngineSettings::ErrorPageEnabled, false);

        // Nobody is there to answer a page's questions: camera, microphone,
        // screen, location, notifications, pointer lock, protocol handlers
        // and files are all refused at once instead of waiting forever.
        connect(this, &QWebEnginePage::featurePermissionRequested, this,
                [this](const QUrl& origin, Feature feature) {
                    setFeaturePermission(origin, feature, PermissionDeniedByUser);
                });
        connect(this, &QWebEnginePage::registerProtocolHandlerRequested, this,
                [](QWebEngineRegisterProtocolHandlerRequest request) { request.reject(); });
        connect(this, &QWebEnginePage::fileSystemAccessRequested, this,
                [](QWebEngineFileSystemAccessRequest request) { request.reject(); });
    }

protected:
    // A new window that newWindowRequested left alone: refused.
    QWebEnginePage* createWindow(WebWindowType) override { return nullptr; }

    bool acceptNavigationRequest(const QUrl& url, NavigationType, bool) override
    {
        return isWebAddress(url) || url == QUrl(QStringLiteral("about:blank"));
    }

    // The engine would show these as modal message boxes over the main window.
    void javaScriptAlert(const QUrl&, const QString&) override { }
    bool javaScriptConfirm(const QUrl&, const QString&) override { return false; }
    bool javaScriptPrompt(const QUrl&, const QString&, const QString&, QString*) override
    {
        return false;
    }
    QStringList chooseFiles(FileSelectionMode, const QStringList&, const QStringList&) override
    {
        return {};
    }
    // The program keeps no log, so the page's console goes nowhere.
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel, const QString&, int,
                                  const QString&) override
    {
    }
};

class PanelView final : public QWebEngineView, public WebView {
public:
    PanelView(QWidget* parent, WebViewHooks hooks)
        : QWebEngineView(parent)
        , m_hooks(std::move(hooks))
        // Off the record: cookies and cache stay in memory, nothing is written to disk.
        , m_profile(new QWebEngineProfile(this))
        , m_page(new PanelPage(m_profile, this))
    {
        m_profile->setUrlRequestInterceptor(new NoProgramResources(m_profile));
        // The program speaks Simplified Chinese whatever the session's
        // language; so does the advert it asks for.
        m_profile->setHttpAcceptLanguage(QStringLiteral("zh-CN,zh"));
        // The engine's menu offers "view source" and "save page", which would
        // open windows and file dialogs.
        setContextMenuPolicy(Qt::NoContextMenu);
        setPage(m_page);

        connect(m_page, &QWebEnginePage::loadStarted, this, [this] {
            m_pingClock.invalidate();
            m_loadClock.start();
            m_watch.start();
        });
        connect(m_page, &QWebEnginePage::loadFinished, this, [this](bool ok) {
            m_loadClock.invalidate();
            m_pingClock.invalidate();
            if (m_hooks.loadFinished)
                m_hooks.loadFinished(ok);
        });
        connect(m_page, &QWebEnginePage::renderProcessTerminated, this,
                [this] { rendererGone(); });
        connect(m_page, &QWebEnginePage::newWindowRequested, this,
                [this](QWebEngineNewWindowRequest& request) {
                    // Left unhandled, the request ends in createWindow and is refused.
                    if (request.isUserInitiated() && isWebAddress(request.requestedUrl())
                        && m_hooks.openExternally)
                        m_hooks.openExternally(request.requestedUrl());
                });

        setPatience(m_patience);
        m_age.start();
        connect(&m_watch, &QTimer::timeout, this, [this] { watch(); });
    }

    // The page must go before its profile, which is deleted with the other children.
    ~PanelView() override { delete m_page; }

protected:
    // The widget the page is drawn in comes and goes with the renderer; each
    // one is watched for Tab.
    bool event(QEvent* event) override
    {
        if (event->type() == QEvent::ChildPolished) {
            if (auto* child = qobject_cast<QWidget*>(static_cast<QChildEvent*>(event)->child()))
                child->installEventFilter(this);
        }
        return QWebEngineView::event(event);
    }

    // The panel is one stop in its window's Tab order: Tab and Shift+Tab go
    // on to the window's next or previous control instead of walking through
    // the page's links.
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::KeyPress) {
            const auto* key = static_cast<QKeyEvent*>(event);
            const bool tab = key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab;
            if (tab && !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))) {
                QWidget::focusNextPrevChild(key->key() == Qt::Key_Tab && !(key->modifiers() & Qt::ShiftModifier));
                return true;
            }
        }
        return QWebEngineView::eventFilter(watched, event);
    }

public:
    QWidget* widget() override { return this; }

    void load(const QUrl& url) override
    {
        m_url = url;
        m_retriesUsed.clear();
        m_page->load(url);
    }

    // The watch looks four times per patience, at most every 2.5 s: a ping
    // costs the renderer next to nothing, but it need not wake it more often.
    void setPatience(WebViewPatience patience) override
    {
        m_patience = patience;
        m_watch.setInterval(std::clamp(std::min(patience.load, patience.response) / 4,
                                       std::chrono::milliseconds(250), std::chrono::milliseconds(2500)));
    }

private:
    // On every tick of the watch: a load that takes too long, or a loaded page whose
    // renderer no longer answers a ping (a script that never returns), has
    // its renderer ended. The ping runs in a world of its own, so a page
    // cannot answer for a stuck renderer or stop the answer. A load past its
    // patience whose page is already parsed and shown, and whose renderer
    // answers, only waits for one of its requests (a slow picture or
    // counter): that load is stopped and the page stays.
    void watch()
    {
        if (m_loadClock.isValid() && !loadIsOverdue())
            return;
        if (m_pingClock.isValid()) {
            if (m_pingClock.elapsed() > m_patience.response.count())
                endRenderer();
            return;
        }
        m_pingClock.start();
        QPointer<PanelView> self(this);
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

    bool loadIsOverdue() const
    {
        return m_loadClock.isValid() && m_loadClock.elapsed() > m_patience.load.count();
    }

    void loadOverdue(const QString& documentState)
    {
        if (documentState != QLatin1String("interactive")) {
            endRenderer();
            return;
        }
        m_loadClock.invalidate();
        m_page->triggerAction(QWebEnginePage::Stop);
    }

    void stopWatching()
    {
        m_watch.stop();
        m_loadClock.invalidate();
        m_pingClock.invalidate();
    }

    void endRenderer()
    {
        stopWatching();
        if (!endProcess(m_page->renderProcessPid()))
            rendererGone();
        // Otherwise renderProcessTerminated follows and reloads.
    }

    // A crashed, killed or hung renderer: the page is loaded again at once,
    // but only a few times within the retry window for each load the panel
    // asked for, so a page that always hangs or crashes is given up (until
    // the panel's next load, or until the window has passed) instead of
    // burning a processor for the rest of the run.
    void rendererGone()
    {
        ++m_generation;
        stopWatching();
        const qint64 now = m_age.elapsed();
        std::erase_if(m_retriesUsed,
                      [&](qint64 used) { return now - used >= m_patience.retryWindow.count(); });
        if (m_retriesUsed.size() >= kRetries || !m_url.isValid())
            return;
        m_retriesUsed.push_back(now);
        m_page->load(m_url);
    }

    static constexpr std::size_t kRetries = 2;

    WebViewHooks m_hooks;
    QWebEngineProfile* m_profile;
    PanelPage* m_page;
    QUrl m_url;
    WebViewPatience m_patience;
    QTimer m_watch;
    QElapsedTimer m_loadClock;
    QElapsedTimer m_pingClock;
    int m_generation = 0;
    // When each second chance of the current load was used, on m_age's clock.
    std::vector<qint64> m_retriesUsed;
    QElapsedTimer m_age;
};

// The engine describes its GL set-up in the "qt.webenginecontext" category
// when it starts, reading the format of the application's shared GL context.
// With software rendering there is no such context, and Qt 6.4 reads it all
// the same and crashes; the description is switched off, whatever the
// logging rules say. Every other category goes through the previous filter.
QLoggingCategory::CategoryFilter previousFilter = nullptr;

void withoutEngineGlReport(QLoggingCategory* category)
{
    if (previousFilter)
        previousFilter(category);
    if (qstrcmp(category->categoryName(), "qt.webenginecontext") == 0) {
        category->setEnabled(QtDebugMsg, false);
        category->setEnabled(QtInfoMsg, false);
    }
}

// What the engine reads from the environment, once, while it starts, set
// for that moment only, so that programs started later (the desktop's
// calculator) inherit the user's environment as it was.
// - A bounded script heap, added to any switches the user gave: a page cannot
//   grow its renderer without end; it dies of it instead, and is loaded again
//   a limited number of times.
// - No GL integration on X11, unless the user chose one: the engine asks the
//   platform about GLX when it starts, which would load the GL driver (some
//   55 MB with Mesa's software driver) into this process for nothing.
class EngineStartEnvironment {
public:
    EngineStartEnvironment()
    {
        set("QTWEBENGINE_CHROMIUM_FLAGS",
            (qgetenv("QTWEBENGINE_CHROMIUM_FLAGS") + " --js-flags=--max-old-space-size=64").trimmed());
        if (!qEnvironmentVariableIsSet("QT_XCB_GL_INTEGRATION"))
            set("QT_XCB_GL_INTEGRATION", "none");
    }

    ~EngineStartEnvironment()
    {
        for (const Saved& saved : m_saved) {
            if (saved.wasSet)
                qputenv(saved.name, saved.value);
            else
                qunsetenv(saved.name);
        }
    }

    EngineStartEnvironment(const EngineStartEnvironment&) = delete;
    EngineStartEnvironment& operator=(const EngineStartEnvironment&) = delete;

private:
    struct Saved {
        const char* name;
        bool wasSet;
        QByteArray value;
    };

    void set(const char* name, const QByteArray& value)
    {
        m_saved.push_back({name, qEnvironmentVariableIsSet(name), qgetenv(name)});
        qputenv(name, value);
    }

    std::vector<Saved> m_saved;
};

} // namespace

WebView* WebViewPlugin::createView(QWidget* parent, WebViewHooks hooks)
{
    // The browser draws its page through a Qt Quick scene. On OpenGL that
    // scene turns the main window into a GL window, which Qt can only do by
    // destroying its native window and making a new one: the window blinks
    // and a window manager may move it or take its focus. Software rendering
    // keeps the window as it is, needs no GL driver in this process, and is
    // plenty for a strip of 581 by 93 pixels. All this before the engine starts.
    static bool engineStarted = false;
    if (engineStarted)
        return new PanelView(parent, std::move(hooks));
    engineStarted = true;
    QQuickWindow::setGraphicsApi(QSGRendererInterface::Software);
    previousFilter = QLoggingCategory::installFilter(withoutEngineGlReport);
    // The first profile starts the engine.
    const EngineStartEnvironment environment;
    return new PanelView(parent, std::move(hooks));
}

} // namespace platform
