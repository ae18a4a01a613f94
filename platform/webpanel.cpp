// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/webpanel.h"

#include "platform/enginenoise.h"
#include "platform/systemwebview.h"
#include "platform/urlopener.h"
#include "platform/webengineguard.h"

#include <QCoreApplication>
#include <QDir>
#include <QEvent>
#include <QFrame>
#include <QPluginLoader>
#include <QTimer>

namespace platform {
namespace {

QStringList moduleCandidates()
{
    const QString overridden = qEnvironmentVariable("ZELVAN_WEBVIEW_PLUGIN");
    if (!overridden.isEmpty())
        return {overridden};

    // Installed next to the program's own libraries, or found where the
    // build tree puts it; QPluginLoader adds the platform's prefix and suffix.
    const QDir bin(QCoreApplication::applicationDirPath());
    QStringList candidates{
        bin.filePath(QStringLiteral(ZELVAN_WEBVIEW_RELDIR "/zelvan_webview")),
        bin.filePath(QStringLiteral("../lib/zelvan/zelvan_webview")),
    };
    candidates.removeDuplicates();
    return candidates;
}

} // namespace

WebPanel::WebPanel(QFrame* host, QString browserName, QRect browserGeometry)
    : QObject(host)
    , m_host(host)
    , m_browserName(std::move(browserName))
    , m_browserGeometry(browserGeometry)
{
    m_host->installEventFilter(this);
}

// Out of line for the unique_ptr. The loader does not unload the module on
// destruction, and must not: the engine cannot be unloaded while the program runs.
WebPanel::~WebPanel() = default;

void WebPanel::navigate(const QUrl& url)
{
    m_url = url;
    if (m_view)
        m_web->load(url);
}

void WebPanel::setPatience(WebViewPatience patience)
{
    m_patience = patience;
    if (m_view)
        m_web->setPatience(patience);
}

void WebPanel::setLimits(WebViewLimits limits)
{
    m_limits = limits;
    if (m_view)
        m_web->setLimits(limits);
}

QWidget* WebPanel::view() const
{
    return m_view;
}

bool WebPanel::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_host && event->type() == QEvent::Paint) {
        m_host->removeEventFilter(this);
        // After the paint, not inside it: loading the engine takes a while and
        // the rest of the window should reach the screen first.
        QTimer::singleShot(0, this, &WebPanel::createView);
    }
    return QObject::eventFilter(watched, event);
}

// The desktop's browser control where there is one, else the engine module.
WebViewFactory* WebPanel::factory()
{
    if ((m_systemFactory = systemWebViewFactory(m_advertHost)))
        return m_systemFactory.get();
    if (!browserEngineMayStart())
        return nullptr;

    quietenEngineGlNoise();

    for (const QString& candidate : moduleCandidates()) {
        auto loader = std::make_unique<QPluginLoader>(candidate);
        if (auto* factory = qobject_cast<WebViewFactory*>(loader->instance())) {
            m_loader = std::move(loader);
            return factory;
        }
    }
    return nullptr;
}

void WebPanel::createView()
{
    WebViewFactory* factory = this->factory();
    if (!factory) {
        emit viewUnavailable();
        return;
    }

    // A QFrame draws its border inside its own rectangle, where children
    // would cover it. The browser therefore sits in a plain child that spans
    // only the inside of the border and clips it, as a picture box's client
    // area would.
    auto* clientArea = new QWidget(m_host);
    clientArea->setObjectName(QStringLiteral("clientArea"));
    clientArea->setGeometry(m_host->contentsRect());
    clientArea->show();

    // The view may outlive the panel while its frame deletes its children.
    QPointer<WebPanel> self(this);
    WebViewHooks hooks;
    hooks.loadFinished = [self](bool ok) {
        if (self)
            emit self->loadFinished(ok);
    };
    // The same way out as the maker's site from the about window. Encoded:
    // toString() would decode a Chinese path into characters that the
    // browser's command line need not carry intact.
    hooks.openExternally = [](const QUrl& url) { openUrl(url.toEncoded().toStdString()); };
    hooks.watchActed = [self](const char* what) {
        if (self)
            emit self->watchActed(QString::fromLatin1(what));
    };
    m_web = factory->createView(clientArea, std::move(hooks));
    if (!m_web) {
        delete clientArea;
        emit viewUnavailable();
        return;
    }
    m_web->setPatience(m_patience);
    m_web->setLimits(m_limits);
    m_view = m_web->widget();
    m_view->setObjectName(m_browserName);
    m_view->setGeometry(m_browserGeometry);
    m_view->show();
    emit viewCreated();
    if (m_url.isValid())
        m_web->load(m_url);
}

} // namespace platform
