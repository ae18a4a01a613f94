// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/webpanel.h"

#include "platform/webengineguard.h"
#include "platform/webviewfactory.h"

#include <QCoreApplication>
#include <QDir>
#include <QEvent>
#include <QFrame>
#include <QOpenGLContext>
#include <QPluginLoader>
#include <QRect>
#include <QSurfaceFormat>
#include <QTimer>

// Exported by QtGui and used by its own start-up to install the shared
// context; not declared in a public header.
Q_GUI_EXPORT void qt_gl_set_global_share_context(QOpenGLContext* context);

namespace platform {
namespace {

// In the frame's client area, inside its border. The browser overhangs that
// area on every side, so its own border and scroll bars are clipped away and
// only the inside of the page shows.
constexpr QRect browserGeometry{-8, -8, 625, 129};

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

// The browser engine renders through a GL context shared with the
// application's. Qt makes that context while the application starts when
// asked to (Qt::AA_ShareOpenGLContexts), but that loads the GL driver before
// the window is on screen: 50-80 ms and some 60 MB with software GL. The
// context is made here instead, just before the engine loads, the same way
// Qt would have made it; the engine finds it when it starts.
void shareGlContexts()
{
    if (QOpenGLContext::globalShareContext())
        return;
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    auto* context = new QOpenGLContext(qApp);
    context->setFormat(QSurfaceFormat::defaultFormat());
    context->create();
    qt_gl_set_global_share_context(context);
}

} // namespace

WebPanel::WebPanel(QFrame* host)
    : QObject(host)
    , m_host(host)
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

void WebPanel::createView()
{
    if (!browserEngineMayStart())
        return;
    shareGlContexts();

    WebViewFactory* factory = nullptr;
    for (const QString& candidate : moduleCandidates()) {
        auto loader = std::make_unique<QPluginLoader>(candidate);
        factory = qobject_cast<WebViewFactory*>(loader->instance());
        if (factory) {
            m_loader = std::move(loader);
            break;
        }
    }
    if (!factory)
        return;

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
    m_web = factory->createView(clientArea, [self](bool ok) {
        if (self)
            emit self->loadFinished(ok);
    });
    if (!m_web)
        return;
    m_view = m_web->widget();
    m_view->setGeometry(browserGeometry);
    m_view->show();
    emit viewCreated();
    if (m_url.isValid())
        m_web->load(m_url);
}

} // namespace platform
