// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/webview/webviewplugin.h"

#include "platform/webview/enginestart.h"
#include "platform/webview/panelview.h"

namespace platform {

// The module is loaded once per process, so this one factory sees the
// engine start with its first view.
WebView* WebViewPlugin::createView(QWidget* parent, WebViewHooks hooks)
{
    if (m_engineStarted)
        return new PanelView(parent, std::move(hooks));
    m_engineStarted = true;
    const EngineStart start;
    // The view's profile starts the engine.
    return new PanelView(parent, std::move(hooks));
}

} // namespace platform
