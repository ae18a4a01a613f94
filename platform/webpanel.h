// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QPointer>
#include <QUrl>

#include <memory>

class QFrame;
class QPluginLoader;

namespace platform {

class WebView;

// The browser strip of the main window. The browser (WebBrowser1) is made
// only after the host frame has first painted, by loading the engine module,
// so the window comes up without waiting for the engine. When the module is
// missing or fails to load, or the engine cannot run in this process (root
// with the sandbox on), the frame simply stays empty.
class WebPanel : public QObject {
    Q_OBJECT

public:
    explicit WebPanel(QFrame* host);
    ~WebPanel() override;

    // Starts loading url and returns at once. Before the browser exists the
    // address is kept and loaded as soon as it does; the latest call wins.
    void navigate(const QUrl& url);

    // The browser widget, inside the host frame's border; nullptr until created.
    QWidget* view() const;

signals:
    void viewCreated();
    void loadFinished(bool ok);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void createView();

    QFrame* m_host;
    std::unique_ptr<QPluginLoader> m_loader;
    QPointer<QWidget> m_view;
    WebView* m_web = nullptr; // lives as long as m_view
    QUrl m_url;
};

} // namespace platform
