// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/webview/panelview.h"

#include "platform/advert/siterules.h"
#include "platform/webview/panelpage.h"
#include "platform/webview/rendererwatch.h"

#include <QChildEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWebEngineNewWindowRequest>
#include <QWebEngineProfile>

#include <chrono>

namespace platform {
namespace {

// As long as the engine lets a click open a window: its user activation.
constexpr std::chrono::milliseconds kClickLasts{5000};

} // namespace

PanelView::PanelView(QWidget* parent, WebViewHooks hooks, QWebEngineProfile* sharedProfile)
    : QWebEngineView(parent)
    , m_hooks(std::move(hooks))
    , m_sharedProfile(sharedProfile)
{
    // The engine's menu offers "view source" and "save page", which would
    // open windows and file dialogs.
    setContextMenuPolicy(Qt::NoContextMenu);
    m_watch = new RendererWatch([this] { return renewPage(); }, this);

    const auto tell = [this](const char* what) {
        if (m_hooks.watchActed)
            m_hooks.watchActed(what);
    };
    connect(m_watch, &RendererWatch::hung, this, [tell](watch::Reason reason) { tell(watch::name(reason)); });
    connect(m_watch, &RendererWatch::gaveUp, this, [tell] { tell("gave up"); });
    connect(m_watch, &RendererWatch::stopped, this, [this, tell] {
        tell("restless");
        if (m_hooks.loadFinished)
            m_hooks.loadFinished(false);
    });
}

// A new page in place of the one before, with a profile of its own: that
// page goes with its profile, its cache and whatever the engine holds for
// it. The one shared profile keeps not even a cache.
QWebEnginePage* PanelView::renewPage()
{
    QWebEngineProfile* profile = m_sharedProfile;
    if (!profile)
        profile = PanelPage::makeProfile(nullptr, PanelPage::Cache::Kept);
    auto* page = new PanelPage(profile, this);
    // Deleted with its page, after it.
    if (!m_sharedProfile)
        profile->setParent(page);
    page->setLoadGate([this](const QUrl& url, bool link) { return mayLoad(url, link); });
    page->setRequestGate([this] { return m_watch->mayRequest(); });
    PanelRequests::of(profile)->setGate([this](const QUrl& url, bool mainFrame) { return mayFetch(url, mainFrame); });
    connect(page, &QWebEnginePage::loadFinished, this, [this](bool ok) {
        if (m_hooks.loadFinished)
            m_hooks.loadFinished(ok);
    });
    connect(page, &QWebEnginePage::newWindowRequested, this, [this](QWebEngineNewWindowRequest& request) {
        // Left unhandled, the request ends in createWindow and is refused.
        if (request.isUserInitiated() && isWebAddress(request.requestedUrl()) && m_hooks.openExternally)
            m_hooks.openExternally(request.requestedUrl());
    });
    setPage(page);
    if (m_page) {
        // Until it is deleted (later: perhaps from inside one of its own
        // signals), the page before may load nothing more.
        m_page->disconnect(this);
        m_page->setLoadGate([](const QUrl&, bool) { return false; });
        m_page->setRequestGate([] { return false; });
        if (!m_sharedProfile)
            PanelRequests::of(m_page->profile())->setGate({});
        m_page->deleteLater();
    }
    m_page = page;
    return page;
}

// A load the page starts itself stays on the site. One that would leave it
// is refused and the page stays as it was; it is work the page asks of the
// program, counted like a frame's load. Only a link the user just clicked
// goes elsewhere, in the desktop's browser, once per click.
bool PanelView::mayLoad(const QUrl& url, bool link)
{
    if (staysOnSite(url))
        return m_watch->maySelfLoad();
    if (link && isWebAddress(url) && m_hooks.openExternally && takeClick())
        m_hooks.openExternally(url);
    else
        m_watch->mayRequest();
    return false;
}

// Every request is counted; and the page as a whole is never loaded from
// elsewhere than the site, whichever way the load came.
bool PanelView::mayFetch(const QUrl& url, bool mainFrame)
{
    if (mainFrame && !staysOnSite(url))
        return false;
    return m_watch->mayFetch();
}

bool PanelView::staysOnSite(const QUrl& url) const
{
    return advert::staysOnSite(m_site.toString(QUrl::FullyEncoded).toStdWString(),
                               url.toString(QUrl::FullyEncoded).toStdWString());
}

bool PanelView::takeClick()
{
    const bool fresh = m_click.isValid() && !m_click.hasExpired(kClickLasts.count());
    m_click.invalidate();
    return fresh;
}

// The page (and its profile with it) must go before the view.
PanelView::~PanelView()
{
    if (m_sharedProfile)
        PanelRequests::of(m_sharedProfile)->setGate({});
    delete m_watch;
    delete m_page;
}

void PanelView::load(const QUrl& url)
{
    m_site = url;
    m_watch->load(url);
}

void PanelView::setPatience(WebViewPatience patience)
{
    m_watch->setPatience(patience);
}

void PanelView::setLimits(WebViewLimits limits)
{
    m_watch->setLimits(limits);
}

// The widget the page is drawn in comes and goes with the renderer; each
// one is watched for Tab.
bool PanelView::event(QEvent* event)
{
    if (event->type() == QEvent::ChildPolished) {
        if (auto* child = qobject_cast<QWidget*>(static_cast<QChildEvent*>(event)->child()))
            child->installEventFilter(this);
    }
    return QWebEngineView::event(event);
}

// The panel is one stop in its window's Tab order: Tab and Shift+Tab go on
// to the window's next or previous control instead of walking through the
// page's links.
bool PanelView::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseButtonRelease && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton)
        m_click.start();
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        // What follows a link with the keyboard.
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter || key->key() == Qt::Key_Space)
            m_click.start();
        const bool tab = key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab;
        if (tab && !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))) {
            QWidget::focusNextPrevChild(key->key() == Qt::Key_Tab && !(key->modifiers() & Qt::ShiftModifier));
            return true;
        }
    }
    return QWebEngineView::eventFilter(watched, event);
}

} // namespace platform
