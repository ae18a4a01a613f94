// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/systemwebview.h"
#include "platform/webviewfactory.h"

#include <QObject>
#include <QPointer>
#include <QRect>
#include <QString>
#include <QUrl>

#include <memory>

class QFrame;
class QPluginLoader;

namespace platform {

// The browser strip of the main window. The browser (WebBrowser1) is made
// only after the host frame has first painted, by loading the engine module,
// so the window comes up without waiting for the engine. When the module is
// missing or fails to load, or the engine cannot run in this process (root
// with the sandbox on), the frame simply stays empty.
class WebPanel : public QObject {
    Q_OBJECT

public:
    // The browser gets the object name browserName and is placed at
    // browserGeometry in the host frame's client area (inside its border).
    WebPanel(QFrame* host, QString browserName, QRect browserGeometry);
    ~WebPanel() override;

    // Starts loading url and returns at once. Before the browser exists the
    // address is kept and loaded as soon as it does; the latest call wins.
    void navigate(const QUrl& url);

    // The browser widget, inside the host frame's border; nullptr until created.
    QWidget* view() const;

    // How long a page may take to load or to answer before its renderer is
    // ended and the page loaded again; from now on, the load under way too.
    void setPatience(WebViewPatience patience);
    // What a page may take of the machine; from now on, the page shown too.
    void setLimits(WebViewLimits limits);
    // The advert host, where the browser is the desktop's own control
    // (Windows); for a view made from now on.
    void setAdvertHost(AdvertHostSettings host) { m_advertHost = std::move(host); }

signals:
    // After the host frame's first paint, one of these two: the browser is
    // there, or there is none to be had and the frame stays empty.
    void viewCreated();
    void viewUnavailable();
    void loadFinished(bool ok);
    // The browser's watch stepped in (see WebViewHooks::watchActed).
    void watchActed(const QString& what);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    WebViewFactory* factory();
    void createView();

    QFrame* m_host;
    QString m_browserName;
    QRect m_browserGeometry;
    WebViewPatience m_patience;
    WebViewLimits m_limits;
    AdvertHostSettings m_advertHost;
    std::unique_ptr<WebViewFactory> m_systemFactory;
    std::unique_ptr<QPluginLoader> m_loader;
    QPointer<QWidget> m_view;
    WebView* m_web = nullptr; // lives as long as m_view
    QUrl m_url;
};

} // namespace platform
