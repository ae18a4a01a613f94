// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/webview/panelview.h"

#include "platform/webview/panelpage.h"
#include "platform/webview/rendererwatch.h"

#include <QChildEvent>
#include <QKeyEvent>
#include <QWebEngineNewWindowRequest>
#include <QWebEngineProfile>

namespace platform {

PanelView::PanelView(QWidget* parent, WebViewHooks hooks)
    : QWebEngineView(parent)
    , m_hooks(std::move(hooks))
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

// A page with a profile of its own, off the record, in place of the one
// before: that page goes with its profile and all the page stored.
QWebEnginePage* PanelView::renewPage()
{
    auto* profile = PanelPage::makeProfile(nullptr);
    auto* page = new PanelPage(profile, this);
    // Deleted with its page, after it.
    profile->setParent(page);
    page->setLoadGate([this] { return m_watch->maySelfLoad(); });
    page->setRequestGate([this] { return m_watch->mayRequest(); });
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
        m_page->setLoadGate([] { return false; });
        m_page->setRequestGate([] { return false; });
        m_page->deleteLater();
    }
    m_page = page;
    return page;
}

// The page (and its profile with it) must go before the view.
PanelView::~PanelView()
{
    delete m_watch;
    delete m_page;
}

void PanelView::load(const QUrl& url)
{
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

} // namespace platform
