// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The browser engine behind the web panel, built as a plugin module so that
// only a program that actually shows the panel pays for QtWebEngine.

#include "platform/webviewfactory.h"

#include <QObject>

class QWebEngineProfile;

namespace platform {

class WebViewPlugin : public QObject, public WebViewFactory {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID ZELVAN_WEBVIEWFACTORY_IID)
    Q_INTERFACES(platform::WebViewFactory)

public:
    WebView* createView(QWidget* parent, WebViewHooks hooks) override;

private:
    bool m_engineStarted = false;
    QWebEngineProfile* m_sharedProfile = nullptr;
};

} // namespace platform
